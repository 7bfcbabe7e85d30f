#pragma once
// One 64x64 FlashPix tile: uncompressed, single colour or JPEG (abbreviated streams sharing a tables stream).
// Tile pixels are the stored channels, interleaved, 64 * 64 * channels bytes.
#include <functional>
#include <optional>

#include "imaging/codecs/FpxBytes.h"

namespace imaging::codecs::fpx {

inline constexpr int kTileSide = 64;
inline constexpr std::size_t kTilePixels = std::size_t(kTileSide) * kTileSide;

enum TileCompression : std::uint32_t { kUncompressed = 0, kSingleColour = 1, kJpeg = 2 };

struct TileEntry {
    std::uint32_t offset = 0; // from the end of the data stream's 28-byte header
    std::uint32_t size = 0;
    std::uint32_t compression = kUncompressed;
    std::uint32_t subtype = 0;
};

// The tables-only JPEG stream for a table index (1..255), or nullopt when the file has none.
using JpegTablesLookup = std::function<std::optional<ByteSpan>(int tableIndex)>;

// Decodes the tile's bytes (entry.size bytes from its offset) into out (64 * 64 * channels bytes).
// Throws Error on a bad or unsupported tile.
void DecodeTile(const TileEntry& entry, ByteSpan bytes, int channels, const JpegTablesLookup& tables,
                std::uint8_t* out);

// Baseline JPEG for the tiles of one channel layout: three channels are RGB turned into YCbCr with 2x2 chroma
// subsampling inside the codec, one is grey, two or four are coded as they are. Quality is libjpeg's 1..100.
class JpegTileEncoder {
public:
    JpegTileEncoder(int channels, int quality);
    // The tables-only stream (start marker, quantisation and Huffman tables, end marker).
    const Bytes& Tables() const { return tables_; }
    // The compression subtype of this encoder's tiles when their tables are stored under tableIndex.
    std::uint32_t Subtype(int tableIndex) const;
    // An abbreviated stream (no tables) for a 64x64 tile.
    Bytes Encode(const std::uint8_t* tile) const;

private:
    int channels_;
    int quality_;
    Bytes tables_;
};

} // namespace imaging::codecs::fpx
