// The main window's life: creation, start-up, showing, resizing, closing, the menus and the error box.
#include "app/MainForm.h"
#include "app/MainFormState.h"

#include <exception>
#include <filesystem>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "about/AboutBox.h"
#include "about/HelpWindow.h"
#include "app/CommandLine.h"
#include "app/FontMapping.h"
#include "app/ListClicks.h"
#include "app/FramePlacement.h"
#include "app/Placement.h"
#include "convert/ErrorText.h"
#include "settings/Settings.h"
#include "sources/PathNames.h"
#include "widgets/FormResizer.h"
#include "widgets/ScaledStyle.h"
#include "widgets/TrayIcon.h"

namespace app {

namespace {
constexpr char kTitle[] = "Kelvo for Windows";
const char* const kSettingsFilter = "Kelvo設定ファイル(*.klv)";

void ShowError(TForm1& form, const std::exception& error) {
    form.Dialogs().ShowError(&form, convert::DescribeError(error));
}

void BuildMenus(TForm1& form) {
    QMenu* file = form.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    QAction* open =
        file->addAction(QStringLiteral("設定ファイルを開く(&O)..."), &form, [&form] { form.mnuOpenClick(); });
    open->setObjectName(QStringLiteral("mnuOpen"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save =
        file->addAction(QStringLiteral("設定をファイルに保存(&S)..."), &form, [&form] { form.mnuSaveClick(); });
    save->setObjectName(QStringLiteral("mnuSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    QAction* output =
        file->addAction(QStringLiteral("出力の詳細設定(&D)..."), &form, [&form] { form.mnuOutputClick(); });
    output->setObjectName(QStringLiteral("mnuOutput"));
    output->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("終了(&X)"), &form, [&form] { form.Exit1Click(); });
    exit->setObjectName(QStringLiteral("Exit1"));

    QMenu* help = form.menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* contents = help->addAction(QStringLiteral("ヘルプ目次(&C)"), &form, [&form] { form.herupu2Click(); });
    contents->setObjectName(QStringLiteral("herupu2"));
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    QAction* about = help->addAction(QStringLiteral("バージョン情報(&A)..."), &form, [&form] { form.About1Click(); });
    about->setObjectName(QStringLiteral("About1"));
}

widgets::TRxTrayIcon* MakeTrayIcon(TForm1& form, std::unique_ptr<widgets::TrayBackend> backend) {
    auto* icon = new widgets::TRxTrayIcon(&form, std::move(backend));
    icon->setObjectName(QStringLiteral("RxTrayIcon1"));
    widgets::LoadProgressFrames(icon->Icons());
    // Nothing shows yet: the icon stays empty until a run sets a frame.
    icon->Loaded();
    return icon;
}

// The resizer records the controls built here; the inner parts of composite controls (a list's viewport, a spin
// edit's buttons, the page control's tab bar) are laid out by their own control and are left to it.
void LeaveInnerPartsToTheirControls(TForm1& form) {
    QWidget* client = form.centralWidget();
    QSet<const QWidget*> containers{client, form.Status().pnlStatusBar};
    for (int page = 0; page < form.PageControl1->count(); ++page)
        containers.insert(form.PageControl1->widget(page));
    for (const QGroupBox* group : client->findChildren<QGroupBox*>())
        containers.insert(group);
    for (QWidget* widget : client->findChildren<QWidget*>()) {
        if (!containers.contains(widget->parentWidget())) widgets::SetFillsParent(widget);
    }
}

// The status bar keeps to the bottom edge at its (scaled) height; the page control fills the rest.
void AlignClientArea(TForm1& form) {
    const QSize client = form.centralWidget()->size();
    form.Status().KeepToBottom(client.width(), client.height());
    const int barHeight = form.Status().pnlStatusBar->height();
    form.PageControl1->setGeometry(0, 0, client.width(), std::max(client.height() - barHeight, 0));
}

} // namespace

TForm1::TForm1(std::string programFolder, std::string settingsFile, std::shared_ptr<DialogProvider> dialogs,
               QWidget* parent)
    : QMainWindow(parent),
      state_(std::make_unique<State>(*this, std::move(programFolder), std::move(settingsFile), std::move(dialogs))) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(WindowFont());
    setAcceptDrops(true);
    widgets::UseScaledStyle(WindowFont()); // check boxes, slider handles and arrows grow with the text
    state_->clicks = std::make_unique<ListClicks>([this](ListClicks::Kind kind) {
        if (kind == ListClicks::Kind::MenuButton) return state_->list->ListBox1MenuClick();
        Guarded([this] { state_->list->ListBox1Click(); });
    });
    BuildMenus(*this);
    BuildPages();
    // The file progress bar follows every load and save of the preview (a run sets its own for its duration).
    state_->components.Ik5File1.OnProgress = [this](imaging::TIk5File&, std::int16_t percent) {
        state_->status->ProgressBar1->setValue(percent);
    };
    state_->settings->SubscribeRules();
    state_->rename->SubscribeRules();
    state_->list->MakeResultView();
    state_->designMenuHeight = menuBar()->sizeHint().height();
    resize(kDesignClientWidth, kDesignClientHeight + state_->designMenuHeight);

    FormResizer1 = new widgets::TFormResizer(centralWidget());
    FormResizer1->setObjectName(QStringLiteral("FormResizer1"));
    FormResizer1->SetResizeFonts(true);
    FormResizer1->SetMinFontSize(8);
    FormResizer1->SetMaxFontSize(48);
    centralWidget()->installEventFilter(this);
    state_->clicks->WatchPresses(centralWidget());
    RxTrayIcon1 = MakeTrayIcon(*this, nullptr);
}

TForm1::~TForm1() = default;

options::OptionSet& TForm1::Options() {
    return state_->options;
}
sources::FileList& TForm1::ConversionList() {
    return state_->conversionList;
}
sources::FileList& TForm1::RenameList() {
    return state_->renameList;
}
sources::FileList& TForm1::DestinationList() {
    return state_->destinationList;
}
convert::RunComponents& TForm1::Components() {
    return state_->components;
}
DialogProvider& TForm1::Dialogs() {
    return *state_->dialogs;
}
const std::string& TForm1::ProgramFolder() const {
    return state_->programFolder;
}
const std::string& TForm1::SettingsFile() const {
    return state_->settingsFile;
}
std::string TForm1::HelpFile() const {
    return (state_->resourceFolder.empty() ? state_->programFolder : state_->resourceFolder) + "Kelvo.hlp";
}
void TForm1::SetResourceFolder(std::string folder) {
    state_->resourceFolder = std::move(folder);
}
bool TForm1::Running() const {
    return state_->running;
}
bool TForm1::Renaming() const {
    return state_->renaming;
}
ListPage& TForm1::List() {
    return *state_->list;
}
SettingsPage& TForm1::Settings() {
    return *state_->settings;
}
RenamePage& TForm1::Rename() {
    return *state_->rename;
}
StatusBar& TForm1::Status() {
    return *state_->status;
}

void TForm1::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowError(*this, error);
    }
}

void TForm1::OnClick(QAbstractButton* button, QObject* page, std::function<void()> handler) {
    connect(button, &QAbstractButton::clicked, page, [this, handler] { Guarded(handler); });
}

void TForm1::OnClickThenWork(QAbstractButton* button, QObject* page, std::function<void()> handler) {
    connect(
        button, &QAbstractButton::clicked, page, [this, handler] { Guarded(handler); }, Qt::QueuedConnection);
}

void TForm1::OnClick(QAction* action, QObject* page, std::function<void()> handler) {
    connect(action, &QAction::triggered, page, [this, handler] { Guarded(handler); });
}

void TForm1::UseTrayBackend(std::unique_ptr<widgets::TrayBackend> backend) {
    delete RxTrayIcon1;
    RxTrayIcon1 = MakeTrayIcon(*this, std::move(backend));
}

void TForm1::FormCreate(const std::vector<std::string>& args) {
    // The layout is recorded at the design size, before the stored placement changes the size.
    LeaveInnerPartsToTheirControls(*this);
    FormResizer1->CaptureDesignLayout();
    // Scaled fonts stop at 8 points while boxes keep shrinking: below about 0.89 of the design width check-box
    // captions are cut, below about 0.85 of its height first rows run into their group's caption. The window
    // does not get smaller than that (a smaller stored size shows it at this size).
    const QSize design = size();
    setMinimumSize(design.width() * 89 / 100, design.height() * 85 / 100);
    Guarded([this] { state_->placement.Apply(); });
    const std::string source = IsSettingsStart(args) ? args.front() : state_->settingsFile;
    // A settings file named first that is a folder starts with the start values, as a missing one does.
    std::error_code error;
    if (!(IsSettingsStart(args) && std::filesystem::is_directory(source, error)))
        Guarded([&] { settings::LoadSettings(state_->options, source); });
    show();
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    state_->placement.Handled(*event);
    return handled;
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    state_->placement.Shown();
    FormShow();
}

void TForm1::FormShow() {
    state_->settings->UpdateFormatControls();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize() {
    FormResizer1->ScaleToCurrentSize();
    // The tab bar has a style sheet of its own, which keeps it from taking its page control's font by itself;
    // the menu bar and its menus, outside the scaled area, grow with the pages too.
    PageControl1->tabBar()->setFont(PageControl1->font());
    // The menu bar and its menus, outside the scaled area, grow with the window too: measured by the whole
    // window, so that the menu bar's own height never feeds back into its font.
    QFont menuFont = WindowFont();
    const double ratio = double(height()) / (kDesignClientHeight + state_->designMenuHeight);
    const int designPixels = menuFont.pixelSize();
    menuFont.setPixelSize(std::max(designPixels, widgets::RoundHalfEven(designPixels * ratio)));
    menuBar()->setFont(menuFont);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        menu->setFont(menuFont);
    AlignClientArea(*this);
}

bool TForm1::FormCloseQuery() {
    try {
        settings::SaveSettings(state_->options, state_->settingsFile);
    } catch (const std::exception& error) {
        ShowError(*this, error);
        return false;
    }
    Guarded([this] {
        state_->placement.Save();
        WriteShowResult(state_->list->ShowResult->isChecked());
    });
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // A run in progress stops as with 中止 (the options and placement are saved already).
    if (state_->running) state_->list->AbandonRun();
    event->accept();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::mnuOpenClick() {
    FileDialogRequest request{"設定ファイルを開く", {{kSettingsFilter, "*.klv"}}, true, "klv"};
    const std::vector<std::string> chosen = state_->dialogs->OpenFiles(this, request);
    if (chosen.empty()) return;
    std::string path = chosen.front();
    if (sources::ExtractFileExt(sources::ExtractFileName(path)).empty()) path += ".klv";
    Guarded([&] { settings::LoadSettings(state_->options, path); });
    // The loaded format decides which format options show.
    state_->settings->UpdateFormatControls();
}

void TForm1::mnuOutputClick() {
    if (!state_->outputDialog) state_->outputDialog = new OutputDialog(this, state_->options);
    state_->outputDialog->show();
    state_->outputDialog->raise();
    state_->outputDialog->activateWindow();
}

void TForm1::mnuSaveClick() {
    // The options as they stand now: the dialog takes the focus, and a spin edit that loses it writes back its
    // range-checked value, but the typed value is the one to save.
    const options::OptionValues typed = state_->options.Snapshot();
    FileDialogRequest request{"設定ファイルの保存", {{kSettingsFilter, "*.klv"}}, false, "klv"};
    const std::optional<std::string> chosen = state_->dialogs->SaveFile(this, request);
    if (!chosen) return;
    Guarded([&] {
        options::OptionSet saved(state_->programFolder);
        saved.Assign(typed);
        settings::SaveSettings(saved, *chosen);
    });
}

void TForm1::herupu2Click() {
    about::ShowHelpContents(this, HelpFile());
}

void TForm1::About1Click() {
    // Made at its first showing, a child of the window, and kept: every later showing is the same box.
    if (!state_->aboutBox) state_->aboutBox = new about::TForm2(this);
    state_->aboutBox->ShowModal();
}

} // namespace app
