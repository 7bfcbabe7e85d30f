#pragma once
// A fast reduced decode for progressive JPEGs: the image at 1/8 scale from the DC coefficients alone. It reads
// only the DC scans and skips the entropy-coded data of every AC scan, so it needs neither the AC decoding nor
// the coefficient store of the whole image that a general decoder keeps for a progressive file.
#include <cstdint>
#include <optional>
#include <span>

#include "imaging/Image.h"

namespace imaging::codecs {

// The image at 1/8 of each side (sides rounded up) of a progressive Huffman-coded JPEG, computed from the DC
// coefficients alone: 1 band (grey, bitCount 8) or 3 bands (RGB, bitCount 24). nullopt when the data is not
// such a file or not one this decoder handles (baseline or arithmetic-coded, 12-bit, components other than grey
// or YCbCr, an Adobe marker that says RGB/CMYK, anything malformed or truncated, no EOI after the scans); the
// caller then decodes the usual way. Never throws on bad data.
// allowSubsampled false: also nullopt when a component is sampled less densely than another (4:2:0, say). At
// 1/8 scale libjpeg fills such planes from a few AC coefficients too, which are never read here (colour
// detail then differs by up to 37 dB PSNR); without subsampling the result is exactly libjpeg's.
std::optional<Raster> DecodeJpegDc(std::span<const std::uint8_t> bytes, bool allowSubsampled = true);

} // namespace imaging::codecs
