// Resize: Lanczos-3 on an axis that shrinks, bicubic on an axis that grows. vips resize picks exactly that per
// axis (it reduces with the given kernel and enlarges through a bicubic affine), and for large factors it box-
// shrinks first, so even a photo going to a thumbnail stays fast. Alpha images are resampled premultiplied.
#include "imaging/Effects.h"

#include "imaging/EffectsSupport.h"

namespace imaging::effects {

using namespace detail;

namespace {

// vips rounds its output size; trim or pad (by repeating the edge) to the exact target.
vips::VImage ExactSize(const vips::VImage& image, int width, int height) {
    if (image.width() == width && image.height() == height) return image;
    vips::VImage out = image;
    if (out.width() > width || out.height() > height)
        out = out.crop(0, 0, std::min(out.width(), width), std::min(out.height(), height));
    if (out.width() < width || out.height() < height)
        out = out.embed(0, 0, width, height, vips::VImage::option()->set("extend", VIPS_EXTEND_COPY));
    return out;
}

} // namespace

namespace {

vips::VImage ResizePixels(const vips::VImage& in, int width, int height) {
    CheckDimensions(width, height);
    if (width == in.width() && height == in.height()) return in;
    double hscale = double(width) / in.width();
    double vscale = double(height) / in.height();
    return FilterPremultiplied(in, [&](const vips::VImage& image) {
        vips::VImage resized =
            image.resize(hscale, vips::VImage::option()->set("vscale", vscale)->set("kernel", VIPS_KERNEL_LANCZOS3));
        return ExactSize(resized, width, height);
    });
}

} // namespace

vips::VImage Resize(const vips::VImage& in, int width, int height) {
    CheckEffectInput(in, "resize");
    return ResizePixels(in, width, height);
}

vips::VImage ResizeDecoded(const vips::VImage& in, int width, int height) {
    if (in.format() != VIPS_FORMAT_UCHAR || (in.bands() != 1 && in.bands() != 3 && in.bands() != 4))
        Fail("resize: expected 8-bit grey, RGB or RGBA pixels");
    return ResizePixels(in, width, height);
}

} // namespace imaging::effects
