#include "widgets/SmoothShow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QRegion>
#include <QVariant>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

namespace widgets {

void SetWindowRegion(QWidget* window, const QRegion& region) {
    if (region.isEmpty())
        window->setMask(QRegion(-1, -1, 1, 1));
    else
        window->setMask(region);
}

QMargins ExpectedFrameMargins(const QWidget& window) {
    // A hidden window reports no frame: the one it had when last shown is kept with it.
    static const char* const kKnownFrame = "kelvoKnownFrameMargins";
    if (window.isVisible() && window.windowHandle() != nullptr && !window.windowHandle()->frameMargins().isNull()) {
        const QMargins margins = window.windowHandle()->frameMargins();
        const_cast<QWidget&>(window).setProperty(kKnownFrame, QVariant::fromValue(margins));
        return margins;
    }
    if (const QVariant known = window.property(kKnownFrame); known.isValid()) return known.value<QMargins>();
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !other->isVisible() || other->windowHandle() == nullptr) continue;
        if (const QMargins margins = other->windowHandle()->frameMargins(); !margins.isNull()) return margins;
    }
    return {};
}

TSmoothShow::TSmoothShow(QObject* owner) : QObject(owner) {}

// The window is the owner and goes away with (or before) this component, so an effect cut short here
// leaves the window's region alone; the outline window and the timer go.
TSmoothShow::~TSmoothShow() = default;

void TSmoothShow::SetDelay(int milliseconds) {
    delay_ = std::clamp(milliseconds, 0, 65535);
}
void TSmoothShow::SetMinWidth(int width) {
    minWidth_ = std::clamp(width, 0, 65535);
}
void TSmoothShow::SetMinHeight(int height) {
    minHeight_ = std::clamp(height, 0, 65535);
}

QRect TSmoothShow::StartRect(const QRect& desktop) const {
    const int left = desktop.x();
    const int top = desktop.y();
    const int width = desktop.width();
    const int height = desktop.height();
    switch (minLocation_) {
    case mlCenter:
        return QRect(left + width / 2, top + height / 2, 0, 0);
    case mlTopLeft:
        return QRect(left, top, 0, 0);
    case mlTopRight:
        return QRect(left + width, top, 0, 0);
    case mlBottomLeft:
        return QRect(left, top + height, 0, 0);
    case mlBottomRight:
        return QRect(left + width, top + height, 0, 0);
    case mlCustom:
        break;
    }
    return QRect(minLeft_, minTop_, minWidth_, minHeight_);
}

void TSmoothShow::Run() {
    auto* owner = qobject_cast<QWidget*>(parent());
    if (owner == nullptr || !owner->isWindow())
        throw std::logic_error(objectName().toStdString() + ": Owner must be a form");
    if (running_ || !enabled_) return;
    running_ = true;
    target_ = owner;

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->virtualGeometry() : QRect();
    QRect from = StartRect(desktop);
    // A window not on the screen yet stays hidden and the outline grows to where its frame will be; a
    // window manager's frame is drawn outside the window and would not be hidden by a region.
    ahead_ = !target_->isVisible();
    QRect to = ahead_ ? target_->geometry().marginsAdded(ExpectedFrameMargins(*target_)) : target_->frameGeometry();
    if (reverse_) std::swap(from, to);
    from_ = from;
    deltaLeft_ = to.x() - from.x();
    deltaTop_ = to.y() - from.y();
    deltaWidth_ = to.width() - from.width();
    deltaHeight_ = to.height() - from.height();

    outline_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::Tool |
                                                      Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    outline_->setAttribute(Qt::WA_ShowWithoutActivating);
    outline_->setWindowTitle(objectName()); // a name for the window list of a desktop tool
    QPalette palette = outline_->palette();
    palette.setColor(QPalette::Window, color_);
    outline_->setPalette(palette);
    outline_->setAutoFillBackground(true);

    if (!ahead_) SetWindowRegion(target_, QRegion()); // invisible until the last step
    progress_ = 0;
    timer_ = std::make_unique<QTimer>();
    timer_->setInterval(delay_);
    connect(timer_.get(), &QTimer::timeout, this, &TSmoothShow::Step);
    timer_->start();
    Step();
}

void TSmoothShow::Step() {
    if (!running_ || outline_ == nullptr) return;
    // Multiply first, then divide, truncating toward zero: shrinking steps round toward the start.
    const int left = from_.x() + progress_ * deltaLeft_ / 100;
    const int top = from_.y() + progress_ * deltaTop_ / 100;
    const int width = from_.width() + progress_ * deltaWidth_ / 100;
    const int height = from_.height() + progress_ * deltaHeight_ / 100;
    lastRect_ = QRect(left, top, width, height);

    outline_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    const int border = borderWidth_;
    const QRegion frame =
        QRegion(0, 0, std::max(width, 0), std::max(height, 0))
            .subtracted(QRegion(border, border, std::max(width - 2 * border, 0), std::max(height - 2 * border, 0)));
    SetWindowRegion(outline_.get(), frame);
    if (!outline_->isVisible()) outline_->show();
    outline_->repaint();

    if (progress_ >= 100) {
        Finish();
        return;
    }
    progress_ = std::min(progress_ * 3 / 2 + 2, 100);
}

void TSmoothShow::Finish() {
    // The tick that got us here is still being delivered by this timer: let Qt delete it afterwards.
    timer_->stop();
    timer_.release()->deleteLater();
    Q_EMIT OnFinishing();
    outline_.reset();
    if (!ahead_) {
        target_->clearMask();
        target_->repaint();
    }
    running_ = false;
    Q_EMIT OnFinish();
}

} // namespace widgets
