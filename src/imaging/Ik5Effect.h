#pragma once
// The effect component: each operation reads the image named by InImgHandle (or the base passed to
// Composite), makes a new image for its result in OutImgHandle and leaves the input intact.
// Region operations take a polygon (xs, ys, count points); with SelectMode 1 the effect applies inside it
// (InOut true) or outside it (InOut false); any other SelectMode applies it to the whole image.
#include <cstdint>
#include <functional>

#include "imaging/ImageStore.h"

namespace imaging {

class TIk5Effect {
public:
    Handle InImgHandle = 0;
    Handle OutImgHandle = 0;
    std::int16_t SelectMode = 0;
    std::int16_t InOut = -1;

    // Arguments the component takes but does not use, under names for its callers: the resize mode, the
    // colour-depth options, and Composite's three flags and its last argument.
    static constexpr std::int32_t kAnyResizeMode = 1;
    static constexpr std::int16_t kNoDepthOption = 0;
    static constexpr std::int16_t kTrueColour = 24;
    static constexpr std::int16_t kPalette = 8;
    static constexpr std::int16_t kNoCompositeFlag = 0;
    static constexpr std::int16_t kCompositeFlagSet = 1;
    static constexpr std::int32_t kCompositeTail = 1;

    // Exactly width x height (mode is accepted and ignored); returns 1, or 0 when a side is below 1.
    std::int32_t Resize(std::int32_t width, std::int32_t height, std::int32_t mode);
    // bits 24: promote to 24 bits; bits 8: reduce to at most 256 colours. Returns 1.
    std::int32_t ChangeColorDepth(std::int16_t bits, std::int16_t, std::int16_t, std::int16_t);
    std::int32_t Sharpen(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count, std::int16_t level);
    std::int32_t Blur(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count, std::int16_t level);
    std::int32_t Antialias(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count);
    std::int32_t ChangeSaturation(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count,
                                  std::int32_t amount);
    // Copy of base with overlay's top-left corner at (x, y) of base, drawn with opacity/255; overlay pixels
    // of colour (red, green, blue) are not drawn; parts outside base are clipped. Returns 1.
    std::int32_t Composite(Handle base, Handle overlay, std::int16_t opacity, std::int16_t red, std::int16_t green,
                           std::int16_t blue, std::int16_t, std::int16_t, std::int16_t, std::int32_t x, std::int32_t y,
                           std::int32_t);

private:
    using PixelOp = std::function<vips::VImage(const vips::VImage&)>;
    std::int32_t RegionEffect(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count, const PixelOp& op);
    std::int32_t Adopt(Image result);
};

} // namespace imaging
