#pragma once
// PNG: decoded through libvips, written with libpng (palette, Adam7, tEXt "Comment", tRNS).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/Image.h"

namespace imaging::codecs {

struct PngOptions {
    bool interlace = false;
    std::string comment;              // tEXt "Comment" when not empty
    std::optional<Rgb> transparent;   // tRNS colour
};

bool IsPng(std::span<const std::uint8_t> head);
// bitCount: palette and grey as stored (1, 2, 4, 8), 16-bit grey 8, RGB 24 (also 16-bit), with alpha 32.
Image LoadPng(const std::string& path);
std::vector<std::uint8_t> EncodePng(const Raster& rgb, const PngOptions& options);
std::vector<std::uint8_t> EncodePng(const Paletted& image, const PngOptions& options);

} // namespace imaging::codecs
