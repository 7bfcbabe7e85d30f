// BMP codec: fixtures written by independent programs (tests/imaging/read/make-bmp-pcx.sh), header and layout
// variants derived from them, crafted bad files, and round trips through ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ReadFixtures.h"
#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/codecs/Bmp.h"
#include "imaging/codecs/Pcx.h"

using namespace testsupport;
using imaging::Raster;
using imaging::codecs::DecodeBmp;
using imaging::codecs::EncodeBmp;

using namespace bmppcxtest;

namespace {

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t pos) {
    return std::uint32_t(b[pos]) | std::uint32_t(b[pos + 1]) << 8 | std::uint32_t(b[pos + 2]) << 16 |
           std::uint32_t(b[pos + 3]) << 24;
}
void Set32(std::vector<std::uint8_t>& b, std::size_t pos, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[pos + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
void Set16(std::vector<std::uint8_t>& b, std::size_t pos, std::uint32_t v) {
    b[pos] = std::uint8_t(v);
    b[pos + 1] = std::uint8_t(v >> 8);
}

// A bitmap with a 40-byte header, the given colour table (BGRX) and pixel bytes.
std::vector<std::uint8_t> MakeBmp(int width, int height, int bitCount, std::uint32_t compression,
                                  const std::vector<std::uint8_t>& palette, const std::vector<std::uint8_t>& pixels,
                                  std::uint32_t coloursUsed = 0) {
    std::vector<std::uint8_t> b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    Set32(b, 10, std::uint32_t(54 + palette.size()));
    Set32(b, 14, 40);
    Set32(b, 18, std::uint32_t(width));
    Set32(b, 22, std::uint32_t(height));
    Set16(b, 26, 1);
    Set16(b, 28, std::uint32_t(bitCount));
    Set32(b, 30, compression);
    Set32(b, 34, std::uint32_t(pixels.size()));
    Set32(b, 46, coloursUsed);
    for (std::uint8_t v : palette)
        b.push_back(v); // (insert() trips a GCC 12 false -Warray-bounds)
    for (std::uint8_t v : pixels)
        b.push_back(v);
    Set32(b, 2, std::uint32_t(b.size()));
    return b;
}

// Palette for the RLE cases: index i is (10 i, 20 i, 30 i).
std::vector<std::uint8_t> RampPalette(int entries) {
    std::vector<std::uint8_t> p;
    for (int i = 0; i < entries; ++i) {
        p.push_back(std::uint8_t(30 * i));
        p.push_back(std::uint8_t(20 * i));
        p.push_back(std::uint8_t(10 * i));
        p.push_back(0);
    }
    return p;
}

// The colour-index image of a decoded RLE case, read back through RampPalette (index = red / 10).
std::vector<int> IndicesOf(const Raster& r) {
    std::vector<int> out;
    for (std::size_t i = 0; i < r.pixels.size(); i += 3)
        out.push_back(r.pixels[i] / 10);
    return out;
}

// ---- Files written by other programs -------------------------------------------------------------------------

struct BmpFixture {
    const char* name;
    int bitCount;
    int bands;
};

class BmpFixtureTest : public ::testing::TestWithParam<BmpFixture> {};

TEST_P(BmpFixtureTest, DecodesLikeThePeer) {
    const BmpFixture& f = GetParam();
    const auto bytes = FixtureBytes("bmp", std::string(f.name) + ".bmp");
    Raster r = DecodeBmp(bytes);
    EXPECT_EQ(r.bitCount, f.bitCount);
    EXPECT_EQ(r.bands, f.bands);
    ExpectSamePixels(r, ExpectedPixels("bmp", f.name));
    // Palette files also decode to their indices, which read through the palette as the same picture.
    std::optional<imaging::Paletted> indexed = imaging::codecs::DecodeBmpIndexed(bytes);
    ASSERT_EQ(indexed.has_value(), f.bitCount <= 8);
    if (indexed) {
        EXPECT_EQ(indexed->palette.size(), std::size_t(1) << f.bitCount);
        Raster shown = imaging::ToRaster(imaging::ToVips(*indexed));
        shown.bitCount = r.bitCount;
        ExpectSamePixels(shown, ExpectedPixels("bmp", f.name));
    }
}

INSTANTIATE_TEST_SUITE_P(BmpRead, BmpFixtureTest,
                         ::testing::Values(BmpFixture{"pal1", 1, 3}, BmpFixture{"pal4", 4, 3}, BmpFixture{"pal8", 8, 3},
                                           BmpFixture{"rgb24", 24, 3}, BmpFixture{"os2-pal1", 1, 3},
                                           BmpFixture{"os2-pal4", 4, 3}, BmpFixture{"os2-pal8", 8, 3},
                                           BmpFixture{"os2-rgb24", 24, 3}, BmpFixture{"rle8", 8, 3},
                                           BmpFixture{"rle4", 4, 3}, BmpFixture{"rgb565", 16, 3},
                                           BmpFixture{"rgb555", 16, 3}, BmpFixture{"rgb555-birgb", 16, 3},
                                           BmpFixture{"argb32", 32, 4}, BmpFixture{"bgra32", 32, 4}),
                         [](const auto& test) {
                             std::string n = test.param.name;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// ---- Header and layout variants made from those files ----------------------------------------------------------

// Re-stores a V5 BI_BITFIELDS file (no colour table) with an info header of another size. A 40-byte header keeps
// its masks after the header (three, or four with BI_ALPHABITFIELDS).
std::vector<std::uint8_t> WithInfoSize(const std::vector<std::uint8_t>& v5, std::uint32_t size, bool alphaMask) {
    EXPECT_EQ(Get32(v5, 14), 124u);
    std::uint32_t offset = Get32(v5, 10);
    std::vector<std::uint8_t> out(v5.begin(), v5.begin() + 14 + std::min<std::uint32_t>(size, 40));
    if (size == 40) {
        out.insert(out.end(), v5.begin() + 54, v5.begin() + (alphaMask ? 70 : 66));
        Set32(out, 30, alphaMask ? 6 : 3);
    } else {
        out.insert(out.end(), v5.begin() + 54, v5.begin() + 14 + size);
    }
    Set32(out, 14, size);
    Set32(out, 10, std::uint32_t(out.size()));
    out.insert(out.end(), v5.begin() + offset, v5.end());
    Set32(out, 2, std::uint32_t(out.size()));
    return out;
}

TEST(BmpRead, EveryInfoHeaderSizeGivesTheSamePixels) {
    auto rgb565 = FixtureBytes("bmp", "rgb565.bmp");
    auto argb = FixtureBytes("bmp", "argb32.bmp");
    for (std::uint32_t size : {40u, 52u, 56u, 108u}) {
        SCOPED_TRACE("header size " + std::to_string(size));
        ExpectSamePixels(DecodeBmp(WithInfoSize(rgb565, size, false)), ExpectedPixels("bmp", "rgb565"));
    }
    // Alpha needs a mask: the 56-byte header has one, and so does a 40-byte header with BI_ALPHABITFIELDS.
    for (std::uint32_t size : {40u, 56u, 108u}) {
        SCOPED_TRACE("alpha, header size " + std::to_string(size));
        ExpectSamePixels(DecodeBmp(WithInfoSize(argb, size, true)), ExpectedPixels("bmp", "argb32"));
    }
    // Without the alpha mask (52 bytes, or 40 with BI_BITFIELDS) the same pixels are opaque colour.
    Raster colour = ExpectedPixels("bmp", "argb32");
    Raster opaque = AsRgb(colour);
    ExpectSamePixels(DecodeBmp(WithInfoSize(argb, 52, false)), opaque);
    ExpectSamePixels(DecodeBmp(WithInfoSize(argb, 40, false)), opaque);
}

// No installed program writes top-down bitmaps: flip the rows of a bottom-up file and negate its height.
TEST(BmpRead, TopDownMatchesBottomUp) {
    for (const char* name : {"rgb24", "pal1", "pal4", "rgb565", "argb32"}) {
        SCOPED_TRACE(name);
        auto bytes = FixtureBytes("bmp", std::string(name) + ".bmp");
        int width = int(Get32(bytes, 18)), height = int(Get32(bytes, 22));
        int bits = bytes[28];
        std::size_t offset = Get32(bytes, 10), stride = std::size_t((width * bits + 31) / 32 * 4);
        std::vector<std::uint8_t> flipped(bytes.begin(), bytes.begin() + std::ptrdiff_t(offset));
        for (int row = height - 1; row >= 0; --row) {
            auto start = bytes.begin() + std::ptrdiff_t(offset + std::size_t(row) * stride);
            flipped.insert(flipped.end(), start, start + std::ptrdiff_t(stride));
        }
        Set32(flipped, 22, std::uint32_t(-height));
        ExpectSamePixels(DecodeBmp(flipped), ExpectedPixels("bmp", name));
    }
}

TEST(BmpRead, ThirtyTwoBitAlphaIsKeptOnlyWhenItCarriesSomething) {
    auto bytes = FixtureBytes("bmp", "bgra32.bmp");
    std::size_t offset = Get32(bytes, 10);
    Raster colour = AsRgb(ExpectedPixels("bmp", "bgra32"));
    for (std::uint8_t fill : {std::uint8_t(0), std::uint8_t(255)}) {
        SCOPED_TRACE("alpha byte " + std::to_string(fill));
        auto uniform = bytes;
        for (std::size_t i = offset + 3; i < uniform.size(); i += 4)
            uniform[i] = fill;
        Raster r = DecodeBmp(uniform);
        EXPECT_EQ(r.bands, 3);
        ExpectSamePixels(r, colour);
    }
}

TEST(BmpRead, IndicesPastTheColourTableReadAsBlack) {
    // 8-bit, two colours declared, pixels 0, 1, 5, 255.
    Raster r = DecodeBmp(MakeBmp(4, 1, 8, 0, {10, 20, 30, 0, 40, 50, 60, 0}, {0, 1, 5, 255}, 2));
    EXPECT_EQ(r.pixels, (std::vector<std::uint8_t>{30, 20, 10, 60, 50, 40, 0, 0, 0, 0, 0, 0}));
    // OS/2 header with a colour table cut short by the pixel offset: four 3-byte entries, then the pixels.
    std::vector<std::uint8_t> os2 = {'B', 'M', 0, 0,  0, 0, 0, 0, 0, 0,  38, 0,  0, 0, // file header
                                     12,  0,   0, 0,  4, 0, 1, 0, 1, 0,  8,  0,        // 4 x 1, 8 bits
                                     1,   2,   3, 4,  5, 6, 7, 8, 9, 10, 11, 12,       // BGR entries 0..3
                                     0,   3,   4, 200};
    Raster s = DecodeBmp(os2);
    EXPECT_EQ(s.pixels, (std::vector<std::uint8_t>{3, 2, 1, 12, 11, 10, 0, 0, 0, 0, 0, 0}));
}

// ---- RLE streams ------------------------------------------------------------------------------------------------

TEST(BmpRle, EscapesPlacePixelsWhereTheyBelong) {
    // 6x3, bottom row first. Row 0: run of 2 x index 1, absolute 3 (padded), delta (1, 1) to row 1 x 6 (the end),
    // end of line; row 2: run of 6 x index 4, end of bitmap. Unwritten pixels take index 0.
    std::vector<std::uint8_t> rle8 = {2, 1, 0, 3, 2, 3, 4, 0, 0, 2, 1, 1, 0, 0, 6, 4, 0, 1};
    Raster r = DecodeBmp(MakeBmp(6, 3, 8, 1, RampPalette(8), rle8));
    EXPECT_EQ(IndicesOf(r), (std::vector<int>{4, 4, 4, 4, 4, 4, /**/ 0, 0, 0, 0, 0, 0, /**/ 1, 1, 2, 3, 4, 0}));
    EXPECT_EQ(r.bitCount, 8);

    // RLE4: a two-colour run of 5 (1 2 1 2 1), absolute 3 (2 bytes, already even), end of bitmap early.
    std::vector<std::uint8_t> rle4 = {5, 0x12, 0, 3, 0x34, 0x50, 0, 1};
    Raster f = DecodeBmp(MakeBmp(8, 2, 4, 2, RampPalette(16), rle4));
    EXPECT_EQ(IndicesOf(f), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, /**/ 1, 2, 1, 2, 1, 3, 4, 5}));
    EXPECT_EQ(f.bitCount, 4);

    // Every row closed by an end of line and no end-of-bitmap: complete, accepted.
    Raster g = DecodeBmp(MakeBmp(2, 2, 8, 1, RampPalette(4), {2, 1, 0, 0, 2, 3, 0, 0}));
    EXPECT_EQ(IndicesOf(g), (std::vector<int>{3, 3, 1, 1}));
}

TEST(BmpRle, PixelsOutsideTheImageAreDropped) {
    // 4x2 images; expected indices top row first.
    struct Case {
        const char* what;
        int bits;
        std::vector<std::uint8_t> stream;
        std::vector<int> indices;
    };
    const Case cases[] = {
        {"encoded run past the row end", 8, {5, 1, 0, 1}, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"run continuing past the row end", 8, {3, 1, 2, 2, 0, 0, 1, 3, 0, 1}, {3, 0, 0, 0, 1, 1, 1, 2}},
        {"absolute run past the row end", 8, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, {0, 0, 0, 0, 1, 2, 3, 4}},
        {"RLE4 run past the row end", 4, {5, 0x12, 0, 1}, {0, 0, 0, 0, 1, 2, 1, 2}},
        {"RLE4 absolute run past the row end", 4, {0, 6, 0x12, 0x34, 0x56, 0, 0, 1}, {0, 0, 0, 0, 1, 2, 3, 4}},
        {"delta past the right edge", 8, {0, 2, 5, 0, 2, 7, 0, 0, 1, 3, 0, 1}, {3, 0, 0, 0, 0, 0, 0, 0}},
        {"delta past the top", 8, {1, 2, 0, 2, 0, 3, 1, 1}, {0, 0, 0, 0, 2, 0, 0, 0}},
        {"runs after the last row", 8, {1, 5, 0, 0, 1, 6, 0, 0, 4, 4, 0, 1}, {6, 0, 0, 0, 5, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Raster r = DecodeBmp(MakeBmp(4, 2, c.bits, c.bits == 8 ? 1 : 2, RampPalette(16), c.stream));
        EXPECT_EQ(IndicesOf(r), c.indices);
    }
}

TEST(BmpRle, TruncatedStreamsAreRejected) {
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"stream ends inside the image", {2, 1}},
        {"stream ends inside an absolute run", {0, 4, 1, 2}},
        {"stream ends inside a delta", {0, 2, 1}},
        {"odd byte at the end", {4, 1, 0}},
        {"empty stream", {}},
    };
    for (const auto& [what, stream] : cases) {
        SCOPED_TRACE(what);
        EXPECT_THROW(DecodeBmp(MakeBmp(4, 2, 8, 1, RampPalette(16), stream)), imaging::Error);
    }
}

TEST(BmpRle, TopDownRleAndTinyStreamsForHugeImagesAreRejected) {
    EXPECT_THROW(DecodeBmp(MakeBmp(4, -2, 8, 1, RampPalette(4), {4, 1, 0, 0, 4, 2, 0, 1})), imaging::Error);
    // 30000 x 30000 is within the pixel limit, but 20 bytes of RLE cannot describe it: refused before allocating.
    EXPECT_THROW(DecodeBmp(MakeBmp(30000, 30000, 8, 1, RampPalette(4), std::vector<std::uint8_t>(20, 0))),
                 imaging::Error);
}

// ---- Bad files ---------------------------------------------------------------------------------------------------

TEST(BmpBadInput, IsRejectedWithAnError) {
    auto rgb24 = FixtureBytes("bmp", "rgb24.bmp");
    auto truncated = rgb24;
    truncated.resize(truncated.size() - 10);
    auto headerOnly = std::vector<std::uint8_t>(rgb24.begin(), rgb24.begin() + 54);
    auto withSize = [&](std::int64_t width, std::int64_t height) {
        auto b = rgb24;
        Set32(b, 18, std::uint32_t(width));
        Set32(b, 22, std::uint32_t(height));
        return b;
    };
    auto withField = [&](std::size_t pos, std::uint32_t value, bool wide) {
        auto b = rgb24;
        wide ? Set32(b, pos, value) : Set16(b, pos, value);
        return b;
    };
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"empty", {}},
        {"signature only", {'B', 'M'}},
        {"not a bitmap", {'P', '6', '\n', '1', ' ', '1', '\n'}},
        {"file header only", std::vector<std::uint8_t>(rgb24.begin(), rgb24.begin() + 14)},
        {"headers without pixels", headerOnly},
        {"truncated pixels", truncated},
        {"zero width", withSize(0, 23)},
        {"zero height", withSize(37, 0)},
        {"negative width", withSize(-37, 23)},
        {"most negative height", withSize(37, INT32_MIN)},
        {"100000 x 100000 in a small file", withSize(100000, 100000)},
        {"2 billion pixels", withSize(50000, 40000)},
        {"30000 x 30000 in a small file", withSize(30000, 30000)},
        {"30000 x 30000 top-down in a small file", withSize(30000, -30000)},
        {"width beyond the pixel data", withSize(38, 23)},
        {"unknown header size", withField(14, 20, true)},
        {"2 bits per pixel", withField(28, 2, false)},
        {"24-bit RLE8", withField(30, 1, true)},
        {"JPEG compression", withField(30, 4, true)},
        {"24-bit bit fields", withField(30, 3, true)},
        {"pixel offset past the end", withField(10, std::uint32_t(rgb24.size() + 1), true)},
        {"pixel offset inside the header", withField(10, 20, true)},
        {"colour table past the end", MakeBmp(4, 1, 8, 0, {}, {}, 0)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        EXPECT_THROW(DecodeBmp(bytes), imaging::Error);
    }
}

// ---- Writing ----------------------------------------------------------------------------------------------------

TEST(BmpWrite, RgbReadsBackIdenticallyInImageMagickAndHere) {
    TempDir dir;
    for (auto [width, height] : {std::pair{1, 1}, {3, 2}, {5, 7}, {7, 3}, {64, 48}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        Raster gradient = MakeGradient(width, height);
        auto bytes = EncodeBmp(gradient);
        std::size_t stride = std::size_t(width * 3 + 3) / 4 * 4;
        EXPECT_EQ(bytes.size(), 54 + stride * std::size_t(height));
        EXPECT_EQ(Get32(bytes, 38), 3780u); // 96 dpi
        fs::path file = dir / "out.bmp";
        WriteBytes(file, bytes);
        EXPECT_EQ(Identify(file, "%z %wx%h"), "8 " + std::to_string(width) + "x" + std::to_string(height));
        EXPECT_EQ(Identify(file, "%r"), "DirectClass sRGB ");
        ExpectSamePixels(ReadWithMagick(file), gradient);
        Raster back = DecodeBmp(bytes);
        EXPECT_EQ(back.bitCount, 24);
        ExpectSamePixels(back, gradient);
    }
}

TEST(BmpWrite, PalettedReadsBackIdenticallyInImageMagickAndHere) {
    TempDir dir;
    for (auto [width, colours] : {std::pair{1, 2}, {3, 16}, {5, 256}, {7, 100}}) {
        SCOPED_TRACE(std::to_string(width) + " wide, " + std::to_string(colours) + " colours");
        imaging::Paletted image = MakePaletted(width, 9, colours);
        auto bytes = EncodeBmp(image);
        EXPECT_EQ(bytes[28], 8);
        EXPECT_EQ(Get32(bytes, 46), std::uint32_t(colours)); // colours used
        fs::path file = dir / "out.bmp";
        WriteBytes(file, bytes);
        EXPECT_EQ(Identify(file, "%r"), "PseudoClass sRGB ");
        ExpectSamePixels(ReadWithMagick(file), Expand(image));
        Raster back = DecodeBmp(bytes);
        EXPECT_EQ(back.bitCount, 8);
        ExpectSamePixels(back, Expand(image));
    }
}

TEST(BmpWrite, RefusesWhatItCannotWrite) {
    Raster rgba = MakeGradient(2, 2);
    rgba.bands = 4;
    rgba.pixels.resize(16);
    EXPECT_THROW(EncodeBmp(rgba), imaging::Error);
    Raster wrongSize = MakeGradient(4, 4);
    wrongSize.pixels.resize(10);
    EXPECT_THROW(EncodeBmp(wrongSize), imaging::Error);
    imaging::Paletted outside = MakePaletted(4, 4, 4);
    outside.indices[5] = 4;
    EXPECT_THROW(EncodeBmp(outside), imaging::Error);
    imaging::Paletted empty = MakePaletted(4, 4, 1);
    empty.palette.clear();
    EXPECT_THROW(EncodeBmp(empty), imaging::Error);
}

TEST(BmpSignature, RecognisesBitmapsOnly) {
    for (const char* name : {"rgb24.bmp", "os2-pal1.bmp", "rle8.bmp", "argb32.bmp"})
        EXPECT_TRUE(imaging::codecs::IsBmp(FixtureBytes("bmp", name))) << name;
    EXPECT_FALSE(imaging::codecs::IsBmp(FixtureBytes("pcx", "rgb24.pcx")));
    EXPECT_FALSE(imaging::codecs::IsBmp(std::vector<std::uint8_t>{'B'}));
    auto odd = FixtureBytes("bmp", "rgb24.bmp");
    Set32(odd, 14, 1000); // "BM" followed by no known header
    EXPECT_FALSE(imaging::codecs::IsBmp(odd));
}

} // namespace
