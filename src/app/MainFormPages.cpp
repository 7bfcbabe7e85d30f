// Building the page control, the list page, the rename page and the status bar, and wiring the controls to their
// handlers.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>

#include "app/Ik5Disp.h"
#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/OptionBinding.h"
#include "app/PageBuilder.h"
#include "app/SpinEdit.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace app {

namespace {

using namespace build;

constexpr int kStatusBarHeight = 19;
constexpr int kStatusBarTop = TForm1::kDesignClientHeight - kStatusBarHeight;
constexpr int kProgressWidth = 100;

// Tabs drawn as buttons: raised when not chosen, pressed in when chosen. The sheet goes on the tab bar only:
// a style sheet above the pages would stop fonts set on a control from reaching the control's inner parts.
const char* const kTabsAsButtons =
    "QTabBar::tab { border: 1px solid #8a8a8a; border-radius: 3px; padding: 3px 10px; margin: 2px 1px 2px 1px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d4d0c8); }"
    "QTabBar::tab:selected { background: #c8c4bc; border-color: #5a5a5a; }";

} // namespace

void TForm1::BuildPages() {
    // The client area has no layout: its controls sit at their design places and the resizer scales them.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    central->resize(kDesignClientWidth, kDesignClientHeight);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->tabBar()->setStyleSheet(QString::fromLatin1(kTabsAsButtons));
    PageControl1->setGeometry(0, 0, kDesignClientWidth, kStatusBarTop);
    setCentralWidget(central);
    // The window may be made smaller than its controls: the stored placement is applied as it is.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    PageControl1->setMinimumSize(1, 1);

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, QStringLiteral("　リスト作成　"));
    PageControl1->addTab(TabSheet2, QStringLiteral("　　設　定　　"));
    PageControl1->addTab(TabSheet3, QStringLiteral("ファイル名変更"));
    PageControl1->setCurrentIndex(0);

    BuildListPage();
    settings_ = std::make_unique<SettingsPage>(*this, TabSheet2);
    rename_ = std::make_unique<RenamePage>(*this, TabSheet3, *clicks_);
    BindOptionControls(this, options_);
}

void TForm1::BuildListPage() {
    QWidget* page = TabSheet1;
    Panel1 = CaptionPanel(page, "Panel1", " リストの選択", 0, 0, kListWidth, kPanelHeight);
    ListBox1 = PathList(page, "ListBox1", conversionList_, 0, kPanelHeight, 379);
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

void TForm1::BuildStatusBar() {
    pnlStatusBar = new QWidget(centralWidget());
    pnlStatusBar->setObjectName(QStringLiteral("pnlStatusBar"));
    pnlStatusBar->setGeometry(0, kStatusBarTop, kDesignClientWidth, kStatusBarHeight);
    // The text panel fills the width left of the two bars; ProgressBar1 is at the right edge.
    const int textWidth = kDesignClientWidth - 2 * kProgressWidth;
    Panel3 = CaptionPanel(pnlStatusBar, "Panel3", "F1キーでヘルプが表示されます", 0, 0, textWidth, kStatusBarHeight);
    int left = textWidth;
    for (QProgressBar** bar : {&ProgressBar2, &ProgressBar1}) {
        *bar = new QProgressBar(pnlStatusBar);
        (*bar)->setObjectName(bar == &ProgressBar1 ? QStringLiteral("ProgressBar1") : QStringLiteral("ProgressBar2"));
        (*bar)->setGeometry(left, 0, kProgressWidth, kStatusBarHeight);
        (*bar)->setRange(0, 100);
        (*bar)->setValue(0);
        (*bar)->setTextVisible(false);
        left += kProgressWidth;
    }
}

void TForm1::ConnectHandlers() {
    auto click = [this](QPushButton* button, void (TForm1::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    };
    click(Button1, &TForm1::Button1Click);
    click(Button2, &TForm1::Button2Click);
    click(StopButton, &TForm1::StopButtonClick);
    click(Button3, &TForm1::Button3Click);

    connect(N4, &QAction::triggered, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(Delete1, &QAction::triggered, this, [this] { Guarded([this] { Delete1Click(); }); });
    clicks_->Watch(ListBox1);
}

void TForm1::SubscribeRules() {
    settings_->SubscribeRules();
    rename_->SubscribeRules();
}

void TForm1::SetRenaming(bool renaming) {
    renaming_ = renaming;
    rename_->Hold(renaming);
    // The conversion run's button waits too: both runs show their progress on the same bars.
    Button2->setEnabled(!renaming);
}

} // namespace app
