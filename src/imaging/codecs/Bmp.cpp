#include "imaging/codecs/Bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "imaging/codecs/ByteIo.h"

// Reading rules where files and readers disagree:
// - Colour indices past the colour table (or past what the file actually stores of it) read as black.
// - RLE: pixels a run or delta puts right of the row end are dropped (some writers encode the row padding), and
//   decoding stops once the last row is complete, so nothing is written outside the image. Pixels skipped by a
//   delta or an early end of line/bitmap take colour index 0. A stream that ends before the last row without an
//   end-of-bitmap escape is truncated.
// - Alpha: 32-bit BI_RGB stores alpha in the fourth byte for some writers and leaves it zero for others; a
//   BI_BITFIELDS file with an alpha mask says it stores alpha. Either way the image keeps its alpha (4 bands)
//   only when it varies or is partly transparent: all 0 means the byte was unused and all 255 means opaque,
//   so both give 3 bands.

namespace imaging::codecs {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre96Dpi = 3780;

bool IsKnownInfoSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// One colour field of a 16- or 32-bit pixel, widened to 8 bits by repeating its bits (5-bit 10110 becomes
// 10110101) or narrowed by keeping the top 8.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0)
        : mask(m), shift(m ? std::countr_zero(m) : 0), bits(m ? std::bit_width(m >> shift) : 0) {}
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (bits == 0) return 0;
        std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8) return std::uint8_t(value >> (bits - 8));
        std::uint32_t out = 0;
        for (int pos = 8 - bits; pos > -bits; pos -= bits)
            out |= pos >= 0 ? value << pos : value >> -pos;
        return std::uint8_t(out);
    }
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
    std::array<Rgb, 256> palette{};       // entries the file does not store stay black
    std::size_t pixelOffset = 0;

    bool IsRle() const { return compression == kBiRle8 || compression == kBiRle4; }
};

void CheckDepth(const Header& h) {
    bool ok = false;
    switch (h.compression) {
    case kBiRgb:
        ok = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 16 || h.bitCount == 24 ||
             h.bitCount == 32;
        break;
    case kBiRle8:
        ok = h.bitCount == 8;
        break;
    case kBiRle4:
        ok = h.bitCount == 4;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        ok = h.bitCount == 16 || h.bitCount == 32;
        break;
    default:
        FailUnsupported("unsupported BMP compression " + std::to_string(h.compression));
    }
    if (!ok)
        FailUnsupported("unsupported BMP depth " + std::to_string(h.bitCount) + " for compression " +
                        std::to_string(h.compression));
}

Header ReadHeader(const LeReader& in) {
    if (in.size() < 2 || in.U8(0) != 'B' || in.U8(1) != 'M') Fail("not a BMP file", Problem::NotImage);
    Header h;
    std::uint32_t offBits = in.U32(10);
    std::uint32_t infoSize = in.U32(14);
    if (!IsKnownInfoSize(infoSize)) FailUnsupported("unsupported BMP header size " + std::to_string(infoSize));
    std::size_t entrySize = 4;
    std::uint64_t entries = 0;
    if (infoSize == 12) { // OS/2 1.x: 16-bit sizes, 3-byte palette entries
        h.width = in.U16(18);
        h.height = in.U16(20);
        h.bitCount = in.U16(24);
        entrySize = 3;
    } else {
        h.width = in.I32(18);
        h.height = in.I32(22);
        h.bitCount = in.U16(28);
        h.compression = in.U32(30);
        entries = in.U32(46);
        if (infoSize == 64 && h.compression >= kBiBitfields) FailUnsupported("unsupported OS/2 BMP compression");
        if (infoSize >= 52 && infoSize != 64) h.masks = {in.U32(54), in.U32(58), in.U32(62), 0};
        if (infoSize >= 56 && infoSize != 64) h.masks[3] = in.U32(66);
    }
    in.Require(0, kFileHeaderSize + infoSize);
    std::size_t pos = kFileHeaderSize + infoSize;
    bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (infoSize == kInfoHeaderSize && bitfields) { // masks follow the 40-byte header
        h.masks = {in.U32(pos), in.U32(pos + 4), in.U32(pos + 8), 0};
        pos += 12;
        if (h.compression == kBiAlphaBitfields) {
            h.masks[3] = in.U32(pos);
            pos += 4;
        }
    }
    CheckDepth(h);
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    CheckDimensions(h.width, h.height);
    if (h.topDown && h.IsRle()) Fail("RLE bitmaps must be stored bottom-up");

    if (h.compression == kBiRgb) { // masks in the header mean nothing without BI_BITFIELDS
        if (h.bitCount == 16)
            h.masks = {0x7C00, 0x03E0, 0x001F, 0};
        else if (h.bitCount == 32)
            h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        else
            h.masks = {};
    }

    if (offBits < pos || offBits > in.size()) Fail("BMP pixel data offset is out of range");
    h.pixelOffset = offBits;
    if (h.bitCount <= 8) {
        std::uint64_t full = std::uint64_t(1) << h.bitCount;
        entries = entries == 0 ? full : std::min(entries, full);
        entries = std::min<std::uint64_t>(entries, (offBits - pos) / entrySize); // what the file really holds
        auto bytes = in.Bytes(pos, entries * entrySize);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = bytes.data() + i * entrySize;
            h.palette[i] = Rgb{e[2], e[1], e[0]};
        }
    }
    return h;
}

Raster MakeRaster(const Header& h, int bands) {
    Raster r;
    r.width = int(h.width);
    r.height = int(h.height);
    r.bands = bands;
    r.bitCount = h.bitCount;
    r.pixels.resize(std::size_t(h.width) * std::size_t(h.height) * std::size_t(bands));
    return r;
}

void PutColour(std::uint8_t* p, Rgb c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

// How a decode stores a palette pixel: as its colour (three bytes) or as its index (one byte).
struct AsColour {
    static constexpr int kBytes = 3;
    const Header& h;
    void operator()(std::uint8_t* p, std::uint8_t index) const { PutColour(p, h.palette[index]); }
};
struct AsIndex {
    static constexpr int kBytes = 1;
    void operator()(std::uint8_t* p, std::uint8_t index) const { *p = index; }
};

// Drops an alpha band that carries nothing: all 0 (an unused byte) or all 255.
void DropUnusedAlpha(Raster& r) {
    std::size_t count = std::size_t(r.width) * r.height;
    bool allZero = true, allOpaque = true;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t a = r.pixels[i * 4 + 3];
        allZero = allZero && a == 0;
        allOpaque = allOpaque && a == 255;
    }
    if (!allZero && !allOpaque) return;
    for (std::size_t i = 0; i < count; ++i)
        std::copy_n(r.pixels.begin() + std::ptrdiff_t(i * 4), 3, r.pixels.begin() + std::ptrdiff_t(i * 3));
    r.pixels.resize(count * 3);
    r.bands = 3;
}

template <typename Store> Raster DecodeUncompressed(const LeReader& in, const Header& h, Store put) {
    std::uint64_t stride = (std::uint64_t(h.width) * std::uint64_t(h.bitCount) + 31) / 32 * 4;
    if (stride * std::uint64_t(h.height) > in.size() - h.pixelOffset) FailTruncated("BMP pixel data is truncated");
    bool alpha = h.bitCount >= 16 && h.masks[3] != 0;
    Raster r = MakeRaster(h, h.bitCount <= 8 ? Store::kBytes : alpha ? 4 : 3);
    const std::array<Channel, 4> channels{Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]),
                                          Channel(h.masks[3])};
    const int width = r.width;
    for (int fileRow = 0; fileRow < r.height; ++fileRow) {
        const std::uint8_t* src = in.Bytes(h.pixelOffset + fileRow * stride, stride).data();
        std::uint8_t* dst = r.Row(h.topDown ? fileRow : r.height - 1 - fileRow);
        for (int x = 0; x < width; ++x, dst += r.bands) {
            switch (h.bitCount) {
            case 1:
                put(dst, std::uint8_t((src[x >> 3] >> (7 - (x & 7))) & 1));
                break;
            case 4:
                put(dst, std::uint8_t((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF));
                break;
            case 8:
                put(dst, src[x]);
                break;
            case 24:
                PutColour(dst, Rgb{src[x * 3 + 2], src[x * 3 + 1], src[x * 3]});
                break;
            default: {
                const std::uint8_t* s = src + std::size_t(x) * (h.bitCount / 8);
                std::uint32_t v = h.bitCount == 16
                                      ? std::uint32_t(s[0] | s[1] << 8)
                                      : std::uint32_t(s[0] | s[1] << 8 | s[2] << 16) | std::uint32_t(s[3]) << 24;
                for (int c = 0; c < r.bands; ++c)
                    dst[c] = channels[std::size_t(c)](v);
            }
            }
        }
    }
    if (alpha) DropUnusedAlpha(r);
    return r;
}

// Expands an RLE4/RLE8 stream straight into the picture's colours or indices (file row 0 is the bottom row),
// so only the picture is ever held. Rows and the places within a row only move forward, and pixels no run
// reaches keep index 0, which every pixel starts with.
template <typename Store> Raster DecodeRle(const LeReader& in, const Header& h, Store put) {
    const std::uint64_t dataSize = in.size() - h.pixelOffset;
    // Two bytes expand to at most 255 pixels; a header claiming far more than the data can give is refused
    // before anything is allocated.
    if (std::uint64_t(h.width) * std::uint64_t(h.height) > (dataSize + 2) * 128)
        Fail("BMP RLE data is too short for the image size");
    const std::size_t width = std::size_t(h.width), height = std::size_t(h.height);
    constexpr std::size_t bytes = Store::kBytes;
    Raster r = MakeRaster(h, Store::kBytes);
    for (std::size_t i = 0; i < width * height; ++i)
        put(r.pixels.data() + i * bytes, 0);
    const bool four = h.compression == kBiRle4;
    std::size_t pos = h.pixelOffset;
    std::uint64_t x = 0, y = 0;
    // Stores pixel i of a run; what falls right of the row is dropped.
    auto store = [&](std::uint64_t i, std::uint8_t index) {
        if (x + i < width) put(r.Row(int(height - 1 - y)) + (x + i) * bytes, index);
    };
    while (y < height) {
        if (pos + 2 > in.size()) FailTruncated("BMP RLE data is truncated");
        std::uint8_t count = in.U8(pos), value = in.U8(pos + 1);
        pos += 2;
        if (count > 0) { // encoded run: one index, or two alternating in RLE4
            for (std::size_t i = 0; i < count; ++i)
                store(i, std::uint8_t(four ? ((i & 1) ? value & 0xF : value >> 4) : value));
            x += count;
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and up
            x += in.U8(pos);
            y += in.U8(pos + 1);
            pos += 2;
        } else { // absolute run of `value` indices, padded to a 16-bit boundary
            const std::size_t runBytes = four ? (value + 1u) / 2 : value;
            auto src = in.Bytes(pos, runBytes);
            pos += (runBytes + 1) & ~std::size_t(1);
            for (std::size_t i = 0; i < value; ++i)
                store(i, std::uint8_t(four ? ((i & 1) ? src[i / 2] & 0xF : src[i / 2] >> 4) : src[i]));
            x += value;
        }
    }
    return r;
}

// File and info headers, then the colour table; the caller appends bottom-up rows of `stride` bytes.
std::vector<std::uint8_t> StartFile(int width, int height, int bitCount, const std::vector<Rgb>& palette,
                                    std::uint64_t stride) {
    std::uint64_t imageSize = stride * std::uint64_t(height);
    std::uint64_t offset = kFileHeaderSize + kInfoHeaderSize + palette.size() * 4;
    if (offset + imageSize > UINT32_MAX) Fail("image is too large for a BMP file");
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, std::uint32_t(offset + imageSize));
    PutLe32(out, 0); // reserved
    PutLe32(out, std::uint32_t(offset));
    PutLe32(out, kInfoHeaderSize);
    PutLe32(out, std::uint32_t(width));
    PutLe32(out, std::uint32_t(height)); // positive: bottom-up
    PutLe16(out, 1);                     // planes
    PutLe16(out, std::uint32_t(bitCount));
    PutLe32(out, kBiRgb);
    PutLe32(out, std::uint32_t(imageSize));
    PutLe32(out, kPixelsPerMetre96Dpi);
    PutLe32(out, kPixelsPerMetre96Dpi);
    PutLe32(out, std::uint32_t(palette.size())); // colours used
    PutLe32(out, 0);                             // all colours important
    for (const Rgb& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    return out;
}

} // namespace

bool IsBmp(std::span<const std::uint8_t> head) {
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') return false;
    return head.size() < 18 || IsKnownInfoSize(LeReader(head, "BMP header").U32(14));
}

Raster DecodeBmp(std::span<const std::uint8_t> data) {
    LeReader in(data, "BMP file");
    Header h = ReadHeader(in);
    return h.IsRle() ? DecodeRle(in, h, AsColour{h}) : DecodeUncompressed(in, h, AsColour{h});
}

std::optional<Paletted> DecodeBmpIndexed(std::span<const std::uint8_t> data) {
    LeReader in(data, "BMP file");
    Header h = ReadHeader(in);
    if (h.bitCount > 8) return std::nullopt;
    Raster r = h.IsRle() ? DecodeRle(in, h, AsIndex{}) : DecodeUncompressed(in, h, AsIndex{});
    Paletted out;
    out.width = r.width;
    out.height = r.height;
    out.indices = std::move(r.pixels);
    out.palette.assign(h.palette.begin(), h.palette.begin() + (std::ptrdiff_t(1) << h.bitCount));
    return out;
}

void WriteBmp(const Raster& rgb, const ByteSink& sink) {
    if (rgb.bands != 3) Fail("BMP encoder needs 3-band RGB");
    CheckPixelCount(rgb.pixels.size(), rgb.width, rgb.height, 3);
    std::uint64_t stride = (std::uint64_t(rgb.width) * 3 + 3) & ~std::uint64_t(3);
    ChunkedSink out(sink);
    out.Buffer() = StartFile(rgb.width, rgb.height, 24, {}, stride);
    for (int y = rgb.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t>& buffer = out.Buffer();
        const std::uint8_t* p = rgb.Row(y);
        for (int x = 0; x < rgb.width; ++x, p += 3) {
            buffer.push_back(p[2]);
            buffer.push_back(p[1]);
            buffer.push_back(p[0]);
        }
        buffer.resize(buffer.size() + std::size_t(stride - std::uint64_t(rgb.width) * 3), 0);
        out.Spill();
    }
    out.Flush();
}

void WriteBmp(const Paletted& image, const ByteSink& sink) {
    CheckPaletted(image);
    std::uint64_t stride = (std::uint64_t(image.width) + 3) & ~std::uint64_t(3);
    ChunkedSink out(sink);
    out.Buffer() = StartFile(image.width, image.height, 8, image.palette, stride);
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t>& buffer = out.Buffer();
        auto row = image.indices.begin() + std::ptrdiff_t(std::size_t(y) * std::size_t(image.width));
        buffer.insert(buffer.end(), row, row + image.width);
        buffer.resize(buffer.size() + std::size_t(stride - std::uint64_t(image.width)), 0);
        out.Spill();
    }
    out.Flush();
}

std::vector<std::uint8_t> EncodeBmp(const Raster& rgb) {
    std::vector<std::uint8_t> out;
    WriteBmp(rgb, AppendTo(out));
    return out;
}

std::vector<std::uint8_t> EncodeBmp(const Paletted& image) {
    std::vector<std::uint8_t> out;
    WriteBmp(image, AppendTo(out));
    return out;
}

} // namespace imaging::codecs
