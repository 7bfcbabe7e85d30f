#include "ReadFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"

using namespace testsupport;
using imaging::Raster;

namespace bmppcxtest {
Raster ExpectedPixels(const std::string& format, const std::string& name) {
    fs::path base = DataDir() / "imaging" / "read" / format / name;
    Raster rgb = ReadPnm(base.string() + ".ppm");
    fs::path alphaPath = base.string() + ".alpha.pgm";
    if (!fs::exists(alphaPath)) return rgb;
    Raster alpha = ReadPnm(alphaPath);
    Raster rgba = rgb;
    rgba.bands = 4;
    rgba.pixels.resize(rgb.pixels.size() / 3 * 4);
    for (std::size_t i = 0; i < alpha.pixels.size(); ++i) {
        std::copy_n(rgb.pixels.begin() + std::ptrdiff_t(i * 3), 3, rgba.pixels.begin() + std::ptrdiff_t(i * 4));
        rgba.pixels[i * 4 + 3] = alpha.pixels[i];
    }
    return rgba;
}

std::vector<std::uint8_t> FixtureBytes(const std::string& format, const std::string& file) {
    return ReadBytes(DataDir() / "imaging" / "read" / format / file);
}

imaging::Paletted MakePaletted(int width, int height, int colours) {
    imaging::Paletted p;
    p.width = width;
    p.height = height;
    for (int i = 0; i < colours; ++i)
        p.palette.push_back({std::uint8_t(i * 37 % 256), std::uint8_t(255 - i), std::uint8_t(i * 101 % 256)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.indices.push_back(std::uint8_t((x + 3 * y) % colours));
    return p;
}

Raster Expand(const imaging::Paletted& p) {
    Raster r;
    r.width = p.width;
    r.height = p.height;
    for (std::uint8_t i : p.indices)
        r.pixels.insert(r.pixels.end(), {p.palette[i].r, p.palette[i].g, p.palette[i].b});
    return r;
}

void ExpectSamePixels(const Raster& actual, const Raster& expected) {
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    ASSERT_EQ(actual.bands, expected.bands);
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size());
    std::size_t differing = 0, first = 0;
    for (std::size_t i = 0; i < actual.pixels.size(); ++i)
        if (actual.pixels[i] != expected.pixels[i] && differing++ == 0) first = i;
    EXPECT_EQ(differing, 0u) << "first difference at sample " << first << " (pixel "
                             << first / std::size_t(actual.bands) << ")";
}

} // namespace bmppcxtest
