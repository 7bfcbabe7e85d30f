#pragma once
// ZSoft PCX: read 1-bit, 4-bit (four planes, EGA palette), 8-bit (256-colour palette at the end),
// 24-bit (three planes), RLE; write 24-bit three-plane or 8-bit with palette, RLE.
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/ByteSink.h"
#include "imaging/Image.h"

namespace imaging::codecs {

bool IsPcx(std::span<const std::uint8_t> head);
Raster DecodePcx(std::span<const std::uint8_t> data);
// The file is handed to the sink a part at a time, as its rows are encoded.
void WritePcx(const Raster& rgb, const ByteSink& sink); // rgb.bands == 3
void WritePcx(const Paletted& image, const ByteSink& sink);
std::vector<std::uint8_t> EncodePcx(const Raster& rgb);
std::vector<std::uint8_t> EncodePcx(const Paletted& image);

} // namespace imaging::codecs
