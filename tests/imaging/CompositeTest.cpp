// Drawing one image onto another, and applying an effect inside a polygon.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "EffectsTestSupport.h"
#include "imaging/Effects.h"
#include "imaging/Error.h"

namespace {

using namespace effectstest;
using imaging::Rgb;
using imaging::effects::ApplyInRegion;
using imaging::effects::Composite;

const std::vector<double> kBaseColour{10, 20, 30};

// Every pixel of a composite at full opacity: the overlay where it lands, the base elsewhere.
void ExpectPlaced(const vips::VImage& result, const vips::VImage& base, const vips::VImage& overlay, int ox, int oy) {
    ASSERT_EQ(result.width(), base.width());
    ASSERT_EQ(result.height(), base.height());
    ASSERT_EQ(result.bands(), base.bands());
    Raster out = Read(result);
    Raster under = Read(base);
    Raster over = Read(overlay);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int u = x - ox, v = y - oy;
            bool covered = u >= 0 && v >= 0 && u < over.width && v < over.height;
            std::vector<int> expected = covered ? At(over, u, v) : At(under, x, y);
            ASSERT_EQ(At(out, x, y), expected) << "at " << x << "," << y << (covered ? " (overlay)" : " (base)");
        }
}

TEST(EffectsComposite, OpacityBlendsFromBaseToOverlay) {
    vips::VImage base = Solid(40, 30, kBaseColour);
    vips::VImage overlay = Gradient(10, 8);
    ExpectPlaced(Composite(base, overlay, 255, std::nullopt, 5, 6), base, overlay, 5, 6);
    EXPECT_EQ(Read(Composite(base, overlay, 0, std::nullopt, 5, 6)).pixels, Read(base).pixels);

    Raster half = Read(Composite(base, overlay, 128, std::nullopt, 5, 6));
    Raster over = Read(overlay);
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 10; ++u)
            for (int b = 0; b < 3; ++b) {
                double expected = kBaseColour[b] * 127.0 / 255.0 + At(over, u, v)[b] * 128.0 / 255.0;
                ASSERT_NEAR(At(half, u + 5, v + 6)[b], expected, 1.0) << u << "," << v << " band " << b;
            }
    EXPECT_EQ(At(half, 4, 6), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(At(half, 15, 13), (std::vector<int>{10, 20, 30}));
}

TEST(EffectsComposite, SkipsTheKeyColour) {
    const Rgb key{255, 0, 255};
    vips::VImage overlay = imaging::ToVips(Paint(12, 12, 3, [](int x, int y) {
        return (x + y) % 3 == 0 ? std::vector<int>{255, 0, 255} : std::vector<int>{0, 200, 0};
    }));
    vips::VImage base = Solid(20, 20, kBaseColour);
    Raster out = Read(Composite(base, overlay, 255, key, 4, 4));
    for (int v = 0; v < 12; ++v)
        for (int u = 0; u < 12; ++u) {
            std::vector<int> expected = (u + v) % 3 == 0 ? std::vector<int>{10, 20, 30} : std::vector<int>{0, 200, 0};
            ASSERT_EQ(At(out, u + 4, v + 4), expected) << u << "," << v;
        }
    // A near-miss of the key is drawn: only the exact colour is transparent.
    vips::VImage almost = Solid(2, 2, {255, 1, 255});
    EXPECT_EQ(At(Read(Composite(base, almost, 255, key, 0, 0)), 1, 1), (std::vector<int>{255, 1, 255}));
}

TEST(EffectsComposite, ClipsAnOverlayHangingOverAnyEdge) {
    vips::VImage base = Gradient(40, 30).linear({-1.0}, {255.0}).cast(VIPS_FORMAT_UCHAR);
    vips::VImage overlay = Gradient(10, 8);
    for (auto [x, y] : {std::pair{-3, -2}, std::pair{35, 25}, std::pair{-9, 24}, std::pair{33, -7}, std::pair{0, 0},
                        std::pair{30, 22}}) {
        SCOPED_TRACE(testing::Message() << "overlay at " << x << "," << y);
        ExpectPlaced(Composite(base, overlay, 255, std::nullopt, x, y), base, overlay, x, y);
    }
    // Larger than the base in both directions.
    vips::VImage big = Gradient(100, 80);
    ExpectPlaced(Composite(base, big, 255, std::nullopt, -20, -10), base, big, -20, -10);
}

TEST(EffectsComposite, OverlayOutsideTheBaseChangesNothing) {
    vips::VImage base = Gradient(40, 30);
    vips::VImage overlay = Solid(10, 8, {255, 255, 255});
    for (auto [x, y] : {std::pair{40, 0}, std::pair{-10, 0}, std::pair{0, -8}, std::pair{0, 30}, std::pair{1000, 1000},
                        std::pair{INT_MAX, INT_MAX}, std::pair{INT_MIN, INT_MIN}, std::pair{INT_MAX, 0}}) {
        vips::VImage out = Composite(base, overlay, 255, std::nullopt, x, y);
        EXPECT_EQ(Read(out).pixels, Read(base).pixels) << "overlay at " << x << "," << y;
    }
}

TEST(EffectsComposite, HonoursOverlayAlpha) {
    // Columns of alpha 0, 128 and 255 in an otherwise white overlay.
    vips::VImage overlay = imaging::ToVips(Paint(3, 1, 4, [](int x, int) {
        return std::vector<int>{250, 250, 250, x == 0 ? 0 : x == 1 ? 128 : 255};
    }));
    vips::VImage base = Solid(3, 1, {50, 50, 50});
    Raster full = Read(Composite(base, overlay, 255, std::nullopt, 0, 0));
    EXPECT_EQ(full.bands, 3);
    EXPECT_EQ(At(full, 0, 0), (std::vector<int>{50, 50, 50}));
    EXPECT_NEAR(At(full, 1, 0)[0], 50 + 200 * 128 / 255.0, 1.0);
    EXPECT_EQ(At(full, 2, 0), (std::vector<int>{250, 250, 250}));
    // Opacity and alpha multiply.
    Raster half = Read(Composite(base, overlay, 128, std::nullopt, 0, 0));
    EXPECT_EQ(At(half, 0, 0)[0], 50);
    EXPECT_NEAR(At(half, 1, 0)[0], 50 + 200 * (128 / 255.0) * (128 / 255.0), 1.0);
    EXPECT_NEAR(At(half, 2, 0)[0], 50 + 200 * 128 / 255.0, 1.0);
}

TEST(EffectsComposite, KeepsTheBaseAlpha) {
    vips::VImage opaqueBase = Solid(6, 6, {10, 20, 30, 255});
    Raster out = Read(Composite(opaqueBase, Solid(2, 2, {200, 100, 0}), 128, std::nullopt, 1, 1));
    ASSERT_EQ(out.bands, 4);
    EXPECT_EQ(At(out, 0, 0), (std::vector<int>{10, 20, 30, 255}));
    std::vector<int> mixed = At(out, 1, 1);
    EXPECT_NEAR(mixed[0], 10 + 190 * 128 / 255.0, 1.0);
    EXPECT_EQ(mixed[3], 255);

    // On a transparent base, the overlay shows its own colour; the base's invisible colour does not tint it.
    vips::VImage clearBase = Solid(6, 6, {0, 0, 0, 0});
    Raster onClear = Read(Composite(clearBase, Solid(2, 2, {200, 100, 50}), 128, std::nullopt, 1, 1));
    EXPECT_EQ(At(onClear, 0, 0), (std::vector<int>{0, 0, 0, 0}));
    std::vector<int> p = At(onClear, 2, 2);
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{200, 100, 50}));
    EXPECT_NEAR(p[3], 128, 1);
    Raster full = Read(Composite(clearBase, Solid(2, 2, {200, 100, 50}), 255, std::nullopt, 1, 1));
    EXPECT_EQ(At(full, 1, 1), (std::vector<int>{200, 100, 50, 255}));
}

TEST(EffectsComposite, LeavesTheInputsAlone) {
    Raster baseBefore = testsupport::MakeGradient(30, 20);
    vips::VImage base = imaging::ToVips(baseBefore);
    vips::VImage overlay = Solid(10, 10, {1, 2, 3});
    Read(Composite(base, overlay, 255, std::nullopt, 3, 3));
    EXPECT_EQ(Read(base).pixels, baseBefore.pixels);
    EXPECT_EQ(Read(overlay).pixels, Read(Solid(10, 10, {1, 2, 3})).pixels);
}

class EffectsRegion : public testing::Test {
protected:
    vips::VImage original = Solid(40, 40, {0, 0, 0});
    vips::VImage effected = Solid(40, 40, {255, 255, 255});

    // 255 where the result took the effected pixel, 0 where it kept the original.
    Raster Pick(const std::vector<int>& xs, const std::vector<int>& ys, bool inside) {
        return Read(ApplyInRegion(original, effected, xs, ys, inside).extract_band(0));
    }
};

TEST_F(EffectsRegion, WholeImagePolygonGivesTheEffectedImage) {
    Raster all = Pick({0, 40, 40, 0}, {0, 0, 40, 40}, true);
    EXPECT_EQ(all.pixels, std::vector<std::uint8_t>(40 * 40, 255));
    Raster none = Pick({0, 40, 40, 0}, {0, 0, 40, 40}, false);
    EXPECT_EQ(none.pixels, std::vector<std::uint8_t>(40 * 40, 0));
    // The same rectangle traced the other way round, or larger than the image.
    EXPECT_EQ(Pick({0, 0, 40, 40}, {0, 40, 40, 0}, true).pixels, all.pixels);
    EXPECT_EQ(Pick({-5, 50, 50, -5}, {-5, -5, 45, 45}, true).pixels, all.pixels);
}

TEST_F(EffectsRegion, TriangleSplitsInsideFromOutside) {
    for (bool inside : {true, false}) {
        Raster out = Pick({0, 40, 0}, {0, 0, 40}, inside);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                if (x + y == 38 || x + y == 39) continue; // pixels the hypotenuse cuts through
                bool inTriangle = x + y < 38;
                int expected = inTriangle == inside ? 255 : 0;
                ASSERT_EQ(At(out, x, y)[0], expected) << "at " << x << "," << y << " inside=" << inside;
            }
    }
}

TEST_F(EffectsRegion, ConcavePolygonKeepsItsNotch) {
    // A "U": the notch between the arms stays original.
    Raster out = Pick({5, 35, 35, 25, 25, 15, 15, 5}, {5, 5, 35, 35, 15, 15, 35, 35}, true);
    EXPECT_EQ(At(out, 10, 30)[0], 255); // left arm
    EXPECT_EQ(At(out, 30, 30)[0], 255); // right arm
    EXPECT_EQ(At(out, 20, 10)[0], 255); // bottom of the U
    EXPECT_EQ(At(out, 20, 30)[0], 0);   // the notch
    EXPECT_EQ(At(out, 2, 2)[0], 0);     // outside
    EXPECT_EQ(At(out, 5, 5)[0], 255);   // first pixel inside the corner
    EXPECT_EQ(At(out, 34, 34)[0], 255); // last one
    EXPECT_EQ(At(out, 35, 34)[0], 0);
}

TEST_F(EffectsRegion, PolygonBeyondTheImageIsClipped) {
    Raster out = Pick({-100, 30, -100}, {-100, 20, 140}, true);
    EXPECT_EQ(At(out, 0, 0)[0], 255);
    EXPECT_EQ(At(out, 0, 39)[0], 255);
    EXPECT_EQ(At(out, 39, 20)[0], 0);
    Raster away = Pick({100, 200, 150}, {100, 100, 200}, true);
    EXPECT_EQ(away.pixels, std::vector<std::uint8_t>(40 * 40, 0));
    Raster awayOutside = Pick({100, 200, 150}, {100, 100, 200}, false);
    EXPECT_EQ(awayOutside.pixels, std::vector<std::uint8_t>(40 * 40, 255));
}

TEST_F(EffectsRegion, DegenerateOrMismatchedInputs) {
    EXPECT_EQ(Pick({1, 30}, {1, 30}, true).pixels, std::vector<std::uint8_t>(40 * 40, 0));
    EXPECT_EQ(Pick({}, {}, false).pixels, std::vector<std::uint8_t>(40 * 40, 255));
    EXPECT_THROW(ApplyInRegion(original, effected, {0, 10, 10}, {0, 10}, true), imaging::Error);
    EXPECT_THROW(ApplyInRegion(original, Solid(39, 40, {1, 1, 1}), {0, 10, 0}, {0, 0, 10}, true), imaging::Error);
    EXPECT_THROW(ApplyInRegion(original, Solid(40, 40, {1, 1, 1, 1}), {0, 10, 0}, {0, 0, 10}, true), imaging::Error);
}

} // namespace
