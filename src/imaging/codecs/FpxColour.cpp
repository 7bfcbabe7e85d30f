#include "imaging/codecs/FpxColour.h"

#include <algorithm>
#include <cmath>

namespace imaging::codecs::fpx {

namespace {

std::uint8_t ClampByte(double value) {
    return std::uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

void PhotoYccToRgb(std::uint8_t* pixel) {
    const double luma = 1.3584 * pixel[0];
    const double c1 = 2.2179 * (pixel[1] - 156.0);
    const double c2 = 1.8215 * (pixel[2] - 137.0);
    pixel[0] = ClampByte(luma + c2);
    pixel[1] = ClampByte(luma - 0.194 * c1 - 0.509 * c2);
    pixel[2] = ClampByte(luma + c1);
}

void Unpremultiply(std::uint8_t* pixel, int colours) {
    const int alpha = pixel[colours];
    if (alpha == 0) return;
    for (int c = 0; c < colours; ++c)
        pixel[c] = std::uint8_t(std::min(255, (pixel[c] * 255 + alpha / 2) / alpha));
}

} // namespace

Bytes ColourBlob(const ColourLayout& layout) {
    const int colours = layout.space == kMonochrome ? 1 : 3;
    const std::uint32_t flags = layout.premultiplied ? kPremultipliedBit : 0;
    Bytes blob;
    AppendU32(blob, 1);
    AppendU32(blob, std::uint32_t(layout.Channels()));
    for (int c = 0; c < colours; ++c)
        AppendU32(blob, layout.space << 16 | flags | std::uint32_t(c));
    if (layout.alpha) AppendU32(blob, layout.space << 16 | flags | kAlphaIndex);
    return blob;
}

ColourLayout ParseColourBlob(ByteSpan blob) {
    const std::uint32_t channels = LoadU32(blob, 4, "colour description");
    if (channels < 1 || channels > 4) Fail("FlashPix channel count " + std::to_string(channels) + " is not 1 to 4");
    ColourLayout layout;
    const std::uint32_t first = LoadU32(blob, 8, "colour description");
    layout.space = ColourSpace((first >> 16) & 0x7FFF);
    if (layout.space != kMonochrome && layout.space != kRgb && layout.space != kPhotoYcc)
        Fail("FlashPix colour space " + std::to_string(layout.space) + " is not supported");
    const int colours = layout.space == kMonochrome ? 1 : 3;
    layout.alpha = int(channels) == colours + 1;
    if (!layout.alpha && int(channels) != colours) Fail("FlashPix channel count does not fit its colour space");
    for (std::uint32_t c = 0; c < channels; ++c) {
        const std::uint32_t code = LoadU32(blob, 8 + 4 * std::size_t(c), "colour description");
        const std::uint32_t expected = int(c) < colours ? c : kAlphaIndex;
        if (((code >> 16) & 0x7FFF) != layout.space) Fail("FlashPix channels mix colour spaces");
        if ((code & 0x7FFF) != expected) Fail("FlashPix channels are not in a supported order");
        layout.premultiplied = layout.premultiplied || (code & kPremultipliedBit);
    }
    return layout;
}

Raster ToOutputBands(Raster stored, const ColourLayout& layout) {
    const int colours = layout.space == kMonochrome ? 1 : 3;
    const std::size_t count = std::size_t(stored.width) * std::size_t(stored.height);
    const std::size_t bands = std::size_t(stored.bands);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pixel = stored.pixels.data() + i * bands;
        if (layout.alpha && layout.premultiplied) Unpremultiply(pixel, colours);
        if (layout.space == kPhotoYcc) PhotoYccToRgb(pixel);
    }
    stored.bitCount = 8 * stored.bands;
    return stored;
}

} // namespace imaging::codecs::fpx
