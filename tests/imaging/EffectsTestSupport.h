#pragma once
// Helpers shared by the effect tests: building small vips images and reading their pixels back.
#include <cstdint>
#include <vector>

#include <vips/vips8>

#include "TestSupport.h"
#include "imaging/Image.h"
#include "imaging/Init.h"

namespace effectstest {

using imaging::Raster;

// All bands of an 8-bit vips image, read into memory.
inline Raster Read(const vips::VImage& image) {
    vips::VImage pixels = image.format() == VIPS_FORMAT_UCHAR ? image : image.cast(VIPS_FORMAT_UCHAR);
    std::size_t size = 0;
    void* memory = pixels.write_to_memory(&size);
    Raster raster;
    raster.width = pixels.width();
    raster.height = pixels.height();
    raster.bands = pixels.bands();
    raster.pixels.assign(static_cast<std::uint8_t*>(memory), static_cast<std::uint8_t*>(memory) + size);
    g_free(memory);
    return raster;
}

// The samples of one pixel.
inline std::vector<int> At(const Raster& raster, int x, int y) {
    const std::uint8_t* p = raster.Row(y) + std::size_t(x) * raster.bands;
    return std::vector<int>(p, p + raster.bands);
}

// An image of one colour; 3 values give RGB, 4 give RGBA.
inline vips::VImage Solid(int width, int height, const std::vector<double>& values) {
    imaging::EnsureInitialized();
    Raster raster;
    raster.width = width;
    raster.height = height;
    raster.bands = int(values.size());
    raster.pixels.resize(std::size_t(width) * height * raster.bands);
    for (std::size_t i = 0; i < raster.pixels.size(); ++i)
        raster.pixels[i] = std::uint8_t(values[i % values.size()]);
    return imaging::ToVips(raster);
}

// A raster of the given size filled by pixel(x, y) -> samples.
template <typename PixelFunction> Raster Paint(int width, int height, int bands, PixelFunction pixel) {
    Raster raster;
    raster.width = width;
    raster.height = height;
    raster.bands = bands;
    raster.pixels.resize(std::size_t(width) * height * bands);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::vector<int> samples = pixel(x, y);
            for (int b = 0; b < bands; ++b)
                raster.Row(y)[std::size_t(x) * bands + b] = std::uint8_t(samples[b]);
        }
    return raster;
}

inline vips::VImage Gradient(int width, int height) {
    imaging::EnsureInitialized();
    return imaging::ToVips(testsupport::MakeGradient(width, height));
}

// Left half transparent red, right half opaque white: any red in a visible pixel is colour bleeding.
inline vips::VImage TransparentRedBesideWhite(int width, int height) {
    imaging::EnsureInitialized();
    return imaging::ToVips(Paint(width, height, 4, [width](int x, int) {
        return x < width / 2 ? std::vector<int>{255, 0, 0, 0} : std::vector<int>{255, 255, 255, 255};
    }));
}

} // namespace effectstest
