#pragma once
// JPEG through libvips (decode, lazily, so a later reduction can decode at reduced scale) and libjpeg-turbo.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/Image.h"

namespace imaging::codecs {

bool IsJpeg(std::span<const std::uint8_t> head);
// Loads upright (EXIF orientation applied), in sRGB (ICC profile, CMYK/YCCK converted);
// bitCount 8 for greyscale, 24 for colour, 32 for CMYK; comment from the COM marker.
Image LoadJpeg(const std::string& path);
// Encodes 3-band RGB. subsample false = 4:4:4. An empty comment writes no COM marker.
std::vector<std::uint8_t> EncodeJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample,
                                     const std::string& comment);

} // namespace imaging::codecs
