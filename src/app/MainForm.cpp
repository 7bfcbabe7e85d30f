// The main window's life: creation, start-up, showing, closing, the menus and the error box.
#include "app/MainForm.h"

#include <exception>
#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QUrl>

#include "app/CommandLine.h"
#include "app/FontMapping.h"
#include "app/Ik5Disp.h"
#include "app/Placement.h"
#include "app/Preview.h"
#include "convert/ErrorText.h"
#include "settings/Settings.h"
#include "sources/PathNames.h"

#ifndef KELVO_VERSION
#define KELVO_VERSION "0"
#endif

namespace app {

namespace {
constexpr char kTitle[] = "Kelvo for Windows";
const char* const kSettingsFilter = "Kelvo設定ファイル(*.klv)";
}  // namespace

TForm1::TForm1(std::string programFolder, std::string settingsFile, std::shared_ptr<DialogProvider> dialogs,
               QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), settingsFile_(std::move(settingsFile)),
      dialogs_(dialogs ? std::move(dialogs) : MakeQtDialogProvider()), options_(programFolder_) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(WindowFont());
    setAcceptDrops(true);
    BuildMenus();
    BuildPages();
    BuildStatusBar();
    preview_ = std::make_unique<PreviewController>(conversionList_, components_.Ik5File1, components_.Ik5Common1,
                                                   *Ik5Disp1);
    preview_->SetProgress = [this](int percent) { ProgressBar1->setValue(percent); };
    // The file progress bar follows every load and save of the preview (a run sets its own for its duration).
    components_.Ik5File1.OnProgress = [this](imaging::TIk5File&, std::int16_t percent) {
        ProgressBar1->setValue(percent);
    };
    ConnectHandlers();
    SubscribeRules();
    resize(kDesignClientWidth, kDesignClientHeight + menuBar()->sizeHint().height());
}

TForm1::~TForm1() = default;

void TForm1::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TForm1::ShowError(const std::exception& error) { dialogs_->ShowError(this, convert::DescribeError(error)); }

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

void TForm1::FormCreate(const std::vector<std::string>& args) {
    Guarded([this] { ApplyPlacement(); });
    const std::string source = IsSettingsStart(args) ? args.front() : settingsFile_;
    Guarded([&] { settings::LoadSettings(options_, source); });
    show();
}

void TForm1::ApplyPlacement() {
    WindowPlacement placement;
    struct Apply {
        TForm1& form;
        WindowPlacement& placement;
        // Values read before a failure are applied all the same.
        ~Apply() {
            form.move(placement.left, placement.top);
            form.resize(placement.width, placement.height);
        }
    } apply{*this, placement};
    ReadPlacement(placement);
}

void TForm1::SavePlacement() {
    const QRect outer = frameGeometry();
    WritePlacement({outer.top(), outer.left(), outer.width(), outer.height()});
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        // The stored size is the outer size; once the frame is known, take it off the inner size.
        const QSize frame = frameGeometry().size() - geometry().size();
        if (!frame.isEmpty()) resize(size() - frame);
    }
    FormShow();
}

void TForm1::FormShow() { UpdateFormatControls(); }

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
    if (running_) closedDuringRun_ = true;
    event->accept();
}

void TForm1::Exit1Click() { close(); }

void TForm1::mnuOpenClick() {
    FileDialogRequest request{"設定ファイルを開く", {{kSettingsFilter, "*.klv"}}, true, "klv"};
    const std::vector<std::string> chosen = dialogs_->OpenFiles(this, request);
    if (chosen.empty()) return;
    std::string path = chosen.front();
    if (sources::ExtractFileExt(sources::ExtractFileName(path)).empty()) path += ".klv";
    Guarded([&] { settings::LoadSettings(options_, path); });
    // The loaded format decides which format options show.
    UpdateFormatControls();
}

void TForm1::mnuSaveClick() {
    FileDialogRequest request{"設定ファイルの保存", {{kSettingsFilter, "*.klv"}}, false, "klv"};
    const std::optional<std::string> chosen = dialogs_->SaveFile(this, request);
    if (!chosen) return;
    Guarded([&] { settings::SaveSettings(options_, *chosen); });
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

}  // namespace app
