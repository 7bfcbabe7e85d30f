// The list page: building it, and the handlers of the conversion list and its buttons.
#include "app/ListPage.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QProgressBar>

#include "app/Ik5Disp.h"
#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "app/Preview.h"
#include "app/ResultView.h"
#include "convert/ErrorText.h"
#include "widgets/CoolBtn.h"

namespace app {

using namespace build;

ListPage::ListPage(TForm1& form, QWidget* sheet, ListClicks& clicks) : TabSheet1(sheet), form_(form), clicks_(clicks) {
    Build();
    convert::RunComponents& components = form_.Components();
    preview_ = std::make_unique<PreviewController>(form_.ConversionList(), components.Ik5File1, *Ik5Disp1);
    preview_->SetProgress = [this](int percent) { form_.Status().ProgressBar1->setValue(percent); };
    form_.OnClick(Button1, this, [this] { Button1Click(); });
    form_.OnClickThenWork(Button2, this, [this] { Button2Click(); });
    form_.OnClick(StopButton, this, [this] { StopButtonClick(); });
    form_.OnClick(Button3, this, [this] { Button3Click(); });
    form_.OnClick(N4, this, [this] { Button1Click(); });
    form_.OnClick(Delete1, this, [this] { Delete1Click(); });
    clicks_.Watch(ListBox1);
}

ListPage::~ListPage() = default;

void ListPage::Build() {
    QWidget* page = TabSheet1;
    Panel1 = CaptionPanel(page, "Panel1", " リストの選択", 0, 0, kListWidth, kPanelHeight);
    ListBox1 = PathList(page, "ListBox1", form_.ConversionList(), 0, kPanelHeight, 379);
    Panel2 = CaptionPanel(page, "Panel2", " プレビュー", kRightColumn, 0, kListWidth, kPanelHeight);
    Ik5Disp1 = new TIk5Disp(page);
    Ik5Disp1->setObjectName(QStringLiteral("Ik5Disp1"));
    Ik5Disp1->setGeometry(kRightColumn, kPanelHeight, kListWidth, 379);
    Button1 = LargeButton(page, "Button1", "ファイル読込", kLargeButtonLeft[0], kLargeButtonTop);
    Button2 = LargeButton(page, "Button2", "変換実行", kLargeButtonLeft[1], kLargeButtonTop);
    Button3 = LargeButton(page, "Button3", "リスト消去", kLargeButtonLeft[2], kLargeButtonTop);
    StopButton = PickerButton(page, "StopButton", "中止", kLargeButtonLeft[2] + kLargeButtonWidth + 12,
                              kLargeButtonTop + (kLargeButtonHeight - kPickerHeight) / 2);
    StopButton->resize(60, kPickerHeight);
    StopButton->setEnabled(false);
    PopupMenu1 = ListPopup(ListBox1, "PopupMenu1", "N4", "Delete1", N4, Delete1, [this] { PopupMenu1Popup(); });
}

void ListPage::Hold(bool running) {
    for (QWidget* w : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2),
                       static_cast<QWidget*>(Button3)})
        w->setEnabled(!running);
    N4->setEnabled(!running);
    StopButton->setEnabled(running);
}

void ListPage::HoldRunButton(bool held) {
    Button2->setEnabled(!held);
}

void ListPage::Button1Click() {
    if (form_.Running()) return;
    const std::vector<std::string> chosen = form_.Dialogs().OpenPictures(&form_, PictureRequest(true));
    if (!chosen.empty()) form_.ConversionList().AppendMany(chosen);
}

void ListPage::Delete1Click() {
    if (form_.Running()) return;
    ListClicks::Quiet quiet(clicks_);
    form_.ConversionList().DeleteIndices(SelectedRows(ListBox1));
}

void ListPage::Button3Click() {
    if (form_.Running()) return;
    ListClicks::Quiet quiet(clicks_);
    form_.ConversionList().Clear();
    preview_->Blank();
}

void ListPage::PopupMenu1Popup() {
    Delete1->setEnabled(form_.ConversionList().Count() > 0 && !form_.Running());
}

void ListPage::ListBox1MenuClick() {
    try {
        ListBox1Click();
    } catch (const std::exception& error) {
        preview_->Blank();
        Panel2->setText(QStringLiteral(" ") + QString::fromStdString(convert::DescribeError(error)));
    }
}

void ListPage::ListBox1Click() {
    // The run works with the same file component and display; the preview waits until it ends.
    if (form_.Running()) return;
    if (ShowResult->isChecked()) return RequestResult();
    if (auto line = preview_->ListBox1Click(SelectedRows(ListBox1))) Panel2->setText(QString::fromStdString(*line));
}

} // namespace app
