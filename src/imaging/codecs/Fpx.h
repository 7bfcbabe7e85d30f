#pragma once
// FlashPix: an OLE2 compound file holding a pyramid of 64x64-tiled resolutions.
// Reads the full-resolution image (uncompressed, single-colour and JPEG tiles; RGB and monochrome);
// writes RGB with the whole pyramid, uncompressed or with JPEG tiles.
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/Image.h"

namespace imaging::codecs {

bool IsFpx(std::span<const std::uint8_t> head); // the OLE2 compound-file signature
Raster DecodeFpx(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> EncodeFpx(const Raster& rgb, bool jpegTiles, int quality);

} // namespace imaging::codecs
