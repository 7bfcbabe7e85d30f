#include "app/PageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QShortcut>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QStyledItemDelegate>

#include "app/SpinEdit.h"
#include "sources/FileList.h"
#include "widgets/CoolBtn.h"

namespace app {

TPanel::TPanel(const QString& text, QWidget* parent) : QFrame(parent), text_(text) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void TPanel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(contentsRect().adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     text_);
}

namespace build {

namespace {
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

template <typename W> W* Place(W* widget, const QString& name, int x, int y, int w, int h) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}
} // namespace

QLabel* Label(QWidget* parent, const QString& name, const QString& text, int x, int fieldTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(x, fieldTop + (kFieldHeight - label->height()) / 2);
    return label;
}

TPanel* CaptionPanel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h) {
    return Place(new TPanel(text, parent), name, x, y, w, h);
}

QGroupBox* Group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h) {
    return Place(new QGroupBox(title, parent), name, x, y, w, h);
}

QLineEdit* Edit(QWidget* parent, const QString& name, int x, int y, int w) {
    return Place(new QLineEdit(parent), name, x, y, w, kFieldHeight);
}

QComboBox* Combo(QWidget* parent, const QString& name, int x, int y, int w) {
    auto* combo = Place(new QComboBox(parent), name, x, y, w, kFieldHeight);
    combo->setEditable(true);
    return combo;
}

TSpinEdit* Spin(QWidget* parent, const QString& name, int x, int y, int w) {
    return Place(new TSpinEdit(parent), name, x, y, w, kFieldHeight);
}

QCheckBox* Check(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->adjustSize();
    box->move(x, y + (kFieldHeight - box->height()) / 2);
    return box;
}

QRadioButton* Radio(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    button->adjustSize();
    button->move(x, y);
    return button;
}

QSlider* TrackBar(QWidget* parent, const QString& name, int x, int y, int w) {
    auto* slider = Place(new QSlider(Qt::Horizontal, parent), name, x, y, w, 26);
    slider->setRange(0, 100);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setPageStep(10);
    return slider;
}

namespace {
widgets::TCoolBtn* CoolButton(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w, int h,
                              widgets::TCoolBtn::TCoolOptions options) {
    auto* button = Place(new widgets::TCoolBtn(caption, parent), name, x, y, w, h);
    button->SetColorStart(QColor(255, 255, 255));
    button->SetColorEnd(QColor(192, 192, 192));
    button->SetGradientDirection(widgets::TCoolBtn::gdVertical);
    button->SetOptions(options);
    return button;
}
} // namespace

widgets::TCoolBtn* LargeButton(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
    return CoolButton(parent, name, caption, x, y, kLargeButtonWidth, kLargeButtonHeight,
                      widgets::TCoolBtn::ocPaintGradiently | widgets::TCoolBtn::ocRoundedForm);
}

widgets::TCoolBtn* PickerButton(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
    return CoolButton(parent, name, caption, x, y, kPickerWidth, kPickerHeight,
                      widgets::TCoolBtn::TCoolOptions(widgets::TCoolBtn::ocPaintGradiently));
}

QListView* PathList(QWidget* parent, const char* name, sources::FileList& model, int x, int y, int h) {
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

QMenu* ListPopup(QListView* view, const char* name, const char* addName, const char* deleteName, QAction*& add,
                 QAction*& remove, std::function<void()> beforePopup) {
    auto* menu = new QMenu(view);
    menu->setObjectName(QString::fromLatin1(name));
    add = menu->addAction(QStringLiteral("ファイルを追加(&A)"));
    add->setObjectName(QString::fromLatin1(addName));
    remove = menu->addAction(QStringLiteral("選択項目を削除(&D)"));
    remove->setObjectName(QString::fromLatin1(deleteName));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, menu, [view, menu, beforePopup](const QPoint& at) {
        beforePopup();
        menu->popup(view->viewport()->mapToGlobal(at));
    });
    // The Delete key in the list does what the menu's item does (shown beside it); the item's state is brought up
    // to date first, as for the menu.
    remove->setShortcut(QKeySequence::Delete);
    auto* key = new QShortcut(QKeySequence::Delete, view, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(key, &QShortcut::activated, remove, [remove, beforePopup] {
        beforePopup();
        remove->trigger();
    });
    return menu;
}

} // namespace build
} // namespace app
