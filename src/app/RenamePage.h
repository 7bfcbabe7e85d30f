#pragma once
// The rename page "ファイル名変更" (TabSheet3): the files to copy and, beside them, the copies made; the naming
// rule (prefix, number, suffix, letter case) and the output folder; the buttons that add, copy and clear.
// RenamePage.cpp builds the page and holds its list handlers, RenamePageRun.cpp the rename run.
#include <vector>

#include <QObject>

#include "options/OptionSet.h"

class QAction;
class QLineEdit;
class QListView;
class QMenu;

namespace widgets {
class TCoolBtn;
}

namespace app {

class ListClicks;
class TForm1;
class TPanel;
class TSpinEdit;

class RenamePage : public QObject {
public:
    // Builds the page's controls on `sheet` (TabSheet3, in the page control already) and connects them to their
    // handlers; the selection of both lists is taken by `clicks`.
    RenamePage(TForm1& form, QWidget* sheet, ListClicks& clicks);
    ~RenamePage() override;

    // Starts the sorting rule (once the option controls are bound).
    void SubscribeRules();
    // The rename run holds the rename list and the page's buttons; a conversion run holds the run button only
    // (both runs show their progress on the same bars).
    void Hold(bool renaming);
    void HoldRunButton(bool held);

    // Handlers (public so tests can call them as the controls do).
    void CoolBtn4Click();
    void CoolBtn5Click();
    void CoolBtn6Click();
    void CoolBtn7Click();
    void D1Click();
    void PopupMenu2Popup();
    void CheckBox9Click();

    // Controls, by their designer names.
    QWidget* TabSheet3 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* Panel5 = nullptr;
    QListView* ListBox2 = nullptr;
    QListView* ListBox3 = nullptr;
    TSpinEdit* SpinEdit4 = nullptr;
    TSpinEdit* SpinEdit7 = nullptr;
    QLineEdit* Edit6 = nullptr;
    widgets::TCoolBtn* CoolBtn4 = nullptr;
    widgets::TCoolBtn* CoolBtn5 = nullptr;
    widgets::TCoolBtn* CoolBtn6 = nullptr;
    widgets::TCoolBtn* CoolBtn7 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* A1 = nullptr;
    QAction* D1 = nullptr;

private:
    void Build();

    TForm1& form_;
    ListClicks& clicks_;
    std::vector<options::Subscription> rules_;
};

} // namespace app
