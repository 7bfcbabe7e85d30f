#pragma once
// Pixel operations behind TIk5Effect. Each takes an 8-bit sRGB image (3 bands, or 4 with alpha)
// and returns a new one; the input is never changed.
#include <optional>
#include <vector>

#include "imaging/Image.h"

namespace imaging::effects {

// Exactly width x height (both >= 1): Lanczos-3 when reducing, bicubic when enlarging.
vips::VImage Resize(const vips::VImage& in, int width, int height);
// Resize for pixels as a file stores them (before their conversion to RGB): 8-bit grey too.
vips::VImage ResizeDecoded(const vips::VImage& in, int width, int height);
// Unsharp mask, stronger with level 1..100.
vips::VImage Sharpen(const vips::VImage& in, int level);
// Gaussian blur, wider with level 1..20.
vips::VImage Blur(const vips::VImage& in, int level);
// Smooths edges only; flat areas and fine texture stay as they are.
vips::VImage Antialias(const vips::VImage& in);
// amount -100..100: -100 gives grey (R = G = B), 0 leaves the image, positive values saturate.
vips::VImage ChangeSaturation(const vips::VImage& in, int amount);
// Copy of base with overlay drawn at (x, y) of base with opacity/255; overlay pixels equal to key are
// not drawn; parts outside base are clipped. The result has base's size and bands.
vips::VImage Composite(const vips::VImage& base, const vips::VImage& overlay, int opacity, std::optional<Rgb> key,
                       int x, int y);
// The effected pixels inside (or, with inside false, outside) the polygon, original pixels elsewhere.
vips::VImage ApplyInRegion(const vips::VImage& original, const vips::VImage& effected, const std::vector<int>& xs,
                           const std::vector<int>& ys, bool inside);
// Reduces to at most 256 colours (palette by libimagequant, pixels mapped onto it dithered: PaletteMap).
Paletted Quantize(const vips::VImage& in);
// The same for a picture held as indices into a palette (at most 256 entries): its distinct colours, in the
// order Quantize finds them for the picture read through the palette, without expanding it.
Paletted QuantizeIndexed(const Paletted& in);

} // namespace imaging::effects
