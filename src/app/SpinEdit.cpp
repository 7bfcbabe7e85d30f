#include "app/SpinEdit.h"

#include <cmath>

#include "widgets/ScaledStyle.h"

#include <QKeyEvent>
#include <QPalette>
#include <QToolButton>

#include "options/SpinValue.h"

namespace app {

namespace {
constexpr int kButtonWidth = 15;
} // namespace

void SpinLineEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        Q_EMIT StepRequested(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    // Printable input is limited to the characters a number may hold; editing keys, shortcuts and navigation
    // pass through.
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (printable) {
        for (const char32_t c : text.toUcs4()) {
            if (!options::IsAcceptedSpinChar(c)) {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void SpinLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Q_EMIT FocusLeft();
}

TSpinEdit::TSpinEdit(QWidget* parent)
    : QWidget(parent), editor_(new SpinLineEdit(this)), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setFocusProxy(editor_);
    setFocusPolicy(Qt::StrongFocus);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(kFirstRepeatMs);
        button->setAutoRepeatInterval(kRepeatMs);
        button->setFocusPolicy(Qt::NoFocus);
        button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
    }
    connect(editor_, &QLineEdit::textEdited, this, &TSpinEdit::TextEdited);
    connect(editor_, &SpinLineEdit::StepRequested, this, &TSpinEdit::StepRequested);
    connect(editor_, &SpinLineEdit::FocusLeft, this, &TSpinEdit::FocusLeft);
    connect(up_, &QToolButton::clicked, this, [this] { Q_EMIT StepRequested(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Q_EMIT StepRequested(-1); });
}

QString TSpinEdit::Text() const {
    return editor_->text();
}

void TSpinEdit::SetText(const QString& text) {
    if (editor_->text() != text) editor_->setText(text);
}

void TSpinEdit::SetBackground(const QColor& colour) {
    QPalette palette = editor_->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    editor_->setPalette(palette);
}

QColor TSpinEdit::Background() const {
    return editor_->palette().color(QPalette::Active, QPalette::Base);
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    // The buttons widen with the text when the window is enlarged (their arrows grow with them).
    const int scaled = int(std::lround(kButtonWidth * widgets::ScaledStyle::FontScale(this)));
    const int buttonWidth = std::min(std::max(kButtonWidth, scaled), w / 2);
    editor_->setGeometry(0, 0, w - buttonWidth, h);
    up_->setGeometry(w - buttonWidth, 0, buttonWidth, h / 2);
    down_->setGeometry(w - buttonWidth, h / 2, buttonWidth, h - h / 2);
}

} // namespace app
