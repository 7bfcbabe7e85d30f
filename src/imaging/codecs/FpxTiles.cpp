#include "imaging/codecs/FpxTiles.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>

#include "imaging/codecs/LibjpegErrors.h"

namespace imaging::codecs::fpx {

namespace {

// --- libjpeg calls -------------------------------------------------------------------------------------------
// Warnings (corrupt or truncated data) count as errors too: a damaged tile is refused rather than shown half grey.

void InstallErrorManager(LibjpegErrors& manager) {
    InstallLibjpegErrors(manager, LibjpegErrors::Warnings::Fatal);
}

// A destination writing into a fixed buffer; running out of room is an error.
struct FixedDestination {
    jpeg_destination_mgr base;
    std::uint8_t* buffer;
    std::size_t capacity;
};

extern "C" void InitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<FixedDestination*>(info->dest);
    destination->base.next_output_byte = destination->buffer;
    destination->base.free_in_buffer = destination->capacity;
}

extern "C" boolean EmptyOutputBuffer(j_compress_ptr info) {
    ERREXIT(info, JERR_BUFFER_SIZE);
    return FALSE;
}

extern "C" void TermDestination(j_compress_ptr) {}

struct CompressJob {
    const std::uint8_t* pixels; // null: write the tables only
    int channels;
    int quality;
    std::uint8_t* out;
    std::size_t capacity;
    std::size_t size;
    char message[JMSG_LENGTH_MAX];
};

void SetUpCompressor(jpeg_compress_struct& info, int channels, int quality) {
    info.image_width = kTileSide;
    info.image_height = kTileSide;
    info.input_components = channels;
    info.in_color_space = channels == 1 ? JCS_GRAYSCALE : channels == 3 ? JCS_RGB : JCS_UNKNOWN;
    jpeg_set_defaults(&info); // RGB becomes YCbCr with 2x2-subsampled chroma; standard Huffman tables
    info.write_JFIF_header = FALSE;
    info.write_Adobe_marker = FALSE;
    info.optimize_coding = FALSE; // every tile must use the shared Huffman tables
    jpeg_set_quality(&info, quality, TRUE);
}

bool RunCompress(CompressJob* job) {
    jpeg_compress_struct info;
    LibjpegErrors errors;
    FixedDestination destination;
    InstallErrorManager(errors);
    info.err = &errors.base;
    if (setjmp(errors.jump)) {
        std::memcpy(job->message, errors.message, sizeof job->message);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.base.init_destination = InitDestination;
    destination.base.empty_output_buffer = EmptyOutputBuffer;
    destination.base.term_destination = TermDestination;
    destination.buffer = job->out;
    destination.capacity = job->capacity;
    info.dest = &destination.base;
    SetUpCompressor(info, job->channels, job->quality);
    if (!job->pixels) {
        jpeg_write_tables(&info);
    } else {
        jpeg_suppress_tables(&info, TRUE); // abbreviated stream: the tables live elsewhere
        jpeg_start_compress(&info, FALSE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(job->pixels + std::size_t(info.next_scanline) * kTileSide *
                                                                  std::size_t(job->channels));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    }
    job->size = job->capacity - destination.base.free_in_buffer;
    jpeg_destroy_compress(&info);
    return true;
}

struct DecompressJob {
    const std::uint8_t* data;
    std::size_t size;
    int channels;
    std::uint8_t* out; // 64 * 64 * channels
    char message[JMSG_LENGTH_MAX];
};

bool RunDecompress(DecompressJob* job) {
    jpeg_decompress_struct info;
    LibjpegErrors errors;
    InstallErrorManager(errors);
    info.err = &errors.base;
    if (setjmp(errors.jump)) {
        std::memcpy(job->message, errors.message, sizeof job->message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, job->data, static_cast<unsigned long>(job->size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width != kTileSide || info.image_height != kTileSide || info.num_components != job->channels ||
        info.data_precision != 8) {
        std::snprintf(job->message, sizeof job->message, "JPEG tile is %ux%u with %d components", info.image_width,
                      info.image_height, info.num_components);
        jpeg_destroy_decompress(&info);
        return false;
    }
    // The samples come out as stored; the caller undoes the codec's own RGB -> YCbCr conversion.
    info.jpeg_color_space = JCS_UNKNOWN;
    info.out_color_space = JCS_UNKNOWN;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = job->out + std::size_t(info.output_scanline) * kTileSide * std::size_t(job->channels);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// --- tiles ---------------------------------------------------------------------------------------------------

std::uint8_t ClampByte(double value) {
    return std::uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

// Undoes the JPEG codec's RGB -> YCbCr conversion (JFIF full-range coefficients) on the first three channels.
void YCbCrToRgb(std::uint8_t* tile, int channels) {
    for (std::size_t i = 0; i < kTilePixels; ++i) {
        std::uint8_t* pixel = tile + i * std::size_t(channels);
        const double y = pixel[0], cb = pixel[1] - 128.0, cr = pixel[2] - 128.0;
        pixel[0] = ClampByte(y + 1.402 * cr);
        pixel[1] = ClampByte(y - 0.344136 * cb - 0.714136 * cr);
        pixel[2] = ClampByte(y + 1.772 * cb);
    }
}

constexpr std::uint8_t kMarker = 0xFF, kStartOfImage = 0xD8, kEndOfImage = 0xD9;

// The tables stream without its end marker followed by the tile without its start marker.
Bytes JoinAbbreviated(ByteSpan tables, ByteSpan tile) {
    if (tables.size() < 4 || tables[tables.size() - 2] != kMarker || tables[tables.size() - 1] != kEndOfImage)
        Fail("FlashPix JPEG tables do not end with an end marker");
    if (tile.size() < 2 || tile[0] != kMarker || tile[1] != kStartOfImage)
        Fail("FlashPix JPEG tile does not begin with a start marker");
    Bytes joined(tables.begin(), tables.end() - 2);
    joined.insert(joined.end(), tile.begin() + 2, tile.end());
    return joined;
}

void DecodeJpegTile(const TileEntry& entry, ByteSpan bytes, int channels, const JpegTablesLookup& tables,
                    std::uint8_t* out) {
    const int tableIndex = int(entry.subtype >> 24);
    const bool converted = ((entry.subtype >> 16) & 0xFF) == 1;
    Bytes joined;
    ByteSpan stream = bytes; // table index 0: the tile carries its own tables
    if (tableIndex != 0) {
        const std::optional<ByteSpan> table = tables(tableIndex);
        if (!table) Fail("FlashPix JPEG tables " + std::to_string(tableIndex) + " are missing");
        joined = JoinAbbreviated(*table, bytes);
        stream = joined;
    }
    DecompressJob job{stream.data(), stream.size(), channels, out, {}};
    if (!RunDecompress(&job)) Fail(std::string("FlashPix JPEG tile: ") + job.message);
    if (converted && channels >= 3) YCbCrToRgb(out, channels);
}

} // namespace

void DecodeTile(const TileEntry& entry, ByteSpan bytes, int channels, const JpegTablesLookup& tables,
                std::uint8_t* out) {
    const std::size_t tileBytes = kTilePixels * std::size_t(channels);
    switch (entry.compression) {
    case kUncompressed:
        if (bytes.size() < tileBytes) Fail("FlashPix uncompressed tile is too short");
        std::memcpy(out, bytes.data(), tileBytes);
        return;
    case kSingleColour:
        // The colour's channels are the subtype's bytes, first channel in the lowest byte.
        for (std::size_t i = 0; i < tileBytes; ++i)
            out[i] = std::uint8_t(entry.subtype >> (8 * (i % channels)));
        return;
    case kJpeg:
        DecodeJpegTile(entry, bytes, channels, tables, out);
        return;
    default:
        Fail("FlashPix tile compression " + std::to_string(entry.compression) + " is not supported");
    }
}

JpegTileEncoder::JpegTileEncoder(int channels, int quality)
    : channels_(channels), quality_(std::clamp(quality, 1, 100)) {
    Bytes buffer(4096);
    CompressJob job{nullptr, channels_, quality_, buffer.data(), buffer.size(), 0, {}};
    if (!RunCompress(&job)) Fail(std::string("cannot write FlashPix JPEG tables: ") + job.message);
    tables_.assign(buffer.begin(), buffer.begin() + std::ptrdiff_t(job.size));
}

std::uint32_t JpegTileEncoder::Subtype(int tableIndex) const {
    const std::uint32_t sampling = channels_ == 3 ? 0x22 : 0x11;
    const std::uint32_t converted = channels_ == 3 ? 1 : 0;
    return std::uint32_t(tableIndex) << 24 | converted << 16 | sampling << 8; // byte 0: interleaved channels
}

Bytes JpegTileEncoder::Encode(const std::uint8_t* tile) const {
    // Room for the worst case: every coefficient at its longest code.
    Bytes buffer(kTilePixels * std::size_t(channels_) * 8 + 4096);
    CompressJob job{tile, channels_, quality_, buffer.data(), buffer.size(), 0, {}};
    if (!RunCompress(&job)) Fail(std::string("cannot write a FlashPix JPEG tile: ") + job.message);
    buffer.resize(job.size);
    return buffer;
}

} // namespace imaging::codecs::fpx
