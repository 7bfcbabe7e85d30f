#pragma once
// Small pieces shared by the effect implementations: input checks, band handling and the way back to 8 bits.
#include <cstddef>
#include <string>

#include <vips/vips8>

#include "imaging/Error.h"

namespace imaging::effects::detail {

// Effects take 8-bit RGB or RGBA; anything else is a caller's mistake we report rather than mangle.
inline void CheckEffectInput(const vips::VImage& in, const char* effect) {
    if (in.format() != VIPS_FORMAT_UCHAR || (in.bands() != 3 && in.bands() != 4))
        Fail(std::string(effect) + ": expected an 8-bit RGB or RGBA image, got " + std::to_string(in.bands()) +
             " bands");
}

inline bool HasAlpha(const vips::VImage& image) {
    return image.bands() == 4;
}
inline vips::VImage ColourBands(const vips::VImage& image) {
    return image.extract_band(0, vips::VImage::option()->set("n", 3));
}
inline vips::VImage AlphaBand(const vips::VImage& image) {
    return image.extract_band(3);
}

// An 8-bit vips image holding its own copy of the given pixels.
inline vips::VImage FromMemoryCopy(const void* data, std::size_t size, int width, int height, int bands) {
    VipsImage* image = vips_image_new_from_memory_copy(data, size, width, height, bands, VIPS_FORMAT_UCHAR);
    if (!image) throw vips::VError();
    return vips::VImage(image);
}

// Rec. 601 luma of the colour bands as one float band.
inline vips::VImage Luma(const vips::VImage& image) {
    return ColourBands(image).recomb(vips::VImage::new_matrixv(3, 1, 0.299, 0.587, 0.114));
}

// Rounds to nearest and clips to 0..255 (a plain cast would truncate), tagged as sRGB.
inline vips::VImage ToUchar(const vips::VImage& image) {
    vips::VImage out = image;
    if (out.format() != VIPS_FORMAT_UCHAR) {
        if (vips_band_format_isfloat(out.format())) out = out.rint();
        out = out.cast(VIPS_FORMAT_UCHAR);
    }
    return out.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// Runs a spatial filter on the image with its colour premultiplied by alpha, so the colour of transparent pixels
// does not bleed into visible ones; images without alpha are filtered directly. The result is 8-bit again.
template <typename Filter> vips::VImage FilterPremultiplied(const vips::VImage& in, Filter filter) {
    if (!HasAlpha(in)) return ToUchar(filter(in));
    vips::VImage filtered = filter(in.premultiply());
    // Ringing kernels can push alpha slightly outside 0..255; unpremultiply expects it inside.
    vips::VImage alpha = AlphaBand(filtered);
    alpha = (alpha < 0.0).ifthenelse(0.0, (alpha > 255.0).ifthenelse(255.0, alpha));
    return ToUchar(ColourBands(filtered).bandjoin(alpha).unpremultiply());
}

} // namespace imaging::effects::detail
