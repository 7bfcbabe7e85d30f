#include "imaging/codecs/Cicp.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

namespace {

// libheif reads the file through ours (the one opener every load uses), a few boxes at a time.
struct ReaderState {
    const FileReader* file;
    std::int64_t position = 0;
};

std::int64_t Position(void* state) {
    return static_cast<ReaderState*>(state)->position;
}

int ReadBytes(void* data, size_t size, void* state) {
    auto* reader = static_cast<ReaderState*>(state);
    const std::vector<std::uint8_t> bytes = reader->file->Read(std::uint64_t(reader->position), size);
    if (bytes.size() != size) return 1;
    std::memcpy(data, bytes.data(), size);
    reader->position += std::int64_t(size);
    return 0;
}

int Seek(std::int64_t position, void* state) {
    auto* reader = static_cast<ReaderState*>(state);
    if (position < 0 || std::uint64_t(position) > reader->file->Size()) return 1;
    reader->position = position;
    return 0;
}

heif_reader_grow_status WaitForSize(std::int64_t size, void* state) {
    return std::uint64_t(size) <= static_cast<ReaderState*>(state)->file->Size()
               ? heif_reader_grow_status_size_reached
               : heif_reader_grow_status_size_beyond_eof;
}

// Linear-light conversion from a set of primaries to sRGB's (BT.709), D65 white throughout.
const double* MatrixToSrgb(int primaries) {
    static constexpr double kDisplayP3[9] = {1.2249, -0.2247, 0.0, -0.0420, 1.0419, 0.0, -0.0197, -0.0786, 1.0979};
    static constexpr double kBt2020[9] = {1.6605, -0.5876, -0.0728, -0.1246, 1.1329, -0.0083, -0.0182, -0.1006, 1.1187};
    switch (primaries) {
    case 12:
        return kDisplayP3;
    case 9:
        return kBt2020;
    default:
        return nullptr; // BT.709 (sRGB), unspecified, or primaries not converted
    }
}

bool SrgbLikeTransfer(int transfer) {
    return transfer == 1 || transfer == 2 || transfer == 6 || transfer == 13 || transfer == 14 || transfer == 15;
}

} // namespace

std::optional<Cicp> HeifCicp(const FileReader& file) {
    heif_reader reader{};
    reader.reader_api_version = 1;
    reader.get_position = Position;
    reader.read = ReadBytes;
    reader.seek = Seek;
    reader.wait_for_file_size = WaitForSize;
    ReaderState state{&file};
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
    if (!context || heif_context_read_from_reader(context.get(), &reader, &state, nullptr).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &raw).code != heif_error_Ok) return std::nullopt;
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handle(raw, heif_image_handle_release);
    if (heif_image_handle_get_color_profile_type(handle.get()) != heif_color_profile_type_nclx) return std::nullopt;
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle.get(), &nclx).code != heif_error_Ok || !nclx)
        return std::nullopt;
    const Cicp cicp{int(nclx->color_primaries), int(nclx->transfer_characteristics)};
    heif_nclx_color_profile_free(nclx);
    return cicp;
}

vips::VImage CicpToSrgb(const vips::VImage& pixels, const Cicp& cicp) {
    const double* matrix = MatrixToSrgb(cicp.primaries);
    const bool gamma22 = cicp.transfer == 4;
    const bool linear = cicp.transfer == 8;
    const bool wide = pixels.format() == VIPS_FORMAT_USHORT;
    if ((pixels.format() != VIPS_FORMAT_UCHAR && !wide) || pixels.bands() < 3) return pixels;
    if (!matrix && !gamma22 && !linear) return pixels; // sRGB's own, or a transfer not converted here (HDR)
    if (!SrgbLikeTransfer(cicp.transfer) && !gamma22 && !linear) return pixels;
    const double top = wide ? 65535.0 : 255.0;
    const vips::VImage encoded =
        pixels.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT) / top;
    // To linear light: the sRGB curve for sRGB and BT.709-like transfers (as displays show them).
    vips::VImage light = linear ? encoded
                         : gamma22
                             ? encoded.pow(2.2)
                             : (encoded > 0.04045).ifthenelse(((encoded + 0.055) / 1.055).pow(2.4), encoded / 12.92);
    if (matrix)
        light = light.recomb(vips::VImage::new_from_memory(const_cast<double*>(matrix), 9 * sizeof(double), 3, 3, 1,
                                                           VIPS_FORMAT_DOUBLE));
    // Out of gamut is clipped; then the sRGB curve.
    light = (light < 0.0).ifthenelse(0.0, (light > 1.0).ifthenelse(1.0, light));
    const vips::VImage out = (light > 0.0031308).ifthenelse(1.055 * light.pow(1.0 / 2.4) - 0.055, light * 12.92);
    vips::VImage srgb = (out * top + 0.5).cast(pixels.format());
    if (pixels.bands() > 3)
        srgb = srgb.bandjoin(pixels.extract_band(3, vips::VImage::option()->set("n", pixels.bands() - 3)));
    return srgb.copy(
        vips::VImage::option()->set("interpretation", wide ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB));
}

} // namespace imaging::codecs
