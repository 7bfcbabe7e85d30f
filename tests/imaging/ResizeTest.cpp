#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "EffectsTestSupport.h"
#include "imaging/Effects.h"
#include "imaging/Error.h"

namespace {

using namespace effectstest;
using imaging::effects::Resize;

void ExpectShape(const vips::VImage& image, int width, int height, int bands) {
    EXPECT_EQ(image.width(), width);
    EXPECT_EQ(image.height(), height);
    EXPECT_EQ(image.bands(), bands);
    EXPECT_EQ(image.format(), VIPS_FORMAT_UCHAR);
    EXPECT_EQ(image.interpretation(), VIPS_INTERPRETATION_sRGB);
}

TEST(EffectsResize, GivesExactlyTheRequestedSize) {
    struct Case {
        int fromWidth, fromHeight, toWidth, toHeight;
    };
    const Case cases[] = {
        {101, 67, 1, 1},     {101, 67, 2, 3},    {101, 67, 50, 33}, {101, 67, 100, 66},   {101, 67, 102, 68},
        {101, 67, 203, 131}, {101, 67, 317, 45}, {101, 67, 7, 300}, {1000, 10, 7, 300},   {10, 1000, 300, 7},
        {1, 1, 5, 4},        {1, 1, 1, 1},       {3, 3, 1000, 2},   {997, 991, 333, 331}, {640, 480, 641, 479},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fromWidth << "x" << c.fromHeight << " -> " << c.toWidth << "x"
                                        << c.toHeight);
        vips::VImage rgb = Gradient(c.fromWidth, c.fromHeight);
        vips::VImage rgba = rgb.bandjoin_const({200.0}).cast(VIPS_FORMAT_UCHAR);
        for (const vips::VImage& in : {rgb, rgba}) {
            vips::VImage out = Resize(in, c.toWidth, c.toHeight);
            ExpectShape(out, c.toWidth, c.toHeight, in.bands());
            Raster pixels = Read(out); // the pipeline must also evaluate at that size
            EXPECT_EQ(pixels.pixels.size(), std::size_t(c.toWidth) * c.toHeight * in.bands());
        }
    }
    // Many neighbouring targets, where off-by-one rounding would show.
    vips::VImage in = Gradient(257, 123);
    for (int w = 1; w <= 600; w += 37)
        for (int h = 1; h <= 300; h += 29) {
            vips::VImage out = Resize(in, w, h);
            ASSERT_EQ(out.width(), w);
            ASSERT_EQ(out.height(), h);
        }
}

TEST(EffectsResize, RefusesSizesOutOfRange) {
    vips::VImage in = Gradient(10, 10);
    EXPECT_THROW(Resize(in, 0, 10), imaging::Error);
    EXPECT_THROW(Resize(in, 10, -1), imaging::Error);
    EXPECT_THROW(Resize(in, 100000, 100000), imaging::Error);
}

TEST(EffectsResize, KeepsAGradientSmoothAndMonotone) {
    // A ramp of 8 levels per pixel enlarged 8 times: interpolation fills in ~1 level per pixel, while a
    // nearest-neighbour copy would keep the 8-level steps.
    Raster ramp = Paint(32, 4, 3, [](int x, int) { return std::vector<int>{x * 8, x * 8, x * 8}; });
    Raster big = Read(Resize(imaging::ToVips(ramp), 256, 4));
    for (int y = 0; y < big.height; ++y)
        for (int x = 1; x < big.width; ++x) {
            int step = At(big, x, y)[0] - At(big, x - 1, y)[0];
            EXPECT_GE(step, 0) << "at " << x << "," << y;
            EXPECT_LE(step, 3) << "at " << x << "," << y;
        }
    // The same ramp, reduced: still monotone with even steps.
    Raster fine = Paint(256, 4, 3, [](int x, int) { return std::vector<int>{x, x, x}; });
    Raster small = Read(Resize(imaging::ToVips(fine), 40, 4));
    for (int x = 1; x < small.width; ++x) {
        int step = At(small, x, 1)[0] - At(small, x - 1, 1)[0];
        EXPECT_GE(step, 4) << "at " << x;
        EXPECT_LE(step, 9) << "at " << x;
    }
}

TEST(EffectsResize, KeepsMeanBrightness) {
    vips::VImage in = Gradient(640, 427);
    for (auto [w, h] : {std::pair{213, 150}, std::pair{64, 43}, std::pair{1000, 700}, std::pair{300, 900}}) {
        vips::VImage out = Resize(in, w, h);
        for (int b = 0; b < 3; ++b)
            EXPECT_NEAR(out.extract_band(b).avg(), in.extract_band(b).avg(), 1.0)
                << "band " << b << " at " << w << "x" << h;
    }
}

TEST(EffectsResize, AveragesACheckerboardToGrey) {
    // One-pixel black and white squares: a reduction must blend them to grey everywhere, where point sampling
    // would give solid black or white (or moire). The kernel sees a repeated edge at the image border, which
    // leaves the corner a few levels off; the area as a whole must be grey.
    for (auto [size, factor] : {std::pair{64, 4}, std::pair{63, 3}, std::pair{120, 8}, std::pair{50, 2}}) {
        Raster board = Paint(size, size, 3, [](int x, int y) {
            int v = (x + y) % 2 ? 255 : 0;
            return std::vector<int>{v, v, v};
        });
        Raster out = Read(Resize(imaging::ToVips(board), size / factor, size / factor));
        double sum = 0;
        for (std::size_t i = 0; i < out.pixels.size(); ++i) {
            ASSERT_NEAR(out.pixels[i], 127.5, 8.0) << "factor " << factor << " sample " << i;
            sum += out.pixels[i];
        }
        EXPECT_NEAR(sum / double(out.pixels.size()), 127.5, 1.0) << "factor " << factor;
    }
}

TEST(EffectsResize, DoesNotBleedTransparentColour) {
    vips::VImage in = TransparentRedBesideWhite(64, 64);
    for (auto [w, h] : {std::pair{21, 21}, std::pair{150, 150}, std::pair{7, 90}}) {
        Raster out = Read(Resize(in, w, h));
        ASSERT_EQ(out.bands, 4);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                std::vector<int> p = At(out, x, y);
                if (p[3] == 0) continue;
                EXPECT_GE(p[1], 250) << w << "x" << h << " at " << x << "," << y << " alpha " << p[3];
                EXPECT_GE(p[2], 250) << w << "x" << h << " at " << x << "," << y << " alpha " << p[3];
            }
        // Far from the seam (beyond the kernel's ringing) the halves keep their transparency.
        if (w >= 20) {
            EXPECT_EQ(At(out, 0, 0)[3], 0);
            EXPECT_EQ(At(out, out.width - 1, 0)[3], 255);
        }
    }
}

TEST(EffectsResize, ShrinksLargePhotosWithoutLosingTheImage) {
    // A big reduction goes through a box pre-shrink; the result must still be the picture, not noise.
    vips::VImage in = Gradient(4000, 3000);
    vips::VImage out = Resize(in, 160, 120);
    vips::VImage reference = Gradient(160, 120);
    EXPECT_GT(testsupport::Psnr(Read(out), Read(reference)), 35.0);
}

TEST(EffectsResize, LeavesTheInputAlone) {
    Raster before = testsupport::MakeGradient(50, 40);
    vips::VImage in = imaging::ToVips(before);
    Read(Resize(in, 20, 90));
    EXPECT_EQ(Read(in).pixels, before.pixels);
    EXPECT_EQ(Read(Resize(in, 50, 40)).pixels, before.pixels);
}

} // namespace
