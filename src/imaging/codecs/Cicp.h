#pragma once
// Colours described by CICP code points (ITU-T H.273: colour primaries, transfer characteristics) instead of an
// ICC profile, as HEIF and AVIF files carry them in an "nclx" colour box: a Display P3 photo from a phone, say.
// Such pixels are brought to sRGB like a profile's: through linear light and the primaries' matrix.
#include <optional>

#include <vips/vips8>

namespace imaging::codecs {

class FileReader;

struct Cicp {
    int primaries = 2; // 1: BT.709 / sRGB, 9: BT.2020, 12: Display P3 (D65); 2: unspecified
    int transfer = 2;  // 1, 6, 14, 15: BT.709-like; 13: sRGB; 4: gamma 2.2; 8: linear; 2: unspecified
};

// The CICP values of a HEIF file's primary image, when its colours are described by them (not by an ICC
// profile); nothing for a file libheif cannot read.
std::optional<Cicp> HeifCicp(const FileReader& file);

// 8-bit RGB (or RGBA) pixels in the CICP colours as sRGB; pixels whose colours are sRGB's already (or that
// this does not convert: HDR transfers) come back as they are.
vips::VImage CicpToSrgb(const vips::VImage& pixels, const Cicp& cicp);

} // namespace imaging::codecs
