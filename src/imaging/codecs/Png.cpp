#include "imaging/codecs/Png.h"

#include <functional>

#include <algorithm>
#include <array>
#include <cstring>

#include <gio/gio.h>
#include <png.h>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/ByteIo.h"
#include "imaging/codecs/PngHeader.h"
#include "imaging/codecs/PngShrink.h"
#include "imaging/codecs/VipsLoad.h"
#include "imaging/codecs/Cicp.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging::codecs {

namespace {

// The depth the file stored, as an image handle reports it.
int BitCount(const PngHeader& header) {
    switch (header.colourType) {
    case 0:
    case 3:
        return std::min(header.bitDepth, 8);
    case 2:
        return 24;
    default:
        return 32; // grey + alpha, RGBA
    }
}

// Inflates zlib data; nullopt when it is damaged. The result is cut at kMaxCommentBytes.
std::optional<std::string> Inflate(const std::uint8_t* data, std::size_t size) {
    GZlibDecompressor* decompressor = g_zlib_decompressor_new(G_ZLIB_COMPRESSOR_FORMAT_ZLIB);
    std::optional<std::string> text(std::in_place);
    std::array<char, 16384> buffer;
    std::size_t pos = 0;
    while (text->size() < kMaxCommentBytes) {
        gsize read = 0, written = 0;
        GError* error = nullptr;
        GConverterResult result = g_converter_convert(G_CONVERTER(decompressor), data + pos, size - pos, buffer.data(),
                                                      buffer.size(), G_CONVERTER_INPUT_AT_END, &read, &written, &error);
        if (result == G_CONVERTER_ERROR) {
            g_error_free(error);
            text.reset();
            break;
        }
        text->append(buffer.data(), written);
        pos += read;
        if (result == G_CONVERTER_FINISHED || (read == 0 && written == 0)) break;
    }
    g_object_unref(decompressor);
    if (text && text->size() > kMaxCommentBytes) text->resize(kMaxCommentBytes);
    return text;
}

bool IsCommentKeyword(std::string_view keyword) {
    // Matched regardless of case: some writers use "comment".
    constexpr std::string_view kComment = "comment";
    return keyword.size() == kComment.size() &&
           std::equal(keyword.begin(), keyword.end(), kComment.begin(),
                      [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a + 32) : a) == b; });
}

// The text of a tEXt, zTXt or iTXt chunk whose keyword is "Comment"; nullopt for another keyword or a damaged chunk.
std::optional<std::string> CommentFromChunk(std::string_view type, const std::vector<std::uint8_t>& data) {
    auto end = data.data() + data.size();
    auto keywordEnd = std::find(data.data(), end, 0);
    if (keywordEnd == end ||
        !IsCommentKeyword({reinterpret_cast<const char*>(data.data()), std::size_t(keywordEnd - data.data())}))
        return std::nullopt;
    const std::uint8_t* p = keywordEnd + 1;
    auto bytes = [](const std::uint8_t* from, const std::uint8_t* to) {
        return std::string(reinterpret_cast<const char*>(from), std::size_t(to - from));
    };
    if (type == "tEXt") return TextToUtf8(bytes(p, end)); // Latin-1 by definition; many writers put UTF-8 there
    if (type == "zTXt") {
        if (p >= end || *p != 0) return std::nullopt; // compression method 0 is the only one
        auto text = Inflate(p + 1, std::size_t(end - p - 1));
        return text ? std::optional(TextToUtf8(*text)) : std::nullopt;
    }
    // iTXt: compression flag and method, language tag, translated keyword, then UTF-8 text.
    if (end - p < 2) return std::nullopt;
    bool compressed = p[0] != 0;
    p += 2;
    for (int field = 0; field < 2; ++field) {
        p = std::find(p, end, 0);
        if (p == end) return std::nullopt;
        ++p;
    }
    if (!compressed) return TextToUtf8(bytes(p, end));
    auto text = Inflate(p, std::size_t(end - p));
    return text ? std::optional(TextToUtf8(*text)) : std::nullopt;
}

// Calls `visit(type, offset of the data, length)` for each chunk after IHDR until IEND, or until it returns
// false. Reads the chunk headers only: the image data is stepped over.
void WalkChunks(const FileReader& file,
                const std::function<bool(std::string_view, std::uint64_t, std::uint32_t)>& visit) {
    std::uint64_t pos = kIhdrEnd;
    for (int chunk = 0; chunk < kMaxPngChunks; ++chunk) {
        auto head = file.Read(pos, 8);
        if (head.size() < 8) break;
        std::uint32_t length = Be32(head.data());
        std::string_view type(reinterpret_cast<const char*>(&head[4]), 4);
        if (length > 0x7FFFFFFF || type == "IEND" || !visit(type, pos + 8, length)) break;
        pos += 12 + std::uint64_t(length);
    }
}

// The first Comment text chunk anywhere in the file (some writers put text after the image data).
std::string ReadComment(const FileReader& file) {
    std::string found;
    WalkChunks(file, [&](std::string_view type, std::uint64_t at, std::uint32_t length) {
        if ((type == "tEXt" || type == "zTXt" || type == "iTXt") && length <= kMaxCommentBytes + 1024) {
            auto data = file.Read(at, length);
            if (data.size() < length) return false;
            if (auto comment = CommentFromChunk(type, data)) {
                if (comment->size() > kMaxCommentBytes) comment->resize(kMaxCommentBytes);
                found = std::move(*comment);
                return false;
            }
        }
        return true;
    });
    return found;
}

// The colours' CICP values from a cICP chunk (before the image data), when the file has one.
std::optional<Cicp> ReadCicp(const FileReader& file) {
    std::optional<Cicp> cicp;
    WalkChunks(file, [&](std::string_view type, std::uint64_t at, std::uint32_t length) {
        if (type == "IDAT") return false;
        if (type == "cICP" && length == 4) {
            const std::vector<std::uint8_t> data = file.Read(at, 4);
            if (data.size() == 4) cicp = Cicp{data[0], data[1]};
            return false;
        }
        return true;
    });
    return cicp;
}

// Pixels as loaded, in the CICP colours a cICP chunk gives (which take the place of a profile), as sRGB.
vips::VImage InCicpColours(vips::VImage loaded, const std::optional<Cicp>& cicp) {
    if (!cicp) return loaded;
    loaded = CicpToSrgb(loaded, *cicp);
    if (loaded.get_typeof(VIPS_META_ICC_NAME) != 0) {
        loaded = loaded.copy();
        vips_image_remove(loaded.get_image(), VIPS_META_ICC_NAME);
    }
    return loaded;
}

// A reduced decode as an image like the ones libvips' loader makes: its profile attached, grey tagged as grey.
vips::VImage ShrunkToVips(const ShrunkPicture& picture) {
    vips::VImage image = CopyToVips(picture.pixels.data(), picture.width, picture.height, picture.bands);
    image = image.copy(vips::VImage::option()->set("interpretation", picture.bands < 3 ? VIPS_INTERPRETATION_B_W
                                                                                       : VIPS_INTERPRETATION_sRGB));
    if (!picture.iccProfile.empty())
        vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, picture.iccProfile.data(),
                                 picture.iccProfile.size());
    return image;
}

// Whether the file ends inside its chunks (or before IEND): a cut file, not a damaged one.
bool EndsEarly(const FileReader& file) {
    std::uint64_t pos = kPngSignature.size();
    for (int chunk = 0; chunk < kMaxPngChunks; ++chunk) {
        const std::vector<std::uint8_t> head = file.Read(pos, 8);
        if (head.size() < 8) return true;
        const std::uint64_t end = pos + 12 + Be32(head.data());
        if (end > file.Size()) return true;
        if (std::memcmp(&head[4], "IEND", 4) == 0) return false;
        pos = end;
    }
    return false;
}

// The file's pixels as libvips' loader decodes them, its failure kept as a verdict (codecs/VipsRows); random
// access has them computed whole once, on first use. libpng's failures reach us as one word ("read error")
// whether the file is cut short or damaged: the file's chunks tell which.
vips::VImage OpenPng(const vips::VSource& source, const SourceFile& file, VipsAccess access) {
    auto explain = [file](const Error& error) {
        if (error.problem() != Problem::Truncated && error.problem() != Problem::Damaged) return error;
        std::optional<FileReader> reader = file.Reader();
        const bool cut = !reader || EndsEarly(*reader);
        return Error({}, error.cause(), cut ? Problem::Truncated : Problem::Damaged);
    };
    return Watched(
        vips::VImage::pngload_source(
            source, vips::VImage::option()->set("fail_on", VIPS_FAIL_ON_ERROR)->set("access", VIPS_ACCESS_SEQUENTIAL)),
        file.Path(), access == VIPS_ACCESS_RANDOM, explain);
}

} // namespace

bool IsPng(std::span<const std::uint8_t> head) {
    return head.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), head.begin());
}

Image LoadPng(const std::string& path) {
    return LoadPng(FileReader(path));
}

Image LoadPng(const FileReader& file) {
    EnsureInitialized();
    if (file.Size() == 0) FailTruncated("the file is empty");
    auto head = file.Read(0, kIhdrEnd);
    if (!IsPng(head)) Fail("not a PNG file", Problem::NotImage);
    PngHeader header = ReadPngHeader(head);
    if (file.Size() * kMaxDeflateRatio < MinimumRawBytes(header))
        FailTruncated("the file is far too short for the size its header claims");
    std::string comment = ReadComment(file);
    const std::optional<Cicp> cicp = ReadCicp(file);

    SourceFile source(file);
    std::optional<vips::VSource> opened = source.Reopen();
    if (!opened) Fail("the file changed while it was being read");
    vips::VImage loaded = CallVips([&] { return InCicpColours(OpenPng(*opened, source, VIPS_ACCESS_RANDOM), cicp); });
    Image image;
    image.width = loaded.width();
    image.height = loaded.height();
    image.bitCount = BitCount(header);
    image.pixels = ToKeptPixels(loaded);
    image.comment = std::move(comment);
    // 8-bit pictures without a palette or interlacing are decoded to 1/2 ... 1/64 of their sides directly, for a
    // reduction to half that size or less.
    if (header.bitDepth == 8 && header.colourType != 3 && header.interlace == 0) {
        image.largestShrink = 64;
        image.shrinkMargin = 2;
        image.reloadShrunk = [source, cicp](int factor) -> std::optional<vips::VImage> {
            std::optional<FileReader> again = source.Reader();
            if (!again) return std::nullopt;
            std::optional<ShrunkPicture> shrunk =
                DecodePngShrunk([&](std::uint64_t offset, std::size_t count) { return again->Read(offset, count); },
                                again->Size(), factor);
            if (!shrunk) return std::nullopt;
            return ToKeptPixels(InCicpColours(ShrunkToVips(*shrunk), cicp));
        };
    }
    image.reloadSequential = [source, cicp]() -> std::optional<vips::VImage> {
        std::optional<vips::VSource> again = source.Reopen();
        if (!again) return std::nullopt;
        return ToKeptPixels(
            CallVips([&] { return InCicpColours(OpenPng(*again, source, VIPS_ACCESS_SEQUENTIAL), cicp); }));
    };
    image.reloadStored = [source, cicp]() -> std::optional<vips::VImage> {
        std::optional<vips::VSource> again = source.Reopen();
        if (!again) return std::nullopt;
        return CallVips([&] { return InCicpColours(OpenPng(*again, source, VIPS_ACCESS_SEQUENTIAL), cicp); });
    };
    return image;
}

} // namespace imaging::codecs
