#include "imaging/codecs/Png.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>

#include <gio/gio.h>
#include <png.h>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kIhdrEnd = 33; // signature, IHDR length and type, 13 bytes of data, CRC
// Bounds the walk over a damaged file made of endless empty chunks.
constexpr int kMaxChunks = 1'000'000;
// Comments this long are written compressed.
constexpr std::size_t kCompressCommentFrom = 1024;

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// ---------------------------------------------------------------- reading

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
};

Header ReadHeader(const std::vector<std::uint8_t>& head) {
    if (head.size() < kIhdrEnd || ReadBe32(&head[8]) != 13 || std::memcmp(&head[12], "IHDR", 4) != 0)
        Fail("the PNG header is missing or damaged");
    Header header{ReadBe32(&head[16]), ReadBe32(&head[20]), head[24], head[25]};
    if (header.width > 0x7FFFFFFF || header.height > 0x7FFFFFFF) Fail("the PNG header is damaged");
    CheckDimensions(header.width, header.height);
    bool valid = false;
    switch (header.colourType) {
    case 0: valid = header.bitDepth == 1 || header.bitDepth == 2 || header.bitDepth == 4 || header.bitDepth == 8 ||
                    header.bitDepth == 16;
        break;
    case 3: valid = header.bitDepth == 1 || header.bitDepth == 2 || header.bitDepth == 4 || header.bitDepth == 8;
        break;
    case 2:
    case 4:
    case 6: valid = header.bitDepth == 8 || header.bitDepth == 16; break;
    default: break;
    }
    if (!valid)
        Fail("unsupported PNG colour type " + std::to_string(header.colourType) + " with bit depth " +
             std::to_string(header.bitDepth));
    return header;
}

// The depth the file stored, as an image handle reports it.
int BitCount(const Header& header) {
    switch (header.colourType) {
    case 0:
    case 3: return std::min(header.bitDepth, 8);
    case 2: return 24;
    default: return 32; // grey + alpha, RGBA
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
        GConverterResult result =
            g_converter_convert(G_CONVERTER(decompressor), data + pos, size - pos, buffer.data(), buffer.size(),
                                G_CONVERTER_INPUT_AT_END, &read, &written, &error);
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
    if (keywordEnd == end || !IsCommentKeyword({reinterpret_cast<const char*>(data.data()),
                                                std::size_t(keywordEnd - data.data())}))
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

// The first Comment text chunk anywhere in the file (some writers put text after the image data). Walks the chunk
// headers and skips over the image data without reading it.
std::string ReadComment(const FileReader& file) {
    std::uint64_t pos = kIhdrEnd;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        auto head = file.Read(pos, 8);
        if (head.size() < 8) break;
        std::uint32_t length = ReadBe32(head.data());
        std::string_view type(reinterpret_cast<const char*>(&head[4]), 4);
        if (length > 0x7FFFFFFF || type == "IEND") break;
        if ((type == "tEXt" || type == "zTXt" || type == "iTXt") && length <= kMaxCommentBytes + 1024) {
            auto data = file.Read(pos + 8, length);
            if (data.size() < length) break;
            if (auto comment = CommentFromChunk(type, data)) {
                if (comment->size() > kMaxCommentBytes) comment->resize(kMaxCommentBytes);
                return *comment;
            }
        }
        pos += 12 + std::uint64_t(length);
    }
    return {};
}

// ---------------------------------------------------------------- writing

// Everything libpng needs, built before the setjmp frame so that no C++ object lives inside it.
struct WriteJob {
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlace = false;
    std::vector<png_bytep> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha; // tRNS for a palette image
    std::optional<png_color_16> transparentColour;
    std::string comment;
    int commentCompression = PNG_TEXT_COMPRESSION_NONE;
    std::vector<std::uint8_t> out;
    std::array<char, 256> message{};
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        out->insert(out->end(), data, data + length);
    } catch (...) {
        ok = false;
    }
    if (!ok) png_error(png, "out of memory");
}

void FlushData(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<WriteJob*>(png_get_error_ptr(png));
    std::snprintf(job->message.data(), job->message.size(), "%s", message ? message : "");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Runs libpng over a prepared job; false (with job.message) when it fails.
bool RunLibpng(WriteJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &job.out, WriteData, FlushData);
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.bitDepth, job.colourType,
                 job.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Truecolour rows choose between the two cheap filters only: on photos that gives files within 1 % of
    // trying all five, in four fifths of the time (unfiltered rows would be twice as fast but 40 % larger).
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    // On filtered photos zlib's level 2 makes files 2 % larger than its default level 6 in under half the
    // time (level 3: the same size, 1.9 times as fast); deflate is most of a full-size save.
    png_set_compression_level(png, 2);
    if (!job.palette.empty()) png_set_PLTE(png, info, job.palette.data(), int(job.palette.size()));
    if (!job.paletteAlpha.empty())
        png_set_tRNS(png, info, job.paletteAlpha.data(), int(job.paletteAlpha.size()), nullptr);
    if (job.transparentColour) png_set_tRNS(png, info, nullptr, 0, &*job.transparentColour);
    png_text text{};
    if (!job.comment.empty()) {
        text.compression = job.commentCompression;
        text.key = const_cast<char*>("Comment");
        text.text = job.comment.data();
        text.text_length = job.comment.size();
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    if (job.bitDepth < 8) png_set_packing(png); // one index per byte in, packed in the file
    png_write_image(png, job.rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The comment as Latin-1 bytes for tEXt / zTXt when every character has one; nullopt otherwise.
std::optional<std::string> ToLatin1(const std::string& utf8) {
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = std::uint8_t(utf8[i]);
        if (byte < 0x80) {
            latin1 += char(byte);
        } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size()) {
            latin1 += char(((byte & 0x03) << 6) | (std::uint8_t(utf8[++i]) & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return latin1;
}

// Text chunks end at a NUL; a comment is valid UTF-8 from here on (bytes that are not are read as Latin-1).
void SetComment(WriteJob& job, const std::string& comment) {
    std::string text = TextToUtf8(comment.substr(0, comment.find('\0')));
    if (text.empty()) return;
    bool compress = text.size() >= kCompressCommentFrom;
    if (auto latin1 = ToLatin1(text)) {
        // tEXt where the text allows it: every reader shows it. Other text (Japanese, say) needs iTXt.
        job.comment = std::move(*latin1);
        job.commentCompression = compress ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    } else {
        job.comment = std::move(text);
        job.commentCompression = compress ? PNG_ITXT_COMPRESSION_zTXt : PNG_ITXT_COMPRESSION_NONE;
    }
}

std::vector<std::uint8_t> Finish(WriteJob& job, const PngOptions& options, std::uint8_t* pixels,
                                 std::size_t rowBytes) {
    job.interlace = options.interlace;
    SetComment(job, options.comment);
    job.rows.resize(std::size_t(job.height));
    for (int y = 0; y < job.height; ++y) job.rows[std::size_t(y)] = pixels + std::size_t(y) * rowBytes;
    if (!RunLibpng(job)) Fail(std::string("PNG encoding failed: ") + (job.message[0] ? job.message.data() : "libpng"));
    return std::move(job.out);
}

} // namespace

bool IsPng(std::span<const std::uint8_t> head) {
    return head.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), head.begin());
}

Image LoadPng(const std::string& path) {
    EnsureInitialized();
    FileReader file(path);
    if (file.Size() == 0) Fail("the file is empty");
    auto head = file.Read(0, kIhdrEnd);
    if (!IsPng(head)) Fail("not a PNG file");
    Header header = ReadHeader(head);
    std::string comment = ReadComment(file);

    vips::VImage loaded = CallVips([&] {
        return vips::VImage::pngload(path.c_str(), vips::VImage::option()
                                                       ->set("fail_on", VIPS_FAIL_ON_TRUNCATED)
                                                       ->set("access", VIPS_ACCESS_RANDOM));
    });
    Image image;
    image.width = loaded.width();
    image.height = loaded.height();
    image.bitCount = BitCount(header);
    image.pixels = ToKeptPixels(loaded);
    image.comment = std::move(comment);
    return image;
}

std::vector<std::uint8_t> EncodePng(const Raster& rgb, const PngOptions& options) {
    CheckDimensions(rgb.width, rgb.height);
    if (rgb.bands != 3 || rgb.pixels.size() != std::size_t(rgb.width) * rgb.height * 3)
        Fail("PNG encoding needs 8-bit RGB pixels");
    WriteJob job;
    job.width = rgb.width;
    job.height = rgb.height;
    if (options.transparent)
        job.transparentColour = png_color_16{0, options.transparent->r, options.transparent->g,
                                             options.transparent->b, 0};
    // libpng takes non-const rows but does not write through them when encoding.
    return Finish(job, options, const_cast<std::uint8_t*>(rgb.pixels.data()), std::size_t(rgb.width) * 3);
}

std::vector<std::uint8_t> EncodePng(const Paletted& image, const PngOptions& options) {
    CheckDimensions(image.width, image.height);
    std::size_t colours = image.palette.size();
    if (colours == 0 || colours > 256 || image.indices.size() != std::size_t(image.width) * image.height)
        Fail("inconsistent palette image");
    if (std::any_of(image.indices.begin(), image.indices.end(), [&](std::uint8_t i) { return i >= colours; }))
        Fail("a palette index is beyond the palette");
    WriteJob job;
    job.width = image.width;
    job.height = image.height;
    job.colourType = PNG_COLOR_TYPE_PALETTE;
    job.bitDepth = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    for (const Rgb& c : image.palette) job.palette.push_back(png_color{c.r, c.g, c.b});
    if (options.transparent) {
        // Every entry of that colour becomes fully transparent; tRNS may stop after the last one.
        for (std::size_t i = 0; i < colours; ++i) {
            if (image.palette[i] != *options.transparent) continue;
            job.paletteAlpha.resize(i + 1, 255);
            job.paletteAlpha[i] = 0;
        }
    }
    return Finish(job, options, const_cast<std::uint8_t*>(image.indices.data()), std::size_t(image.width));
}

} // namespace imaging::codecs
