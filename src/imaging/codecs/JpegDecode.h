#pragma once
// The pixels of a JPEG file as libjpeg decodes them, under one rule for every scale: a file whose data ends (or
// meets an end marker) before the picture does fails as cut short, and the end-of-image marker must be there;
// damage that libjpeg repairs inside complete data (a bad code, a restart marker out of turn, stray bytes before
// a marker) is passed over. The decode at 1/2, 1/4 and 1/8 reads every coefficient of the file like the full
// one, so it gives the same verdict.
#include <string>

#include <vips/vips8>

#include "files/InputFile.h"

namespace imaging::codecs {

// The file's picture at 1/shrink of each side (shrink 1, 2, 4 or 8; sides rounded up), as stored (not turned
// upright): grey, RGB, or CMYK with Adobe's inverted inks turned back. Decoded once from the top as its rows are
// asked for; the file stays open until the image is gone. A failure surfaces as the computation's vips::VError,
// its imaging::Problem kept (Truncated for data that ends early, Damaged for data libjpeg refuses).
// `header`: the file's header as libvips reads it at that scale (size, layout, colour profile, orientation), which
// the result carries; the decode must come out at that size.
// `path`: the file's name, which a failure names.
vips::VImage DecodeJpegRows(files::InputFile file, int shrink, const vips::VImage& header, const std::string& path);

} // namespace imaging::codecs
