// PNG loading and encoding, checked against files written and decoded by independent programs
// (netpbm's pnmtopng/pngtopam, ImageMagick, Pillow); see read/make-jpeg-png.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/codecs/Png.h"

namespace jpegpngtest {
// Defined in JpegTest.cpp.
imaging::Raster Decode(const vips::VImage& image);
std::string WhereLoadFails(imaging::Image (*load)(const std::string&), const std::string& path);
} // namespace jpegpngtest

namespace {

using imaging::codecs::EncodePng;
using imaging::codecs::LoadPng;
using imaging::codecs::PngOptions;
using jpegpngtest::Decode;
using testsupport::DataDir;
using testsupport::Identify;
using testsupport::Quote;
using testsupport::ReadPnm;
using testsupport::TempDir;
namespace fs = std::filesystem;

fs::path PngDir() {
    return DataDir() / "imaging" / "read" / "png";
}

std::string WhereLoadFails(const std::string& path) {
    return jpegpngtest::WhereLoadFails(LoadPng, path);
}

// Largest sample difference between bands first..first+count-1 of a and the bands of b.
int MaxDifference(const imaging::Raster& a, int first, int count, const imaging::Raster& b) {
    int worst = 0;
    std::size_t n = std::size_t(a.width) * a.height;
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < count; ++k)
            worst = std::max(worst, std::abs(int(a.pixels[i * a.bands + first + k]) - int(b.pixels[i * b.bands + k])));
    return worst;
}

struct ReadCase {
    const char* name; // read/png/<name>.png beside <name>.ppm or .pgm, and <name>.alpha.pgm when it has alpha
    int bitCount;
    int tolerance; // 16-bit samples: scaling to 8 bits may round the other way from the peer
};

const ReadCase kReadCases[] = {
    {"palette-1", 1, 0},     {"palette-2", 2, 0},    {"palette-4", 4, 0},
    {"palette-8", 8, 0},     {"grey-1", 1, 0},       {"grey-2", 2, 0},
    {"grey-4", 4, 0},        {"grey-8", 8, 0},       {"grey-16", 8, 1},
    {"rgb-8", 24, 0},        {"rgb-16", 24, 1},      {"grey-alpha", 32, 0},
    {"rgba", 32, 0},         {"interlaced", 24, 0},  {"interlaced-palette", 4, 0},
    {"palette-alpha", 4, 0}, {"trns-palette", 4, 0}, {"trns-rgb", 24, 0},
    {"trns-grey", 8, 0},
};

class PngRead : public testing::TestWithParam<ReadCase> {};

TEST_P(PngRead, MatchesThePeersDecode) {
    const ReadCase& c = GetParam();
    imaging::Image image = LoadPng((PngDir() / (std::string(c.name) + ".png")).string());
    fs::path colourFile = PngDir() / (std::string(c.name) + ".ppm");
    if (!fs::exists(colourFile)) colourFile = PngDir() / (std::string(c.name) + ".pgm");
    imaging::Raster colour = testsupport::AsRgb(ReadPnm(colourFile));
    fs::path alphaFile = PngDir() / (std::string(c.name) + ".alpha.pgm");
    bool hasAlpha = fs::exists(alphaFile);

    EXPECT_EQ(image.bitCount, c.bitCount);
    EXPECT_EQ(image.width, colour.width);
    EXPECT_EQ(image.height, colour.height);
    ASSERT_EQ(image.pixels.bands(), hasAlpha ? 4 : 3);
    ASSERT_EQ(image.pixels.format(), VIPS_FORMAT_UCHAR);
    imaging::Raster pixels = Decode(image.pixels);
    ASSERT_EQ(pixels.width, colour.width);
    ASSERT_EQ(pixels.height, colour.height);
    EXPECT_LE(MaxDifference(pixels, 0, 3, colour), c.tolerance);
    if (hasAlpha) {
        EXPECT_EQ(MaxDifference(pixels, 3, 1, ReadPnm(alphaFile)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PngRead, testing::ValuesIn(kReadCases), [](const auto& test) {
    std::string name = test.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

TEST(PngReadComment, CommentFromAnyTextChunk) {
    struct Case {
        const char* file;
        std::string comment;
    };
    const Case cases[] = {
        {"text-comment.png", "Kelvo text comment"},          // tEXt after another keyword's tEXt
        {"text-comment-magick.png", "Kelvo magick comment"}, // lowercase keyword, after the image data
        {"itxt-comment.png", "Kelvo \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 comment"},
        {"ztxt-comment.png", "compressed comment"},
        {"rgb-8.png", ""},
    };
    for (const Case& c : cases) {
        imaging::Image image = LoadPng((PngDir() / c.file).string());
        EXPECT_EQ(image.comment, c.comment) << c.file;
        EXPECT_EQ(image.bitCount, 24) << c.file;
    }
}

TEST(PngReadBad, FailsWithErrorNeverCrashes) {
    TempDir dir;
    auto good = testsupport::ReadBytes(PngDir() / "rgb-8.png");
    // The caller decides the format by content: a PNG named .jpg loads.
    testsupport::WriteBytes(dir / "really-png.jpg", good);
    EXPECT_EQ(WhereLoadFails((dir / "really-png.jpg").string()), "no failure");

    testsupport::WriteBytes(dir / "empty.png", {});
    testsupport::WriteBytes(dir / "text.png", std::vector<std::uint8_t>{'n', 'o', 't', ' ', 'p', 'n', 'g', '\n'});
    testsupport::WriteBytes(dir / "signature-only.png", {good.begin(), good.begin() + 8});
    testsupport::WriteBytes(dir / "half.png", {good.begin(), good.begin() + long(good.size() / 2)});
    auto patched = [&](const char* name, std::size_t at, std::vector<std::uint8_t> bytes) {
        auto copy = good;
        std::copy(bytes.begin(), bytes.end(), copy.begin() + long(at));
        testsupport::WriteBytes(dir / name, copy);
    };
    patched("colour-type-5.png", 25, {5});
    patched("depth-3.png", 24, {3});
    patched("zero-height.png", 20, {0, 0, 0, 0});
    patched("huge.png", 16, {0x00, 0x10, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00}); // 1M x 1M, claims 1e12 pixels
    // Compressed data overwritten: the zlib stream or its checksum breaks.
    auto garbled = good;
    for (std::size_t i = 60; i < garbled.size() - 20; ++i)
        garbled[i] = std::uint8_t(i * 31 % 251);
    testsupport::WriteBytes(dir / "garbled.png", garbled);

    for (const char* name : {"empty.png", "text.png", "signature-only.png", "colour-type-5.png", "depth-3.png",
                             "zero-height.png", "huge.png", "missing.png"})
        EXPECT_EQ(WhereLoadFails((dir / name).string()), "load") << name;
    EXPECT_EQ(WhereLoadFails((DataDir() / "imaging/read/jpeg/baseline.jpg").string()), "load");
    for (const char* name : {"half.png", "garbled.png"})
        EXPECT_NE(WhereLoadFails((dir / name).string()), "no failure") << name;

    EXPECT_TRUE(imaging::codecs::IsPng(good));
    EXPECT_FALSE(imaging::codecs::IsPng(std::span(good).first(7)));
}

// ---------------------------------------------------------------- encoding

// The chunk types of a PNG, in order, with their data.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Chunks(const std::vector<std::uint8_t>& png) {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> chunks;
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        std::size_t length = std::size_t(png[pos]) << 24 | std::size_t(png[pos + 1]) << 16 |
                             std::size_t(png[pos + 2]) << 8 | png[pos + 3];
        if (pos + 12 + length > png.size()) break;
        chunks.emplace_back(
            std::string(png.begin() + long(pos + 4), png.begin() + long(pos + 8)),
            std::vector<std::uint8_t>(png.begin() + long(pos + 8), png.begin() + long(pos + 8 + length)));
        pos += 12 + length;
    }
    return chunks;
}

bool HasChunk(const std::vector<std::uint8_t>& png, const std::string& type) {
    auto chunks = Chunks(png);
    return std::any_of(chunks.begin(), chunks.end(), [&](const auto& c) { return c.first == type; });
}

// Pillow's RGBA decode of a file (tRNS applied), as a 4-band raster.
imaging::Raster PillowRgba(const fs::path& file) {
    std::string out;
    std::string script = "import sys; from PIL import Image; im = Image.open(sys.argv[1]).convert('RGBA'); "
                         "print(im.size[0], im.size[1], im.tobytes().hex())";
    EXPECT_EQ(testsupport::Run("/usr/bin/python3 -c " + Quote(script) + " " + Quote(file), &out), 0);
    imaging::Raster raster;
    raster.bands = 4;
    std::size_t a = out.find(' '), b = out.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos) return raster;
    raster.width = std::stoi(out.substr(0, a));
    raster.height = std::stoi(out.substr(a + 1, b - a - 1));
    for (std::size_t i = b + 1; i + 1 < out.size() && out[i] != '\n'; i += 2)
        raster.pixels.push_back(std::uint8_t(std::stoi(out.substr(i, 2), nullptr, 16)));
    return raster;
}

// Pillow's reading of the text chunk "Comment" (tEXt, zTXt or iTXt).
std::string PillowComment(const fs::path& file) {
    std::string out;
    std::string script = "import sys; from PIL import Image; im = Image.open(sys.argv[1]); im.load(); "
                         "sys.stdout.buffer.write(im.text.get('Comment', '<none>').encode('utf-8'))";
    EXPECT_EQ(testsupport::Run("/usr/bin/python3 -c " + Quote(script) + " " + Quote(file), &out), 0);
    return out;
}

fs::path Save(const TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
    testsupport::WriteBytes(dir / name, bytes);
    return dir / name;
}

imaging::Raster SomeRgb() {
    return testsupport::MakeGradient(37, 23);
}

imaging::Paletted SomePaletted(int colours) {
    imaging::Paletted image;
    image.width = 29;
    image.height = 17;
    for (int i = 0; i < colours; ++i)
        image.palette.push_back({std::uint8_t(i * 53 % 256), std::uint8_t(i * 101 % 256), std::uint8_t(255 - i)});
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.indices.push_back(std::uint8_t((x * 7 + y * 3) % colours));
    return image;
}

imaging::Raster Expand(const imaging::Paletted& image) {
    imaging::Raster rgb;
    rgb.width = image.width;
    rgb.height = image.height;
    for (std::uint8_t i : image.indices)
        rgb.pixels.insert(rgb.pixels.end(), {image.palette[i].r, image.palette[i].g, image.palette[i].b});
    return rgb;
}

TEST(PngEncode, TruecolourExactAndInterlacedWhenAsked) {
    TempDir dir;
    imaging::Raster rgb = SomeRgb();
    for (bool interlace : {false, true}) {
        fs::path file = Save(dir, "rgb.png", EncodePng(rgb, {interlace, "", std::nullopt, std::nullopt}));
        EXPECT_EQ(Identify(file, "%[png:IHDR.color-type-orig] %[png:IHDR.bit-depth-orig] %[interlace]"),
                  std::string("2 8 ") + (interlace ? "PNG" : "None"));
        imaging::Raster decoded = testsupport::ReadWithMagick(file);
        EXPECT_EQ(decoded.pixels, rgb.pixels) << interlace;
        EXPECT_EQ(Decode(LoadPng(file.string()).pixels).pixels, rgb.pixels) << interlace;
    }
}

TEST(PngEncode, PaletteExactWithTheSmallestDepth) {
    TempDir dir;
    struct Case {
        int colours;
        const char* depth;
    };
    for (Case c :
         {Case{2, "1"}, Case{3, "2"}, Case{4, "2"}, Case{5, "4"}, Case{16, "4"}, Case{17, "8"}, Case{256, "8"}}) {
        imaging::Paletted image = SomePaletted(c.colours);
        for (bool interlace : {false, true}) {
            fs::path file = Save(dir, "p.png", EncodePng(image, {interlace, "", std::nullopt, std::nullopt}));
            EXPECT_EQ(Identify(file, "%[png:IHDR.color-type-orig] %[png:IHDR.bit-depth-orig]"),
                      std::string("3 ") + c.depth)
                << c.colours;
            EXPECT_EQ(testsupport::ReadWithMagick(file).pixels, Expand(image).pixels) << c.colours << interlace;
        }
    }
}

TEST(PngEncode, CommentAsTextOrInternationalText) {
    TempDir dir;
    struct Case {
        std::string comment;
        const char* chunk;
    };
    std::string longLatin(3000, 'x');
    const Case cases[] = {
        {"Kelvo comment", "tEXt"},
        {"caf\xC3\xA9", "tEXt"},                          // Latin-1 representable: stored as Latin-1
        {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "iTXt"}, // テスト
        {longLatin, "zTXt"},                              // long text compressed
    };
    for (const Case& c : cases) {
        auto bytes = EncodePng(SomeRgb(), {false, c.comment, std::nullopt, std::nullopt});
        EXPECT_TRUE(HasChunk(bytes, c.chunk)) << c.chunk;
        fs::path file = Save(dir, "c.png", bytes);
        EXPECT_EQ(PillowComment(file), c.comment) << c.chunk;
        EXPECT_EQ(LoadPng(file.string()).comment, c.comment) << c.chunk;
        // The text sits before the image data so a reader that stops there still finds it.
        auto chunks = Chunks(bytes);
        auto text = std::find_if(chunks.begin(), chunks.end(), [&](const auto& ch) { return ch.first == c.chunk; });
        auto idat = std::find_if(chunks.begin(), chunks.end(), [](const auto& ch) { return ch.first == "IDAT"; });
        EXPECT_LT(text - chunks.begin(), idat - chunks.begin());
    }
    auto plain = EncodePng(SomeRgb(), {});
    EXPECT_FALSE(HasChunk(plain, "tEXt") || HasChunk(plain, "iTXt") || HasChunk(plain, "zTXt"));
}

TEST(PngEncode, TransparentColourOnTruecolour) {
    TempDir dir;
    imaging::Raster rgb = SomeRgb();
    imaging::Rgb key{rgb.pixels[0], rgb.pixels[1], rgb.pixels[2]};
    fs::path file = Save(dir, "t.png", EncodePng(rgb, {false, "", key, std::nullopt}));
    imaging::Raster rgba = PillowRgba(file);
    ASSERT_EQ(rgba.pixels.size(), std::size_t(rgb.width) * rgb.height * 4);
    int transparent = 0;
    for (std::size_t i = 0; i < std::size_t(rgb.width) * rgb.height; ++i) {
        bool isKey = imaging::Rgb{rgb.pixels[i * 3], rgb.pixels[i * 3 + 1], rgb.pixels[i * 3 + 2]} == key;
        EXPECT_EQ(rgba.pixels[i * 4 + 3], isKey ? 0 : 255) << i;
        transparent += isKey;
    }
    EXPECT_GE(transparent, 1);
}

TEST(PngEncode, TransparentColourOnPalette) {
    TempDir dir;
    imaging::Paletted image = SomePaletted(6);
    image.palette.push_back(image.palette[2]); // a duplicate entry of the same colour
    image.indices[5] = 6;
    imaging::Rgb key = image.palette[2];
    auto bytes = EncodePng(image, {false, "", key, std::nullopt});
    fs::path file = Save(dir, "t.png", bytes);
    imaging::Raster rgba = PillowRgba(file);
    ASSERT_EQ(rgba.pixels.size(), image.indices.size() * 4);
    for (std::size_t i = 0; i < image.indices.size(); ++i) {
        bool isKey = image.palette[image.indices[i]] == key;
        EXPECT_EQ(rgba.pixels[i * 4 + 3], isKey ? 0 : 255) << i;
    }
    // A colour the palette lacks writes no tRNS at all.
    EXPECT_FALSE(HasChunk(EncodePng(image, {false, "", imaging::Rgb{1, 2, 3}, std::nullopt}), "tRNS"));
    EXPECT_TRUE(HasChunk(bytes, "tRNS"));
}

TEST(PngEncode, RefusesInconsistentInput) {
    imaging::Raster grey = SomeRgb();
    grey.bands = 1;
    grey.pixels.resize(std::size_t(grey.width) * grey.height);
    EXPECT_THROW(EncodePng(grey, {}), imaging::Error);
    imaging::Raster shortRgb = SomeRgb();
    shortRgb.pixels.pop_back();
    EXPECT_THROW(EncodePng(shortRgb, {}), imaging::Error);

    imaging::Paletted outOfRange = SomePaletted(4);
    outOfRange.indices[3] = 4;
    EXPECT_THROW(EncodePng(outOfRange, {}), imaging::Error);
    imaging::Paletted empty = SomePaletted(4);
    empty.palette.clear();
    EXPECT_THROW(EncodePng(empty, {}), imaging::Error);
    imaging::Paletted noPixels = SomePaletted(4);
    noPixels.width = 0;
    EXPECT_THROW(EncodePng(noPixels, {}), imaging::Error);
}

} // namespace
