// Writing PNG with libpng: truecolour rows streamed from a vips image or taken from memory, palette images,
// Adam7, a "Comment" text chunk and tRNS. Every byte goes to the caller's sink as libpng produces it.
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <exception>

#include <png.h>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/Png.h"
#include "imaging/codecs/VipsLoad.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging::codecs {

namespace {

// Comments this long are written compressed.
constexpr std::size_t kCompressCommentFrom = 1024;

// Everything libpng needs, built before any setjmp frame so that no C++ object lives inside one.
struct WriteJob {
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlace = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha; // tRNS for a palette image
    std::optional<png_color_16> transparentColour;
    std::string comment;
    int commentCompression = PNG_TEXT_COMPRESSION_NONE;
    const OutputMetadata* metadata = nullptr; // the source's EXIF (eXIf) and XMP (iTXt) to carry over
    const ByteSink* sink = nullptr;
    std::exception_ptr sinkError; // what the sink threw; it ends the encoding
    std::array<char, 256> message{};
    png_structp png = nullptr;
    png_infop info = nullptr;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* job = static_cast<WriteJob*>(png_get_io_ptr(png));
    try {
        (*job->sink)(std::span<const std::uint8_t>(data, length));
        return;
    } catch (...) {
        job->sinkError = std::current_exception();
    }
    png_error(png, "the output could not be written");
}

void FlushData(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<WriteJob*>(png_get_error_ptr(png));
    std::snprintf(job->message.data(), job->message.size(), "%s", message ? message : "");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The steps of an encoding. Each returns false when libpng failed (job.message, or job.sinkError, says why).
bool WriteHeader(WriteJob& job) {
    png_structp png = job.png;
    png_infop info = job.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &job, WriteData, FlushData);
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.bitDepth, job.colourType,
                 job.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (job.palette.empty()) {
        // Truecolour rows choose between the two cheap filters only: on photos that gives files within 1 % of
        // trying all five, in four fifths of the time (unfiltered rows would be twice as fast but 40 % larger).
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
        // On filtered photos zlib's level 2 makes files 2 % larger than its default level 6 in under half the
        // time (level 3: the same size, 1.9 times as fast); deflate is most of a full-size save.
        png_set_compression_level(png, 2);
    } else {
        // Palette indices are no samples: differences between them mean nothing, and filtered rows compress
        // a quarter worse. Unfiltered dithered indices take zlib's level 6 twice as long as its level 3 for
        // files 2 % smaller; at level 3 the files are still smaller than pngquant's.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, 3);
    }
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
    if (job.metadata && job.metadata->exif.size() > 6) // eXIf holds the TIFF structure, without "Exif\0\0"
        png_set_eXIf_1(png, info, png_uint_32(job.metadata->exif.size() - 6),
                       const_cast<png_bytep>(job.metadata->exif.data() + 6));
    png_text xmp{};
    if (job.metadata && !job.metadata->xmp.empty()) {
        xmp.compression = PNG_ITXT_COMPRESSION_NONE;
        xmp.key = const_cast<char*>("XML:com.adobe.xmp");
        xmp.text = const_cast<char*>(job.metadata->xmp.data());
        xmp.itxt_length = job.metadata->xmp.size();
        xmp.lang = const_cast<char*>("");
        xmp.lang_key = const_cast<char*>("");
        png_set_text(png, info, &xmp, 1);
    }
    png_write_info(png, info);
    if (job.bitDepth < 8) png_set_packing(png); // one index per byte in, packed in the file
    return true;
}

bool WriteAllRows(WriteJob& job, png_bytepp rows) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_write_image(job.png, rows);
    return true;
}

bool WriteEnd(WriteJob& job) {
    if (setjmp(png_jmpbuf(job.png))) return false;
    png_write_end(job.png, nullptr);
    return true;
}

// Called by libvips for each strip of rows, from the top, in order.
int WriteStrip(VipsRegion* region, VipsRect* area, void* context) {
    auto* job = static_cast<WriteJob*>(context);
    if (setjmp(png_jmpbuf(job->png))) return -1;
    for (int y = area->top; y < VIPS_RECT_BOTTOM(area); ++y)
        png_write_row(job->png, VIPS_REGION_ADDR(region, 0, y));
    return 0;
}

// Runs one encoding; writeRows() writes the image data and returns false when it failed.
template <typename Rows> void Encode(WriteJob& job, Rows&& writeRows) {
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
    if (!job.png) Fail("not enough memory");
    struct Destroy {
        WriteJob& job;
        ~Destroy() { png_destroy_write_struct(&job.png, job.info ? &job.info : nullptr); }
    } destroy{job};
    job.info = png_create_info_struct(job.png);
    if (!job.info) Fail("not enough memory");
    const bool ok = WriteHeader(job) && writeRows() && WriteEnd(job);
    if (job.sinkError) std::rethrow_exception(job.sinkError);
    if (!ok) Fail(std::string("PNG encoding failed: ") + (job.message[0] ? job.message.data() : "libpng"));
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

// The job's options. Text chunks end at a NUL; a comment is valid UTF-8 from here on (bytes that are not are
// read as Latin-1).
void SetOptions(WriteJob& job, const PngOptions& options, const ByteSink& sink) {
    job.sink = &sink;
    job.interlace = options.interlace;
    if (options.metadata) job.metadata = &*options.metadata;
    std::string text = TextToUtf8(options.comment.substr(0, options.comment.find('\0')));
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

void SetTransparentColour(WriteJob& job, const PngOptions& options) {
    if (options.transparent)
        job.transparentColour =
            png_color_16{0, options.transparent->r, options.transparent->g, options.transparent->b, 0};
}

// Encodes rows held in memory, rowBytes apart.
void EncodeRows(WriteJob& job, const std::uint8_t* pixels, std::size_t rowBytes) {
    std::vector<png_bytep> rows(std::size_t(job.height));
    // libpng takes non-const rows but does not write through them when encoding.
    for (int y = 0; y < job.height; ++y)
        rows[std::size_t(y)] = const_cast<std::uint8_t*>(pixels) + std::size_t(y) * rowBytes;
    Encode(job, [&] { return WriteAllRows(job, rows.data()); });
}

void WriteRaster(const Raster& rgb, const PngOptions& options, const ByteSink& sink) {
    CheckDimensions(rgb.width, rgb.height);
    if (rgb.bands != 3 || rgb.pixels.size() != std::size_t(rgb.width) * rgb.height * 3)
        Fail("PNG encoding needs 8-bit RGB pixels");
    WriteJob job;
    job.width = rgb.width;
    job.height = rgb.height;
    SetOptions(job, options, sink);
    SetTransparentColour(job, options);
    EncodeRows(job, rgb.pixels.data(), std::size_t(rgb.width) * 3);
}

} // namespace

void WritePng(const vips::VImage& rgb, const PngOptions& options, const ByteSink& sink) {
    EnsureInitialized();
    CheckDimensions(rgb.width(), rgb.height());
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("PNG encoding needs 8-bit RGB pixels");
    // Adam7 passes take rows from all over the image.
    if (options.interlace) return WriteRaster(ToRaster(rgb), options, sink);
    WriteJob job;
    job.width = rgb.width();
    job.height = rgb.height();
    SetOptions(job, options, sink);
    SetTransparentColour(job, options);
    Encode(job, [&] {
        if (vips_sink_disc(rgb.get_image(), WriteStrip, &job) == 0) return true;
        // Not libpng nor the sink: libvips could not compute the pixels (a damaged source, say).
        if (!job.message[0] && !job.sinkError) FailComputing(rgb);
        return false;
    });
    CheckDecodes(rgb);
}

void WritePng(const Paletted& image, const PngOptions& options, const ByteSink& sink) {
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
    SetOptions(job, options, sink);
    for (const Rgb& c : image.palette)
        job.palette.push_back(png_color{c.r, c.g, c.b});
    if (options.transparent) {
        // Every entry of that colour becomes fully transparent; tRNS may stop after the last one.
        for (std::size_t i = 0; i < colours; ++i) {
            if (image.palette[i] != *options.transparent) continue;
            job.paletteAlpha.resize(i + 1, 255);
            job.paletteAlpha[i] = 0;
        }
    }
    EncodeRows(job, image.indices.data(), std::size_t(image.width));
}

std::vector<std::uint8_t> EncodePng(const Raster& rgb, const PngOptions& options) {
    std::vector<std::uint8_t> out;
    WriteRaster(rgb, options, AppendTo(out));
    return out;
}

std::vector<std::uint8_t> EncodePng(const Paletted& image, const PngOptions& options) {
    std::vector<std::uint8_t> out;
    WritePng(image, options, AppendTo(out));
    return out;
}

} // namespace imaging::codecs
