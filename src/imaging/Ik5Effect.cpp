#include "imaging/Ik5Effect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Effects.h"
#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/VipsLoad.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging {

namespace {

// The working pixels of an image: the palette expanded for a reduced image, otherwise as stored.
vips::VImage WorkingPixels(const Image& image) {
    return image.paletted ? ToVips(image.paletted) : image.pixels;
}

// A result of an effect: the input's comment, its pixels replaced, at least 24 bits.
Image Derived(const Image& input, vips::VImage pixels) {
    Image out;
    out.width = pixels.width();
    out.height = pixels.height();
    out.bitCount = pixels.bands() == 4 ? 32 : 24;
    out.pixels = std::move(pixels);
    out.comment = input.comment;
    out.metadata = input.metadata;
    out.source = input.source;
    return out;
}

// For a freshly loaded file that carries a thumbnail at least the target size with the image's shape: the
// thumbnail, to reduce from instead of the image.
std::optional<vips::VImage> UsableThumbnail(const Image& input, int width, int height) {
    if (!input.reloadThumbnail || input.paletted) return std::nullopt;
    std::optional<vips::VImage> thumbnail = input.reloadThumbnail();
    if (!thumbnail || thumbnail->width() < width || thumbnail->height() < height ||
        thumbnail->bands() != input.pixels.bands())
        return std::nullopt;
    const double aspect = double(input.width) / input.height;
    if (std::abs(double(thumbnail->width()) / thumbnail->height() - aspect) > 0.01 * aspect) return std::nullopt;
    return thumbnail;
}

// Reductions up to this many pixels are made while the file is decoded again and held in memory.
constexpr std::int64_t kMaxReducedWhileDecoding = 16'000'000;

// A freshly loaded file that can be read again in one pass (PNG), reduced on the way: the file is decoded from
// the top a strip of rows at a time into the reduction, and only the result is held, so neither the whole image
// nor a copy of it is ever in memory. 8-bit grey and colour are reduced as stored and converted to sRGB (and
// grey to RGB) afterwards, on the few pixels left; other pixels are converted first. nullopt when that does
// not apply.
std::optional<vips::VImage> ReducedWhileDecoding(const Image& input, int width, int height) {
    if (!input.reloadStored || input.paletted || width > input.width || height > input.height ||
        std::int64_t(width) * height > kMaxReducedWhileDecoding)
        return std::nullopt;
    std::optional<vips::VImage> stored = input.reloadStored();
    if (!stored || stored->width() != input.width || stored->height() != input.height) return std::nullopt;
    const int bands = stored->bands();
    const bool plainColour = stored->format() == VIPS_FORMAT_UCHAR && (bands == 1 || bands == 3 || bands == 4) &&
                             stored->interpretation() != VIPS_INTERPRETATION_CMYK;
    vips::VImage reduced = plainColour ? codecs::ToKeptPixels(effects::ResizeDecoded(*stored, width, height))
                                       : effects::Resize(codecs::ToKeptPixels(*stored), width, height);
    if (reduced.bands() != input.pixels.bands()) return std::nullopt;
    try {
        vips::VImage copy = reduced.copy_memory();
        codecs::CheckDecodes(reduced);
        return copy;
    } catch (const vips::VError&) {
        codecs::FailComputing(reduced);
    }
}

template <typename F> auto Guarded(F&& body) {
    EnsureInitialized();
    try {
        return body();
    } catch (const vips::VError& error) {
        codecs::FailFromVips(error);
    } catch (const std::bad_alloc&) {
        Fail("not enough memory", Problem::NoMemory);
    }
}

} // namespace

std::int32_t TIk5Effect::Adopt(Image result) {
    OutImgHandle = ImageStore::Instance().Add(std::move(result));
    return 1;
}

std::int32_t TIk5Effect::Resize(std::int32_t width, std::int32_t height, std::int32_t) {
    if (width < 1 || height < 1) return 0;
    return Guarded([&] {
        auto input = ImageStore::Instance().Get(InImgHandle);
        CheckDimensions(width, height);
        if (std::optional<vips::VImage> thumbnail = UsableThumbnail(*input, width, height))
            return Adopt(Derived(*input, effects::Resize(*thumbnail, width, height)));
        // A freshly loaded file decoded at reduced scale, when that is still at least the target size.
        if (std::optional<vips::VImage> shrunk = ShrunkOnLoad(*input, width, height))
            return Adopt(Derived(*input, effects::Resize(*shrunk, width, height)));
        if (std::optional<vips::VImage> reduced = ReducedWhileDecoding(*input, width, height))
            return Adopt(Derived(*input, std::move(*reduced)));
        Image resized = Derived(*input, effects::Resize(WorkingPixels(*input), width, height));
        // At the image's own size the pixels stay the loaded ones: a palette file's indices still describe them.
        if (width == input->width && height == input->height && !input->paletted)
            resized.storedIndices = input->storedIndices;
        return Adopt(std::move(resized));
    });
}

std::int32_t TIk5Effect::ChangeColorDepth(std::int16_t bits, std::int16_t, std::int16_t, std::int16_t) {
    return Guarded([&] {
        auto input = ImageStore::Instance().Get(InImgHandle);
        if (bits == 24) {
            // The same pixels: a later resize may still decode the source at reduced scale.
            Image promoted = Derived(*input, WorkingPixels(*input));
            if (!input->paletted) {
                promoted.reloadShrunk = input->reloadShrunk;
                promoted.largestShrink = input->largestShrink;
                promoted.shrinkMargin = input->shrinkMargin;
                promoted.reloadSequential = input->reloadSequential;
                promoted.reloadStored = input->reloadStored;
                promoted.reloadThumbnail = input->reloadThumbnail;
                promoted.storedIndices = input->storedIndices;
            }
            return Adopt(std::move(promoted));
        }
        if (bits != 8) Fail("unsupported colour depth " + std::to_string(bits));
        auto paletted = std::make_shared<const Paletted>(input->storedIndices && !input->paletted
                                                             ? effects::QuantizeIndexed(*input->storedIndices)
                                                             : effects::Quantize(FlattenToRgb(WorkingPixels(*input))));
        Image out = Derived(*input, ToVips(paletted));
        out.bitCount = 8;
        out.paletted = std::move(paletted);
        return Adopt(std::move(out));
    });
}

std::int32_t TIk5Effect::RegionEffect(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count,
                                      const PixelOp& op) {
    return Guarded([&] {
        auto input = ImageStore::Instance().Get(InImgHandle);
        vips::VImage original = WorkingPixels(*input);
        vips::VImage effected = op(original);
        if (SelectMode == 1) {
            if (count < 3 || !xs || !ys) Fail("a region needs at least three points");
            effected = effects::ApplyInRegion(original, effected, std::vector<int>(xs, xs + count),
                                              std::vector<int>(ys, ys + count), InOut != 0);
        }
        return Adopt(Derived(*input, effected));
    });
}

std::int32_t TIk5Effect::Sharpen(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count,
                                 std::int16_t level) {
    int clamped = std::clamp<int>(level, 1, 100);
    return RegionEffect(xs, ys, count, [clamped](const vips::VImage& in) { return effects::Sharpen(in, clamped); });
}

std::int32_t TIk5Effect::Blur(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count, std::int16_t level) {
    int clamped = std::clamp<int>(level, 1, 20);
    return RegionEffect(xs, ys, count, [clamped](const vips::VImage& in) { return effects::Blur(in, clamped); });
}

std::int32_t TIk5Effect::Antialias(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count) {
    return RegionEffect(xs, ys, count, [](const vips::VImage& in) { return effects::Antialias(in); });
}

std::int32_t TIk5Effect::ChangeSaturation(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count,
                                          std::int32_t amount) {
    int clamped = std::clamp<int>(amount, -100, 100);
    return RegionEffect(xs, ys, count,
                        [clamped](const vips::VImage& in) { return effects::ChangeSaturation(in, clamped); });
}

std::int32_t TIk5Effect::Composite(Handle base, Handle overlay, std::int16_t opacity, std::int16_t red,
                                   std::int16_t green, std::int16_t blue, std::int16_t, std::int16_t, std::int16_t,
                                   std::int32_t x, std::int32_t y, std::int32_t) {
    return Guarded([&] {
        auto baseImage = ImageStore::Instance().Get(base);
        auto overlayImage = ImageStore::Instance().Get(overlay);
        Rgb key{std::uint8_t(std::clamp<int>(red, 0, 255)), std::uint8_t(std::clamp<int>(green, 0, 255)),
                std::uint8_t(std::clamp<int>(blue, 0, 255))};
        vips::VImage result = effects::Composite(WorkingPixels(*baseImage), WorkingPixels(*overlayImage),
                                                 std::clamp<int>(opacity, 0, 255), key, x, y);
        return Adopt(Derived(*baseImage, result));
    });
}

} // namespace imaging
