// Neighbourhood filters: sharpen, blur and edge-only smoothing. Results come back to 8 bits rounded and clipped;
// borders are handled by repeating the edge pixels (vips convolutions pad that way), so nothing darkens along the
// frame.
#include "imaging/Effects.h"

#include <algorithm>

#include "imaging/EffectsSupport.h"

namespace imaging::effects {

using namespace detail;

namespace {

// The mask reaches out to where the Gaussian falls to 1% (vips' default of 20% would cut a small sigma down
// to a single tap, i.e. no blur at all). 8-bit images with sigma >= 2.5 use vips' integer path: about ten times
// faster than float and within about 2 levels of it. Small sigmas (few taps; vips' integer masks are too coarse
// there) and premultiplied float data (rounding it to 8 bits would shift colours where alpha is low) run in float.
// Float precision at every sigma: an integer kernel's rounded weights do not add up to its scale, which shifted
// flat areas by a level or two (a flat 176 came out 174 at sigma 2.5 and 177 at sigma 10).
vips::VImage GaussianBlur(const vips::VImage& image, double sigma) {
    return image.gaussblur(sigma,
                           vips::VImage::option()->set("min_ampl", 0.01)->set("precision", VIPS_PRECISION_FLOAT));
}

// Sobel gradient magnitude of one band, scaled so that a step of d levels between neighbours reads about d.
vips::VImage GradientMagnitude(const vips::VImage& band) {
    vips::VImage kx = vips::VImage::new_matrixv(3, 3, -1.0, 0.0, 1.0, -2.0, 0.0, 2.0, -1.0, 0.0, 1.0);
    vips::VImage ky = vips::VImage::new_matrixv(3, 3, -1.0, -2.0, -1.0, 0.0, 0.0, 0.0, 1.0, 2.0, 1.0);
    auto options = [] { return vips::VImage::option()->set("precision", VIPS_PRECISION_FLOAT); };
    vips::VImage gx = band.conv(kx, options());
    vips::VImage gy = band.conv(ky, options());
    return (gx * gx + gy * gy).pow(0.5) / 4.0;
}

} // namespace

// Unsharp mask on the colour bands: out = in + amount * (in - gauss(in, sigma 1.0)), amount = level / 50, so
// level 1 adds 2% of the detail (invisible) and level 100 doubles it. Alpha is left as it is.
vips::VImage Sharpen(const vips::VImage& in, int level) {
    CheckEffectInput(in, "sharpen");
    double amount = std::clamp(level, 1, 100) / 50.0;
    vips::VImage colour = ColourBands(in).cast(VIPS_FORMAT_FLOAT);
    vips::VImage sharpened = ToUchar(colour + (colour - GaussianBlur(colour, 1.0)) * amount);
    return HasAlpha(in) ? ToUchar(sharpened.bandjoin(AlphaBand(in))) : sharpened;
}

// Gaussian blur with sigma = 0.5 * level (level 20: sigma 10, visibly spread over ~30 pixels), on premultiplied
// colour when there is alpha.
vips::VImage Blur(const vips::VImage& in, int level) {
    CheckEffectInput(in, "blur");
    double sigma = 0.5 * std::clamp(level, 1, 20);
    return FilterPremultiplied(in, [sigma](const vips::VImage& image) { return GaussianBlur(image, sigma); });
}

// Edge-only smoothing: pixels next to a hard edge (Sobel magnitude of the luma, or of alpha, above 32 levels,
// widened by one pixel) take a slight Gaussian blur (sigma 0.7); everything else keeps its exact value, so flat
// areas, gradients and soft texture are untouched while staircase edges get intermediate shades.
vips::VImage Antialias(const vips::VImage& in) {
    CheckEffectInput(in, "antialias");
    constexpr double kEdgeThreshold = 32.0;
    vips::VImage strength = GradientMagnitude(Luma(in));
    if (HasAlpha(in)) {
        vips::VImage alphaStrength = GradientMagnitude(AlphaBand(in).cast(VIPS_FORMAT_FLOAT));
        strength = (alphaStrength > strength).ifthenelse(alphaStrength, strength);
    }
    vips::VImage edges = strength > kEdgeThreshold;
    edges =
        edges.dilate(vips::VImage::new_matrixv(3, 3, 255.0, 255.0, 255.0, 255.0, 255.0, 255.0, 255.0, 255.0, 255.0));
    vips::VImage smoothed = FilterPremultiplied(in, [](const vips::VImage& image) { return GaussianBlur(image, 0.7); });
    return edges.ifthenelse(smoothed, in);
}

// Mixes each pixel with its own Rec. 601 grey: out = grey + (1 + amount / 100) * (in - grey). -100 leaves the
// grey alone (R = G = B, still three bands), 0 the image, +100 doubles the distance from grey (clipped).
vips::VImage ChangeSaturation(const vips::VImage& in, int amount) {
    CheckEffectInput(in, "saturation");
    amount = std::clamp(amount, -100, 100);
    if (amount == 0) return in;
    double factor = 1.0 + amount / 100.0;
    vips::VImage colour = ColourBands(in).cast(VIPS_FORMAT_FLOAT);
    vips::VImage grey = Luma(in);
    vips::VImage mixed = ToUchar(grey + (colour - grey) * factor);
    return HasAlpha(in) ? ToUchar(mixed.bandjoin(AlphaBand(in))) : mixed;
}

} // namespace imaging::effects
