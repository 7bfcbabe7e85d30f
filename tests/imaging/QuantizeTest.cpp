// Reduction to 256 colours, judged by expanding the palette again.
#include <gtest/gtest.h>

#include <set>

#include "EffectsTestSupport.h"
#include "imaging/Effects.h"

namespace {

using namespace effectstest;
using imaging::Paletted;
using imaging::effects::Quantize;

void ExpectConsistent(const Paletted& out, int width, int height) {
    EXPECT_EQ(out.width, width);
    EXPECT_EQ(out.height, height);
    ASSERT_EQ(out.indices.size(), std::size_t(width) * height);
    ASSERT_GE(out.palette.size(), 1u);
    ASSERT_LE(out.palette.size(), 256u);
    std::set<std::uint8_t> used(out.indices.begin(), out.indices.end());
    EXPECT_LT(*used.rbegin(), out.palette.size());
    EXPECT_EQ(used.size(), out.palette.size()) << "every palette entry is used";
}

// An image using `colours` distinct colours, scattered so no two neighbours repeat in a simple pattern.
Raster Scattered(int width, int height, int colours) {
    return Paint(width, height, 3, [=](int x, int y) {
        int c = (x * 7 + y * 13 + (x * y) % 5) % colours;
        return std::vector<int>{(c * 37) % 256, (c * 91 + 11) % 256, c};
    });
}

TEST(EffectsQuantize, KeepsImagesOfAtMost256ColoursExactly) {
    for (int colours : {1, 2, 200, 256}) {
        Raster in = Scattered(97, 61, colours);
        Paletted out = Quantize(imaging::ToVips(in));
        ExpectConsistent(out, in.width, in.height);
        EXPECT_EQ(out.palette.size(), std::size_t(colours));
        EXPECT_EQ(Read(imaging::ToVips(out)).pixels, in.pixels) << colours << " colours";
    }
}

// A picture held as indices (a palette file as loaded) reduces to what its colours reduce to: the same palette in
// the same order and the same indices, with repeated palette entries merged and unused ones dropped.
TEST(EffectsQuantize, APictureHeldAsIndicesReducesAsItsColoursDo) {
    Paletted held;
    held.width = 53;
    held.height = 31;
    for (int i = 0; i < 40; ++i) // entries 20..39 repeat 0..19
        held.palette.push_back(imaging::Rgb{std::uint8_t(i % 20 * 11), std::uint8_t(i % 20 * 3), 200});
    for (int i = 0; i < held.width * held.height; ++i)
        held.indices.push_back(std::uint8_t((i * 7 + i / 53) % 45)); // 40..44: past the palette
    Paletted fromIndices = imaging::effects::QuantizeIndexed(held);
    Paletted fromColours = Quantize(imaging::ToVips(held));
    EXPECT_EQ(fromIndices.palette, fromColours.palette);
    EXPECT_EQ(fromIndices.indices, fromColours.indices);
    EXPECT_EQ(fromIndices.palette.size(), 20u);
}

TEST(EffectsQuantize, ReducesAPhotoWithGoodQuality) {
    Raster in = testsupport::MakeGradient(320, 240);
    Paletted out = Quantize(imaging::ToVips(in));
    ExpectConsistent(out, 320, 240);
    double psnr = testsupport::Psnr(Read(imaging::ToVips(out)), in);
    EXPECT_GE(psnr, 30.0);
    // Just over the limit: 257 colours must also come down to 256 and stay close.
    Raster many = Scattered(64, 64, 257);
    Paletted reduced = Quantize(imaging::ToVips(many));
    ExpectConsistent(reduced, 64, 64);
    EXPECT_GE(testsupport::Psnr(Read(imaging::ToVips(reduced)), many), 30.0);
}

Raster Rows(const Raster& in, int first, int rows) {
    Raster out = in;
    out.height = rows;
    const std::size_t rowBytes = std::size_t(in.width) * std::size_t(in.bands);
    out.pixels.assign(in.pixels.begin() + std::ptrdiff_t(rowBytes * std::size_t(first)),
                      in.pixels.begin() + std::ptrdiff_t(rowBytes * std::size_t(first + rows)));
    return out;
}

// A large image is mapped in bands, each with its own mapping of the one palette: every band must come out
// in that palette's colours, rows of every band mapped (a band left unmapped or read through another band's
// palette order shows as a slice of far lower PSNR), and the seam between bands must not show.
TEST(EffectsQuantize, MapsALargeImageEvenlyInEveryBand) {
    const int width = 2600;
    const int height = 1700;
    Raster in = testsupport::MakeGradient(width, height);
    Paletted out = Quantize(imaging::ToVips(in));
    ExpectConsistent(out, width, height);
    Raster back = Read(imaging::ToVips(out));
    const double whole = testsupport::Psnr(back, in);
    EXPECT_GE(whole, 28.0);
    const int slices = 17;
    for (int slice = 0; slice < slices; ++slice) {
        const int first = height * slice / slices;
        const int rows = height * (slice + 1) / slices - first;
        const double psnr = testsupport::Psnr(Rows(back, first, rows), Rows(in, first, rows));
        EXPECT_NEAR(psnr, whole, 1.5) << "rows " << first << " to " << first + rows;
    }
}

TEST(EffectsQuantize, FlattensAlphaOntoWhite) {
    vips::VImage in = imaging::ToVips(Paint(4, 1, 4, [](int x, int) {
        return std::vector<int>{200, 0, 0, x < 2 ? 0 : 255};
    }));
    Paletted out = Quantize(in);
    ExpectConsistent(out, 4, 1);
    Raster rgb = Read(imaging::ToVips(out));
    EXPECT_EQ(At(rgb, 0, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(At(rgb, 3, 0), (std::vector<int>{200, 0, 0}));
}

TEST(EffectsQuantize, HandlesASinglePixel) {
    Paletted out = Quantize(Solid(1, 1, {9, 8, 7}));
    ExpectConsistent(out, 1, 1);
    EXPECT_EQ(out.palette[out.indices[0]], (imaging::Rgb{9, 8, 7}));
}

} // namespace
