#pragma once
// What an image handle names: its size, its bit depth as loaded, its pixels and its comment.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <vips/vips8>

namespace imaging {

// Images larger than this are refused on load: no photo needs more, and it bounds memory.
inline constexpr std::uint64_t kMaxPixels = 1'000'000'000ULL;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Decoded pixels in memory: 8 bits per sample, interleaved, rows top-down.
// bands: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA (straight alpha).
struct Raster {
    int width = 0;
    int height = 0;
    int bands = 3;
    int bitCount = 24; // the depth the source stored (1, 4, 8, 16, 24, 32)
    std::vector<std::uint8_t> pixels;
    std::string comment;

    std::uint8_t* Row(int y) { return pixels.data() + std::size_t(y) * width * bands; }
    const std::uint8_t* Row(int y) const { return pixels.data() + std::size_t(y) * width * bands; }
};

// An image reduced to at most 256 colours: one index per pixel into the palette.
struct Paletted {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<Rgb> palette;
};

// The metadata of the file an image was loaded from, as its file carries it (EXIF as libvips keeps it:
// "Exif\0\0" and the TIFF structure; the XMP packet). Kept through every effect, for a save that carries it over.
struct SourceMetadata {
    std::vector<std::uint8_t> exif;
    std::string xmp;
};

struct Image {
    int width = 0;
    int height = 0;
    int bitCount = 24;
    // Pixels: an 8-bit sRGB vips image with 3 bands, or 4 with straight alpha. Possibly lazy (not decoded yet).
    vips::VImage pixels;
    // Set only after a reduction to 8 bits; the image then saves as 8 bits with this palette.
    std::shared_ptr<const Paletted> paletted;
    // The indices and palette a palette file (a BMP of 1, 4 or 8 bits) was decoded to, which the pixels are read
    // through: the picture is held one byte a pixel, and a reduction to 8 bits starts from them. Kept only while
    // the pixels are exactly the loaded ones, like reloadShrunk.
    std::shared_ptr<const Paletted> storedIndices;
    std::string comment;
    std::shared_ptr<const SourceMetadata> metadata; // null: none
    // The file the pixels come from (kept by effects): a failure found while the pixels are computed lazily,
    // say in a save, names this file.
    std::string source;
    // Decodes the source again at 1/factor of each side (factor 2, 4, 8 ...; sides rounded up), upright like the
    // pixels. Set by a load that can decode at reduced scale (JPEG), and kept only while the pixels are exactly
    // the loaded ones, so that a large reduction right after the load need not decode every pixel. nullopt when
    // the file is no longer the one loaded.
    std::function<std::optional<vips::VImage>(int factor)> reloadShrunk;
    // The largest factor reloadShrunk takes, a power of two, and how many times the target's sides its result must
    // keep: a scaled JPEG decode goes to 1/8 and down to the target itself; a PNG's block means go further, but
    // leave the resize at least twice the target (so its kernel, not the box, makes the result, as libvips' own
    // reduction does).
    int largestShrink = 8;
    int shrinkMargin = 1;
    // Decodes the source again for one pass from the top, holding only a few rows at a time: a save of the
    // loaded pixels never holds them whole. Set by the JPEG and PNG loads and kept like reloadShrunk.
    std::function<std::optional<vips::VImage>()> reloadSequential;
    // Like reloadSequential, but the pixels as the file stores them, before the conversion to 8-bit sRGB
    // (codecs::ToKeptPixels): a large reduction right after the load then reads the file once from the top,
    // holds a few rows at a time and converts only the pixels left. Set by the PNG load, kept like reloadShrunk.
    std::function<std::optional<vips::VImage>()> reloadStored;
    // A smaller picture the file carries beside its image (a HEIF thumbnail), decoded and upright like the
    // pixels; nullopt when there is none (or the file changed). Kept like reloadShrunk: a large reduction starts
    // from it when it is at least the target size.
    std::function<std::optional<vips::VImage>()> reloadThumbnail;
};

// For a freshly loaded image that can be decoded at reduced scale: the smallest such decode that is still at
// least width x height, upright like the pixels. nullopt when there is none (or the file changed since).
std::optional<vips::VImage> ShrunkOnLoad(const Image& image, int width, int height);

// The image with every pixel computed now (into memory, or for more than 100 MB into a temporary file) and
// nothing left that reads its file again: a later change of the file changes nothing in it. Raises the decode's
// Error.
Image Detached(const Image& image);

// Throws Error when the size is empty, negative or beyond kMaxPixels.
void CheckDimensions(std::int64_t width, std::int64_t height);

// A vips image holding its own copy of interleaved 8-bit pixels (no sRGB tag is set).
vips::VImage CopyToVips(const std::uint8_t* data, int width, int height, int bands);
// Grey (1 band) or grey + alpha (2 bands) as RGB or RGBA; other images unchanged.
vips::VImage GreyToRgb(const vips::VImage& image);
// Builds the RGB(A) vips image for a decoded raster (grey becomes RGB); the second takes over its pixels
// instead of copying them.
vips::VImage ToVips(const Raster& raster);
vips::VImage ToVips(Raster&& raster);
// The RGB pixels of a paletted image, read through its palette as they are asked for (the indices are copied).
vips::VImage ToVips(const Paletted& paletted);
// The same over the indices themselves, which the image keeps alive.
vips::VImage ToVips(std::shared_ptr<const Paletted> paletted);
// The image's pixels as 3-band RGB (a paletted image expanded, alpha flattened onto white); may be lazy.
vips::VImage RgbPixels(const Image& image);
// Computes the pixels of a 3-band RGB vips image into memory.
Raster ToRaster(const vips::VImage& rgb);
// A 3-band RGB vips image with any alpha flattened onto white.
vips::VImage FlattenToRgb(const vips::VImage& pixels);

} // namespace imaging
