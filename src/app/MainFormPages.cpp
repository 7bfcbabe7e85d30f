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
constexpr int kListWidth = 339;
constexpr int kRightColumn = 345;
constexpr int kPanelHeight = 20;
// The row of large buttons, at the same place on the list and rename pages.
constexpr int kLargeButtonTop = 414;
constexpr int kLargeButtonLeft[] = {190, 295, 400};

// Tabs drawn as buttons: raised when not chosen, pressed in when chosen. The sheet goes on the tab bar only:
// a style sheet above the pages would stop fonts set on a control from reaching the control's inner parts.
const char* const kTabsAsButtons =
    "QTabBar::tab { border: 1px solid #8a8a8a; border-radius: 3px; padding: 3px 10px; margin: 2px 1px 2px 1px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d4d0c8); }"
    "QTabBar::tab:selected { background: #c8c4bc; border-color: #5a5a5a; }";

// With one size for every row (which keeps lists of 50,000 paths fast), a list view measures its first row
// only; measured as the longest path instead, the sideways scroll always reaches the end of every path.
class LongestRowDelegate : public QStyledItemDelegate {
public:
    LongestRowDelegate(sources::FileList& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int longest = model_.LongestRow();
        if (longest < 0 || longest == index.row()) return QStyledItemDelegate::sizeHint(option, index);
        return QStyledItemDelegate::sizeHint(option, index)
            .expandedTo(QStyledItemDelegate::sizeHint(option, model_.index(longest)));
    }

private:
    sources::FileList& model_;
};

QListView* MakeList(QWidget* parent, const char* name, sources::FileList& model, int x, int y, int h) {
    auto* view = new QListView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setGeometry(x, y, kListWidth, h);
    view->setModel(&model);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformItemSizes(true);
    view->setItemDelegate(new LongestRowDelegate(model, view));
    // Rows measured again when paths come or go (the view keeps its measure of the first row otherwise).
    QObject::connect(&model, &sources::FileList::CountChanged, view, [view] { view->doItemsLayout(); });
    // Long paths are shown whole and scroll sideways.
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setTextElideMode(Qt::ElideNone);
    view->setWordWrap(false);
    return view;
}

QMenu* MakePopup(QListView* view, const char* name, const char* addName, const char* deleteName, QAction*& add,
                 QAction*& remove) {
    auto* menu = new QMenu(view);
    menu->setObjectName(QString::fromLatin1(name));
    add = menu->addAction(QStringLiteral("ファイルを追加(&A)"));
    add->setObjectName(QString::fromLatin1(addName));
    remove = menu->addAction(QStringLiteral("選択項目を削除(&D)"));
    remove->setObjectName(QString::fromLatin1(deleteName));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    return menu;
}

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
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, QStringLiteral("　リスト作成　"));
    PageControl1->addTab(TabSheet2, QStringLiteral("　　設　定　　"));
    PageControl1->addTab(TabSheet3, QStringLiteral("ファイル名変更"));
    PageControl1->setCurrentIndex(0);

    BuildListPage();
    settings_ = std::make_unique<SettingsPage>(*this, TabSheet2);
    BuildRenamePage();
    BindOptionControls(this, options_);
}

void TForm1::BuildListPage() {
    QWidget* page = TabSheet1;
    Panel1 = CaptionPanel(page, "Panel1", " リストの選択", 0, 0, kListWidth, kPanelHeight);
    ListBox1 = MakeList(page, "ListBox1", conversionList_, 0, kPanelHeight, 379);
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
    PopupMenu1 = MakePopup(ListBox1, "PopupMenu1", "N4", "Delete1", N4, Delete1);
}

void TForm1::BuildRenamePage() {
    QWidget* page = TabSheet3;
    Panel4 = CaptionPanel(page, "Panel4", " 変換元ファイル", 0, 0, kListWidth, kPanelHeight);
    ListBox2 = MakeList(page, "ListBox2", renameList_, 0, kPanelHeight, 259);
    Panel5 = CaptionPanel(page, "Panel5", " 変換先ファイル", kRightColumn, 0, kListWidth, kPanelHeight);
    ListBox3 = MakeList(page, "ListBox3", destinationList_, kRightColumn, kPanelHeight, 259);
    PopupMenu2 = MakePopup(ListBox2, "PopupMenu2", "A1", "D1", A1, D1);

    auto caption = [this](const char* key) { return QString::fromStdString(options_.Descriptor(key).caption); };
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
    click(CoolBtn4, &TForm1::CoolBtn4Click);
    click(CoolBtn5, &TForm1::CoolBtn5Click);
    click(CoolBtn6, &TForm1::CoolBtn6Click);
    click(CoolBtn7, &TForm1::CoolBtn7Click);

    connect(N4, &QAction::triggered, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(Delete1, &QAction::triggered, this, [this] { Guarded([this] { Delete1Click(); }); });
    connect(A1, &QAction::triggered, this, [this] { Guarded([this] { CoolBtn4Click(); }); });
    connect(D1, &QAction::triggered, this, [this] { Guarded([this] { D1Click(); }); });
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1Popup();
        PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(at));
    });
    connect(ListBox2, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu2Popup();
        PopupMenu2->popup(ListBox2->viewport()->mapToGlobal(at));
    });
    // Every selection change of the three lists refreshes the preview of the conversion list's selection.
    // A click on an entry that is selected already changes no selection: it loads the preview again all the
    // same (the press that follows a selection change has loaded it already).
    for (QListView* view : {ListBox1, ListBox2, ListBox3}) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            selectionJustLoaded_ = true;
            if (!quietLists_) Guarded([this] { ListBox1Click(); });
        });
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::pressed, this, [this] {
            if (!selectionJustLoaded_ && !quietLists_) Guarded([this] { ListBox1Click(); });
            selectionJustLoaded_ = false;
        });
    }
    connect(&renameList_, &sources::FileList::CountChanged, this,
            [this](int count) { Panel4->setText(QString::fromStdString(sources::RenameCountCaption(count))); });
}

} // namespace app
