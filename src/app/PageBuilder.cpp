#include "app/PageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/SpinEdit.h"

namespace app::build {

namespace {
template <typename W>
W* Place(W* widget, const QString& name, int x, int y, int w, int h) {
    widget->setObjectName(name);
    widget->setGeometry(x, y, w, h);
    return widget;
}
}  // namespace

QLabel* Label(QWidget* parent, const QString& name, const QString& text, int x, int fieldTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    label->move(x, fieldTop + (kFieldHeight - label->height()) / 2);
    return label;
}

QLabel* CaptionPanel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h) {
    auto* panel = Place(new QLabel(text, parent), name, x, y, w, h);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return panel;
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

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w, int h) {
    return Place(new QPushButton(caption, parent), name, x, y, w, h);
}

}  // namespace app::build
