#pragma once
// PNG: decoded through libvips, written with libpng (palette, Adam7, tEXt "Comment", tRNS).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <vips/vips8>

#include "imaging/ByteSink.h"
#include "imaging/Image.h"
#include "imaging/codecs/Metadata.h"

namespace imaging::codecs {

class FileReader;

struct PngOptions {
    bool interlace = false;
    std::string comment;            // "Comment": tEXt when Latin-1 can hold it, else iTXt; compressed from 1 KiB
    std::optional<Rgb> transparent; // tRNS colour
    std::optional<OutputMetadata> metadata; // the source's EXIF and XMP to carry over (see Metadata.h)
};

bool IsPng(std::span<const std::uint8_t> head);
// bitCount: palette and grey as stored (1, 2, 4, 8), 16-bit grey 8, RGB 24 (also 16-bit), with alpha 32.
// Alpha (an alpha channel or tRNS) is kept as a 4th band. The comment is the first tEXt, zTXt or iTXt chunk
// keyed "Comment" (any case) anywhere in the file, as UTF-8 (tEXt bytes that are not UTF-8 are read as Latin-1).
// Only the header is read here: a bad signature or IHDR raises imaging::Error now; damaged image data surfaces as
// vips::VError when the pixels are first computed.
Image LoadPng(const std::string& path);
// The same for a file already open (its format probe read through it).
Image LoadPng(const FileReader& file);

// Encode into `sink` as they go. An 8-bit RGB vips image is computed a strip of rows at a time while it is
// written (an interlaced file needs all rows at once: it is computed whole first). Failures raise
// imaging::Error, or the exception the sink threw.
void WritePng(const vips::VImage& rgb, const PngOptions& options, const ByteSink& sink);
void WritePng(const Paletted& image, const PngOptions& options, const ByteSink& sink);
// The same into a buffer.
std::vector<std::uint8_t> EncodePng(const Raster& rgb, const PngOptions& options);
std::vector<std::uint8_t> EncodePng(const Paletted& image, const PngOptions& options);

} // namespace imaging::codecs
