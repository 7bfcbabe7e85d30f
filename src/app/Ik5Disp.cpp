#include "app/Ik5Disp.h"

#include <QPainter>
#include <QScreen>

#include "imaging/Error.h"
#include "imaging/QImageBridge.h"

namespace app {

TIk5Disp::TIk5Disp(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Ik5Disp1"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

std::int32_t TIk5Disp::Execute() {
    switch (Action) {
    case kClear:
    case kPrepare:
        Clear();
        return 0;
    case kShow: {
        QImage picture;
        try {
            // The pane never grows past the screen: a far larger photo is decoded at reduced scale for it.
            const QScreen* display = screen();
            const QSize bound = display ? display->size() * display->devicePixelRatio() : QSize();
            picture = imaging::ToQImage(ImgHandle, bound);
        } catch (...) {
            Clear();
            throw;
        }
        if (picture.isNull()) {
            Clear();
            throw imaging::Error({}, "the image cannot be shown (handle " + std::to_string(ImgHandle) + ")");
        }
        picture_ = std::move(picture);
        scaled_ = QImage();
        dimmed_ = false;
        update();
        return 0;
    }
    default:
        throw imaging::Error({}, "unknown display action " + std::to_string(Action));
    }
}

void TIk5Disp::ShowPicture(const QImage& picture) {
    picture_ = picture;
    scaled_ = QImage();
    dimmed_ = false;
    update();
}

void TIk5Disp::SetDimmed(bool dimmed) {
    if (dimmed_ == dimmed) return;
    dimmed_ = dimmed;
    update();
}

void TIk5Disp::Redraw() {
    repaint();
}

void TIk5Disp::Clear() {
    dimmed_ = false;
    if (picture_.isNull()) return;
    picture_ = QImage();
    scaled_ = QImage();
    update();
}

QRect TIk5Disp::PictureRect(const QSize& area) const {
    if (picture_.isNull() || area.isEmpty()) return {};
    QSize size = picture_.size();
    // Only ever scaled down: a picture that fits is shown at its own size.
    if (size.width() > area.width() || size.height() > area.height()) {
        size = size.scaled(area, Qt::KeepAspectRatio);
        size = size.expandedTo(QSize(1, 1));
    }
    const int left = (area.width() - size.width()) / 2;
    const int top = (area.height() - size.height()) / 2;
    return QRect(QPoint(left, top), size);
}

void TIk5Disp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRect target = PictureRect(size());
    if (target.isEmpty()) return;
    if (target.size() == picture_.size()) {
        painter.drawImage(target.topLeft(), picture_);
    } else {
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (QSizeF(target.size()) * ratio).toSize().boundedTo(picture_.size());
        if (scaled_.size() != pixels) {
            scaled_ = picture_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        painter.drawImage(target, scaled_);
    }
    if (dimmed_) {
        QColor veil = palette().color(QPalette::Window);
        veil.setAlpha(170);
        painter.fillRect(target, veil);
    }
}

} // namespace app
