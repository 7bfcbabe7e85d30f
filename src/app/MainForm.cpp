// The main window's life: creation, start-up, showing, resizing, closing, the menus and the error box.
#include "app/MainForm.h"

#include <exception>
#include <filesystem>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/CommandLine.h"
#include "app/FontMapping.h"
#include "app/ListClicks.h"
#include "app/Placement.h"
#include "convert/ErrorText.h"
#include "settings/Settings.h"
#include "sources/PathNames.h"
#include "widgets/FormResizer.h"
#include "widgets/TrayIcon.h"

#ifndef KELVO_VERSION
#define KELVO_VERSION "0"
#endif

namespace app {

namespace {
constexpr char kTitle[] = "Kelvo for Windows";
// A stored outer size below these shows no usable window: the default size is taken instead.
constexpr int kMinimumShownWidth = 120;
constexpr int kMinimumShownHeight = 60;
const char* const kSettingsFilter = "Kelvo設定ファイル(*.klv)";
} // namespace

TForm1::TForm1(std::string programFolder, std::string settingsFile, std::shared_ptr<DialogProvider> dialogs,
               QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), settingsFile_(std::move(settingsFile)),
      dialogs_(dialogs ? std::move(dialogs) : MakeQtDialogProvider()), options_(programFolder_) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(WindowFont());
    setAcceptDrops(true);
    clicks_ = std::make_unique<ListClicks>([this] { Guarded([this] { list_->ListBox1Click(); }); });
    BuildMenus();
    BuildPages();
    BuildStatusBar();
    // The file progress bar follows every load and save of the preview (a run sets its own for its duration).
    components_.Ik5File1.OnProgress = [this](imaging::TIk5File&, std::int16_t percent) {
        ProgressBar1->setValue(percent);
    };
    SubscribeRules();
    list_->MakeResultView();
    resize(kDesignClientWidth, kDesignClientHeight + menuBar()->sizeHint().height());

    FormResizer1 = new widgets::TFormResizer(centralWidget());
    FormResizer1->setObjectName(QStringLiteral("FormResizer1"));
    FormResizer1->SetResizeFonts(true);
    FormResizer1->SetMinFontSize(8);
    FormResizer1->SetMaxFontSize(48);
    centralWidget()->installEventFilter(this);
    clicks_->WatchPresses(centralWidget());
    MakeTrayIcon(nullptr);
}

TForm1::~TForm1() = default;

void TForm1::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TForm1::OnClick(QAbstractButton* button, QObject* page, std::function<void()> handler) {
    connect(button, &QAbstractButton::clicked, page, [this, handler] { Guarded(handler); });
}

void TForm1::OnClick(QAction* action, QObject* page, std::function<void()> handler) {
    connect(action, &QAction::triggered, page, [this, handler] { Guarded(handler); });
}

void TForm1::ShowError(const std::exception& error) {
    dialogs_->ShowError(this, convert::DescribeError(error));
}

void TForm1::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    QAction* open = file->addAction(QStringLiteral("設定ファイルを開く(&O)..."), this, [this] { mnuOpenClick(); });
    open->setObjectName(QStringLiteral("mnuOpen"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = file->addAction(QStringLiteral("設定をファイルに保存(&S)..."), this, [this] { mnuSaveClick(); });
    save->setObjectName(QStringLiteral("mnuSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("終了(&X)"), this, [this] { Exit1Click(); });
    exit->setObjectName(QStringLiteral("Exit1"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* contents = help->addAction(QStringLiteral("ヘルプ目次(&C)"), this, [this] { herupu2Click(); });
    contents->setObjectName(QStringLiteral("herupu2"));
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    QAction* about = help->addAction(QStringLiteral("バージョン情報(&A)..."), this, [this] { About1Click(); });
    about->setObjectName(QStringLiteral("About1"));
}

void TForm1::MakeTrayIcon(std::unique_ptr<widgets::TrayBackend> backend) {
    RxTrayIcon1 = new widgets::TRxTrayIcon(this, std::move(backend));
    RxTrayIcon1->setObjectName(QStringLiteral("RxTrayIcon1"));
    widgets::LoadProgressFrames(RxTrayIcon1->Icons());
    // Nothing shows yet: the icon stays empty until a run sets a frame.
    RxTrayIcon1->Loaded();
}

void TForm1::UseTrayBackend(std::unique_ptr<widgets::TrayBackend> backend) {
    delete RxTrayIcon1;
    MakeTrayIcon(std::move(backend));
}

void TForm1::FormCreate(const std::vector<std::string>& args) {
    // The layout is recorded at the design size, before the stored placement changes the size.
    LeaveInnerPartsToTheirControls();
    FormResizer1->CaptureDesignLayout();
    // Scaled fonts stop at 8 points while boxes keep shrinking: below about 0.89 of the design width check-box
    // captions are cut, below about 0.85 of its height first rows run into their group's caption. The window
    // does not get smaller than that (a smaller stored size shows it at this size).
    const QSize design = size();
    setMinimumSize(design.width() * 89 / 100, design.height() * 85 / 100);
    Guarded([this] { ApplyPlacement(); });
    const std::string source = IsSettingsStart(args) ? args.front() : settingsFile_;
    // A settings file named first that is a folder starts with the start values, as a missing one does.
    std::error_code error;
    if (!(IsSettingsStart(args) && std::filesystem::is_directory(source, error)))
        Guarded([&] { settings::LoadSettings(options_, source); });
    show();
}

void TForm1::ApplyPlacement() {
    WindowPlacement placement;
    struct Apply {
        TForm1& form;
        WindowPlacement& placement;
        // Values read before a failure are applied all the same. A size too small to show the window (0, or
        // negative) takes its default: the program never runs without a window to end it by. Positions stay as
        // stored, even off the screen.
        ~Apply() {
            const WindowPlacement defaults;
            if (placement.width < kMinimumShownWidth) placement.width = defaults.width;
            if (placement.height < kMinimumShownHeight) placement.height = defaults.height;
            form.move(placement.left, placement.top);
            form.resize(placement.width, placement.height);
            form.pendingOuter_ = QRect(placement.left, placement.top, placement.width, placement.height);
        }
    } apply{*this, placement};
    ReadPlacement(placement);
}

bool TForm1::FitFrameToPlacement() {
    if (!pendingOuter_) return true;
    const QWindow* window = windowHandle();
    const QMargins frame = window ? window->frameMargins() : QMargins();
    if (frame.isNull()) return false;
    const QRect outer = *pendingOuter_;
    pendingOuter_.reset();
    resize(std::max(outer.width() - frame.left() - frame.right(), 1),
           std::max(outer.height() - frame.top() - frame.bottom(), 1));
    move(outer.topLeft()); // a window's position is its frame's
    return true;
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // The window manager frames the window after it is shown; the first move or resize after that tells.
    if (pendingOuter_ && shownOnce_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Expose))
        FitFrameToPlacement();
    return handled;
}

void TForm1::SavePlacement() {
    const QRect outer = frameGeometry();
    WritePlacement({outer.top(), outer.left(), outer.width(), outer.height()});
    WriteShowResult(list_->ShowResult->isChecked());
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        // The stored size is the outer size: the frame is taken off the inner size once it is known. Without a
        // window manager there is none, and the inner size is the stored size; give up waiting after a while.
        if (!FitFrameToPlacement()) QTimer::singleShot(2000, this, [this] { pendingOuter_.reset(); });
    }
    FormShow();
}

void TForm1::FormShow() {
    settings_->UpdateFormatControls();
}

void TForm1::LeaveInnerPartsToTheirControls() {
    QWidget* client = centralWidget();
    QSet<const QWidget*> containers{client, pnlStatusBar};
    for (int page = 0; page < PageControl1->count(); ++page)
        containers.insert(PageControl1->widget(page));
    for (const QGroupBox* group : client->findChildren<QGroupBox*>())
        containers.insert(group);
    for (QWidget* widget : client->findChildren<QWidget*>()) {
        if (!containers.contains(widget->parentWidget())) widgets::SetFillsParent(widget);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize() {
    FormResizer1->ScaleToCurrentSize();
    // The tab bar has a style sheet of its own, which keeps it from taking its page control's font by itself.
    PageControl1->tabBar()->setFont(PageControl1->font());
    AlignClientArea();
}

void TForm1::AlignClientArea() {
    const QSize client = centralWidget()->size();
    const int barHeight = pnlStatusBar->height();
    pnlStatusBar->setGeometry(0, client.height() - barHeight, client.width(), barHeight);
    PageControl1->setGeometry(0, 0, client.width(), std::max(client.height() - barHeight, 0));
    // Inside the status bar: ProgressBar1 at the right edge, ProgressBar2 left of it, the text panel the rest.
    int right = client.width();
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        right -= bar->width();
        bar->setGeometry(right, 0, bar->width(), barHeight);
    }
    Panel3->setGeometry(0, 0, std::max(right, 0), barHeight);
}

bool TForm1::FormCloseQuery() {
    try {
        settings::SaveSettings(options_, settingsFile_);
    } catch (const std::exception& error) {
        ShowError(error);
        return false;
    }
    Guarded([this] { SavePlacement(); });
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // A run in progress stops before its next file (the options and placement are saved already).
    if (running_) list_->AbandonRun();
    event->accept();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::mnuOpenClick() {
    FileDialogRequest request{"設定ファイルを開く", {{kSettingsFilter, "*.klv"}}, true, "klv"};
    const std::vector<std::string> chosen = dialogs_->OpenFiles(this, request);
    if (chosen.empty()) return;
    std::string path = chosen.front();
    if (sources::ExtractFileExt(sources::ExtractFileName(path)).empty()) path += ".klv";
    Guarded([&] { settings::LoadSettings(options_, path); });
    // The loaded format decides which format options show.
    settings_->UpdateFormatControls();
}

void TForm1::mnuSaveClick() {
    // The options as they stand now: the dialog takes the focus, and a spin edit that loses it writes back its
    // range-checked value, but the typed value is the one to save.
    const options::OptionValues typed = options_.Snapshot();
    FileDialogRequest request{"設定ファイルの保存", {{kSettingsFilter, "*.klv"}}, false, "klv"};
    const std::optional<std::string> chosen = dialogs_->SaveFile(this, request);
    if (!chosen) return;
    Guarded([&] {
        options::OptionSet saved(programFolder_);
        saved.Assign(typed);
        settings::SaveSettings(saved, *chosen);
    });
}

void TForm1::herupu2Click() {
    const std::string helpFile = HelpFile();
    if (HelpHook) {
        HelpHook(helpFile);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(helpFile, ec)) {
        dialogs_->ShowInformation(this, "ヘルプファイルが見つかりません: " + helpFile);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(helpFile)));
}

void TForm1::About1Click() {
    if (AboutHook) {
        AboutHook();
        return;
    }
    QMessageBox::about(this, QStringLiteral("バージョン情報"),
                       QStringLiteral("Kelvo for Windows\nバージョン " KELVO_VERSION));
}

} // namespace app
