#pragma once
// TForm1, the main window: menus, the pages (ListPage, SettingsPage, RenamePage own their controls, by their
// designer names, and their handlers), the status bar, start-up with a window, drops (MainFormDrops.cpp) and
// closing; MainFormPages.cpp builds the pages and the status bar and holds the pages during a run. The client
// area keeps its design layout (692 x 524), scaled as a whole by FormResizer1.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/Dialogs.h"
#include "app/ListPage.h"
#include "app/RenamePage.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "convert/BatchRun.h"
#include "options/OptionSet.h"
#include "sources/FileList.h"

class QAbstractButton;
class QMimeData;
class QTabWidget;
namespace widgets {
class TFormResizer;
class TRxTrayIcon;
class TrayBackend;
} // namespace widgets

namespace app {

// The local paths of a drop, each with the bytes of its name as the file system has them.
std::vector<std::string> DroppedPaths(const QMimeData& data);

class TForm1 : public QMainWindow {
    Q_OBJECT
    friend class ListPage;   // its run holds the pages (SetRunning)
    friend class RenamePage; // so does its run (SetRenaming)

public:
    // `programFolder` ends with "/"; `settingsFile` is read at a plain start and written at closing; `dialogs`
    // answers every question (Qt's dialogs when null).
    TForm1(std::string programFolder, std::string settingsFile, std::shared_ptr<DialogProvider> dialogs = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up with a window: applies the stored placement, loads the settings file (a ".klv" first argument in
    // any letter case, or the default one) and shows the window, which opens even after an error on the way.
    void FormCreate(const std::vector<std::string>& args);

    // The about box and help viewer, set by main (tests set their own); without: a plain box, the desktop's viewer.

    // The notification-area icon talks to this backend from now on (tests count what reaches it).
    void UseTrayBackend(std::unique_ptr<widgets::TrayBackend> backend);
    // For main, the pages and tests.
    options::OptionSet& Options();
    sources::FileList& ConversionList();
    sources::FileList& RenameList();
    sources::FileList& DestinationList();
    convert::RunComponents& Components();
    DialogProvider& Dialogs();
    const std::string& ProgramFolder() const;
    const std::string& SettingsFile() const;
    std::string HelpFile() const; // with the read-only files: the program folder, or share/kelvo/ installed
    void SetResourceFolder(std::string folder);
    bool Running() const;
    bool Renaming() const;
    ListPage& List();
    SettingsPage& Settings();
    RenamePage& Rename();
    StatusBar& Status();

    // Runs a handler as the controls do (its error goes to the error box); a click on `button` (a trigger of
    // `action`) runs `handler` so while `page` lives.
    void Guarded(const std::function<void()>& handler);
    void OnClick(QAbstractButton* button, QObject* page, std::function<void()> handler);
    void OnClick(QAction* action, QObject* page, std::function<void()> handler);
    // For a handler that works for long, processing the window's messages as it goes (a run): it starts once the
    // click has been delivered. Inside the delivery of a click, Qt sends every later mouse event to the clicked
    // button, so a click on 中止 meanwhile would never reach it.
    void OnClickThenWork(QAbstractButton* button, QObject* page, std::function<void()> handler);

    // Handlers (public so tests can call them as the controls do).
    void FormShow();
    bool FormCloseQuery(); // saves the settings and the placement; false when the save failed
    void FormResize();     // lays the client area out for its current size
    void Exit1Click();
    void mnuOpenClick();
    void mnuSaveClick();
    // 「出力の詳細設定」: shows the dialog of what a run writes (bound to the options while it is open).
    void mnuOutputClick();
    void herupu2Click();
    void About1Click();
    // Local paths dropped onto the window (the page showing decides where they go); files and folders given at
    // the start ("kelvo --open") join the conversion list as a drop onto the list page does.
    void HandleDroppedFiles(const std::vector<std::string>& names);
    void OpenFilesInList(const std::vector<std::string>& names);

    // Controls, by their designer names.
    QTabWidget* PageControl1 = nullptr;
    widgets::TFormResizer* FormResizer1 = nullptr; // scales the client area
    widgets::TRxTrayIcon* RxTrayIcon1 = nullptr;   // the run's progress in the notification area

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildPages();
    // A run holds the pages it depends on, and the other run's button (both show their progress on one bar).
    void SetRunning(bool running);
    void SetRenaming(bool renaming);

    struct State;
    std::unique_ptr<State> state_;
};

} // namespace app
