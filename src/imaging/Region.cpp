// ApplyInRegion: picks effected pixels inside a polygon and original pixels elsewhere (or the reverse).
// The polygon is filled with the even-odd rule and sampled at pixel centres: a pixel belongs to the region
// when its centre (x + 0.5, y + 0.5) is inside. Vertices are integers, so no scanline through a centre ever
// passes through a vertex and there are no tie cases.
#include "imaging/Effects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/EffectsSupport.h"

namespace imaging::effects {

using namespace detail;

namespace {

// True when the polygon is an axis-aligned rectangle (4 corners in order) that covers the whole image.
bool CoversWholeImage(const std::vector<int>& xs, const std::vector<int>& ys, int width, int height) {
    if (xs.size() != 4) return false;
    auto [minX, maxX] = std::minmax_element(xs.begin(), xs.end());
    auto [minY, maxY] = std::minmax_element(ys.begin(), ys.end());
    if (*minX > 0 || *minY > 0 || *maxX < width || *maxY < height) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        bool cornerX = xs[i] == *minX || xs[i] == *maxX;
        bool cornerY = ys[i] == *minY || ys[i] == *maxY;
        std::size_t next = (i + 1) % 4;
        bool sameX = xs[i] == xs[next];
        bool sameY = ys[i] == ys[next];
        // Each side runs along one axis; together with 4 corners that rules out a crossed "bow tie".
        if (!cornerX || !cornerY || sameX == sameY) return false;
    }
    return true;
}

// A one-band uchar mask of the image size: 255 inside the polygon, 0 outside. Only the polygon's bounding box
// (clipped to the image) is held in memory; the rest is a lazy black border.
std::optional<vips::VImage> RasterisePolygon(const std::vector<int>& xs, const std::vector<int>& ys, int width,
                                             int height) {
    if (xs.size() < 3) return std::nullopt;
    auto [minX, maxX] = std::minmax_element(xs.begin(), xs.end());
    auto [minY, maxY] = std::minmax_element(ys.begin(), ys.end());
    int boxLeft = std::clamp(*minX, 0, width);
    int boxRight = std::clamp(*maxX, 0, width);
    int boxTop = std::clamp(*minY, 0, height);
    int boxBottom = std::clamp(*maxY, 0, height);
    if (boxLeft >= boxRight || boxTop >= boxBottom) return std::nullopt;

    int boxWidth = boxRight - boxLeft;
    int boxHeight = boxBottom - boxTop;
    std::vector<std::uint8_t> mask(std::size_t(boxWidth) * std::size_t(boxHeight), 0);
    std::vector<double> crossings;
    bool any = false;
    std::size_t count = xs.size();
    for (int row = boxTop; row < boxBottom; ++row) {
        double centreY = row + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t j = (i + 1) % count;
            double y0 = ys[i], y1 = ys[j];
            if ((y0 < centreY) == (y1 < centreY)) continue;
            crossings.push_back(xs[i] + (centreY - y0) * (double(xs[j]) - xs[i]) / (y1 - y0));
        }
        std::sort(crossings.begin(), crossings.end());
        std::uint8_t* line = mask.data() + std::size_t(row - boxTop) * boxWidth;
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // Pixels whose centre lies in [crossings[k], crossings[k + 1]).
            double first = std::max<double>(std::ceil(crossings[k] - 0.5), boxLeft);
            double end = std::min<double>(std::ceil(crossings[k + 1] - 0.5), boxRight);
            if (first >= end) continue;
            std::fill(line + (int(first) - boxLeft), line + (int(end) - boxLeft), std::uint8_t(255));
            any = true;
        }
    }
    if (!any) return std::nullopt;
    vips::VImage box = FromMemoryCopy(mask.data(), mask.size(), boxWidth, boxHeight, 1);
    return box.embed(boxLeft, boxTop, width, height);
}

} // namespace

vips::VImage ApplyInRegion(const vips::VImage& original, const vips::VImage& effected, const std::vector<int>& xs,
                           const std::vector<int>& ys, bool inside) {
    CheckEffectInput(original, "region");
    CheckEffectInput(effected, "region");
    if (original.width() != effected.width() || original.height() != effected.height() ||
        original.bands() != effected.bands())
        Fail("region: the effected image does not match the original's size and bands");
    if (xs.size() != ys.size()) Fail("region: the polygon has different numbers of x and y coordinates");

    const vips::VImage& inRegion = inside ? effected : original;
    const vips::VImage& outRegion = inside ? original : effected;
    if (CoversWholeImage(xs, ys, original.width(), original.height())) return inRegion;
    std::optional<vips::VImage> mask = RasterisePolygon(xs, ys, original.width(), original.height());
    if (!mask) return outRegion;
    return mask->ifthenelse(inRegion, outRegion);
}

} // namespace imaging::effects
