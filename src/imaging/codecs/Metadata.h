#pragma once
// The source's metadata in an output: none (the start value), the photo's shooting information, or all of it.
// EXIF is read and rewritten by libexif: the GPS position, the maker notes and the embedded thumbnail are dropped
// as asked, and the orientation is 1 (the pixels are upright already). A block libexif cannot read is dropped.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <vips/vips8>

namespace imaging::codecs {

enum class MetadataChoice { None, ShootingInfo, All };

struct OutputMetadata {
    std::vector<std::uint8_t> exif; // "Exif\0\0" and the TIFF structure, as libvips keeps it; empty: none
    std::string xmp;                // the XMP packet; empty: none
};

// What an output carries of the source's EXIF and XMP under `choice`; nothing for None or when nothing is left.
std::optional<OutputMetadata> MetadataToWrite(const std::vector<std::uint8_t>& exif, const std::string& xmp,
                                              MetadataChoice choice);

// The source's EXIF and XMP blobs as libvips' loaders attach them to the pixels.
std::vector<std::uint8_t> ExifOf(const vips::VImage& pixels);
std::string XmpOf(const vips::VImage& pixels);

// The pixels to encode, tagged sRGB and with none of the source's metadata (EXIF, XMP, IPTC, a colour profile
// that no longer describes them; libvips' WebP saver writes EXIF and XMP it finds even when told to strip), then
// `metadata` when given, for a libvips saver that is told not to strip.
vips::VImage PixelsToSave(const vips::VImage& rgb, const OutputMetadata* metadata);

} // namespace imaging::codecs
