// The reduced PNG decode against block means computed here from the pixels themselves, on files built byte by
// byte (every row filter, image data split over many chunks), and the files it must leave to the full decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "TestSupport.h"
#include "imaging/codecs/PngShrink.h"

namespace {

using imaging::codecs::DecodePngShrunk;
using imaging::codecs::ShrunkPicture;
using Bytes = std::vector<std::uint8_t>;

void PutBe32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(v >> shift));
}

void PutChunk(Bytes& out, const std::string& type, const Bytes& data) {
    PutBe32(out, std::uint32_t(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBe32(out, std::uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

int Channels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

int PaethOf(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Row y filtered with the filter type (y + shift) % 5, as an encoder would.
Bytes FilteredRows(const Bytes& pixels, int width, int height, int bpp, int shift) {
    const std::size_t stride = std::size_t(width) * std::size_t(bpp);
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        const int type = (y + shift) % 5;
        raw.push_back(std::uint8_t(type));
        for (std::size_t i = 0; i < stride; ++i) {
            const int x = pixels[std::size_t(y) * stride + i];
            const int a = i >= std::size_t(bpp) ? pixels[std::size_t(y) * stride + i - std::size_t(bpp)] : 0;
            const int b = y > 0 ? pixels[std::size_t(y - 1) * stride + i] : 0;
            const int c =
                y > 0 && i >= std::size_t(bpp) ? pixels[std::size_t(y - 1) * stride + i - std::size_t(bpp)] : 0;
            const int predicted = type == 0   ? 0
                                  : type == 1 ? a
                                  : type == 2 ? b
                                  : type == 3 ? (a + b) / 2
                                              : PaethOf(a, b, c);
            raw.push_back(std::uint8_t(x - predicted));
        }
    }
    return raw;
}

struct PngLayout {
    int width = 37, height = 23, colourType = 2, bitDepth = 8, interlace = 0;
    std::size_t idatPiece = 0;                         // split the image data into chunks of this size (0: one chunk)
    std::vector<std::pair<std::string, Bytes>> before; // chunks between IHDR and the image data
};

Bytes BuildPng(const PngLayout& layout, const Bytes& raw) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, std::uint32_t(layout.width));
    PutBe32(ihdr, std::uint32_t(layout.height));
    ihdr.insert(ihdr.end(),
                {std::uint8_t(layout.bitDepth), std::uint8_t(layout.colourType), 0, 0, std::uint8_t(layout.interlace)});
    PutChunk(out, "IHDR", ihdr);
    for (const auto& [type, data] : layout.before)
        PutChunk(out, type, data);
    const Bytes data = Deflate(raw);
    const std::size_t piece = layout.idatPiece == 0 ? data.size() : layout.idatPiece;
    for (std::size_t at = 0; at < data.size(); at += piece)
        PutChunk(
            out, "IDAT",
            Bytes(data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(std::min(data.size(), at + piece))));
    PutChunk(out, "IEND", {});
    return out;
}

Bytes RandomPixels(std::mt19937& random, const PngLayout& layout) {
    // Smooth enough that the filters predict something, noisy enough that every byte differs.
    Bytes pixels;
    std::uniform_int_distribution<int> noise(-20, 20);
    const int bands = Channels(layout.colourType);
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            for (int c = 0; c < bands; ++c)
                pixels.push_back(std::uint8_t(std::clamp((x * 5 + y * 3 + c * 60) % 256 + noise(random), 0, 255)));
    return pixels;
}

std::optional<ShrunkPicture> Decode(const Bytes& file, int factor) {
    return DecodePngShrunk(
        [&](std::uint64_t offset, std::size_t count) {
            if (offset >= file.size()) return Bytes();
            return Bytes(file.begin() + std::ptrdiff_t(offset),
                         file.begin() + std::ptrdiff_t(std::min<std::uint64_t>(file.size(), offset + count)));
        },
        file.size(), factor);
}

// Each block's mean from the pixels (colour weighted by alpha), next to the decoded one.
void ExpectBlockMeans(const ShrunkPicture& out, const Bytes& pixels, const PngLayout& layout, int factor) {
    const int bands = Channels(layout.colourType);
    const bool alpha = bands == 2 || bands == 4;
    ASSERT_EQ(out.width, (layout.width + factor - 1) / factor);
    ASSERT_EQ(out.height, (layout.height + factor - 1) / factor);
    ASSERT_EQ(out.bands, bands);
    ASSERT_EQ(out.pixels.size(), std::size_t(out.width) * std::size_t(out.height) * std::size_t(bands));
    for (int oy = 0; oy < out.height; ++oy)
        for (int ox = 0; ox < out.width; ++ox) {
            std::vector<double> sum(std::size_t(bands), 0.0);
            double count = 0, alphaSum = 0;
            for (int y = oy * factor; y < std::min(layout.height, (oy + 1) * factor); ++y)
                for (int x = ox * factor; x < std::min(layout.width, (ox + 1) * factor); ++x) {
                    const std::uint8_t* p =
                        &pixels[(std::size_t(y) * std::size_t(layout.width) + std::size_t(x)) * std::size_t(bands)];
                    const double weight = alpha ? p[bands - 1] : 1.0;
                    for (int c = 0; c < bands; ++c)
                        sum[std::size_t(c)] += alpha && c < bands - 1 ? p[c] * weight : p[c];
                    alphaSum += weight;
                    count += 1;
                }
            for (int c = 0; c < bands; ++c) {
                const bool colour = alpha && c < bands - 1;
                const double expected =
                    colour ? (alphaSum > 0 ? sum[std::size_t(c)] / alphaSum : 0.0) : sum[std::size_t(c)] / count;
                const int got =
                    out.pixels[(std::size_t(oy) * std::size_t(out.width) + std::size_t(ox)) * std::size_t(bands) +
                               std::size_t(c)];
                ASSERT_NEAR(got, expected, 1.0) << "block " << ox << "," << oy << " band " << c;
            }
        }
}

TEST(PngShrink, EveryKindOfPictureGivesItsBlockMeans) {
    std::mt19937 random(11);
    struct Case {
        int colourType, width, height, factor;
        std::size_t idatPiece;
    };
    const Case cases[] = {{0, 37, 23, 4, 0},  {2, 37, 23, 4, 7},     {4, 37, 23, 2, 0},
                          {6, 37, 23, 8, 13}, {2, 64, 64, 8, 0},     {6, 5, 3, 8, 0},
                          {0, 1, 1, 2, 0},    {2, 300, 7, 64, 1000}, {0, 513, 9, 256, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.colourType << " " << c.width << "x" << c.height << " /"
                                        << c.factor);
        PngLayout layout;
        layout.colourType = c.colourType;
        layout.width = c.width;
        layout.height = c.height;
        layout.idatPiece = c.idatPiece;
        if (c.colourType == 6) { // fully transparent pixels must not tint their block
            layout.before.push_back({"tEXt", Bytes{'a', 0, 'b'}});
        }
        Bytes pixels = RandomPixels(random, layout);
        if (c.colourType == 6)
            for (std::size_t i = 3; i < pixels.size(); i += 16)
                pixels[i] = 0;
        const int bpp = Channels(c.colourType);
        for (int shift = 0; shift < 5; ++shift) {
            const Bytes file = BuildPng(layout, FilteredRows(pixels, c.width, c.height, bpp, shift));
            std::optional<ShrunkPicture> out = Decode(file, c.factor);
            ASSERT_TRUE(out);
            ExpectBlockMeans(*out, pixels, layout, c.factor);
            EXPECT_TRUE(out->iccProfile.empty());
        }
    }
}

TEST(PngShrink, KeepsTheEmbeddedProfile) {
    std::mt19937 random(5);
    PngLayout layout;
    Bytes profile(3000);
    for (std::size_t i = 0; i < profile.size(); ++i)
        profile[i] = std::uint8_t(i * 31 % 251);
    Bytes iccp = {'s', 'R', 'G', 'B', 0, 0};
    const Bytes packed = Deflate(profile);
    iccp.insert(iccp.end(), packed.begin(), packed.end());
    layout.before.push_back({"iCCP", iccp});
    const Bytes pixels = RandomPixels(random, layout);
    std::optional<ShrunkPicture> out =
        Decode(BuildPng(layout, FilteredRows(pixels, layout.width, layout.height, 3, 0)), 4);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->iccProfile, profile);
    ExpectBlockMeans(*out, pixels, layout, 4);
}

// What the reduced decode does not handle, or finds damaged, is left to the full decoder: no picture.
TEST(PngShrink, LeavesOtherAndDamagedFilesToTheFullDecoder) {
    std::mt19937 random(9);
    PngLayout plain;
    const Bytes pixels = RandomPixels(random, plain);
    const Bytes raw = FilteredRows(pixels, plain.width, plain.height, 3, 2);
    const Bytes good = BuildPng(plain, raw);
    ASSERT_TRUE(Decode(good, 2));

    auto with = [&](auto change) {
        PngLayout layout = plain;
        Bytes rows = raw;
        change(layout, rows);
        return BuildPng(layout, rows);
    };
    const std::pair<const char*, Bytes> refused[] = {
        {"interlaced", with([](PngLayout& s, Bytes&) { s.interlace = 1; })},
        {"16-bit", with([](PngLayout& s, Bytes&) { s.bitDepth = 16; })},
        {"palette", with([](PngLayout& s, Bytes&) {
             s.colourType = 3;
             s.before.push_back({"PLTE", Bytes(768, 7)});
         })},
        {"tRNS colour", with([](PngLayout& s, Bytes&) {
             s.before.push_back({"tRNS", Bytes{0, 1, 0, 2, 0, 3}});
         })},
        {"unknown critical chunk", with([](PngLayout& s, Bytes&) {
             s.before.push_back({"ABCD", Bytes{1}});
         })},
        {"filter type 5", with([](PngLayout&, Bytes& rows) { rows[std::size_t(5) * (37 * 3 + 1)] = 5; })},
        {"rows missing", with([](PngLayout&, Bytes& rows) { rows.resize(rows.size() - 37 * 3); })},
        {"damaged profile", with([](PngLayout& s, Bytes&) {
             s.before.push_back({"iCCP", Bytes{'x', 0, 0, 1, 2, 3}});
         })},
        // libpng refuses a chunk type that is not four letters, ancillary or not.
        {"chunk type not letters", with([](PngLayout& s, Bytes&) {
             s.before.push_back({"t\x05Xt", Bytes{1}});
         })},
    };
    for (const auto& [what, file] : refused)
        EXPECT_FALSE(Decode(file, 2)) << what;

    // A wrong CRC on the image data, a file cut short inside it, a bad signature, an empty file.
    Bytes badCrc = good;
    badCrc[badCrc.size() - 12 - 1] ^= 1; // the last byte of the IDAT CRC
    EXPECT_FALSE(Decode(badCrc, 2));
    EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2)), 2));
    Bytes badSignature = good;
    badSignature[1] = 'Q';
    EXPECT_FALSE(Decode(badSignature, 2));
    EXPECT_FALSE(Decode(Bytes(), 2));
    EXPECT_FALSE(Decode(good, 1));
    EXPECT_FALSE(Decode(good, 257));
}

// The PNG fixtures (written by other programs, their pixels beside them) that this decode takes give the block
// means of those pixels: the full decoder's picture, reduced.
TEST(PngShrink, FixturesGiveTheBlockMeansOfTheirPixels) {
    namespace fs = std::filesystem;
    const fs::path folder = testsupport::DataDir() / "imaging" / "read" / "png";
    int pictures = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".png") continue;
        const std::string name = entry.path().stem().string();
        fs::path expected = folder / (name + ".ppm");
        if (!fs::exists(expected)) expected = folder / (name + ".pgm");
        if (!fs::exists(expected)) continue;
        SCOPED_TRACE(name);
        const imaging::Raster colour = testsupport::ReadPnm(expected);
        const fs::path alphaFile = folder / (name + ".alpha.pgm");
        const bool alpha = fs::exists(alphaFile);
        const imaging::Raster opacity = alpha ? testsupport::ReadPnm(alphaFile) : imaging::Raster{};
        PngLayout layout;
        layout.width = colour.width;
        layout.height = colour.height;
        layout.colourType = colour.bands == 1 ? (alpha ? 4 : 0) : (alpha ? 6 : 2);
        Bytes pixels;
        for (std::size_t i = 0; i < std::size_t(colour.width) * std::size_t(colour.height); ++i) {
            for (int b = 0; b < colour.bands; ++b)
                pixels.push_back(colour.pixels[i * std::size_t(colour.bands) + std::size_t(b)]);
            if (alpha) pixels.push_back(opacity.pixels[i]);
        }
        const Bytes file = testsupport::ReadBytes(entry.path());
        for (int factor : {2, 4}) {
            const std::optional<ShrunkPicture> out = Decode(file, factor);
            if (!out) continue;
            ++pictures;
            ExpectBlockMeans(*out, pixels, layout, factor);
        }
    }
    EXPECT_GE(pictures, 4); // 8-bit grey, grey + alpha, RGB, RGBA at two factors at least
}

} // namespace
