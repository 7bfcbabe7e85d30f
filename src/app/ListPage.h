#pragma once
// The list page "　リスト作成　" (TabSheet1): the conversion list with its context menu, the preview of its
// selection (the source as it is, or the result view: the selected entry as the run would write it), and the
// buttons that add files, convert the list, stop the run and clear the list. ListPage.cpp builds the page and
// holds its list handlers, ListPageRun.cpp the conversion run, ListPageResult.cpp the result view.
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "options/OptionSet.h"

class QAction;
class QListView;
class QMenu;
class QTimer;

namespace convert {
class RunDriver;
}

namespace widgets {
class TCoolBtn;
}

namespace app {

class ListClicks;
class PreviewController;
class ResultView;
class TForm1;
class TIk5Disp;
class TPanel;

class ListPage : public QObject {
public:
    // Builds the page's controls on `sheet` (TabSheet1, in the page control already) and connects them to their
    // handlers; the list's selection is taken by `clicks`.
    ListPage(TForm1& form, QWidget* sheet, ListClicks& clicks);
    ~ListPage() override;

    // Makes 「変換後を表示」 and the result view (once the option rules are subscribed: it follows every option).
    void MakeResultView();
    // The conversion run holds the list, its buttons and the menu's adding, and frees the stop button; the rename
    // run holds the run button only (both runs show their progress on the same bars).
    void Hold(bool running);
    void HoldRunButton(bool held);
    // The window was closed during the run: it stops as with 中止.
    void AbandonRun();

    // Handlers (public so tests can call them as the controls do).
    void Button1Click();
    void Button2Click();
    void StopButtonClick();
    void Button3Click();
    void Delete1Click();
    void PopupMenu1Popup();
    void ListBox1Click();
    // The selection changed by the menu button: loaded as by a click, and what went wrong is shown in the
    // information line with the preview blank, leaving the way to the menu free.
    void ListBox1MenuClick();

    // 「変換後を表示」 (Ctrl+R, and the preview's context menu): the preview shows the selected entry as the run
    // would write it, following every option change; off, the source as it is. Kept with the placement.
    QAction* ShowResult = nullptr;

    // Controls, by their designer names.
    QWidget* TabSheet1 = nullptr;
    TPanel* Panel1 = nullptr;
    TPanel* Panel2 = nullptr;
    QListView* ListBox1 = nullptr;
    TIk5Disp* Ik5Disp1 = nullptr;
    widgets::TCoolBtn* Button1 = nullptr;
    widgets::TCoolBtn* Button2 = nullptr;
    widgets::TCoolBtn* Button3 = nullptr;
    widgets::TCoolBtn* StopButton = nullptr; // "中止": stops a run at once
    QMenu* PopupMenu1 = nullptr;
    QAction* N4 = nullptr;
    QAction* Delete1 = nullptr;

private:
    void Build();
    // Asks for the result of the first selected entry in list order that is not GIF or TIFF.
    void RequestResult();
    // Says that the result being made is not the picture shown yet: 「変換中…」 above it, the picture dimmed.
    void ShowResultPending();

    TForm1& form_;
    ListClicks& clicks_;
    std::unique_ptr<PreviewController> preview_;
    std::unique_ptr<ResultView> resultView_;
    // The entry whose result the view shows (or was last asked for), and the timer that marks a result of the
    // same entry as being made again when it takes a moment (an option changed).
    std::string resultSource_;
    QTimer* resultPending_ = nullptr;
    std::vector<options::Subscription> rules_;
    convert::RunDriver* activeRun_ = nullptr;
};

} // namespace app
