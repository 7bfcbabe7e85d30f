// PCX codec: fixtures written by independent programs (tests/imaging/read/make-bmp-pcx.sh), crafted streams and
// bad files, and round trips through ImageMagick.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReadFixtures.h"
#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/codecs/Bmp.h"
#include "imaging/codecs/Pcx.h"

using namespace testsupport;
using imaging::Raster;
using imaging::codecs::DecodePcx;
using imaging::codecs::EncodePcx;

using namespace bmppcxtest;

namespace {

// A 128-byte header for width x height with the given layout; `palette` fills the 16-entry header palette. An
// 8-bit single-plane header says grey (palette information 2), so it reads without a palette after the pixels.
std::vector<std::uint8_t> PcxHeader(int width, int height, int bits, int planes, int bytesPerLine, int encoding = 1,
                                    const std::vector<std::uint8_t>& palette = {}) {
    std::vector<std::uint8_t> h(128, 0);
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = std::uint8_t(encoding);
    h[3] = std::uint8_t(bits);
    h[8] = std::uint8_t(width - 1);
    h[9] = std::uint8_t((width - 1) >> 8);
    h[10] = std::uint8_t(height - 1);
    h[11] = std::uint8_t((height - 1) >> 8);
    for (std::size_t i = 0; i < palette.size() && i < 48; ++i)
        h[16 + i] = palette[i];
    h[65] = std::uint8_t(planes);
    h[66] = std::uint8_t(bytesPerLine);
    h[67] = std::uint8_t(bytesPerLine >> 8);
    h[68] = bits == 8 && planes == 1 ? 2 : 1;
    return h;
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    for (std::uint8_t v : b)
        a.push_back(v);
    return a;
}

// ---- Files written by other programs -------------------------------------------------------------------------

struct PcxFixture {
    const char* name;
    int bitCount;
};

class PcxFixtureTest : public ::testing::TestWithParam<PcxFixture> {};

TEST_P(PcxFixtureTest, DecodesLikeThePeer) {
    const PcxFixture& f = GetParam();
    Raster r = DecodePcx(FixtureBytes("pcx", std::string(f.name) + ".pcx"));
    EXPECT_EQ(r.bitCount, f.bitCount);
    ExpectSamePixels(r, ExpectedPixels("pcx", f.name));
}

INSTANTIATE_TEST_SUITE_P(PcxRead, PcxFixtureTest,
                         ::testing::Values(PcxFixture{"bw1", 1}, PcxFixture{"pal1", 1}, PcxFixture{"ega4", 4},
                                           PcxFixture{"pal8", 8}, PcxFixture{"pal8-magick", 8}, PcxFixture{"grey8", 8},
                                           PcxFixture{"rgb24", 24}, PcxFixture{"rgb24-magick", 24}),
                         [](const auto& test) {
                             std::string n = test.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

// ---- Crafted streams ---------------------------------------------------------------------------------------------

TEST(PcxRead, PaletteFallbacks) {
    // 1 bit, header palette all zero: black and white. Pixels 1 0 1 1 0 0 0 1.
    Raster bw = DecodePcx(Concat(PcxHeader(8, 1, 1, 1, 2), {0xB1, 0}));
    EXPECT_EQ(bw.pixels, (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255, 255,
                                                    0,   0,   0,   0, 0, 0, 0,   0,   0,   255, 255, 255}));
    // 4 planes, header palette all zero: the standard EGA colours. Pixel 0 has index 9 (planes 0 and 3 set),
    // pixel 1 index 14 (planes 1, 2, 3).
    Raster ega = DecodePcx(Concat(PcxHeader(2, 1, 1, 4, 2), {0x80, 0, 0x40, 0, 0x40, 0, 0xC1, 0xC0, 0}));
    EXPECT_EQ(ega.pixels, (std::vector<std::uint8_t>{85, 85, 255, 255, 255, 85}));
    EXPECT_EQ(ega.bitCount, 4);
}

TEST(PcxRead, RunsCrossLinesAndAreClippedAtTheEnd) {
    // 8-bit grey 3x2, bytes per line 4: one run of 7 x 0x10 crosses into the second line; the last run of 5 is
    // clipped to the one byte left.
    auto file = Concat(PcxHeader(3, 2, 8, 1, 4), {0xC7, 0x10, 0xC5, 0x20});
    Raster r = DecodePcx(file);
    EXPECT_EQ(r.pixels, (std::vector<std::uint8_t>(18, 0x10)));
    // Uncompressed (encoding 0) files read byte for byte.
    Raster raw = DecodePcx(Concat(PcxHeader(2, 1, 8, 3, 2, 0), {1, 2, 3, 4, 0xC5, 6}));
    EXPECT_EQ(raw.pixels, (std::vector<std::uint8_t>{1, 3, 0xC5, 2, 4, 6}));
}

TEST(PcxRead, FourPlanesOfEightBitsKeepAlpha) {
    Raster r = DecodePcx(Concat(PcxHeader(1, 1, 8, 4, 2), {0xC1, 10, 0, 0xC1, 20, 0, 0xC1, 30, 0, 0xC1, 40, 0}));
    EXPECT_EQ(r.bands, 4);
    EXPECT_EQ(r.bitCount, 32);
    EXPECT_EQ(r.pixels, (std::vector<std::uint8_t>{10, 20, 30, 40}));
}

// ---- Bad files ---------------------------------------------------------------------------------------------------

TEST(PcxBadInput, IsRejectedWithAnError) {
    auto rgb24 = FixtureBytes("pcx", "rgb24.pcx");
    auto truncated = rgb24;
    truncated.resize(truncated.size() - 20);
    auto withWindow = [&](int xMax, int yMax, int xMin = 0, int yMin = 0) {
        auto b = rgb24;
        b[4] = std::uint8_t(xMin), b[5] = std::uint8_t(xMin >> 8), b[6] = std::uint8_t(yMin),
        b[7] = std::uint8_t(yMin >> 8);
        b[8] = std::uint8_t(xMax), b[9] = std::uint8_t(xMax >> 8), b[10] = std::uint8_t(yMax),
        b[11] = std::uint8_t(yMax >> 8);
        return b;
    };
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"empty", {}},
        {"one byte", {0x0A}},
        {"short header", std::vector<std::uint8_t>(rgb24.begin(), rgb24.begin() + 100)},
        {"header only", std::vector<std::uint8_t>(rgb24.begin(), rgb24.begin() + 128)},
        {"truncated pixels", truncated},
        {"not a PCX", Concat({0x0B}, std::vector<std::uint8_t>(rgb24.begin() + 1, rgb24.end()))},
        {"xmax before xmin", withWindow(3, 22, 10, 0)},
        {"ymax before ymin", withWindow(36, 3, 0, 10)},
        {"65536 x 65536", withWindow(65535, 65535)},
        {"30000 x 30000 in a small file",
         Concat(PcxHeader(30000, 30000, 8, 1, 30000), std::vector<std::uint8_t>(100, 0xFF))},
        {"bytes per line smaller than the width", Concat(PcxHeader(20, 2, 8, 1, 10), std::vector<std::uint8_t>(40, 1))},
        {"1 bit, bytes per line smaller than the width",
         Concat(PcxHeader(20, 2, 1, 1, 2), std::vector<std::uint8_t>(8, 1))},
        {"zero bytes per line", Concat(PcxHeader(4, 2, 8, 1, 0), std::vector<std::uint8_t>(8, 1))},
        {"2 bits x 1 plane", Concat(PcxHeader(4, 1, 2, 1, 2), {0, 0})},
        {"4 bits x 1 plane", Concat(PcxHeader(4, 1, 4, 1, 2), {0, 0})},
        {"1 bit x 3 planes", Concat(PcxHeader(8, 1, 1, 3, 2), {0, 0, 0, 0, 0, 0})},
        {"8 bits x 2 planes", Concat(PcxHeader(2, 1, 8, 2, 2), {0, 0, 0, 0})},
        {"encoding 2", Concat(PcxHeader(2, 1, 8, 1, 2, 2), {0, 0})},
        {"run flag as the last byte", Concat(PcxHeader(4, 1, 8, 1, 4), {0xC2})},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        EXPECT_THROW(DecodePcx(bytes), imaging::Error);
    }
}

TEST(PcxBadInput, AColourFileWithoutItsPaletteIsDamaged) {
    // The colours of a 256-colour file whose palette (or its marker) is gone are unknown: no grey guess.
    auto noPalette = FixtureBytes("pcx", "nopalette8.pcx");
    auto noMarker = FixtureBytes("pcx", "pal8.pcx");
    noMarker[noMarker.size() - 769] = 0;
    for (const auto& bytes : {noPalette, noMarker}) {
        try {
            DecodePcx(bytes);
            ADD_FAILURE() << "decoded";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.problem(), imaging::Problem::Damaged) << error.what();
        }
    }
}

// ---- Writing ----------------------------------------------------------------------------------------------------

// Walks the RLE stream of an encoded file and fails if a run crosses the end of a plane line.
void ExpectRunsStayInLines(const std::vector<std::uint8_t>& file, std::size_t lineCount, std::size_t bytesPerLine) {
    std::size_t pos = 128, out = 0;
    while (out < lineCount * bytesPerLine) {
        ASSERT_LT(pos, file.size());
        std::size_t count = 1;
        if ((file[pos] & 0xC0) == 0xC0) {
            count = file[pos++] & 0x3F;
            ASSERT_GT(count, 0u);
        } else {
            ASSERT_LT(file[pos], 0xC0);
        }
        ++pos;
        ASSERT_LE(out % bytesPerLine + count, bytesPerLine) << "run crosses a line end at byte " << out;
        out += count;
    }
}

TEST(PcxWrite, RgbReadsBackIdenticallyInImageMagickAndHere) {
    TempDir dir;
    for (auto [width, height] : {std::pair{1, 1}, {3, 2}, {5, 7}, {7, 3}, {64, 48}, {200, 2}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        Raster picture = MakeGradient(width, height);
        if (width == 200) // long runs (over 63) and lone bytes that look like run flags
            for (int x = 0; x < width; ++x)
                picture.Row(1)[x * 3] = x % 2 && x > 100 ? 0xC5 : 0xFF;
        auto bytes = EncodePcx(picture);
        std::size_t bytesPerLine = bytes[66] | bytes[67] << 8;
        EXPECT_EQ(bytesPerLine, std::size_t(width + width % 2));
        EXPECT_EQ(bytes[65], 3);
        EXPECT_EQ(bytes[1], 5);
        ExpectRunsStayInLines(bytes, std::size_t(height) * 3, bytesPerLine);
        fs::path file = dir / "out.pcx";
        WriteBytes(file, bytes);
        EXPECT_EQ(Identify(file, "%z %wx%h"), "8 " + std::to_string(width) + "x" + std::to_string(height));
        EXPECT_EQ(Identify(file, "%r"), "DirectClass sRGB ");
        ExpectSamePixels(ReadWithMagick(file), picture);
        Raster back = DecodePcx(bytes);
        EXPECT_EQ(back.bitCount, 24);
        ExpectSamePixels(back, picture);
    }
}

TEST(PcxWrite, PalettedReadsBackIdenticallyInImageMagickAndHere) {
    TempDir dir;
    for (auto [width, colours] : {std::pair{1, 2}, {3, 16}, {5, 256}, {7, 200}, {130, 3}}) {
        SCOPED_TRACE(std::to_string(width) + " wide, " + std::to_string(colours) + " colours");
        imaging::Paletted image = MakePaletted(width, 9, colours);
        if (width == 130) std::fill(image.indices.begin(), image.indices.begin() + 130, 2); // a 130-byte run
        auto bytes = EncodePcx(image);
        std::size_t bytesPerLine = bytes[66] | bytes[67] << 8;
        EXPECT_EQ(bytesPerLine, std::size_t(width + width % 2));
        ASSERT_GE(bytes.size(), 128u + 769u);
        EXPECT_EQ(bytes[bytes.size() - 769], 0x0C);
        ExpectRunsStayInLines(bytes, 9, bytesPerLine);
        fs::path file = dir / "out.pcx";
        WriteBytes(file, bytes);
        EXPECT_EQ(Identify(file, "%r"), "PseudoClass sRGB ");
        ExpectSamePixels(ReadWithMagick(file), Expand(image));
        Raster back = DecodePcx(bytes);
        EXPECT_EQ(back.bitCount, 8);
        ExpectSamePixels(back, Expand(image));
    }
}

TEST(PcxWrite, RefusesWhatItCannotWrite) {
    Raster grey = MakeGradient(2, 2);
    grey.bands = 1;
    grey.pixels.resize(4);
    EXPECT_THROW(EncodePcx(grey), imaging::Error);
    EXPECT_THROW(EncodePcx(MakeGradient(65535, 1)), imaging::Error); // bytes per line would not fit 16 bits
    imaging::Paletted outside = MakePaletted(4, 4, 4);
    outside.indices[0] = 200;
    EXPECT_THROW(EncodePcx(outside), imaging::Error);
}

TEST(PcxSignature, RecognisesPcxOnly) {
    for (const char* name : {"bw1.pcx", "ega4.pcx", "pal8.pcx", "rgb24-magick.pcx"})
        EXPECT_TRUE(imaging::codecs::IsPcx(FixtureBytes("pcx", name))) << name;
    EXPECT_FALSE(imaging::codecs::IsPcx(FixtureBytes("bmp", "rgb24.bmp")));
    EXPECT_FALSE(imaging::codecs::IsPcx(std::vector<std::uint8_t>{0x0A, 1, 1, 8})); // version 1 does not exist
    EXPECT_FALSE(imaging::codecs::IsPcx(std::vector<std::uint8_t>{0x0A, 5, 2, 8}));
    EXPECT_FALSE(imaging::codecs::IsPcx(std::vector<std::uint8_t>{0x0A, 5, 1, 3}));
    EXPECT_FALSE(imaging::codecs::IsPcx(std::vector<std::uint8_t>{0x0A, 5}));
}

} // namespace
