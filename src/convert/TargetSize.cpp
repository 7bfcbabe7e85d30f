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

    // The ratio is a 64-bit double; only the product or quotient below is formed in extended precision.
    const double ratio = double(b) / double(a);
    const TargetSize box{in.boxWidth, in.boxHeight};
    TargetSize target;
    if (in.resizeMode == kNever) return source;
    if (in.resizeMode == kShrinkOnly)
        target = (a > box.width || b > box.height) ? box : source;
    else if (in.resizeMode == kEnlargeOnly)
        target = (a < box.width && b < box.height) ? box : source;
    else
        target = box;

    if (in.keepRatio) {
        if (b > a)
            target.width = RoundHalfEven((long double)target.height / (long double)ratio);
        else
            target.height = RoundHalfEven((long double)target.width * (long double)ratio);
    }
    return target;
}

} // namespace convert
