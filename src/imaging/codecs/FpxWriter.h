#pragma once
// Writes a FlashPix file: the compound-file layout, the property sets and every level of the pyramid.
#include <vector>

#include "imaging/Image.h"
#include "imaging/codecs/FpxColour.h"

namespace imaging::codecs::fpx {

// The levels below full resolution, smallest first: each halves the one above it (rounding up) until both
// sides are at most 64. They are 2x2 box averages (a lone last column or row averages with itself).
std::vector<Raster> ReducedLevels(const Raster& full);

// stored: the channels as the file keeps them (bands = layout.Channels()). JPEG tiles at libjpeg quality 1..100.
Bytes WriteFpx(const Raster& stored, const ColourLayout& layout, bool jpegTiles, int quality);

} // namespace imaging::codecs::fpx
