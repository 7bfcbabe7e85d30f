// Mapping onto a palette: the nearest-colour search against trying every entry, and the dithered mapping by
// what it keeps of the picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "imaging/PaletteMap.h"

namespace {

using imaging::Rgb;
using imaging::palettemap::MapDithered;
using imaging::palettemap::NearestColour;

int Distance(const Rgb& a, int r, int g, int b) {
    return (a.r - r) * (a.r - r) + (a.g - g) * (a.g - g) + (a.b - b) * (a.b - b);
}

int LeastDistance(const std::vector<Rgb>& palette, int r, int g, int b) {
    int least = INT32_MAX;
    for (const Rgb& entry : palette)
        least = std::min(least, Distance(entry, r, g, b));
    return least;
}

std::vector<Rgb> RandomPalette(std::mt19937& random, int count, int centre, int spread) {
    std::uniform_int_distribution<int> offset(-spread, spread);
    std::vector<Rgb> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(Rgb{std::uint8_t(std::clamp(centre + offset(random), 0, 255)),
                              std::uint8_t(std::clamp(centre + offset(random), 0, 255)),
                              std::uint8_t(std::clamp(centre + offset(random), 0, 255))});
    return palette;
}

TEST(PaletteMap, FindsANearestEntryForEveryColour) {
    std::mt19937 random(7);
    std::vector<std::vector<Rgb>> palettes = {
        {Rgb{0, 0, 0}},
        {Rgb{255, 255, 255}, Rgb{255, 255, 255}, Rgb{0, 0, 0}}, // a repeated entry
        RandomPalette(random, 256, 128, 128),                   // spread over the cube
        RandomPalette(random, 256, 100, 6),                     // crowded into a few cells
        RandomPalette(random, 17, 250, 10),                     // all in a corner
    };
    std::uniform_int_distribution<int> level(0, 255);
    for (std::size_t p = 0; p < palettes.size(); ++p) {
        const std::vector<Rgb>& palette = palettes[p];
        NearestColour nearest(palette);
        auto check = [&](int r, int g, int b) {
            const int k = nearest.Find(r, g, b);
            ASSERT_LT(k, int(palette.size()));
            ASSERT_EQ(Distance(palette[k], r, g, b), LeastDistance(palette, r, g, b))
                << "palette " << p << " colour " << r << "," << g << "," << b;
        };
        for (int i = 0; i < 20000; ++i)
            check(level(random), level(random), level(random));
        // The corners of the cells, where a cell's list is most easily short of an entry.
        for (int r = 0; r < 256; r += 7)
            for (int g : {0, 7, 8, 95, 96, 255})
                for (int b : {0, 7, 8, 103, 104, 255})
                    check(r, g, b);
    }
}

TEST(PaletteMap, LeavesAPictureOfPaletteColoursAsItIs) {
    std::mt19937 random(3);
    const std::vector<Rgb> palette = RandomPalette(random, 200, 128, 128);
    const int width = 37, height = 23;
    std::vector<std::uint8_t> rgb, expected;
    std::uniform_int_distribution<int> entry(0, int(palette.size()) - 1);
    for (int i = 0; i < width * height; ++i) {
        const Rgb& c = palette[std::size_t(entry(random))];
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
    }
    std::vector<std::uint8_t> indices(std::size_t(width) * height);
    MapDithered(rgb.data(), width, height, 0, height, palette, indices.data());
    for (int i = 0; i < width * height; ++i) {
        const Rgb& c = palette[indices[std::size_t(i)]];
        ASSERT_EQ((std::vector<int>{c.r, c.g, c.b}), (std::vector<int>{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]}))
            << "pixel " << i;
    }
}

// A smooth grey ramp onto greys 32 levels apart: the nearest grey alone is up to 16 levels off over wide bands;
// dithered, every 8 x 8 block keeps its mean within 3 levels. Only the rows asked for are written.
TEST(PaletteMap, DithersASmoothRampToItsOwnToneAndWritesOnlyItsRows) {
    std::vector<Rgb> greys;
    for (int v = 0; v <= 256; v += 32)
        greys.push_back(
            Rgb{std::uint8_t(std::min(v, 255)), std::uint8_t(std::min(v, 255)), std::uint8_t(std::min(v, 255))});
    const int width = 256, height = 48;
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(), 3, std::uint8_t(x));
    const int first = 8, rows = 32;
    std::vector<std::uint8_t> indices(std::size_t(width) * height, 0xEE);
    MapDithered(rgb.data(), width, height, first, rows, greys, indices.data());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = y >= first && y < first + rows;
            ASSERT_EQ(indices[std::size_t(y) * width + x] == 0xEE, !inside) << x << "," << y;
        }
    for (int by = first; by < first + rows; by += 8)
        for (int bx = 0; bx < width; bx += 8) {
            int source = 0, mapped = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    source += x;
                    mapped += greys[indices[std::size_t(y) * width + x]].r;
                }
            EXPECT_NEAR(mapped / 64.0, source / 64.0, 3.0) << "block at " << bx << "," << by;
        }
}

} // namespace
