#include "widgets/ScaledStyle.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <QStyleOption>
#include <QWidget>

namespace widgets {

namespace {

// Scales within this much of 1 are taken as 1: the wrapped style's own drawing stays untouched.
constexpr double kTolerance = 0.03;

bool Scaled(double scale) {
    return std::abs(scale - 1.0) > kTolerance;
}

// A filled triangle pointing `direction`, centred in `area`, as large as the area allows.
void DrawArrow(QPainter& painter, const QRectF& area, Qt::ArrowType direction, const QColor& colour) {
    const qreal side = std::min(area.width(), area.height()) * 0.6;
    const qreal half = side / 2;
    const qreal depth = side * 0.5;
    const QPointF c = area.center();
    QPolygonF triangle;
    switch (direction) {
    case Qt::UpArrow:
        triangle << QPointF(c.x() - half, c.y() + depth / 2) << QPointF(c.x() + half, c.y() + depth / 2)
                 << QPointF(c.x(), c.y() - depth / 2);
        break;
    case Qt::DownArrow:
        triangle << QPointF(c.x() - half, c.y() - depth / 2) << QPointF(c.x() + half, c.y() - depth / 2)
                 << QPointF(c.x(), c.y() + depth / 2);
        break;
    case Qt::LeftArrow:
        triangle << QPointF(c.x() + depth / 2, c.y() - half) << QPointF(c.x() + depth / 2, c.y() + half)
                 << QPointF(c.x() - depth / 2, c.y());
        break;
    default:
        triangle << QPointF(c.x() - depth / 2, c.y() - half) << QPointF(c.x() - depth / 2, c.y() + half)
                 << QPointF(c.x() + depth / 2, c.y());
        break;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(triangle);
    painter.restore();
}

} // namespace

ScaledStyle::ScaledStyle(const QFont& design) : QProxyStyle(), designHeight_(QFontMetrics(design).height()) {}

double ScaledStyle::FontScale(const QWidget* widget) {
    if (!widget || widget->isWindow()) return 1.0;
    const int own = QFontInfo(widget->font()).pixelSize();
    const int window = QFontInfo(widget->window()->font()).pixelSize();
    if (own <= 0 || window <= 0) return 1.0;
    return std::clamp(double(own) / window, 0.5, 4.0);
}

double ScaledStyle::Scale(const QStyleOption* option, const QWidget* widget) const {
    if (widget) return FontScale(widget);
    if (!option || designHeight_ <= 0) return 1.0;
    return std::clamp(double(option->fontMetrics.height()) / designHeight_, 0.5, 4.0);
}

int ScaledStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
    case PM_SliderThickness:
    case PM_SliderLength:
    case PM_SliderControlThickness: {
        const double scale = Scale(option, widget);
        return Scaled(scale) ? int(std::lround(base * scale)) : base;
    }
    default:
        return base;
    }
}

void ScaledStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    static const struct {
        PrimitiveElement element;
        Qt::ArrowType direction;
    } arrows[] = {{PE_IndicatorArrowUp, Qt::UpArrow},
                  {PE_IndicatorArrowDown, Qt::DownArrow},
                  {PE_IndicatorArrowLeft, Qt::LeftArrow},
                  {PE_IndicatorArrowRight, Qt::RightArrow}};
    if (option && Scaled(Scale(option, widget))) {
        for (const auto& arrow : arrows) {
            if (arrow.element != element) continue;
            const QPalette::ColorGroup group = (option->state & State_Enabled) ? QPalette::Active : QPalette::Disabled;
            DrawArrow(*painter, option->rect, arrow.direction, option->palette.color(group, QPalette::ButtonText));
            return;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void UseScaledStyle(const QFont& design) {
    if (dynamic_cast<ScaledStyle*>(QApplication::style())) return;
    QApplication::setStyle(new ScaledStyle(design));
}

} // namespace widgets
