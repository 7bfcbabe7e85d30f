// Quantize: reduction to at most 256 colours. An image that already has no more than 256 distinct colours
// keeps them exactly (its palette is collected directly); for anything else libimagequant chooses the palette at
// full quality, and every pixel is then mapped onto it with error diffusion where the picture is smooth
// (PaletteMap). Alpha is flattened onto white first, like every 8-bit save. The palette is chosen from an evenly
// spread sample of at most kPaletteSamplePixels pixels (every n-th pixel of every n-th row): choosing it costs
// about as much for a large image as for a small one, and the results are within a tenth of a decibel of
// choosing it from every pixel. A large image is mapped in bands at once, one per core.
#include "imaging/Effects.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <libimagequant.h>

#include "imaging/EffectsSupport.h"
#include "imaging/PaletteMap.h"
#include "imaging/codecs/VipsRows.h"

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

// The exact palette of a picture with at most 256 distinct colours, or nothing when it has more: each colour once,
// in the order the pixels first show it. colourAt(i) is pixel i's colour as 0xRRGGBB.
template <typename ColourAt> std::optional<Paletted> ExactPalette(int width, int height, ColourAt colourAt) {
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
        const std::uint32_t colour = colourAt(i);
        if (!haveLast || colour != lastColour) {
            auto found = indexOf.find(colour);
            if (found == indexOf.end()) {
                if (out.palette.size() == 256) return std::nullopt;
                found = indexOf.emplace(colour, std::uint8_t(out.palette.size())).first;
                out.palette.push_back(Rgb{std::uint8_t(colour >> 16), std::uint8_t(colour >> 8), std::uint8_t(colour)});
            }
            lastColour = colour;
            lastIndex = found->second;
            haveLast = true;
        }
        out.indices[i] = lastIndex;
    }
    return out;
}

std::optional<Paletted> ExactPalette(const std::uint8_t* rgb, int width, int height) {
    return ExactPalette(width, height, [rgb](std::size_t i) {
        const std::uint8_t* p = rgb + i * 3;
        return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    });
}

// libimagequant's speed 6 on a sample of 20,000 pixels chooses palettes within 0.2 dB of its default speed on
// 32,000 pixels (photos mapped at 640 x 400 and 2560 x 1600), in a third of the time.
constexpr std::int64_t kPaletteSamplePixels = 20'000;
constexpr int kPaletteSpeed = 6;

// Every step-th pixel of every step-th row of an RGB buffer, as an opaque RGBA buffer of its own.
std::vector<std::uint8_t> Sample(const std::uint8_t* rgb, int width, int height, int step, int& sampledWidth,
                                 int& sampledHeight) {
    sampledWidth = (width + step - 1) / step;
    sampledHeight = (height + step - 1) / step;
    std::vector<std::uint8_t> sample(std::size_t(sampledWidth) * std::size_t(sampledHeight) * 4);
    std::uint8_t* out = sample.data();
    for (int y = 0; y < height; y += step)
        for (int x = 0; x < width; x += step, out += 4) {
            std::memcpy(out, rgb + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3, 3);
            out[3] = 255;
        }
    return sample;
}

// One palette chosen by libimagequant, with the sample it was chosen from.
struct ChosenPalette {
    std::unique_ptr<liq_attr, AttrFree> attr;
    std::vector<std::uint8_t> sample; // RGBA
    std::unique_ptr<liq_image, ImageFree> sampled;
    std::unique_ptr<liq_result, ResultFree> result;
};

// Chooses the palette from an evenly spread sample of the image (all of it when it is small).
ChosenPalette ChoosePalette(const std::uint8_t* rgb, int width, int height) {
    ChosenPalette chosen;
    chosen.attr.reset(liq_attr_create());
    if (!chosen.attr) Fail("colour reduction failed: out of memory");
    CheckLiq(liq_set_max_colors(chosen.attr.get(), 256), "colour count");
    CheckLiq(liq_set_quality(chosen.attr.get(), 0, 100), "quality");
    CheckLiq(liq_set_speed(chosen.attr.get(), kPaletteSpeed), "speed");
    const double pixels = double(width) * double(height);
    const int step = std::max(1, int(std::ceil(std::sqrt(pixels / double(kPaletteSamplePixels)))));
    int sampledWidth = width;
    int sampledHeight = height;
    chosen.sample = Sample(rgb, width, height, step, sampledWidth, sampledHeight);
    chosen.sampled.reset(
        liq_image_create_rgba(chosen.attr.get(), chosen.sample.data(), sampledWidth, sampledHeight, 0));
    if (!chosen.sampled) Fail("colour reduction failed: the image is too large");
    liq_result* rawResult = nullptr;
    liq_error error = liq_image_quantize(chosen.sampled.get(), chosen.attr.get(), &rawResult);
    chosen.result.reset(rawResult);
    CheckLiq(error, "quantize");
    if (!chosen.result) Fail("colour reduction failed: no result");
    return chosen;
}

// A picture of more than a megapixel is mapped in as many bands as there are cores, all at once. The error
// carried over a band's first row starts afresh, which no eye can tell.
constexpr double kBandPixels = 1000.0 * 1000.0;

int BandCount(int width, int height) {
    const double pixels = double(width) * double(height);
    if (pixels <= kBandPixels) return 1;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(std::min(cores, 8), 1, std::max(1, height / 16));
}

// Maps the image onto `palette` band by band, as many bands at once as there are cores.
void MapInBands(std::span<const Rgb> palette, int bands, const std::uint8_t* rgb, int width, int height,
                std::uint8_t* indices) {
    std::atomic<int> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (int band = next++; band < bands; band = next++) {
                const int first = int(std::int64_t(height) * band / bands);
                const int rows = int(std::int64_t(height) * (band + 1) / bands) - first;
                palettemap::MapDithered(rgb, width, height, first, rows, palette, indices);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(failureLock);
            if (!failure) failure = std::current_exception();
            next = bands;
        }
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < bands; ++i)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure) std::rethrow_exception(failure);
}

// libimagequant's palette and the picture mapped onto it, with the palette cut down to the entries actually used.
Paletted QuantizeWithLiq(const std::uint8_t* rgb, int width, int height) {
    Paletted out;
    out.width = width;
    out.height = height;
    out.indices.resize(std::size_t(width) * std::size_t(height));
    ChosenPalette chosen = ChoosePalette(rgb, width, height);
    const liq_palette* palette = liq_get_palette(chosen.result.get());
    if (!palette || palette->count == 0 || palette->count > 256) Fail("colour reduction failed: no palette");
    std::vector<Rgb> entries;
    for (unsigned i = 0; i < palette->count; ++i)
        entries.push_back(Rgb{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    MapInBands(entries, BandCount(width, height), rgb, width, height, out.indices.data());

    std::array<int, 256> newIndex;
    newIndex.fill(-1);
    for (std::uint8_t index : out.indices) {
        if (index >= entries.size()) Fail("colour reduction failed: index outside the palette");
        newIndex[index] = 0;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (newIndex[i] < 0) continue;
        newIndex[i] = int(out.palette.size());
        out.palette.push_back(entries[i]);
    }
    for (std::uint8_t& index : out.indices)
        index = std::uint8_t(newIndex[index]);
    return out;
}

// The RGB pixels of an image, row after row: the image's own memory when it is held in memory already (a
// decoded BMP, PCX or FlashPix picture), else a copy made for the reduction.
class RgbBuffer {
public:
    explicit RgbBuffer(const vips::VImage& rgb) : image_(rgb) {
        const VipsImage* raw = rgb.get_image();
        const std::size_t size = std::size_t(rgb.width()) * std::size_t(rgb.height()) * 3;
        if ((raw->dtype == VIPS_IMAGE_SETBUF || raw->dtype == VIPS_IMAGE_SETBUF_FOREIGN) && raw->data &&
            VIPS_IMAGE_SIZEOF_IMAGE(raw) == size) {
            data_ = static_cast<const std::uint8_t*>(static_cast<const void*>(raw->data));
            return;
        }
        std::size_t written = 0;
        try {
            copy_.reset(rgb.write_to_memory(&written));
        } catch (const vips::VError& e) {
            codecs::CheckDecodes(rgb);
            Fail(std::string("colour reduction failed: ") + e.what());
        }
        if (!copy_ || written != size) Fail("colour reduction failed: unexpected pixel buffer size");
        codecs::CheckDecodes(rgb);
        data_ = static_cast<const std::uint8_t*>(copy_.get());
    }
    const std::uint8_t* data() const { return data_; }

private:
    vips::VImage image_;
    std::unique_ptr<void, GFree> copy_;
    const std::uint8_t* data_ = nullptr;
};

} // namespace

Paletted QuantizeIndexed(const Paletted& in) {
    CheckDimensions(in.width, in.height);
    if (in.palette.empty() || in.palette.size() > 256 ||
        in.indices.size() != std::size_t(in.width) * std::size_t(in.height))
        Fail("colour reduction failed: inconsistent palette image");
    // Indices past the palette read as its first entry, as the picture shows them.
    std::array<std::uint32_t, 256> colours;
    for (std::size_t index = 0; index < 256; ++index) {
        const Rgb& c = in.palette[index < in.palette.size() ? index : 0];
        colours[index] = std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
    }
    // At most 256 indices: never more than 256 colours.
    return *ExactPalette(in.width, in.height, [&](std::size_t i) { return colours[in.indices[i]]; });
}

Paletted Quantize(const vips::VImage& in) {
    CheckEffectInput(in, "quantize");
    int width = in.width();
    int height = in.height();
    CheckDimensions(width, height);
    vips::VImage rgb = FlattenToRgb(in);
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("colour reduction failed: not an RGB image");
    RgbBuffer pixels(rgb);
    if (std::optional<Paletted> exact = ExactPalette(pixels.data(), width, height)) return std::move(*exact);
    return QuantizeWithLiq(pixels.data(), width, height);
}

} // namespace imaging::effects
