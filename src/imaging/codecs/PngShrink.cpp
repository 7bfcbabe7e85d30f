#include "imaging/codecs/PngShrink.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include "imaging/Error.h"
#include "imaging/codecs/ByteIo.h"
#include "imaging/codecs/PngHeader.h"

namespace imaging::codecs {

namespace {

constexpr std::size_t kReadPiece = 256 * 1024;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::uint32_t kMaxWidth = 1'000'000;
// An ICC profile is a few kilobytes; these bound a damaged or hostile one.
constexpr std::uint32_t kMaxProfileChunk = 16u << 20;
constexpr std::size_t kMaxProfileBytes = 16u << 20;

std::uint32_t Crc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    return crc32_gzip_refl(crc, data, std::uint64_t(size));
}

// Whether a chunk's stored CRC is the one computed (always, in a fuzzing build: mutated inputs reach further).
bool CrcMatches(std::uint32_t computed, const std::uint8_t* stored) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    (void)computed;
    (void)stored;
    return true;
#else
    return computed == Be32(stored);
#endif
}

struct Inflater {
    Inflater() : state(std::make_unique<inflate_state>()) {
        isal_inflate_init(state.get());
        state->crc_flag = ISAL_ZLIB;
    }
    std::unique_ptr<inflate_state> state;
};

// A whole zlib stream held in memory (a profile), when it inflates to at most `limit` bytes.
std::optional<std::vector<std::uint8_t>> InflateAll(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    Inflater inflater;
    inflate_state& state = *inflater.state;
    state.next_in = const_cast<std::uint8_t*>(data);
    state.avail_in = std::uint32_t(size);
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, 65536> buffer;
    while (true) {
        state.next_out = buffer.data();
        state.avail_out = std::uint32_t(buffer.size());
        if (isal_inflate(&state) != ISAL_DECOMP_OK) return std::nullopt;
        const std::size_t produced = buffer.size() - state.avail_out;
        if (out.size() + produced > limit) return std::nullopt;
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(produced));
        if (state.block_state == ISAL_BLOCK_FINISH) return out;
        if (produced == 0 && state.avail_in == 0) return std::nullopt; // the stream stops early
    }
}

// The profile of an iCCP chunk's data: a name of 1 to 79 bytes, a zero, method 0, the zlib stream.
std::optional<std::vector<std::uint8_t>> ProfileFromChunk(const std::vector<std::uint8_t>& data) {
    auto end = std::find(data.begin(), data.begin() + std::ptrdiff_t(std::min<std::size_t>(data.size(), 80)), 0);
    if (end == data.end() || end == data.begin() || end - data.begin() > 79) return std::nullopt;
    const std::size_t method = std::size_t(end - data.begin()) + 1;
    if (method >= data.size() || data[method] != 0) return std::nullopt;
    return InflateAll(data.data() + method + 1, data.size() - method - 1, kMaxProfileBytes);
}

std::uint8_t Paeth(int left, int above, int aboveLeft) {
    const int p = left + above - aboveLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - above), pc = std::abs(p - aboveLeft);
    return std::uint8_t(pa <= pb && pa <= pc ? left : (pb <= pc ? above : aboveLeft));
}

// Undoes a row's filter in place; false for a filter type PNG does not have.
bool Unfilter(int type, std::uint8_t* row, const std::uint8_t* above, std::size_t size, int bpp) {
    switch (type) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = std::size_t(bpp); i < size; ++i)
            row[i] = std::uint8_t(row[i] + row[i - std::size_t(bpp)]);
        return true;
    case 2:
        for (std::size_t i = 0; i < size; ++i)
            row[i] = std::uint8_t(row[i] + above[i]);
        return true;
    case 3:
        for (std::size_t i = 0; i < std::size_t(bpp) && i < size; ++i)
            row[i] = std::uint8_t(row[i] + (above[i] >> 1));
        for (std::size_t i = std::size_t(bpp); i < size; ++i)
            row[i] = std::uint8_t(row[i] + ((int(row[i - std::size_t(bpp)]) + int(above[i])) >> 1));
        return true;
    case 4:
        for (std::size_t i = 0; i < std::size_t(bpp) && i < size; ++i)
            row[i] = std::uint8_t(row[i] + above[i]);
        for (std::size_t i = std::size_t(bpp); i < size; ++i)
            row[i] = std::uint8_t(row[i] + Paeth(row[i - std::size_t(bpp)], above[i], above[i - std::size_t(bpp)]));
        return true;
    default:
        return false;
    }
}

// Sums rows into the means of factor x factor blocks. Without alpha each column of a band of rows is summed
// first (in 16 bits: at most 256 rows of 255), and the columns of a block added once per band of rows.
class BlockMeans {
public:
    BlockMeans(int width, int height, int bands, int factor)
        : width_(width), height_(height), bands_(bands), factor_(factor), alpha_(bands == 2 || bands == 4) {
        out_.width = (width + factor - 1) / factor;
        out_.height = (height + factor - 1) / factor;
        out_.bands = bands;
        out_.pixels.resize(std::size_t(out_.width) * std::size_t(out_.height) * std::size_t(bands));
        const std::size_t samples = std::size_t(width) * std::size_t(bands);
        if (alpha_)
            weighted_.assign(samples, 0);
        else
            columns_.assign(samples, 0);
    }

    void AddRow(const std::uint8_t* row) {
        const std::size_t samples = std::size_t(width_) * std::size_t(bands_);
        if (!alpha_) {
            for (std::size_t i = 0; i < samples; ++i)
                columns_[i] = std::uint16_t(columns_[i] + row[i]);
        } else {
            // Colour summed premultiplied by its alpha, the alpha itself in its own place.
            const int colours = bands_ - 1;
            for (std::size_t x = 0; x < std::size_t(width_); ++x) {
                const std::uint8_t* p = row + x * std::size_t(bands_);
                std::uint32_t* sum = &weighted_[x * std::size_t(bands_)];
                const std::uint32_t alpha = p[colours];
                for (int c = 0; c < colours; ++c)
                    sum[c] += std::uint32_t(p[c]) * alpha;
                sum[colours] += alpha;
            }
        }
        ++rowsInBand_;
        if (++rowsAdded_ == height_ || rowsInBand_ == factor_) FinishBand();
    }

    ShrunkPicture Take() { return std::move(out_); }

private:
    void FinishBand() {
        std::uint8_t* out = out_.pixels.data() + std::size_t(band_) * std::size_t(out_.width) * std::size_t(bands_);
        for (int ox = 0; ox < out_.width; ++ox) {
            const int first = ox * factor_;
            const int last = std::min(width_, first + factor_);
            const std::uint32_t count = std::uint32_t(last - first) * std::uint32_t(rowsInBand_);
            std::array<std::uint32_t, 4> sum{};
            for (int x = first; x < last; ++x)
                for (int c = 0; c < bands_; ++c)
                    sum[std::size_t(c)] += alpha_ ? weighted_[std::size_t(x) * std::size_t(bands_) + std::size_t(c)]
                                                  : columns_[std::size_t(x) * std::size_t(bands_) + std::size_t(c)];
            std::uint8_t* pixel = out + std::size_t(ox) * std::size_t(bands_);
            if (!alpha_) {
                for (int c = 0; c < bands_; ++c)
                    pixel[c] = std::uint8_t((sum[std::size_t(c)] + count / 2) / count);
            } else {
                const int colours = bands_ - 1;
                const std::uint32_t alpha = sum[std::size_t(colours)];
                for (int c = 0; c < colours; ++c)
                    pixel[c] = alpha == 0 ? 0 : std::uint8_t((sum[std::size_t(c)] + alpha / 2) / alpha);
                pixel[colours] = std::uint8_t((alpha + count / 2) / count);
            }
        }
        std::fill(columns_.begin(), columns_.end(), 0);
        std::fill(weighted_.begin(), weighted_.end(), 0);
        rowsInBand_ = 0;
        ++band_;
    }

    int width_, height_, bands_, factor_;
    bool alpha_;
    ShrunkPicture out_;
    std::vector<std::uint16_t> columns_;
    std::vector<std::uint32_t> weighted_;
    int rowsInBand_ = 0;
    int rowsAdded_ = 0;
    int band_ = 0;
};

} // namespace

std::optional<ShrunkPicture> DecodePngShrunk(const ReadAt& read, std::uint64_t fileSize, int factor) {
    if (factor < 2 || factor > 256) return std::nullopt;
    const std::vector<std::uint8_t> head = read(0, kIhdrEnd);
    if (head.size() < kIhdrEnd || !std::equal(kPngSignature.begin(), kPngSignature.end(), head.begin()))
        return std::nullopt;
    PngHeader header;
    try {
        header = ReadPngHeader(head);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (header.bitDepth != 8 || header.colourType == 3 || header.compression != 0 || header.filter != 0 ||
        header.interlace != 0)
        return std::nullopt;
    if (!CrcMatches(Crc(0, &head[12], 17), &head[29])) return std::nullopt;
    // The rows held at a time stay small, and a header claiming more than its data can hold is not believed.
    if (header.width > kMaxWidth || fileSize * kMaxDeflateRatio < MinimumRawBytes(header)) return std::nullopt;
    const int bands = PngChannels(header.colourType);
    const int width = int(header.width), height = int(header.height);

    // The chunks before the image data: a profile is kept; a tRNS colour or a critical chunk this decode does not
    // know sends the file to the full decoder.
    std::uint64_t pos = kIhdrEnd;
    std::vector<std::uint8_t> profile;
    std::uint32_t length = 0;
    for (int chunk = 0;; ++chunk) {
        if (chunk == kMaxPngChunks) return std::nullopt;
        const std::vector<std::uint8_t> chunkHead = read(pos, 8);
        if (chunkHead.size() < 8) return std::nullopt;
        length = Be32(chunkHead.data());
        const std::string_view type(reinterpret_cast<const char*>(&chunkHead[4]), 4);
        if (length > kMaxChunkLength) return std::nullopt;
        // A type that is not four letters: libpng refuses the file.
        if (!std::all_of(type.begin(), type.end(), [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }))
            return std::nullopt;
        if (type == "IDAT") break;
        if (type == "IEND" || type == "tRNS") return std::nullopt;
        if (type == "iCCP") {
            if (length > kMaxProfileChunk || !profile.empty()) return std::nullopt;
            std::vector<std::uint8_t> data = read(pos + 4, std::size_t(length) + 8); // type, data, CRC
            if (data.size() < std::size_t(length) + 8) return std::nullopt;
            if (!CrcMatches(Crc(0, data.data(), std::size_t(length) + 4), &data[std::size_t(length) + 4]))
                return std::nullopt;
            std::optional<std::vector<std::uint8_t>> inflated =
                ProfileFromChunk(std::vector<std::uint8_t>(data.begin() + 4, data.begin() + 4 + length));
            if (!inflated || inflated->empty()) return std::nullopt;
            profile = std::move(*inflated);
        } else if ((chunkHead[4] & 0x20) == 0 && type != "PLTE") {
            return std::nullopt;
        }
        pos += 12 + std::uint64_t(length);
    }

    // A stream whose header declares a window smaller than 32 KB is left to libpng, which holds its data to that
    // window (a distance beyond it is damage); ISA-L's inflate does not, and would take what libpng refuses.
    {
        const std::vector<std::uint8_t> zlibHead = read(pos + 8, 2);
        if (length < 2 || zlibHead.size() < 2 || zlibHead[0] != 0x78) return std::nullopt;
    }

    // The image data: the IDAT chunks in a row, inflated a row at a time.
    const std::size_t rowBytes = std::size_t(width) * std::size_t(bands);
    std::vector<std::uint8_t> raw(rowBytes + 1), above(rowBytes + 1, 0);
    BlockMeans means(width, height, bands, factor);
    Inflater inflater;
    inflate_state& state = *inflater.state;
    std::size_t filled = 0;
    int rows = 0;
    // Inflates what `state` holds as input into rows; false when the data is damaged.
    auto inflateRows = [&]() {
        while (rows < height) {
            state.next_out = raw.data() + filled;
            state.avail_out = std::uint32_t(raw.size() - filled);
            const std::uint32_t inputBefore = state.avail_in;
            if (isal_inflate(&state) != ISAL_DECOMP_OK) return false;
            const std::size_t produced = raw.size() - filled - state.avail_out;
            filled += produced;
            if (filled == raw.size()) {
                if (!Unfilter(raw[0], raw.data() + 1, above.data() + 1, rowBytes, bands)) return false;
                means.AddRow(raw.data() + 1);
                std::swap(raw, above);
                filled = 0;
                ++rows;
                continue;
            }
            if (state.block_state == ISAL_BLOCK_FINISH) return false; // the stream ends before the last row
            if (produced == 0 && state.avail_in == inputBefore)
                return state.avail_in == 0; // needs more input (or is stuck on what it has)
        }
        return true;
    };
    for (int chunk = 0; rows < height; ++chunk) {
        if (chunk == kMaxPngChunks) return std::nullopt;
        std::uint32_t crc = Crc(0, reinterpret_cast<const std::uint8_t*>("IDAT"), 4);
        std::uint64_t at = pos + 8;
        // The whole chunk is read, also past the last row, so that its CRC is checked as libpng checks it.
        for (std::uint32_t left = length; left > 0;) {
            std::vector<std::uint8_t> piece = read(at, std::min<std::size_t>(left, kReadPiece));
            if (piece.empty()) return std::nullopt;
            crc = Crc(crc, piece.data(), piece.size());
            state.next_in = piece.data();
            state.avail_in = std::uint32_t(piece.size());
            if (!inflateRows()) return std::nullopt;
            at += piece.size();
            left -= std::uint32_t(piece.size());
        }
        const std::vector<std::uint8_t> stored = read(at, 4);
        if (stored.size() < 4 || !CrcMatches(crc, stored.data())) return std::nullopt;
        if (rows == height) break;
        pos += 12 + std::uint64_t(length);
        const std::vector<std::uint8_t> next = read(pos, 8);
        if (next.size() < 8 || std::memcmp(&next[4], "IDAT", 4) != 0) return std::nullopt;
        length = Be32(next.data());
        if (length > kMaxChunkLength) return std::nullopt;
    }
    ShrunkPicture out = means.Take();
    out.iccProfile = std::move(profile);
    return out;
}

} // namespace imaging::codecs
