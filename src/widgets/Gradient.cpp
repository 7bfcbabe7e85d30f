#include "widgets/Gradient.h"

#include <QPainter>
#include <cstdint>
#include <cstdlib>

namespace widgets {

int MulDiv(int a, int b, int c) {
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = std::llabs(product);
    const std::int64_t divisor = std::llabs(static_cast<std::int64_t>(c));
    const std::int64_t rounded = (magnitude * 2 + divisor) / (divisor * 2);
    return static_cast<int>(negative ? -rounded : rounded);
}

void GradientFill(QPainter& painter, const QRect& rect, const QColor& start, const QColor& end, int steps,
                  bool horizontal) {
    if (steps <= 0 || rect.isEmpty()) return;
    const int deltaRed = end.red() - start.red();
    const int deltaGreen = end.green() - start.green();
    const int deltaBlue = end.blue() - start.blue();
    const int origin = horizontal ? rect.left() : rect.top();
    const int extent = horizontal ? rect.width() : rect.height();
    for (int i = 0; i <= steps; ++i) {
        const int from = origin + MulDiv(i, extent, steps);
        const int to = origin + MulDiv(i + 1, extent, steps);
        if (to <= from) continue;
        const QColor band(start.red() + MulDiv(i, deltaRed, steps), start.green() + MulDiv(i, deltaGreen, steps),
                          start.blue() + MulDiv(i, deltaBlue, steps));
        const QRect area = horizontal ? QRect(from, rect.top(), to - from, rect.height())
                                      : QRect(rect.left(), from, rect.width(), to - from);
        painter.fillRect(area.intersected(rect), band);
    }
}

} // namespace widgets
