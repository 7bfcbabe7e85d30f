#pragma once
// JPEG through libvips (decode, lazily, so a later reduction can decode at reduced scale) and libjpeg-turbo.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/ByteSink.h"
#include "imaging/Image.h"
#include "imaging/codecs/Metadata.h"

namespace imaging::codecs {

class FileReader;

bool IsJpeg(std::span<const std::uint8_t> head);
// Loads upright (EXIF orientation applied), in sRGB (ICC profile, CMYK/YCCK converted);
// bitCount 8 for greyscale, 24 for colour, 32 for CMYK; comment from the COM marker (UTF-8 when it is valid
// UTF-8, otherwise read as Latin-1). Only the header is read here: a file that is not a JPEG or whose header is
// damaged raises imaging::Error now; damage in the compressed data (a truncated file) surfaces as vips::VError
// when the pixels are first computed.
Image LoadJpeg(const std::string& path);
// The same for a file already open (its format probe read through it).
Image LoadJpeg(const FileReader& file);
// Encodes 3-band 8-bit RGB; quality is clamped to 1..100. subsample false = 4:4:4, true = 4:2:0.
// An empty comment writes no COM marker; one longer than a segment is split over consecutive full COM segments.
// Bytes go into `sink` as the encoder produces them; the pixels are computed a strip of rows at a time.
// `metadata`: the source's EXIF and XMP to carry over (see Metadata.h); none when null.
void WriteJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample, const std::string& comment,
               const ByteSink& sink, const OutputMetadata* metadata = nullptr);
std::vector<std::uint8_t> EncodeJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample,
                                     const std::string& comment);

} // namespace imaging::codecs
