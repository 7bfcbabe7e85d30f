#pragma once
// TForm1, the main window: three pages (the conversion list with its preview, the conversion options, the
// rename page), the menus, the status bar, the start-up modes with a window, closing, and every handler the
// controls call. Controls carry their designer names as object names and member names.
//
// The implementation is split by concern: MainForm.cpp (start-up, showing, resizing, closing, menus, the tray
// icon), MainFormPages.cpp (building the list and rename pages and the status bar), SettingsPage.cpp (building
// the options page), OptionPanel.cpp (the enabling, label and format rules and the pickers), MainFormLists.cpp
// (the list handlers, drops, preview), MainFormRun.cpp (the conversion run from the button), MainFormRename.cpp
// (the rename run from the rename page's button).
//
// The client area below the menu bar keeps its design layout (692 x 524) and is scaled as a whole by
// FormResizer1: every control's place, size and font follow the client area's size.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/Dialogs.h"
#include "app/PageBuilder.h"
#include "app/ListClicks.h"
#include "app/RenamePage.h"
#include "app/SettingsPage.h"
#include "convert/BatchRun.h"
#include "options/OptionSet.h"
#include "sources/FileList.h"
#include "widgets/CoolBtn.h"

namespace convert {
class ParallelRun;
}

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace widgets {
class TFormResizer;
class TRxTrayIcon;
class TrayBackend;
} // namespace widgets

class QMimeData;

namespace app {

// The local paths of a drop, each with the bytes of its name as the file system has them.
std::vector<std::string> DroppedPaths(const QMimeData& data);

class PreviewController;
class ResultView;
class TIk5Disp;
class TSpinEdit;

class TForm1 : public QMainWindow {
    Q_OBJECT
    friend class RenamePage; // its run holds the pages (SetRenaming)

public:
    static constexpr int kDesignClientWidth = 692;
    static constexpr int kDesignClientHeight = 524;
    // A stored outer size below these shows no usable window: the default size is taken instead.
    static constexpr int kMinimumShownWidth = 120;
    static constexpr int kMinimumShownHeight = 60;

    // `programFolder` ends with "/"; `settingsFile` is the default settings file read at a plain start and
    // written at closing. `dialogs` answers every question (Qt's dialogs when null).
    TForm1(std::string programFolder, std::string settingsFile, std::shared_ptr<DialogProvider> dialogs = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up with a window: applies the stored placement, then loads the settings of the mode the arguments
    // choose (a ".klv" first argument in any letter case: that file; otherwise the default settings file) and
    // shows the window. An error on the way is shown in the error box and the window still opens.
    void FormCreate(const std::vector<std::string>& args);

    // The about box and the help viewer, set by main (tests set their own). Without one, the item still answers:
    // a plain version box, or the help file opened with the desktop's viewer.
    std::function<void()> AboutHook;                           // "バージョン情報(&A)..."
    std::function<void(const std::string& helpFile)> HelpHook; // "ヘルプ目次(&C)" / F1

    // The notification-area icon talks to this backend from now on (tests count what reaches it); the icon
    // keeps its progress frames.
    void UseTrayBackend(std::unique_ptr<widgets::TrayBackend> backend);

    // For main and for tests.
    options::OptionSet& Options() { return options_; }
    sources::FileList& ConversionList() { return conversionList_; }
    sources::FileList& RenameList() { return renameList_; }
    sources::FileList& DestinationList() { return destinationList_; }
    convert::RunComponents& Components() { return components_; }
    DialogProvider& Dialogs() { return *dialogs_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& SettingsFile() const { return settingsFile_; }
    // The help file lies with the program's read-only files: the program folder, or share/kelvo/ when installed.
    std::string HelpFile() const { return (resourceFolder_.empty() ? programFolder_ : resourceFolder_) + "Kelvo.hlp"; }
    void SetResourceFolder(std::string folder) { resourceFolder_ = std::move(folder); }
    bool Running() const { return running_; }
    bool Renaming() const { return renaming_; }

    SettingsPage& Settings() { return *settings_; }
    RenamePage& Rename() { return *rename_; }

    // Runs a handler as the controls do: an error it raises goes to the error box.
    void Guarded(const std::function<void()>& handler);
    // A click on `button` (a trigger of `action`) runs `handler` guarded, for as long as `page` lives.
    void OnClick(QAbstractButton* button, QObject* page, std::function<void()> handler);
    void OnClick(QAction* action, QObject* page, std::function<void()> handler);

    // Handlers (public so tests can call them as the controls do).
    void FormShow();
    bool FormCloseQuery(); // saves the settings and the placement; false when the save failed
    void FormResize();     // lays the client area out for its current size
    void Exit1Click();
    void mnuOpenClick();
    void mnuSaveClick();
    void herupu2Click();
    void About1Click();

    void Button1Click();
    void Button2Click();
    void StopButtonClick();
    void Button3Click();
    void Delete1Click();
    void PopupMenu1Popup();
    void ListBox1Click();
    // 「変換後を表示」 (Ctrl+R, and the preview's context menu): the preview shows the selected entry as the run
    // would write it, following every option change; off, the source as it is. Kept with the placement.
    QAction* ShowResult = nullptr;
    // The drop rules for local paths dropped onto the window (the page showing decides where they go).
    void HandleDroppedFiles(const std::vector<std::string>& names);
    // Files and folders given when the window opens ("kelvo --open", as a file manager starts it): they join the
    // conversion list as a drop onto the list page does (folders walked).
    void OpenFilesInList(const std::vector<std::string>& names);

    // Controls, by their designer names.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    TPanel* Panel3 = nullptr;
    QListView* ListBox1 = nullptr;
    TIk5Disp* Ik5Disp1 = nullptr;
    widgets::TCoolBtn* Button1 = nullptr;
    widgets::TCoolBtn* Button2 = nullptr;
    widgets::TCoolBtn* StopButton = nullptr; // "中止": ends a run after the files in flight
    widgets::TCoolBtn* Button3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QWidget* pnlStatusBar = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* N4 = nullptr;
    QAction* Delete1 = nullptr;
    // Non-visual parts: the proportional resizer of the client area and the notification-area progress icon.
    widgets::TFormResizer* FormResizer1 = nullptr;
    widgets::TRxTrayIcon* RxTrayIcon1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building (MainFormPages.cpp, SettingsPage.cpp).
    void BuildMenus();
    void BuildPages();
    void BuildListPage();
    void BuildStatusBar();
    void ConnectHandlers();
    void MakeTrayIcon(std::unique_ptr<widgets::TrayBackend> backend);
    // The resizer records the controls built here; the inner parts of composite controls (a list's viewport, a
    // spin edit's buttons, the page control's tab bar) are laid out by their own control and are left to it.
    void LeaveInnerPartsToTheirControls();
    // The status bar keeps to the bottom edge at its (scaled) height; the page control fills the rest.
    void AlignClientArea();
    void SubscribeRules();
    void ShowError(const std::exception& error);
    // Placement in the per-user store (MainForm.cpp).
    void ApplyPlacement();
    void SavePlacement();
    void BuildResultView();
    // Asks for the result of the first selected entry in list order that is not GIF or TIFF.
    void RequestResult();
    // Fits the frame to the stored outer placement once a window manager has framed the window (the frame's
    // size is not known before). True when nothing is left to fit.
    bool FitFrameToPlacement();
    // The run in progress holds off the conversion list, the first page's buttons, the options page and the
    // preview (MainFormRun.cpp).
    void SetRunning(bool running);
    convert::ParallelRun* activeRun_ = nullptr;
    // The rename run holds off the rename list and the rename page's buttons (MainFormRename.cpp).
    void SetRenaming(bool renaming);

    std::string programFolder_;
    std::string resourceFolder_;
    std::string settingsFile_;
    std::shared_ptr<DialogProvider> dialogs_;
    options::OptionSet options_;
    std::vector<options::Subscription> rules_;
    sources::FileList conversionList_;
    sources::FileList renameList_;
    sources::FileList destinationList_;
    convert::RunComponents components_;
    std::unique_ptr<ListClicks> clicks_;
    std::unique_ptr<SettingsPage> settings_;
    std::unique_ptr<RenamePage> rename_;
    std::unique_ptr<PreviewController> preview_;
    std::unique_ptr<ResultView> resultView_;
    bool running_ = false;
    bool renaming_ = false;
    bool closedDuringRun_ = false;
    bool shownOnce_ = false;
    // The stored outer placement, until the frame around the window is known and the inner size fitted to it.
    std::optional<QRect> pendingOuter_;
};

} // namespace app
