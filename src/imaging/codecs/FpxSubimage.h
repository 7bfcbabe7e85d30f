#pragma once
// One resolution level as FlashPix stores it: the "Subimage 0000 Header" stream (size, channels, tile table)
// and the "Subimage 0000 Data" stream (the tiles), both after a 28-byte stream header.
#include "imaging/Image.h"
#include "imaging/codecs/FpxTiles.h"

namespace imaging::codecs::fpx {

inline constexpr std::size_t kStreamHeaderSize = 28;
inline constexpr std::uint32_t kSubimageHeaderClass = 0x00010000;
inline constexpr std::uint32_t kSubimageDataClass = 0x00010100;

// FE FF 00 00, 03 00 00 00, the class ID, 01 00 00 00.
Bytes StreamHeader(const ClassId& classId);

struct EncodedSubimage {
    Bytes header;
    Bytes data;
};

// Tiles the raster (its bands are the stored channels), padding edge tiles by repeating the last column and
// row. jpeg null: uncompressed tiles; otherwise JPEG tiles whose tables are stored under tableIndex.
EncodedSubimage EncodeSubimage(const Raster& stored, const JpegTileEncoder* jpeg, int tableIndex);

// Decodes a level that must be width x height with the given channels; every count, offset and size is
// checked against the streams before use. The result has bands = channels.
Raster DecodeSubimage(ByteSpan header, ByteSpan data, int width, int height, int channels,
                      const JpegTablesLookup& tables);

} // namespace imaging::codecs::fpx
