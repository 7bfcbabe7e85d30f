#pragma once
// HEIF (HEIC and AVIF), WebP and JPEG XL through libvips' loaders (HEIF and JPEG XL come from its optional
// modules, loaded when a file needs them): recognised by their content, decoded lazily like JPEG and PNG,
// upright and in sRGB, the primary image or first frame of a file that holds several. And WebP and AVIF saves.
#include <cstdint>
#include <optional>
#include <span>

#include <vips/vips8>

#include "imaging/ByteSink.h"
#include "imaging/Image.h"
#include "imaging/codecs/Metadata.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

enum class LibvipsFormat { Heif, Webp, Jxl };

// The format a file's first bytes (at least 12) say it is, if one of these.
std::optional<LibvipsFormat> DetectLibvipsFormat(std::span<const std::uint8_t> head);

// Loads the file; fails (imaging::Error) when it is damaged, or Unsupported when libvips lacks the format.
Image LoadLibvipsFormat(const FileReader& file, LibvipsFormat format);

// Lossy saves of 8-bit RGB pixels at quality 0..100 (0 taken as 1), without metadata.
// `metadata`: the source's EXIF and XMP to carry over (see Metadata.h); none when null.
void WriteWebp(const vips::VImage& rgb, int quality, const ByteSink& sink, const OutputMetadata* metadata = nullptr);
void WriteAvif(const vips::VImage& rgb, int quality, const ByteSink& sink, const OutputMetadata* metadata = nullptr);

} // namespace imaging::codecs
