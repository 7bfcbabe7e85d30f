// Quantize: reduction to at most 256 colours. An image that already has no more than 256 distinct colours
// keeps them exactly (its palette is collected directly); anything else goes through libimagequant at full
// quality with Floyd-Steinberg dithering (level 1.0). Alpha is flattened onto white first, like every 8-bit save.
// The palette is chosen from an evenly spread sample of at most kPaletteSamplePixels pixels (every n-th pixel of
// every n-th row): choosing it costs about as much for a large image as for a small one, and the results are
// within a tenth of a decibel of choosing it from every pixel. Every pixel is then mapped to it, dithered.
#include "imaging/Effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <libimagequant.h>

#include "imaging/EffectsSupport.h"

namespace imaging::effects {

using namespace detail;

namespace {

struct GFree {
    void operator()(void* p) const { g_free(p); }
};
struct AttrFree {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageFree {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultFree {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

void CheckLiq(liq_error error, const char* step) {
    if (error != LIQ_OK)
        Fail(std::string("colour reduction failed (") + step + ", libimagequant error " + std::to_string(int(error)) +
             ")");
}

// The exact palette of an RGBA buffer with at most 256 distinct colours, or nothing when it has more.
std::optional<Paletted> ExactPalette(const std::uint8_t* rgba, int width, int height) {
    Paletted out;
    out.width = width;
    out.height = height;
    std::size_t count = std::size_t(width) * std::size_t(height);
    out.indices.resize(count);
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    std::uint32_t lastColour = 0;
    std::uint8_t lastIndex = 0;
    bool haveLast = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = rgba + i * 4;
        std::uint32_t colour = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        if (!haveLast || colour != lastColour) {
            auto found = indexOf.find(colour);
            if (found == indexOf.end()) {
                if (out.palette.size() == 256) return std::nullopt;
                found = indexOf.emplace(colour, std::uint8_t(out.palette.size())).first;
                out.palette.push_back(Rgb{p[0], p[1], p[2]});
            }
            lastColour = colour;
            lastIndex = found->second;
            haveLast = true;
        }
        out.indices[i] = lastIndex;
    }
    return out;
}

constexpr std::int64_t kPaletteSamplePixels = 32'000;

// Every step-th pixel of every step-th row, as an RGBA buffer of its own.
std::vector<std::uint8_t> Sample(const std::uint8_t* rgba, int width, int height, int step, int& sampledWidth,
                                 int& sampledHeight) {
    sampledWidth = (width + step - 1) / step;
    sampledHeight = (height + step - 1) / step;
    std::vector<std::uint8_t> sample(std::size_t(sampledWidth) * std::size_t(sampledHeight) * 4);
    std::uint8_t* out = sample.data();
    for (int y = 0; y < height; y += step)
        for (int x = 0; x < width; x += step, out += 4)
            std::memcpy(out, rgba + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4, 4);
    return sample;
}

// libimagequant's palette and dithered indices, with the palette cut down to the entries actually used.
Paletted QuantizeWithLiq(const std::uint8_t* rgba, int width, int height) {
    std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
    if (!attr) Fail("colour reduction failed: out of memory");
    CheckLiq(liq_set_max_colors(attr.get(), 256), "colour count");
    CheckLiq(liq_set_quality(attr.get(), 0, 100), "quality");
    std::unique_ptr<liq_image, ImageFree> image(liq_image_create_rgba(attr.get(), rgba, width, height, 0));
    if (!image) Fail("colour reduction failed: the image is too large");
    const double pixels = double(width) * double(height);
    const int step = std::max(1, int(std::ceil(std::sqrt(pixels / double(kPaletteSamplePixels)))));
    int sampledWidth = width;
    int sampledHeight = height;
    std::vector<std::uint8_t> sample;
    std::unique_ptr<liq_image, ImageFree> sampled;
    if (step > 1) {
        sample = Sample(rgba, width, height, step, sampledWidth, sampledHeight);
        sampled.reset(liq_image_create_rgba(attr.get(), sample.data(), sampledWidth, sampledHeight, 0));
        if (!sampled) Fail("colour reduction failed: out of memory");
    }
    liq_result* rawResult = nullptr;
    liq_error error = liq_image_quantize(sampled ? sampled.get() : image.get(), attr.get(), &rawResult);
    std::unique_ptr<liq_result, ResultFree> result(rawResult);
    CheckLiq(error, "quantize");
    if (!result) Fail("colour reduction failed: no result");
    CheckLiq(liq_set_dithering_level(result.get(), 1.0f), "dithering");

    Paletted out;
    out.width = width;
    out.height = height;
    out.indices.resize(std::size_t(width) * std::size_t(height));
    CheckLiq(liq_write_remapped_image(result.get(), image.get(), out.indices.data(), out.indices.size()), "remap");
    const liq_palette* palette = liq_get_palette(result.get());
    if (!palette || palette->count == 0 || palette->count > 256) Fail("colour reduction failed: no palette");

    std::array<int, 256> newIndex;
    newIndex.fill(-1);
    for (std::uint8_t index : out.indices) {
        if (index >= palette->count) Fail("colour reduction failed: index outside the palette");
        newIndex[index] = 0;
    }
    for (unsigned i = 0; i < palette->count; ++i) {
        if (newIndex[i] < 0) continue;
        newIndex[i] = int(out.palette.size());
        out.palette.push_back(Rgb{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    }
    for (std::uint8_t& index : out.indices)
        index = std::uint8_t(newIndex[index]);
    return out;
}

} // namespace

Paletted Quantize(const vips::VImage& in) {
    CheckEffectInput(in, "quantize");
    int width = in.width();
    int height = in.height();
    CheckDimensions(width, height);
    vips::VImage rgba = FlattenToRgb(in).bandjoin_const({255.0});
    std::size_t size = 0;
    std::unique_ptr<void, GFree> memory;
    try {
        memory.reset(rgba.write_to_memory(&size));
    } catch (const vips::VError& e) {
        Fail(std::string("colour reduction failed: ") + e.what());
    }
    if (!memory || size != std::size_t(width) * std::size_t(height) * 4)
        Fail("colour reduction failed: unexpected pixel buffer size");
    const auto* pixels = static_cast<const std::uint8_t*>(memory.get());
    if (std::optional<Paletted> exact = ExactPalette(pixels, width, height)) return std::move(*exact);
    return QuantizeWithLiq(pixels, width, height);
}

} // namespace imaging::effects
