// Sharpen, blur, edge smoothing and saturation, judged by the pixels they produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "EffectsTestSupport.h"
#include "imaging/Effects.h"
#include "imaging/Error.h"

namespace {

using namespace effectstest;
using namespace imaging::effects;

// A vertical edge: columns left of the middle at `dark`, the rest at `light`.
vips::VImage Edge(int width, int height, int dark, int light) {
    imaging::EnsureInitialized();
    return imaging::ToVips(Paint(width, height, 3, [=](int x, int) {
        int v = x < width / 2 ? dark : light;
        return std::vector<int>{v, v, v};
    }));
}

// The spread of values (max - min) a filter produced across an edge.
int Range(const vips::VImage& image) {
    return int(image.max() - image.min());
}

// How many pixels of a row lie strictly between the two sides of an edge.
int TransitionWidth(const Raster& raster, int y, int dark, int light) {
    int count = 0;
    for (int x = 0; x < raster.width; ++x) {
        int v = At(raster, x, y)[0];
        if (v > dark + 2 && v < light - 2) ++count;
    }
    return count;
}

void ExpectSameShape(const vips::VImage& out, const vips::VImage& in) {
    EXPECT_EQ(out.width(), in.width());
    EXPECT_EQ(out.height(), in.height());
    EXPECT_EQ(out.bands(), in.bands());
    EXPECT_EQ(out.format(), VIPS_FORMAT_UCHAR);
}

TEST(EffectsSharpen, RaisesEdgeContrastMoreAtHigherLevels) {
    vips::VImage edge = Edge(64, 16, 80, 170);
    int previous = Range(edge);
    EXPECT_LE(Range(Sharpen(edge, 1)), previous + 2); // level 1 is barely visible
    for (int level : {10, 40, 70, 100}) {
        vips::VImage out = Sharpen(edge, level);
        ExpectSameShape(out, edge);
        int range = Range(out);
        EXPECT_GT(range, previous) << "level " << level;
        previous = range;
    }
    EXPECT_GT(previous, 90 + 60); // level 100 is strong
}

TEST(EffectsSharpen, ClipsInsteadOfWrappingAround) {
    Raster out = Read(Sharpen(Edge(32, 8, 0, 255), 100));
    for (int x = 0; x < 32; ++x)
        EXPECT_EQ(At(out, x, 4)[0], x < 16 ? 0 : 255) << "at " << x;
}

TEST(EffectsSharpen, LeavesFlatAreasAndAlphaAlone) {
    vips::VImage flat = Solid(40, 30, {30, 120, 220, 77});
    vips::VImage out = Sharpen(flat, 100);
    ExpectSameShape(out, flat);
    EXPECT_EQ(Read(out).pixels, Read(flat).pixels);
    Raster photo = Read(Sharpen(Gradient(60, 40).bandjoin_const({99.0}).cast(VIPS_FORMAT_UCHAR), 50));
    for (int y = 0; y < photo.height; ++y)
        for (int x = 0; x < photo.width; ++x)
            ASSERT_EQ(At(photo, x, y)[3], 99);
}

TEST(EffectsBlur, SpreadsAnEdgeWiderAtHigherLevels) {
    vips::VImage edge = Edge(200, 8, 0, 255);
    int previous = 0;
    for (int level : {1, 3, 8, 20}) {
        vips::VImage out = Blur(edge, level);
        ExpectSameShape(out, edge);
        int width = TransitionWidth(Read(out), 4, 0, 255);
        EXPECT_GT(width, previous) << "level " << level;
        previous = width;
    }
    EXPECT_GE(previous, 30);
}

TEST(EffectsBlur, KeepsFlatImagesFlatUpToTheBorder) {
    for (const std::vector<double>& colour :
         {std::vector<double>{90, 140, 200}, std::vector<double>{90, 140, 200, 128}, std::vector<double>{48, 112, 176},
          std::vector<double>{0, 255, 1}, std::vector<double>{255, 254, 253}}) {
        vips::VImage flat = Solid(50, 30, colour);
        for (int level : {1, 2, 5, 6, 10, 20}) {
            vips::VImage out = Blur(flat, level);
            ExpectSameShape(out, flat);
            EXPECT_EQ(Read(out).pixels, Read(flat).pixels)
                << colour[0] << "," << colour[1] << "," << colour[2] << " level " << level;
        }
    }
}

TEST(EffectsBlur, DoesNotBleedTransparentColour) {
    Raster out = Read(Blur(TransparentRedBesideWhite(64, 16), 10));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            std::vector<int> p = At(out, x, y);
            if (p[3] == 0) continue;
            ASSERT_GE(p[1], 250) << "at " << x << "," << y << " alpha " << p[3];
            ASSERT_GE(p[2], 250) << "at " << x << "," << y << " alpha " << p[3];
        }
    EXPECT_GT(At(out, 30, 8)[3], 0); // the alpha edge itself is blurred
    EXPECT_LT(At(out, 33, 8)[3], 255);
}

TEST(EffectsAntialias, LeavesFlatAreasAndGradientsExactly) {
    for (const vips::VImage& in : {Solid(40, 30, {12, 200, 99}), Gradient(200, 150), Solid(20, 20, {1, 2, 3, 4})}) {
        vips::VImage out = Antialias(in);
        ExpectSameShape(out, in);
        EXPECT_EQ(Read(out).pixels, Read(in).pixels);
    }
}

TEST(EffectsAntialias, SoftensAStaircaseEdgeOnly) {
    // A hard diagonal: white above it, black below, every step a jagged pixel corner.
    vips::VImage in = imaging::ToVips(Paint(64, 64, 3, [](int x, int y) {
        int v = x > y ? 255 : 0;
        return std::vector<int>{v, v, v};
    }));
    Raster out = Read(Antialias(in));
    int intermediate = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            int v = At(out, x, y)[0];
            if (std::abs(x - y) > 4) {
                ASSERT_EQ(v, x > y ? 255 : 0) << "away from the edge at " << x << "," << y;
            } else if (v > 10 && v < 245) {
                ++intermediate;
            }
        }
    EXPECT_GE(intermediate, 2 * 64);
}

TEST(EffectsSaturation, MinusHundredGivesGreyOfTheSameBrightness) {
    Raster in = testsupport::MakeGradient(120, 80);
    for (const vips::VImage& image :
         {imaging::ToVips(in), imaging::ToVips(in).bandjoin_const({50.0}).cast(VIPS_FORMAT_UCHAR)}) {
        vips::VImage grey = ChangeSaturation(image, -100);
        ExpectSameShape(grey, image);
        Raster out = Read(grey);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                std::vector<int> p = At(out, x, y);
                std::vector<int> q = At(in, x, y);
                ASSERT_EQ(p[0], p[1]) << "at " << x << "," << y;
                ASSERT_EQ(p[1], p[2]) << "at " << x << "," << y;
                double luma = 0.299 * q[0] + 0.587 * q[1] + 0.114 * q[2];
                ASSERT_NEAR(p[0], luma, 1.0) << "at " << x << "," << y;
                if (out.bands == 4) {
                    ASSERT_EQ(p[3], 50);
                }
            }
    }
}

TEST(EffectsSaturation, ZeroChangesNothingAndTheSignPicksTheDirection) {
    vips::VImage in = Gradient(64, 48);
    EXPECT_EQ(Read(ChangeSaturation(in, 0)).pixels, Read(in).pixels);

    vips::VImage muted = Solid(4, 4, {160, 110, 100});
    auto spread = [](const vips::VImage& image) {
        std::vector<int> p = At(Read(image), 1, 1);
        return *std::max_element(p.begin(), p.end()) - *std::min_element(p.begin(), p.end());
    };
    EXPECT_GT(spread(ChangeSaturation(muted, 50)), spread(muted));
    EXPECT_GT(spread(ChangeSaturation(muted, 100)), spread(ChangeSaturation(muted, 50)));
    EXPECT_LT(spread(ChangeSaturation(muted, -50)), spread(muted));
    EXPECT_GT(spread(ChangeSaturation(muted, -50)), 0);
    // Already-grey pixels have nothing to saturate.
    vips::VImage grey = Solid(4, 4, {77, 77, 77});
    EXPECT_EQ(Read(ChangeSaturation(grey, 100)).pixels, Read(grey).pixels);
}

TEST(EffectsInput, RefusesImagesThatAreNotEightBitColour) {
    imaging::EnsureInitialized();
    vips::VImage grey = vips::VImage::black(8, 8).cast(VIPS_FORMAT_UCHAR);
    vips::VImage wide = vips::VImage::black(8, 8, vips::VImage::option()->set("bands", 3)).cast(VIPS_FORMAT_USHORT);
    for (const vips::VImage& bad : {grey, wide}) {
        EXPECT_THROW(Blur(bad, 3), imaging::Error);
        EXPECT_THROW(Sharpen(bad, 3), imaging::Error);
        EXPECT_THROW(Antialias(bad), imaging::Error);
        EXPECT_THROW(ChangeSaturation(bad, 3), imaging::Error);
        EXPECT_THROW(Resize(bad, 3, 3), imaging::Error);
        EXPECT_THROW(Quantize(bad), imaging::Error);
    }
}

} // namespace
