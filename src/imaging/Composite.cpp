// Composite: draws an overlay onto a copy of the base. Only the part of the overlay that lands on the base is
// touched: it is cropped from both, blended in float and inserted back, so the cost follows the overlay's
// visible area, not the base's size.
//
// Per pixel, a = opacity/255 * overlay alpha/255 (alpha 255 for an RGB overlay), and 0 where the overlay's RGB is
// the key colour. On an opaque base: out = base * (1 - a) + overlay * a. A base with alpha gets the same blend
// in the "over" sense: out alpha = a + base alpha * (1 - a), and the colour is weighted by how visible each side
// is, so an overlay on a transparent area shows its own colour instead of mixing with invisible base colour.
#include "imaging/Effects.h"

#include <algorithm>
#include <cstdint>

#include "imaging/EffectsSupport.h"

namespace imaging::effects {

using namespace detail;

namespace {

// The blend weight of each overlay pixel in 0..1 as one float band.
vips::VImage OverlayWeight(const vips::VImage& overlay, int opacity, const std::optional<Rgb>& key) {
    vips::VImage weight =
        HasAlpha(overlay)
            ? AlphaBand(overlay).cast(VIPS_FORMAT_FLOAT) * (opacity / (255.0 * 255.0))
            : vips::VImage::black(overlay.width(), overlay.height()).cast(VIPS_FORMAT_FLOAT) + opacity / 255.0;
    if (key) {
        vips::VImage isKey =
            (ColourBands(overlay) == std::vector<double>{double(key->r), double(key->g), double(key->b)}).bandand();
        weight = isKey.ifthenelse(0.0, weight);
    }
    return weight;
}

vips::VImage Blend(const vips::VImage& base, const vips::VImage& overlay, const vips::VImage& weight) {
    vips::VImage overColour = ColourBands(overlay).cast(VIPS_FORMAT_FLOAT);
    vips::VImage baseColour = ColourBands(base).cast(VIPS_FORMAT_FLOAT);
    if (!HasAlpha(base)) return ToUchar(baseColour * (1.0 - weight) + overColour * weight);
    vips::VImage baseWeight = AlphaBand(base).cast(VIPS_FORMAT_FLOAT) / 255.0 * (1.0 - weight);
    vips::VImage outAlpha = weight + baseWeight;
    // Where nothing is visible on either side, keep the base pixel as it was.
    vips::VImage colour =
        (outAlpha > 0.0).ifthenelse((overColour * weight + baseColour * baseWeight) / outAlpha, baseColour);
    return ToUchar(colour.bandjoin(outAlpha * 255.0));
}

} // namespace

vips::VImage Composite(const vips::VImage& base, const vips::VImage& overlay, int opacity, std::optional<Rgb> key,
                       int x, int y) {
    CheckEffectInput(base, "composite");
    CheckEffectInput(overlay, "composite");
    opacity = std::clamp(opacity, 0, 255);
    std::int64_t left = std::max<std::int64_t>(0, x);
    std::int64_t top = std::max<std::int64_t>(0, y);
    std::int64_t right = std::min<std::int64_t>(base.width(), std::int64_t(x) + overlay.width());
    std::int64_t bottom = std::min<std::int64_t>(base.height(), std::int64_t(y) + overlay.height());
    if (opacity == 0 || right <= left || bottom <= top) return base;

    int width = int(right - left);
    int height = int(bottom - top);
    vips::VImage visible = overlay.crop(int(left - x), int(top - y), width, height);
    vips::VImage under = base.crop(int(left), int(top), width, height);
    vips::VImage blended = Blend(under, visible, OverlayWeight(visible, opacity, key));
    return ToUchar(base.insert(blended, int(left), int(top)));
}

} // namespace imaging::effects
