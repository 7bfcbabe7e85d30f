#include "imaging/codecs/FpxSubimage.h"

#include <algorithm>
#include <cstring>

namespace imaging::codecs::fpx {

namespace {

constexpr std::uint32_t kHeaderLength = 36; // the nine values after the stream header
constexpr std::uint32_t kEntrySize = 16;
// Each tile in the data stream follows 28 unused bytes, as other FlashPix writers lay them out.
constexpr std::size_t kTileGap = 28;

int TilesAcross(int pixels) {
    return (pixels + kTileSide - 1) / kTileSide;
}

// Copies tile (tx, ty) out of the raster, repeating the last column and then the last row past the edges.
void ExtractTile(const Raster& raster, int tx, int ty, std::uint8_t* tile) {
    const std::size_t bands = std::size_t(raster.bands);
    for (int y = 0; y < kTileSide; ++y) {
        const std::uint8_t* row = raster.Row(std::min(ty * kTileSide + y, raster.height - 1));
        std::uint8_t* out = tile + std::size_t(y) * kTileSide * bands;
        for (int x = 0; x < kTileSide; ++x) {
            const int sx = std::min(tx * kTileSide + x, raster.width - 1);
            std::memcpy(out + std::size_t(x) * bands, row + std::size_t(sx) * bands, bands);
        }
    }
}

// Copies the part of a decoded tile that lies inside the raster.
void PlaceTile(const std::uint8_t* tile, int tx, int ty, Raster& raster) {
    const std::size_t bands = std::size_t(raster.bands);
    const int x0 = tx * kTileSide, y0 = ty * kTileSide;
    const int columns = std::min(kTileSide, raster.width - x0);
    const int rows = std::min(kTileSide, raster.height - y0);
    for (int y = 0; y < rows; ++y)
        std::memcpy(raster.Row(y0 + y) + std::size_t(x0) * bands, tile + std::size_t(y) * kTileSide * bands,
                    std::size_t(columns) * bands);
}

} // namespace

Bytes StreamHeader(const ClassId& classId) {
    Bytes out;
    AppendU32(out, 0x0000FFFE);
    AppendU32(out, 3);
    AppendBytes(out, classId);
    AppendU32(out, 1);
    return out;
}

EncodedSubimage EncodeSubimage(const Raster& stored, const JpegTileEncoder* jpeg, int tableIndex) {
    const int across = TilesAcross(stored.width), down = TilesAcross(stored.height);
    const std::uint32_t count = std::uint32_t(across) * std::uint32_t(down);
    EncodedSubimage result{StreamHeader(FlashPixId(kSubimageHeaderClass)),
                           StreamHeader(FlashPixId(kSubimageDataClass))};
    for (std::uint32_t value :
         {kHeaderLength, std::uint32_t(stored.width), std::uint32_t(stored.height), count, std::uint32_t(kTileSide),
          std::uint32_t(kTileSide), std::uint32_t(stored.bands), kHeaderLength, kEntrySize})
        AppendU32(result.header, value);

    Bytes tile(kTilePixels * std::size_t(stored.bands));
    for (int ty = 0; ty < down; ++ty) {
        for (int tx = 0; tx < across; ++tx) {
            ExtractTile(stored, tx, ty, tile.data());
            result.data.resize(result.data.size() + kTileGap, 0);
            TileEntry entry;
            entry.offset = std::uint32_t(result.data.size() - kStreamHeaderSize);
            if (jpeg) {
                const Bytes coded = jpeg->Encode(tile.data());
                AppendBytes(result.data, coded);
                entry.size = std::uint32_t(coded.size());
                entry.compression = kJpeg;
                entry.subtype = jpeg->Subtype(tableIndex);
            } else {
                AppendBytes(result.data, tile);
                entry.size = std::uint32_t(tile.size());
            }
            for (std::uint32_t value : {entry.offset, entry.size, entry.compression, entry.subtype})
                AppendU32(result.header, value);
        }
    }
    return result;
}

Raster DecodeSubimage(ByteSpan header, ByteSpan data, int width, int height, int channels,
                      const JpegTablesLookup& tables) {
    CheckDimensions(width, height);
    const std::size_t base = kStreamHeaderSize;
    const std::uint32_t storedWidth = LoadU32(header, base + 4, "subimage header");
    const std::uint32_t storedHeight = LoadU32(header, base + 8, "subimage header");
    const std::uint32_t count = LoadU32(header, base + 12, "subimage header");
    const std::uint32_t tileWidth = LoadU32(header, base + 16, "subimage header");
    const std::uint32_t tileHeight = LoadU32(header, base + 20, "subimage header");
    const std::uint32_t storedChannels = LoadU32(header, base + 24, "subimage header");
    const std::uint32_t tableOffset = LoadU32(header, base + 28, "subimage header");
    const std::uint32_t entrySize = LoadU32(header, base + 32, "subimage header");
    if (storedWidth != std::uint32_t(width) || storedHeight != std::uint32_t(height))
        Fail("FlashPix full-resolution level is " + std::to_string(storedWidth) + " x " + std::to_string(storedHeight) +
             ", not the image size " + std::to_string(width) + " x " + std::to_string(height));
    if (tileWidth != kTileSide || tileHeight != kTileSide) Fail("FlashPix tiles are not 64 x 64");
    if (storedChannels != std::uint32_t(channels)) Fail("FlashPix level channel count disagrees with its colours");
    const int across = TilesAcross(width), down = TilesAcross(height);
    if (count != std::uint64_t(across) * std::uint64_t(down))
        Fail("FlashPix tile count " + std::to_string(count) + " does not match the image size");
    if (entrySize < kEntrySize) Fail("FlashPix tile table entries are too small");
    Need(header, base + std::uint64_t(tableOffset), std::uint64_t(count) * entrySize, "tile table");
    if (data.size() < kStreamHeaderSize) FailTruncated("FlashPix subimage data is truncated");
    const ByteSpan tileData = data.subspan(kStreamHeaderSize);

    Raster raster;
    raster.width = width;
    raster.height = height;
    raster.bands = channels;
    raster.bitCount = 8 * channels;
    raster.pixels.resize(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    Bytes tile(kTilePixels * std::size_t(channels));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = base + tableOffset + std::size_t(i) * entrySize;
        TileEntry entry{LoadU32(header, at, "tile table"), LoadU32(header, at + 4, "tile table"),
                        LoadU32(header, at + 8, "tile table"), LoadU32(header, at + 12, "tile table")};
        ByteSpan bytes;
        if (entry.compression != kSingleColour) {
            if (!Fits(tileData, entry.offset, entry.size))
                Fail("FlashPix tile " + std::to_string(i) + " lies outside its data stream");
            bytes = tileData.subspan(entry.offset, entry.size);
        }
        DecodeTile(entry, bytes, channels, tables, tile.data());
        PlaceTile(tile.data(), int(i % std::uint32_t(across)), int(i / std::uint32_t(across)), raster);
    }
    return raster;
}

} // namespace imaging::codecs::fpx
