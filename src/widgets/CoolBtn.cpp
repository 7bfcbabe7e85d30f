#include "widgets/CoolBtn.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "widgets/Gradient.h"

namespace widgets {

namespace {

constexpr int kGradientSteps = 128;

// The platform colours the button draws with, taken from the widget's palette.
QColor ButtonFace(const QWidget* w) {
    return w->palette().color(QPalette::Button);
}
QColor ButtonShadow(const QWidget* w) {
    return w->palette().color(QPalette::Dark);
}
QColor ButtonHighlight(const QWidget* w) {
    return w->palette().color(QPalette::Light);
}
QColor ThreeDLight(const QWidget* w) {
    return w->palette().color(QPalette::Midlight);
}
QColor WindowFrame(const QWidget* w) {
    return w->palette().color(QPalette::Shadow);
}
QColor FontColour(const QWidget* w) {
    return w->palette().color(QPalette::ButtonText);
}

// A one-pixel edge ring inside rect: top and left in one colour, bottom and right in the other.
void DrawEdgeRing(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
}

// The pixels a platform ellipse with the bounding box (left, top, right, bottom), right and bottom exclusive,
// draws its one-pixel outline through.
QRect EllipseBox(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

// The dotted focus mark: every other pixel of the rectangle's border inverted.
void DrawFocusMark(QPainter& painter, const QRect& rect) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    int index = 0;
    auto dot = [&](int x, int y) {
        if (index++ % 2 == 0) painter.fillRect(QRect(x, y, 1, 1), Qt::white);
    };
    for (int x = rect.left(); x <= rect.right(); ++x)
        dot(x, rect.top());
    for (int y = rect.top() + 1; y <= rect.bottom(); ++y)
        dot(rect.right(), y);
    for (int x = rect.right() - 1; x >= rect.left() && rect.bottom() > rect.top(); --x)
        dot(x, rect.bottom());
    for (int y = rect.bottom() - 1; y > rect.top() && rect.right() > rect.left(); --y)
        dot(rect.left(), y);
    painter.restore();
}

// The angle (degrees, counter-clockwise from three o'clock, y up) of point as seen from the box's centre.
double DirectionDegrees(const QRect& box, const QPointF& point) {
    const QPointF centre(box.left() + box.width() / 2.0, box.top() + box.height() / 2.0);
    return std::atan2(centre.y() - point.y(), point.x() - centre.x()) * 180.0 / M_PI;
}

} // namespace

TCoolBtn::TCoolBtn(QWidget* parent) : QPushButton(parent) {}

TCoolBtn::TCoolBtn(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void TCoolBtn::SetOptions(TCoolOptions options) {
    if (options == options_) return;
    options_ = options;
    update();
}

QColor TCoolBtn::ColorStart() const {
    return colorStart_.isValid() ? colorStart_ : ButtonFace(this);
}
QColor TCoolBtn::ColorEnd() const {
    return colorEnd_.isValid() ? colorEnd_ : ButtonShadow(this);
}
QColor TCoolBtn::ShadowColor() const {
    return shadowColor_.isValid() ? shadowColor_ : ButtonHighlight(this);
}

void TCoolBtn::SetColorStart(const QColor& color) {
    if (color == colorStart_) return;
    colorStart_ = color;
    if (Has(ocPaintGradiently)) update();
}

void TCoolBtn::SetColorEnd(const QColor& color) {
    if (color == colorEnd_) return;
    colorEnd_ = color;
    if (Has(ocPaintGradiently)) update();
}

void TCoolBtn::SetGradientDirection(TGradientDirection direction) {
    if (direction == gradientDirection_) return;
    gradientDirection_ = direction;
    if (Has(ocPaintGradiently)) update();
}

void TCoolBtn::SetShadowColor(const QColor& color) {
    shadowColor_ = color;
    simpleView_ = false;
    update();
}

void TCoolBtn::SetShadowSize(int size) {
    shadowSize_ = std::clamp(size, 0, 255);
    simpleView_ = false;
    update();
}

void TCoolBtn::SetShadowPos(TShadowPosition position) {
    shadowPos_ = position;
    simpleView_ = false;
    update();
}

void TCoolBtn::SetSimpleView(bool simple) {
    if (simple == simpleView_) return;
    simpleView_ = simple;
    update();
}

void TCoolBtn::SetBtnPaintOptions(TBtnPaintOptions options) {
    if (options == btnPaintOptions_) return;
    btnPaintOptions_ = options;
    update();
}

void TCoolBtn::SetLayout(TButtonLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    update();
}

void TCoolBtn::SetMargin(int margin) {
    if (margin < -1 || margin == margin_) return;
    margin_ = margin;
    update();
}

void TCoolBtn::SetSpacing(int spacing) {
    if (spacing == spacing_) return;
    spacing_ = spacing;
    update();
}

void TCoolBtn::SetTransparencyLevel(int level) {
    level = std::clamp(level, 0, 255);
    if (level == transparencyLevel_) return;
    transparencyLevel_ = level;
    update();
}

bool TCoolBtn::Active() const {
    if (hasFocus()) return true;
    if (!isDefault()) return false;
    const QWidget* focus = window()->focusWidget();
    return focus != nullptr && qobject_cast<const QAbstractButton*>(focus) == nullptr;
}

void TCoolBtn::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    hovered_ = true;
    if (Has(ocFlatBorder)) update();
    Q_EMIT OnMouseEnter();
}

void TCoolBtn::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    hovered_ = false;
    if (Has(ocFlatBorder)) update();
    Q_EMIT OnMouseLeave();
}

void TCoolBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool pressed = isDown();
    const bool focused = hasFocus();
    if (Has(ocRoundedForm))
        PaintElliptical(painter, pressed, focused);
    else
        PaintRectangular(painter, pressed, focused);
    painter.setClipping(false);
    Q_EMIT OnDrawButton(&painter, rect());
}

void TCoolBtn::PaintGradient(QPainter& painter, const QRect& rect) {
    GradientFill(painter, rect, ColorStart(), ColorEnd(), kGradientSteps, gradientDirection_ == gdHorizontal);
}

void TCoolBtn::PaintRectangular(QPainter& painter, bool pressed, bool focused) {
    QRect r = rect();
    const bool active = Active();
    // Background: see-through leaves the parent's pixels, which Qt has already painted beneath the button.
    // Wallpapers are not provided, so the gradient or the plain face follows.
    if (!Has(ocPaintTransparently)) {
        if (Has(ocPaintGradiently))
            PaintGradient(painter, r);
        else
            painter.fillRect(r, ButtonFace(this));
    }
    if ((focused || active) && btnPaintOptions_.testFlag(bpoDrawDefault)) {
        DrawEdgeRing(painter, r, WindowFrame(this), WindowFrame(this));
        r.adjust(1, 1, -1, -1);
    }
    if (pressed) {
        DrawEdgeRing(painter, r, WindowFrame(this), ThreeDLight(this)); // sunken inner edge
        r.adjust(1, 1, -1, -1);
    } else if (OutlineVisible()) {
        DrawEdgeRing(painter, r, ThreeDLight(this), WindowFrame(this)); // raised: outer ring
        r.adjust(1, 1, -1, -1);
        DrawEdgeRing(painter, r, ButtonHighlight(this), ButtonShadow(this)); // raised: inner ring
        r.adjust(1, 1, -1, -1);
    }
    PaintCaption(painter, pressed ? rect().translated(1, 1) : rect());
    if (active && focused && btnPaintOptions_.testFlag(bpoDrawFocus))
        DrawFocusMark(painter, rect().adjusted(4, 4, -4, -4));
}

void TCoolBtn::PaintElliptical(QPainter& painter, bool pressed, bool focused) {
    // The corners keep the parent's pixels: Qt paints the parent and the siblings beneath the button first.
    const QRect client = rect();
    const int l = client.left();
    const int t = client.top();
    const int r = client.right() + 1;
    const int b = client.bottom() + 1;
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (Has(ocPaintGradiently)) {
        QPainterPath ellipse;
        ellipse.addEllipse(QRectF(client));
        painter.setClipPath(ellipse);
        PaintGradient(painter, client);
        painter.setClipping(false);
    } else if (!Has(ocPaintWallpaper) && !Has(ocPaintTransparently)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ButtonFace(this));
        painter.drawEllipse(EllipseBox(l, t, r, b));
    }

    if (OutlineVisible()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ButtonShadow(this), 0));
        painter.drawEllipse(EllipseBox(l, t, r - 1, b - 1));
        painter.setPen(QPen(pressed ? ButtonHighlight(this) : WindowFrame(this), 0));
        painter.drawEllipse(EllipseBox(l + 1, t + 1, r, b));
        painter.setPen(QPen(pressed ? WindowFrame(this) : ButtonHighlight(this), 0));
        painter.drawEllipse(EllipseBox(l + 1, t + 1, r - 1, b - 1));
        // The lower right half of the inner ring, counter-clockwise from the bottom-left corner's direction
        // to the top-right corner's.
        const QRect inner = EllipseBox(l + 1, t + 1, r - 1, b - 1);
        double from = DirectionDegrees(inner, QPointF(l, b));
        double to = DirectionDegrees(inner, QPointF(r, t));
        double span = to - from;
        while (span <= 0)
            span += 360.0;
        painter.setPen(QPen(ButtonShadow(this), 0));
        painter.drawArc(inner, static_cast<int>(std::lround(from * 16)), static_cast<int>(std::lround(span * 16)));
    }

    const QRect caption = pressed ? client.translated(1, 1) : client;
    PaintCaption(painter, caption);
    if (focused && Active() && btnPaintOptions_.testFlag(bpoDrawFocus)) {
        const QRect focus = caption.adjusted(4, 4, -4, -4);
        painter.setClipping(false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ButtonShadow(this), 0));
        painter.drawEllipse(EllipseBox(focus.left(), focus.top(), focus.right() + 1, focus.bottom() + 1));
    }
}

QRect TCoolBtn::CaptionBox(const QRect& c, const QSize& textSize) const {
    const int centredX = c.left() + (c.width() - textSize.width() + 1) / 2;
    const int centredY = c.top() + (c.height() - textSize.height() + 1) / 2;
    int x = centredX;
    int y = centredY;
    if (margin_ >= 0) {
        // Without a glyph a margin puts the caption that far from the layout's edge.
        switch (layout_) {
        case blGlyphLeft:
            x = c.left() + margin_;
            break;
        case blGlyphRight:
            x = c.left() + c.width() - margin_ - textSize.width();
            break;
        case blGlyphTop:
            y = c.top() + margin_;
            break;
        case blGlyphBottom:
            y = c.top() + c.height() - margin_ - textSize.height();
            break;
        }
    }
    return QRect(QPoint(x, y), textSize);
}

void TCoolBtn::PaintCaption(QPainter& painter, QRect captionRect) {
    const QString caption = text();
    painter.setFont(font());
    painter.setClipRect(captionRect);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    const QSize size = painter.fontMetrics().size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
    const QRect box = CaptionBox(captionRect, size);
    auto draw = [&](const QPoint& offset, const QColor& colour) {
        painter.setPen(colour);
        painter.drawText(box.translated(offset), flags, caption);
    };

    if (!isEnabled()) {
        draw(QPoint(1, 1), ButtonHighlight(this));
        draw(QPoint(0, 0), ButtonShadow(this));
    } else if (simpleView_) {
        draw(QPoint(0, 0), FontColour(this));
    } else {
        const int s = shadowSize_;
        QPoint textOffset;
        QPoint reliefOffset;
        switch (shadowPos_) {
        case spLeftTop:
            textOffset = QPoint(s, s);
            break;
        case spLeftBottom:
            textOffset = QPoint(s, 0);
            reliefOffset = QPoint(0, s);
            break;
        case spRightBottom:
            reliefOffset = QPoint(s, s);
            break;
        case spRightTop:
            textOffset = QPoint(0, s);
            reliefOffset = QPoint(s, 0);
            break;
        }
        draw(reliefOffset, ShadowColor());
        draw(textOffset, FontColour(this));
    }
    painter.setClipping(false);
}

} // namespace widgets
