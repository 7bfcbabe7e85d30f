#pragma once
// FlashPix channel colours: the per-level colour blob and the conversion of stored channels to output bands.
// A colour code is (colour space << 16) | channel index; the index 0x7FFE marks alpha, bit 15 premultiplied
// channels and bit 31 uncalibrated colour (read as calibrated).
#include "imaging/Image.h"
#include "imaging/codecs/FpxBytes.h"

namespace imaging::codecs::fpx {

enum ColourSpace : std::uint32_t { kMonochrome = 1, kPhotoYcc = 2, kRgb = 3 };
inline constexpr std::uint32_t kAlphaIndex = 0x7FFE;
inline constexpr std::uint32_t kPremultipliedBit = 0x8000;

struct ColourLayout {
    ColourSpace space = kRgb;
    bool alpha = false; // the last channel
    bool premultiplied = false;
    int Channels() const { return (space == kMonochrome ? 1 : 3) + (alpha ? 1 : 0); }
};

// The blob: one entry, the channel count, one code per channel.
Bytes ColourBlob(const ColourLayout& layout);
// Throws Error for anything but monochrome, RGB or PhotoYCC channels in order, optionally followed by alpha.
ColourLayout ParseColourBlob(ByteSpan blob);

// Stored channels to output: grey (1), grey + alpha (2), RGB (3) or RGBA (4) with straight alpha.
// PhotoYCC becomes RGB (values beyond the 8-bit range clipped).
Raster ToOutputBands(Raster stored, const ColourLayout& layout);

} // namespace imaging::codecs::fpx
