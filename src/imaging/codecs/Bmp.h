#pragma once
// Windows and OS/2 bitmaps: read 1/4/8 bits with palette, 16/24/32 bits, RLE4/RLE8, bottom-up and top-down;
// write 24-bit or 8-bit with palette.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imaging/ByteSink.h"
#include "imaging/Image.h"

namespace imaging::codecs {

bool IsBmp(std::span<const std::uint8_t> head);
// Throws Error (without file name) for anything that is not a valid bitmap.
Raster DecodeBmp(std::span<const std::uint8_t> data);
// A 1-, 4- or 8-bit file (RLE too) as it stores its pixels: one index a pixel (top row first) and a palette of
// exactly 2, 16 or 256 entries (those the file does not hold are black), the colours DecodeBmp gives. nullopt
// for other depths; throws as DecodeBmp does.
std::optional<Paletted> DecodeBmpIndexed(std::span<const std::uint8_t> data);
// The file is handed to the sink a part at a time, as its rows are encoded.
void WriteBmp(const Raster& rgb, const ByteSink& sink);     // rgb.bands == 3: 24-bit
void WriteBmp(const Paletted& image, const ByteSink& sink); // 8-bit with its palette
std::vector<std::uint8_t> EncodeBmp(const Raster& rgb);
std::vector<std::uint8_t> EncodeBmp(const Paletted& image);

} // namespace imaging::codecs
