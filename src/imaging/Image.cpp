#include "imaging/Image.h"

#include <cstring>
#include <memory>
#include <string>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging {

void CheckDimensions(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1) Fail("invalid image size " + std::to_string(width) + " x " + std::to_string(height));
    if (std::uint64_t(width) * std::uint64_t(height) > kMaxPixels || width > 0x7fffffff / 4 || height > 0x7fffffff / 4)
        Fail("image too large: " + std::to_string(width) + " x " + std::to_string(height), Problem::TooLarge);
}

vips::VImage CopyToVips(const std::uint8_t* data, int width, int height, int bands) {
    EnsureInitialized();
    VipsImage* image = vips_image_new_from_memory_copy(data, std::size_t(width) * height * bands, width, height, bands,
                                                       VIPS_FORMAT_UCHAR);
    if (!image) {
        std::string message = vips_error_buffer();
        vips_error_clear();
        Fail(message);
    }
    return vips::VImage(image, vips::STEAL);
}

vips::VImage GreyToRgb(const vips::VImage& image) {
    if (image.bands() != 1 && image.bands() != 2) return image;
    vips::VImage grey = image.extract_band(0);
    vips::VImage rgb = vips::VImage::bandjoin({grey, grey, grey});
    return image.bands() == 2 ? rgb.bandjoin(image.extract_band(1)) : rgb;
}

namespace {

void CheckRaster(const Raster& raster) {
    CheckDimensions(raster.width, raster.height);
    if (raster.bands < 1 || raster.bands > 4 ||
        raster.pixels.size() != std::size_t(raster.width) * raster.height * raster.bands)
        Fail("inconsistent raster");
}

// Grey (and grey + alpha) become RGB (+ alpha): every later operation works on colour. A fresh colour image
// in memory is only marked sRGB, so it stays the plain memory image it is (readers can use its pixels in place).
vips::VImage AsKept(const vips::VImage& image) {
    if (image.bands() >= 3) {
        image.get_image()->Type = VIPS_INTERPRETATION_sRGB;
        return image;
    }
    return GreyToRgb(image).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// A vips image over memory that `owner` keeps alive; the owner is deleted when the image closes.
template <class Owner>
vips::VImage OverMemory(std::unique_ptr<Owner> owner, const void* data, std::size_t size, int width, int height,
                        int bands) {
    VipsImage* image = vips_image_new_from_memory(data, size, width, height, bands, VIPS_FORMAT_UCHAR);
    if (!image) {
        std::string message = vips_error_buffer();
        vips_error_clear();
        Fail(message);
    }
    auto release = +[](VipsImage*, gpointer held) { delete static_cast<Owner*>(held); };
    g_signal_connect(image, "postclose", G_CALLBACK(release), owner.release());
    return vips::VImage(image, vips::STEAL);
}

} // namespace

vips::VImage ToVips(const Raster& raster) {
    EnsureInitialized();
    CheckRaster(raster);
    return AsKept(CopyToVips(raster.pixels.data(), raster.width, raster.height, raster.bands));
}

vips::VImage ToVips(Raster&& raster) {
    EnsureInitialized();
    CheckRaster(raster);
    // The pixels move into the image and are freed when it closes: a decoded picture is held once, not twice.
    auto pixels = std::make_unique<std::vector<std::uint8_t>>(std::move(raster.pixels));
    const std::uint8_t* data = pixels->data();
    const std::size_t size = pixels->size();
    return AsKept(OverMemory(std::move(pixels), data, size, raster.width, raster.height, raster.bands));
}

namespace {

void CheckPalettedImage(const Paletted& paletted) {
    CheckDimensions(paletted.width, paletted.height);
    std::size_t n = std::size_t(paletted.width) * paletted.height;
    if (paletted.indices.size() != n || paletted.palette.empty() || paletted.palette.size() > 256)
        Fail("inconsistent palette image");
}

// The indices, one byte a pixel, read through the palette as the pixels are asked for: the RGB picture is never
// held. Indices past the palette read as its first entry.
vips::VImage ThroughPalette(const vips::VImage& indices, const std::vector<Rgb>& palette) {
    std::vector<std::uint8_t> table(256 * 3);
    for (std::size_t index = 0; index < 256; ++index) {
        const Rgb& c = palette[index < palette.size() ? index : 0];
        table[index * 3] = c.r;
        table[index * 3 + 1] = c.g;
        table[index * 3 + 2] = c.b;
    }
    return indices.maplut(CopyToVips(table.data(), 256, 1, 3))
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

} // namespace

vips::VImage ToVips(const Paletted& paletted) {
    EnsureInitialized();
    CheckPalettedImage(paletted);
    return ThroughPalette(CopyToVips(paletted.indices.data(), paletted.width, paletted.height, 1), paletted.palette);
}

vips::VImage ToVips(std::shared_ptr<const Paletted> paletted) {
    EnsureInitialized();
    CheckPalettedImage(*paletted);
    const std::uint8_t* data = paletted->indices.data();
    const std::size_t size = paletted->indices.size();
    const int width = paletted->width, height = paletted->height;
    const std::vector<Rgb>& palette = paletted->palette;
    auto held = std::make_unique<std::shared_ptr<const Paletted>>(std::move(paletted));
    return ThroughPalette(OverMemory(std::move(held), data, size, width, height, 1), palette);
}

std::optional<vips::VImage> ShrunkOnLoad(const Image& image, int width, int height) {
    if (!image.reloadShrunk || image.paletted) return std::nullopt;
    const auto ceilDiv = [](int value, int divisor) { return (value + divisor - 1) / divisor; };
    for (int factor = image.largestShrink; factor >= 2; factor /= 2) {
        // libvips rounds a reduced side down, and a side of no pixel aborts the process: a factor is only
        // asked for when each side keeps at least one pixel.
        if (image.width < factor || image.height < factor) continue;
        const int shrunkWidth = ceilDiv(image.width, factor);
        const int shrunkHeight = ceilDiv(image.height, factor);
        if (shrunkWidth < std::int64_t(width) * image.shrinkMargin ||
            shrunkHeight < std::int64_t(height) * image.shrinkMargin)
            continue;
        // A file that changed since it was loaded is not read: the loaded pixels are used instead.
        std::optional<vips::VImage> shrunk = image.reloadShrunk(factor);
        if (shrunk && shrunk->width() == shrunkWidth && shrunk->height() == shrunkHeight &&
            shrunk->bands() == image.pixels.bands())
            return shrunk;
        return std::nullopt;
    }
    return std::nullopt;
}

vips::VImage FlattenToRgb(const vips::VImage& pixels) {
    vips::VImage image = pixels;
    if (image.bands() == 4 || image.bands() == 2)
        image = image.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    if (image.bands() == 1) image = GreyToRgb(image);
    if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);
    return image;
}

vips::VImage RgbPixels(const Image& image) {
    return image.paletted ? ToVips(image.paletted) : FlattenToRgb(image.pixels);
}

Image Detached(const Image& image) {
    Image detached;
    detached.width = image.width;
    detached.height = image.height;
    detached.bitCount = image.bitCount;
    detached.paletted = image.paletted;
    detached.comment = image.comment;
    detached.metadata = image.metadata;
    detached.source = image.source;
    detached.pixels = codecs::WholeOnDemand(image.pixels);
    // One pixel asked for computes the whole picture.
    VipsRegion* region = vips_region_new(detached.pixels.get_image());
    VipsRect first{0, 0, 1, 1};
    const bool computed = region && vips_region_prepare(region, &first) == 0;
    if (region) g_object_unref(region);
    if (!computed) codecs::FailComputing(image.pixels);
    codecs::CheckDecodes(image.pixels);
    return detached;
}

Raster ToRaster(const vips::VImage& rgb) {
    Raster raster;
    raster.width = rgb.width();
    raster.height = rgb.height();
    raster.bands = 3;
    raster.bitCount = 24;
    const std::size_t rowBytes = VIPS_IMAGE_SIZEOF_LINE(rgb.get_image());
    raster.pixels.resize(rowBytes * std::size_t(raster.height));
    // Strips of rows are computed and copied in place: the pixels are never held twice.
    struct Copy {
        std::uint8_t* out;
        std::size_t rowBytes;
        static int Strip(VipsRegion* region, VipsRect* area, void* context) {
            auto* copy = static_cast<Copy*>(context);
            for (int y = area->top; y < VIPS_RECT_BOTTOM(area); ++y)
                std::memcpy(copy->out + std::size_t(y) * copy->rowBytes, VIPS_REGION_ADDR(region, 0, y),
                            copy->rowBytes);
            return 0;
        }
    } copy{raster.pixels.data(), rowBytes};
    if (vips_sink_disc(rgb.get_image(), Copy::Strip, &copy) != 0) codecs::FailComputing(rgb);
    codecs::CheckDecodes(rgb);
    return raster;
}

} // namespace imaging
