// The rename page: building it, and the handlers of its lists and buttons.
#include "app/RenamePage.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>

#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "app/SpinEdit.h"
#include "options/OptionKeys.h"
#include "sources/PathNames.h"
#include "widgets/CoolBtn.h"

namespace keys = options::keys;

namespace app {

using namespace build;

RenamePage::RenamePage(TForm1& form, QWidget* sheet, ListClicks& clicks)
    : TabSheet3(sheet), form_(form), clicks_(clicks) {
    Build();
    form_.OnClick(CoolBtn4, this, [this] { CoolBtn4Click(); });
    form_.OnClickThenWork(CoolBtn5, this, [this] { CoolBtn5Click(); });
    form_.OnClick(CoolBtn6, this, [this] { CoolBtn6Click(); });
    form_.OnClick(CoolBtn7, this, [this] { CoolBtn7Click(); });
    form_.OnClick(A1, this, [this] { CoolBtn4Click(); });
    form_.OnClick(D1, this, [this] { D1Click(); });
    clicks_.Watch(ListBox2);
    clicks_.Watch(ListBox3);
    connect(&form_.RenameList(), &sources::FileList::CountChanged, this,
            [this](int count) { Panel4->setText(QString::fromStdString(sources::RenameCountCaption(count))); });
}

RenamePage::~RenamePage() = default;

void RenamePage::Build() {
    QWidget* page = TabSheet3;
    Panel4 = CaptionPanel(page, "Panel4", " 変換元ファイル", 0, 0, kListWidth, kPanelHeight);
    ListBox2 = PathList(page, "ListBox2", form_.RenameList(), 0, kPanelHeight, 259);
    Panel5 = CaptionPanel(page, "Panel5", " 変換先ファイル", kRightColumn, 0, kListWidth, kPanelHeight);
    ListBox3 = PathList(page, "ListBox3", form_.DestinationList(), kRightColumn, kPanelHeight, 259);
    PopupMenu2 = ListPopup(ListBox2, "PopupMenu2", "A1", "D1", A1, D1, [this] { PopupMenu2Popup(); });

    auto caption = [this](const char* key) { return QString::fromStdString(form_.Options().Descriptor(key).caption); };
    QGroupBox* group = Group(page, "GroupBox5", "設定", 0, 294, 682, 115);
    Label(group, "lblEdit4", caption(keys::Prefix), 12, 20);
    Edit(group, keys::Prefix, 78, 20, 120);
    Label(group, "lblEdit5", caption(keys::Suffix), 214, 20);
    Edit(group, keys::Suffix, 270, 20, 120);
    Label(group, "lblSpinEdit4", caption(keys::StartNumber), 12, 50);
    SpinEdit4 = Spin(group, keys::StartNumber, 78, 50, 80);
    Label(group, "lblSpinEdit7", caption(keys::Digits), 214, 50);
    SpinEdit7 = Spin(group, keys::Digits, 270, 50, 60);
    Check(group, keys::SortList, caption(keys::SortList), 350, 50);
    Label(group, "lblEdit6", caption(keys::RenameFolder), 12, 82);
    Edit6 = Edit(group, keys::RenameFolder, 78, 82, 312);
    CoolBtn7 = PickerButton(group, "CoolBtn7", "フォルダの選択", 398, 79);

    // The design has this group 12 pixels into its outer group, where a frame drawn through the middle of the
    // outer caption has long passed; Qt's frames run below their captions, so it starts 8 pixels lower (its
    // bottom edge where the design has it) and its buttons sit a little closer together.
    QGroupBox* cases = Group(group, "GroupBox6", "大文字・小文字変換", 520, 20, 152, 87);
    Radio(cases, keys::CaseKept, caption(keys::CaseKept), 12, 20);
    Radio(cases, keys::CaseLower, caption(keys::CaseLower), 12, 41);
    Radio(cases, keys::CaseUpper, caption(keys::CaseUpper), 12, 62);

    CoolBtn4 = LargeButton(page, "CoolBtn4", "ファイル読込", kLargeButtonLeft[0], kLargeButtonTop);
    CoolBtn5 = LargeButton(page, "CoolBtn5", "変換実行", kLargeButtonLeft[1], kLargeButtonTop);
    CoolBtn6 = LargeButton(page, "CoolBtn6", "リスト消去", kLargeButtonLeft[2], kLargeButtonTop);
}

void RenamePage::SubscribeRules() {
    rules_.push_back(form_.Options().Subscribe(keys::SortList, [this](const std::string&) { CheckBox9Click(); }));
}

void RenamePage::Hold(bool renaming) {
    for (QWidget* w :
         {static_cast<QWidget*>(ListBox2), static_cast<QWidget*>(CoolBtn4), static_cast<QWidget*>(CoolBtn5),
          static_cast<QWidget*>(CoolBtn6), static_cast<QWidget*>(CoolBtn7)})
        w->setEnabled(!renaming);
    A1->setEnabled(!renaming);
    D1->setEnabled(!renaming);
}

void RenamePage::HoldRunButton(bool held) {
    CoolBtn5->setEnabled(!held);
}

void RenamePage::CoolBtn4Click() {
    if (form_.Renaming()) return;
    FileDialogRequest request{"ファイルを開く", {{"すべてのファイル(*.*)", "*"}}, true, ""};
    for (const std::string& file : form_.Dialogs().OpenFiles(&form_, request))
        form_.RenameList().Append(file);
}

void RenamePage::D1Click() {
    if (form_.Renaming()) return;
    ListClicks::Quiet quiet(clicks_);
    form_.RenameList().DeleteIndices(SelectedRows(ListBox2));
}

void RenamePage::CoolBtn6Click() {
    if (form_.Renaming()) return;
    ListClicks::Quiet quiet(clicks_);
    form_.RenameList().Clear();
    Panel4->setText(QString::fromStdString(sources::RenameCountCaption(0)));
}

void RenamePage::CoolBtn7Click() {
    PickFolderInto(form_.Dialogs(), &form_, form_.Options(), keys::RenameFolder);
}

void RenamePage::PopupMenu2Popup() {
    D1->setEnabled(form_.RenameList().Count() > 0 && !form_.Renaming());
}

void RenamePage::CheckBox9Click() {
    ListClicks::Quiet quiet(clicks_);
    const bool sorted = form_.Options().Checked(keys::SortList);
    form_.RenameList().SetSorted(sorted);
    form_.DestinationList().SetSorted(sorted);
}

} // namespace app
