#pragma once
// Helpers shared by the widget tests: rendering a widget into an image and finding coloured pixels.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

namespace widgettest {

// Renders a widget (and its children) into an RGB32 image of its size.
QImage Render(QWidget* widget);
// The bounding box of the pixels inside `area` for which `match` holds; empty when none.
QRect BoundingBox(const QImage& image, const QRect& area, const std::function<bool(QColor)>& match);
bool IsDark(QColor colour);
// A Japanese face at 9 points, the windows' design font.
QFont DesignFont();

} // namespace widgettest
