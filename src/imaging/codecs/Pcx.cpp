#include "imaging/codecs/Pcx.h"

#include <algorithm>
#include <array>
#include <string>

#include "imaging/codecs/ByteIo.h"

// Reading rules where files and readers disagree:
// - 1 bit x 1 plane uses header palette entries 0 and 1 when they differ, black and white otherwise (many
//   writers leave the header palette zero).
// - 1 bit x 4 planes uses the 16-colour header palette; when that is all zero, or the version says the file
//   has no palette (3), it uses the standard EGA colours.
// - 8 bits x 1 plane uses the 256-colour table after a 0x0C marker 769 bytes from the end. Without one the
//   colours are unknown and the file is refused as damaged, unless its header says the picture is grey
//   (palette information 2): then the indices are grey levels.
// - The RLE stream is one byte stream of height x planes x bytes-per-line bytes: runs may cross line ends, a
//   run past the end of the image is clipped, and a stream that ends early is truncated.

namespace imaging::codecs {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteTail = 769; // 0x0C + 256 x RGB
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr int kGreyPalette = 2; // the header's palette information for a grey picture
constexpr std::uint8_t kRunFlag = 0xC0;
constexpr std::size_t kMaxRun = 63;
constexpr std::uint16_t kDpi = 96;

constexpr std::array<Rgb, 16> kEgaColours{{{0, 0, 0},
                                           {0, 0, 170},
                                           {0, 170, 0},
                                           {0, 170, 170},
                                           {170, 0, 0},
                                           {170, 0, 170},
                                           {170, 85, 0},
                                           {170, 170, 170},
                                           {85, 85, 85},
                                           {85, 85, 255},
                                           {85, 255, 85},
                                           {85, 255, 255},
                                           {255, 85, 85},
                                           {255, 85, 255},
                                           {255, 255, 85},
                                           {255, 255, 255}}};

struct Header {
    int version = 0;
    bool rle = true;
    int bitsPerPixel = 0;
    int planes = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::size_t bytesPerLine = 0;
    std::array<Rgb, 16> egaPalette{};
    int paletteInfo = 0; // 1 colour or black and white, 2 grey
};

Header ReadHeader(const LeReader& in) {
    if (in.size() < kHeaderSize) {
        if (in.size() > 0 && in.U8(0) == 0x0A) FailTruncated("PCX header is truncated");
        Fail("not a PCX file", Problem::NotImage);
    };
    if (in.U8(0) != 0x0A) Fail("not a PCX file");
    Header h;
    h.version = in.U8(1);
    std::uint8_t encoding = in.U8(2);
    if (encoding > 1) FailUnsupported("unsupported PCX encoding " + std::to_string(encoding));
    h.rle = encoding == 1;
    h.bitsPerPixel = in.U8(3);
    std::int64_t xMin = in.U16(4), yMin = in.U16(6), xMax = in.U16(8), yMax = in.U16(10);
    h.width = xMax - xMin + 1;
    h.height = yMax - yMin + 1;
    CheckDimensions(h.width, h.height);
    for (std::size_t i = 0; i < 16; ++i)
        h.egaPalette[i] = Rgb{in.U8(16 + i * 3), in.U8(17 + i * 3), in.U8(18 + i * 3)};
    h.planes = in.U8(65);
    h.bytesPerLine = in.U16(66);
    h.paletteInfo = in.U16(68);

    bool supported = (h.bitsPerPixel == 1 && (h.planes == 1 || h.planes == 4)) ||
                     (h.bitsPerPixel == 8 && (h.planes == 1 || h.planes == 3 || h.planes == 4));
    if (!supported)
        FailUnsupported("unsupported PCX layout: " + std::to_string(h.bitsPerPixel) + " bits x " +
                        std::to_string(h.planes) + " planes");
    if (h.bytesPerLine < (std::uint64_t(h.width) * std::uint64_t(h.bitsPerPixel) + 7) / 8)
        Fail("PCX bytes per line is too small for the width");
    return h;
}

// The decoded scan lines: height x planes x bytesPerLine bytes from the (RLE) data in [start, end). `used`
// receives how many bytes of the data they took.
std::vector<std::uint8_t> ReadScanLines(std::span<const std::uint8_t> data, const Header& h, std::size_t& used) {
    const std::uint64_t total = std::uint64_t(h.height) * std::uint64_t(h.planes) * h.bytesPerLine;
    // Two bytes give at most 63, so the data bounds what the header may claim; refuse before allocating.
    if (total > (h.rle ? std::uint64_t(data.size()) * 32 : data.size())) FailTruncated("PCX pixel data is truncated");
    std::vector<std::uint8_t> lines(total);
    if (!h.rle) {
        std::copy_n(data.begin(), total, lines.begin());
        used = std::size_t(total);
        return lines;
    }
    std::size_t in = 0, out = 0;
    while (out < total) {
        if (in >= data.size()) FailTruncated("PCX pixel data is truncated");
        std::uint8_t b = data[in++];
        std::size_t count = 1;
        if ((b & kRunFlag) == kRunFlag) {
            if (in >= data.size()) FailTruncated("PCX pixel data is truncated");
            count = b & ~kRunFlag;
            b = data[in++];
        }
        count = std::min<std::uint64_t>(count, total - out); // a run past the last line is clipped
        std::fill_n(lines.begin() + std::ptrdiff_t(out), count, b);
        out += count;
    }
    used = in;
    return lines;
}

} // namespace

bool IsPcx(std::span<const std::uint8_t> head) {
    if (head.size() < 4 || head[0] != 0x0A) return false;
    std::uint8_t version = head[1], encoding = head[2], bits = head[3];
    return (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

Raster DecodePcx(std::span<const std::uint8_t> data) {
    LeReader in(data, "PCX file");
    Header h = ReadHeader(in);

    std::span<const std::uint8_t> body = data.subspan(kHeaderSize);
    std::array<Rgb, 256> palette{};
    int bitCount = h.bitsPerPixel * h.planes;
    bool paletteMissing = false;
    if (h.bitsPerPixel == 8 && h.planes == 1) {
        bool tail = data.size() >= kHeaderSize + kPaletteTail && data[data.size() - kPaletteTail] == kPaletteMarker;
        for (std::size_t i = 0; i < 256; ++i) {
            if (tail) {
                const std::uint8_t* e = data.data() + data.size() - kPaletteTail + 1 + i * 3;
                palette[i] = Rgb{e[0], e[1], e[2]};
            } else {
                palette[i] = Rgb{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
            }
        }
        if (tail) body = body.first(body.size() - kPaletteTail);
        paletteMissing = !tail && h.paletteInfo != kGreyPalette;
    } else if (h.planes == 4 && h.bitsPerPixel == 1) {
        bool empty = std::all_of(h.egaPalette.begin(), h.egaPalette.end(), [](Rgb c) { return c == Rgb{}; });
        std::copy(h.egaPalette.begin(), h.egaPalette.end(), palette.begin());
        if (empty || h.version == 3) std::copy(kEgaColours.begin(), kEgaColours.end(), palette.begin());
    } else if (h.planes == 1 && h.bitsPerPixel == 1) {
        bool distinct = !(h.egaPalette[0] == h.egaPalette[1]);
        palette[0] = distinct ? h.egaPalette[0] : Rgb{0, 0, 0};
        palette[1] = distinct ? h.egaPalette[1] : Rgb{255, 255, 255};
    }

    std::size_t used = 0;
    std::vector<std::uint8_t> lines = ReadScanLines(body, h, used);
    // A 256-colour file whose palette was begun (its marker follows the pixels) but is cut short: the
    // colours are lost, and a grey ramp in their place would be a wrong picture.
    const std::span<const std::uint8_t> rest = body.subspan(used);
    if (h.bitsPerPixel == 8 && h.planes == 1 && !rest.empty() && rest.size() < kPaletteTail &&
        rest[0] == kPaletteMarker)
        FailTruncated("the PCX palette is cut short");
    if (paletteMissing) Fail("the 256-colour PCX file has no palette (or no palette marker)");
    Raster r;
    r.width = int(h.width);
    r.height = int(h.height);
    r.bands = h.planes == 4 && h.bitsPerPixel == 8 ? 4 : 3;
    r.bitCount = bitCount;
    r.pixels.resize(std::size_t(r.width) * std::size_t(r.height) * std::size_t(r.bands));
    const std::size_t bpl = h.bytesPerLine;
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* line = lines.data() + std::size_t(y) * std::size_t(h.planes) * bpl;
        std::uint8_t* dst = r.Row(y);
        for (std::size_t x = 0; x < std::size_t(r.width); ++x, dst += r.bands) {
            if (h.bitsPerPixel == 8 && h.planes >= 3) {
                for (int c = 0; c < h.planes; ++c)
                    dst[c] = line[std::size_t(c) * bpl + x];
                continue;
            }
            std::size_t index = 0;
            if (h.bitsPerPixel == 8) {
                index = line[x];
            } else {
                for (int p = 0; p < h.planes; ++p)
                    index |= std::size_t((line[std::size_t(p) * bpl + x / 8] >> (7 - x % 8)) & 1) << p;
            }
            dst[0] = palette[index].r;
            dst[1] = palette[index].g;
            dst[2] = palette[index].b;
        }
    }
    return r;
}

namespace {

// One plane line as RLE: runs of up to 63 equal bytes, and single bytes that look like a run flag as a run of 1.
void PutRleLine(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> line) {
    for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && run < kMaxRun && line[i + run] == line[i])
            ++run;
        if (run > 1 || (line[i] & kRunFlag) == kRunFlag) out.push_back(std::uint8_t(kRunFlag | run));
        out.push_back(line[i]);
        i += run;
    }
}

// The 128-byte header of an 8-bit RLE file; bytes per line is the width rounded up to even.
std::vector<std::uint8_t> StartFile(int width, int height, int planes) {
    if (width > 65534 || height > 65536) Fail("image is too large for a PCX file");
    std::vector<std::uint8_t> out{0x0A, 5, 1, 8};
    PutLe16(out, 0); // window: xmin, ymin, xmax, ymax
    PutLe16(out, 0);
    PutLe16(out, std::uint32_t(width - 1));
    PutLe16(out, std::uint32_t(height - 1));
    PutLe16(out, kDpi);
    PutLe16(out, kDpi);
    out.resize(65, 0); // 16-colour palette (unused) and the reserved byte
    out.push_back(std::uint8_t(planes));
    PutLe16(out, std::uint32_t((width + 1) & ~1));
    PutLe16(out, 1); // palette is colour
    out.resize(kHeaderSize, 0);
    return out;
}

} // namespace

void WritePcx(const Raster& rgb, const ByteSink& sink) {
    if (rgb.bands != 3) Fail("PCX encoder needs 3-band RGB");
    CheckPixelCount(rgb.pixels.size(), rgb.width, rgb.height, 3);
    ChunkedSink out(sink);
    out.Buffer() = StartFile(rgb.width, rgb.height, 3);
    std::vector<std::uint8_t> line(std::size_t((rgb.width + 1) & ~1), 0);
    for (int y = 0; y < rgb.height; ++y) {
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t* p = rgb.Row(y) + c;
            for (int x = 0; x < rgb.width; ++x, p += 3)
                line[std::size_t(x)] = *p;
            PutRleLine(out.Buffer(), line);
        }
        out.Spill();
    }
    out.Flush();
}

void WritePcx(const Paletted& image, const ByteSink& sink) {
    CheckPaletted(image);
    ChunkedSink out(sink);
    out.Buffer() = StartFile(image.width, image.height, 1);
    std::vector<std::uint8_t> line(std::size_t((image.width + 1) & ~1), 0);
    for (int y = 0; y < image.height; ++y) {
        auto row = image.indices.begin() + std::ptrdiff_t(std::size_t(y) * std::size_t(image.width));
        std::copy(row, row + image.width, line.begin());
        PutRleLine(out.Buffer(), line);
        out.Spill();
    }
    out.Buffer().push_back(kPaletteMarker);
    for (std::size_t i = 0; i < 256; ++i) {
        Rgb c = i < image.palette.size() ? image.palette[i] : Rgb{};
        out.Buffer().insert(out.Buffer().end(), {c.r, c.g, c.b});
    }
    out.Flush();
}

std::vector<std::uint8_t> EncodePcx(const Raster& rgb) {
    std::vector<std::uint8_t> out;
    WritePcx(rgb, AppendTo(out));
    return out;
}

std::vector<std::uint8_t> EncodePcx(const Paletted& image) {
    std::vector<std::uint8_t> out;
    WritePcx(image, AppendTo(out));
    return out;
}

} // namespace imaging::codecs
