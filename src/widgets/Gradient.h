#pragma once
// The banded colour gradient of the gradient buttons.
#include <QColor>
#include <QRect>

class QPainter;

namespace widgets {

// a × b / c on 64 bits, rounded to the nearest integer with halves away from zero. c must not be 0.
int MulDiv(int a, int b, int c);

// Fills rect with steps + 1 solid bands from start to end along one axis. Band i runs from
// MulDiv(i, extent, steps) to MulDiv(i + 1, extent, steps) and has the colour start + MulDiv(i, delta, steps)
// in each channel; the last band starts at the far edge and adds nothing. The end colour itself is
// therefore never reached inside the rectangle.
void GradientFill(QPainter& painter, const QRect& rect, const QColor& start, const QColor& end, int steps,
                  bool horizontal);

} // namespace widgets
