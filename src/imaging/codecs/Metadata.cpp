#include "imaging/codecs/Metadata.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include <cstdarg>

#include <libexif/exif-data.h>
#include <libexif/exif-log.h>

namespace imaging::codecs {

namespace {

void ClearContent(ExifContent* content) {
    while (content && content->count > 0)
        exif_content_remove_entry(content, content->entries[0]);
}

void RemoveTag(ExifContent* content, ExifTag tag) {
    if (ExifEntry* entry = content ? exif_content_get_entry(content, tag) : nullptr)
        exif_content_remove_entry(content, entry);
}

std::vector<std::uint8_t> FilteredExif(const std::vector<std::uint8_t>& exif, MetadataChoice choice) {
    if (exif.empty()) return {};
    // libexif says when it meets corrupt data: such a block is dropped whole, never copied in part.
    bool corrupt = false;
    ExifLog* log = exif_log_new();
    exif_log_set_func(
        log,
        [](ExifLog*, ExifLogCode code, const char*, const char*, va_list, void* flag) {
            if (code == EXIF_LOG_CODE_CORRUPT_DATA) *static_cast<bool*>(flag) = true;
        },
        &corrupt);
    ExifData* data = exif_data_new();
    if (data) {
        exif_data_log(data, log);
        exif_data_load_data(data, exif.data(), unsigned(exif.size()));
    }
    exif_log_unref(log);
    if (!data) return {};
    if (corrupt) {
        exif_data_unref(data);
        return {};
    }
    // The thumbnail shows the picture before this run changed it.
    ClearContent(data->ifd[EXIF_IFD_1]);
    if (data->data) {
        std::free(data->data); // libexif's default allocator
        data->data = nullptr;
        data->size = 0;
    }
    if (choice == MetadataChoice::ShootingInfo) {
        ClearContent(data->ifd[EXIF_IFD_GPS]);
        RemoveTag(data->ifd[EXIF_IFD_EXIF], EXIF_TAG_MAKER_NOTE);
        RemoveTag(data->ifd[EXIF_IFD_0], EXIF_TAG_GPS_INFO_IFD_POINTER);
    }
    if (ExifEntry* orientation = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        orientation && orientation->format == EXIF_FORMAT_SHORT && orientation->size >= 2)
        exif_set_short(orientation->data, exif_data_get_byte_order(data), 1);
    // A block libexif could make nothing of (damaged) is dropped, not written as an empty one.
    unsigned entries = 0;
    for (ExifContent* content : data->ifd)
        entries += content ? content->count : 0;
    if (entries == 0) {
        exif_data_unref(data);
        return {};
    }
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    exif_data_unref(data);
    std::vector<std::uint8_t> out;
    if (saved && size > 6) out.assign(saved, saved + size);
    std::free(saved);
    return out;
}

// A metadata blob the pixels carry (empty when none); valid while the pixels live.
std::string_view BlobOf(const vips::VImage& pixels, const char* name) {
    const void* data = nullptr;
    size_t size = 0;
    if (pixels.get_typeof(name) == 0 || vips_image_get_blob(pixels.get_image(), name, &data, &size) != 0 || !data)
        return {};
    return std::string_view(static_cast<const char*>(data), size);
}

} // namespace

std::optional<OutputMetadata> MetadataToWrite(const std::vector<std::uint8_t>& exif, const std::string& xmp,
                                              MetadataChoice choice) {
    if (choice == MetadataChoice::None) return std::nullopt;
    OutputMetadata out;
    out.exif = FilteredExif(exif, choice);
    if (choice == MetadataChoice::All) out.xmp = xmp;
    if (out.exif.empty() && out.xmp.empty()) return std::nullopt;
    return out;
}

std::vector<std::uint8_t> ExifOf(const vips::VImage& pixels) {
    const std::string_view blob = BlobOf(pixels, VIPS_META_EXIF_NAME);
    return std::vector<std::uint8_t>(blob.begin(), blob.end());
}

std::string XmpOf(const vips::VImage& pixels) {
    return std::string(BlobOf(pixels, VIPS_META_XMP_NAME));
}

vips::VImage PixelsToSave(const vips::VImage& rgb, const OutputMetadata* metadata) {
    vips::VImage bare = rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    gchar** names = vips_image_get_fields(bare.get_image());
    for (gchar** name = names; *name; ++name) {
        const std::string_view field(*name);
        if (field.starts_with("exif-") || field == VIPS_META_XMP_NAME || field == VIPS_META_IPTC_NAME ||
            field == VIPS_META_ICC_NAME || field == VIPS_META_PHOTOSHOP_NAME || field == VIPS_META_ORIENTATION)
            vips_image_remove(bare.get_image(), *name);
    }
    g_strfreev(names);
    if (metadata) {
        if (!metadata->exif.empty())
            vips_image_set_blob_copy(bare.get_image(), VIPS_META_EXIF_NAME, metadata->exif.data(),
                                     metadata->exif.size());
        if (!metadata->xmp.empty())
            vips_image_set_blob_copy(bare.get_image(), VIPS_META_XMP_NAME, metadata->xmp.data(), metadata->xmp.size());
    }
    return bare;
}

} // namespace imaging::codecs
