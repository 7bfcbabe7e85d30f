#include "imaging/codecs/LibvipsFormats.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/Cicp.h"
#include "imaging/codecs/Metadata.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging::codecs {

namespace {

bool At(std::span<const std::uint8_t> head, std::size_t offset, std::string_view bytes) {
    return head.size() >= offset + bytes.size() && std::memcmp(head.data() + offset, bytes.data(), bytes.size()) == 0;
}

// ISO base media files of still pictures: HEIC (HEVC), AVIF (AV1) and the general HEIF brands.
bool IsHeif(std::span<const std::uint8_t> head) {
    static constexpr std::array<std::string_view, 12> kBrands = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                                                 "hevm", "hevs", "mif1", "msf1", "avif", "avis"};
    if (!At(head, 4, "ftyp")) return false;
    return std::any_of(kBrands.begin(), kBrands.end(), [&](std::string_view brand) { return At(head, 8, brand); });
}

// The module a format's loader lives in, or nothing when it is built into libvips.
const char* ModuleOf(LibvipsFormat format) {
    switch (format) {
    case LibvipsFormat::Heif:
        return "vips-heif";
    case LibvipsFormat::Jxl:
        return "vips-jxl";
    case LibvipsFormat::Webp:
        return nullptr;
    }
    return nullptr;
}

// Opens the file for libvips' loader (only the header is read now); `scale` below 1 decodes WebP at reduced scale,
// and opens a HEIF file's thumbnail instead of its image.
vips::VImage OpenLoader(const vips::VSource& source, LibvipsFormat format, double scale) {
    auto options = [] {
        return vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_ERROR);
    };
    switch (format) {
    case LibvipsFormat::Heif:
        return vips::VImage::heifload_source(source, options()->set("thumbnail", scale < 1.0));
    case LibvipsFormat::Webp:
        return vips::VImage::webpload_source(source, options()->set("scale", scale));
    case LibvipsFormat::Jxl:
        return vips::VImage::jxlload_source(source, options());
    }
    Fail("unknown format");
}

bool Turned(const vips::VImage& image) {
    return image.get_typeof(VIPS_META_ORIENTATION) != 0 && image.get_int(VIPS_META_ORIENTATION) > 1;
}

// The file's pixels as the loader decodes them, its failure kept as a verdict (codecs/VipsRows). Random access
// (and a picture that is to be turned) has them computed whole once, on first use.
// libjxl prints its own account of a damaged file on stderr: it is kept from it.
// `cicp`: the colours of a HEIF file described by CICP values, brought to sRGB here (libvips takes them as sRGB).
vips::VImage Open(const vips::VSource& source, const std::string& path, LibvipsFormat format, VipsAccess access,
                  double scale = 1.0, const std::optional<Cicp>& cicp = std::nullopt) {
    const bool quiet = format == LibvipsFormat::Jxl;
    std::optional<QuietStderr> silence;
    if (quiet) silence.emplace();
    const vips::VImage loaded = OpenLoader(source, format, scale);
    silence.reset();
    vips::VImage watched = Watched(loaded, path, access == VIPS_ACCESS_RANDOM || Turned(loaded), {}, quiet);
    return cicp ? CicpToSrgb(watched, *cicp) : watched;
}

// Turned the way its orientation tag says (HEIF and JPEG XL decoders apply their own transforms already).
vips::VImage Upright(const vips::VImage& image) {
    return Turned(image) ? image.autorot() : image;
}

std::optional<vips::VImage> Reload(const SourceFile& file, LibvipsFormat format, VipsAccess access, double scale,
                                   const std::optional<Cicp>& cicp) {
    std::optional<vips::VSource> source = file.Reopen();
    if (!source) return std::nullopt;
    return ToKeptPixels(CallVips([&] { return Upright(Open(*source, file.Path(), format, access, scale, cicp)); }));
}

} // namespace

std::optional<LibvipsFormat> DetectLibvipsFormat(std::span<const std::uint8_t> head) {
    if (At(head, 0, "RIFF") && At(head, 8, "WEBP")) return LibvipsFormat::Webp;
    if (At(head, 0, "\xFF\x0A") || At(head, 0, std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12)))
        return LibvipsFormat::Jxl;
    if (IsHeif(head)) return LibvipsFormat::Heif;
    return std::nullopt;
}

Image LoadLibvipsFormat(const FileReader& file, LibvipsFormat format) {
    EnsureInitialized();
    if (const char* module = ModuleOf(format); module && !LoadVipsModule(module))
        FailUnsupported("libvips has no loader for this format here");
    SourceFile source(file);
    std::optional<vips::VSource> opened = source.Reopen();
    if (!opened) Fail("the file changed while it was being read");
    const std::optional<Cicp> cicp = format == LibvipsFormat::Heif ? HeifCicp(file) : std::nullopt;
    vips::VImage loaded = CallVips([&] { return Open(*opened, source.Path(), format, VIPS_ACCESS_RANDOM, 1.0, cicp); });
    CheckDimensions(loaded.width(), loaded.height());
    vips::VImage upright = CallVips([&] { return Upright(loaded); });

    Image image;
    image.width = upright.width();
    image.height = upright.height();
    image.bitCount = loaded.bands() <= 2 ? 8 : loaded.bands() == 4 ? 32 : 24;
    image.pixels = ToKeptPixels(upright);
    image.reloadSequential = [source, format, cicp] {
        return Reload(source, format, VIPS_ACCESS_SEQUENTIAL, 1.0, cicp);
    };
    if (format == LibvipsFormat::Webp)
        image.reloadShrunk = [source](int factor) {
            return Reload(source, LibvipsFormat::Webp, VIPS_ACCESS_RANDOM, 1.0 / factor, std::nullopt);
        };
    if (format == LibvipsFormat::Heif)
        image.reloadThumbnail = [source, cicp, width = image.width]() -> std::optional<vips::VImage> {
            std::optional<vips::VImage> thumbnail = Reload(source, LibvipsFormat::Heif, VIPS_ACCESS_RANDOM, 0.5, cicp);
            // A file without a thumbnail gives its image, which is no thumbnail.
            if (!thumbnail || thumbnail->width() >= width) return std::nullopt;
            return thumbnail;
        };
    // A large reduction reads the file once into the reduction, like PNG's (a turned picture has other
    // sides than stored and is not reduced that way).
    image.reloadStored = [source, format, cicp]() -> std::optional<vips::VImage> {
        std::optional<vips::VSource> again = source.Reopen();
        if (!again) return std::nullopt;
        return CallVips([&] { return Open(*again, source.Path(), format, VIPS_ACCESS_SEQUENTIAL, 1.0, cicp); });
    };
    return image;
}

void WriteWebp(const vips::VImage& rgb, int quality, const ByteSink& sink, const OutputMetadata* metadata) {
    EnsureInitialized();
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("WebP encoding needs 8-bit RGB pixels");
    SaveThroughTarget(
        rgb,
        [&](const vips::VTarget& target) {
            PixelsToSave(rgb, metadata)
                .webpsave_target(
                    target,
                    vips::VImage::option()->set("Q", std::clamp(quality, 1, 100))->set("strip", metadata == nullptr));
        },
        sink);
}

void WriteAvif(const vips::VImage& rgb, int quality, const ByteSink& sink, const OutputMetadata* metadata) {
    EnsureInitialized();
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("AVIF encoding needs 8-bit RGB pixels");
    if (!LoadVipsModule("vips-heif")) FailUnsupported("libvips has no AVIF encoder here");
    SaveThroughTarget(
        rgb,
        [&](const vips::VTarget& target) {
            PixelsToSave(rgb, metadata)
                .heifsave_target(target, vips::VImage::option()
                                             ->set("Q", std::clamp(quality, 1, 100))
                                             ->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_AV1)
                                             // five times as fast as the default effort, files as small
                                             ->set("effort", 2)
                                             ->set("strip", metadata == nullptr));
        },
        sink);
}

} // namespace imaging::codecs
