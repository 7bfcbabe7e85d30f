#include "convert/TargetSize.h"

#include <cfenv>
#include <cmath>

namespace convert {

namespace {

const std::string kNever = "しない";
const std::string kShrinkOnly = "縮小時のみ有効";
const std::string kEnlargeOnly = "拡大時のみ有効";
const std::string kAlways = "常に有効";

// Nearest integer, halves to the even neighbour, in extended precision.
std::int32_t RoundHalfEven(long double value) {
    long double rounded = std::nearbyintl(value); // the default rounding mode is to nearest, ties to even
    return std::int32_t(rounded);
}

// 32-bit signed product, truncated toward zero by the division; wraps like the 32-bit arithmetic it models.
std::int32_t Percent(std::int32_t side, std::int32_t p) {
    return std::int32_t(std::uint32_t(side) * std::uint32_t(p)) / 100;
}

} // namespace

TargetSize ComputeTargetSize(std::int32_t a, std::int32_t b, const TargetSizeInputs& in, TargetSize current) {
    const TargetSize source{a, b};
    if (in.percentageMode) {
        const std::int32_t p = in.percentage;
        const TargetSize scaled{Percent(a, p), Percent(b, p)};
        if (in.resizeMode == kNever) return source;
        if (in.resizeMode == kShrinkOnly) return p > 100 ? source : scaled;
        if (in.resizeMode == kEnlargeOnly) return p <= 100 ? source : scaled;
        if (in.resizeMode == kAlways) return scaled;
        return current;
    }

    const long double ratio = (long double)b / (long double)a;
    const TargetSize box{in.boxWidth, in.boxHeight};
    TargetSize target;
    if (in.resizeMode == kNever) return source;
    if (in.resizeMode == kShrinkOnly) target = (a > box.width || b > box.height) ? box : source;
    else if (in.resizeMode == kEnlargeOnly) target = (a < box.width && b < box.height) ? box : source;
    else target = box;

    if (in.keepRatio) {
        if (b > a) target.width = RoundHalfEven((long double)target.height / ratio);
        else target.height = RoundHalfEven((long double)target.width * ratio);
    }
    return target;
}

} // namespace convert
