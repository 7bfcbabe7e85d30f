// libFuzzer target that holds the reduced PNG decode to libpng's verdict on the same bytes. Kelvo reduces an 8-bit
// PNG either with PngShrink or by decoding it whole (libpng) and reducing the pixels; both must agree:
// - both decode: each sample of the reduced picture is the mean of its factor x factor block of libpng's pixels
//   (the part inside the picture at the edges), colour weighted by alpha, computed here afresh;
// - PngShrink decodes and libpng fails: PngShrink reads the file from the top up to the IDAT chunk that completes
//   the last row, so the failure must lie after it. libpng must decode every row from the file cut after that
//   chunk (an IEND added), to the same means;
// - PngShrink refuses: Kelvo decodes with libpng, whatever it says.
// Any other outcome aborts, except for the differences already found, when named (see fuzzing::Known). The factor
// comes from the input's length, as in pngshrink_fuzzer. Pictures of more than kMaxPicturePixels are passed over. A
// fuzzing build of PngShrink does not check CRCs, and neither does libpng here.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <png.h>

#include "imaging/Error.h"
#include "imaging/codecs/PngHeader.h"
#include "imaging/codecs/PngShrink.h"

#include "KnownDifferences.h"

namespace {

using fuzzing::Known;
using imaging::codecs::ShrunkPicture;

// The differences this target knows (fuzzing::Known), each with its note under tests/imaging/read/diff/:
// - png-code-set (png-code-set.md): a deflate block whose Huffman code set zlib refuses (one that does not fill its
//   code space, say), which ISA-L's inflate decodes. Passed over when libpng refuses what PngShrink read with zlib's
//   message for such a set.

constexpr std::uint64_t kMaxPicturePixels = 4'000'000;

struct FullPicture {
    bool decoded = false;
    int width = 0;
    int height = 0;
    int bands = 0;
    std::vector<std::uint8_t> pixels; // interleaved, rows without padding
    std::string message;              // libpng's, on a failure
};

// Everything a longjmp may cross: C objects only. Each function below that calls setjmp holds nothing else.
struct PngState {
    png_structp png;
    png_infop info;
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    char message[256];
    png_uint_32 rowsBeforeFailure; // rows libpng had finished when it failed
};

extern "C" void ReadInput(png_structp png, png_bytep out, std::size_t count) {
    PngState& s = *static_cast<PngState*>(png_get_io_ptr(png));
    if (count > s.size - s.pos) png_error(png, "the data ends early");
    std::memcpy(out, s.data + s.pos, count);
    s.pos += count;
}

extern "C" void OnError(png_structp png, png_const_charp message) {
    PngState& s = *static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(s.message, sizeof s.message, "%s", message);
    s.rowsBeforeFailure = png_get_current_row_number(png);
    png_longjmp(png, 1);
}

extern "C" void Silently(png_structp, png_const_charp) {}

bool ReadInfo(PngState* s) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_set_crc_action(s->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_read_fn(s->png, s, ReadInput);
    png_read_info(s->png, s->info);
    return true;
}

// How much of the file libpng must read without a failure.
enum class Extent {
    WholeFile, // up to IEND
    // The rows. After the last one libpng reads on to the end of the zlib stream, which may lie in an IDAT chunk
    // after the rows' data; a failure there is passed over.
    Rows,
};

// Every row; then, for the whole file, the rest of it up to IEND.
bool ReadRows(PngState* s, png_bytepp rows, Extent extent) {
    if (setjmp(png_jmpbuf(s->png))) return false;
    png_read_image(s->png, rows);
    if (extent == Extent::WholeFile) png_read_end(s->png, nullptr);
    return true;
}

// The picture as libpng decodes it, without transformations: 8-bit grey, grey + alpha, RGB or RGBA (any other
// layout is a failure here).
FullPicture DecodeWithLibpng(std::span<const std::uint8_t> bytes, Extent extent) {
    FullPicture picture;
    PngState s{};
    s.data = bytes.data();
    s.size = bytes.size();
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, Silently);
    if (s.png == nullptr) {
        picture.message = "no libpng read structure";
        return picture;
    }
    s.info = png_create_info_struct(s.png);
    if (s.info != nullptr && ReadInfo(&s)) {
        const int colourType = png_get_color_type(s.png, s.info);
        if (png_get_bit_depth(s.png, s.info) != 8 || (colourType & PNG_COLOR_MASK_PALETTE) != 0 ||
            png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE) {
            std::snprintf(s.message, sizeof s.message, "a layout other than 8-bit grey, grey + alpha, RGB or RGBA");
        } else {
            picture.width = int(png_get_image_width(s.png, s.info));
            picture.height = int(png_get_image_height(s.png, s.info));
            picture.bands = png_get_channels(s.png, s.info);
            const std::size_t rowBytes = std::size_t(picture.width) * std::size_t(picture.bands);
            picture.pixels.resize(rowBytes * std::size_t(picture.height));
            std::vector<png_bytep> rows(std::size_t(picture.height));
            for (std::size_t y = 0; y < rows.size(); ++y)
                rows[y] = picture.pixels.data() + y * rowBytes;
            picture.decoded = ReadRows(&s, rows.data(), extent) ||
                              (extent == Extent::Rows && s.rowsBeforeFailure == png_uint_32(picture.height));
        }
    }
    if (!picture.decoded) picture.message = s.message;
    png_destroy_read_struct(&s.png, &s.info, nullptr);
    return picture;
}

// Whether the header claims a picture small enough to decode whole here; false too when it cannot be read (the
// reduced decode then refuses the file).
bool SmallEnough(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < imaging::codecs::kIhdrEnd) return false;
    try {
        const imaging::codecs::PngHeader header =
            imaging::codecs::ReadPngHeader({bytes.begin(), bytes.begin() + imaging::codecs::kIhdrEnd});
        return std::uint64_t(header.width) * header.height <= kMaxPicturePixels;
    } catch (const imaging::Error&) {
        return false;
    }
}

// Whether libpng's message is zlib's refusal of a Huffman code set in the image data.
bool RefusesCodeSet(const std::string& message) {
    return message.ends_with("invalid literal/lengths set") || message.ends_with("invalid distances set") ||
           message.ends_with("invalid code lengths set");
}

[[noreturn]] void Disagree(const std::string& what) {
    std::fprintf(stderr, "pngshrink_diff: %s\n", what.c_str());
    std::abort();
}

// Aborts unless each sample of `shrunk` is the mean of its block of `full`: a colour weighted by alpha where there is
// alpha (0 where the block is wholly transparent), the alpha and colours without alpha plain means. A mean is a
// fraction and a sample an integer, so the sample must be it rounded down or up: less than 1 away from it.
void RequireBlockMeans(const ShrunkPicture& shrunk, const FullPicture& full, int factor, const std::string& which) {
    const int width = (full.width + factor - 1) / factor, height = (full.height + factor - 1) / factor;
    if (shrunk.width != width || shrunk.height != height || shrunk.bands != full.bands ||
        shrunk.pixels.size() != std::size_t(width) * std::size_t(height) * std::size_t(full.bands))
        Disagree(which + ": PngShrink " + std::to_string(shrunk.width) + "x" + std::to_string(shrunk.height) + " x" +
                 std::to_string(shrunk.bands) + ", libpng " + std::to_string(full.width) + "x" +
                 std::to_string(full.height) + " x" + std::to_string(full.bands) + " at 1/" + std::to_string(factor));
    const std::size_t bands = std::size_t(full.bands);
    const bool alpha = bands == 2 || bands == 4;
    const std::size_t colours = alpha ? bands - 1 : bands;
    for (int oy = 0; oy < height; ++oy) {
        for (int ox = 0; ox < width; ++ox) {
            std::uint64_t sum[4] = {}, pixels = 0;
            for (int y = oy * factor; y < std::min(full.height, (oy + 1) * factor); ++y) {
                for (int x = ox * factor; x < std::min(full.width, (ox + 1) * factor); ++x) {
                    const std::uint8_t* p =
                        full.pixels.data() + (std::size_t(y) * std::size_t(full.width) + std::size_t(x)) * bands;
                    const std::uint64_t weight = alpha ? p[colours] : 1;
                    for (std::size_t c = 0; c < colours; ++c)
                        sum[c] += p[c] * weight;
                    if (alpha) sum[colours] += weight;
                    ++pixels;
                }
            }
            const std::uint8_t* got =
                shrunk.pixels.data() + (std::size_t(oy) * std::size_t(width) + std::size_t(ox)) * bands;
            for (std::size_t c = 0; c < bands; ++c) {
                // the mean is sum[c] / divisor
                const std::uint64_t divisor = alpha && c < colours ? sum[colours] : pixels;
                const bool right =
                    divisor == 0 ? got[c] == 0
                                 : std::max(got[c] * divisor, sum[c]) - std::min(got[c] * divisor, sum[c]) < divisor;
                if (!right)
                    Disagree(which + ": at x " + std::to_string(ox) + " y " + std::to_string(oy) + " band " +
                             std::to_string(c) + " of the 1/" + std::to_string(factor) + " picture PngShrink gives " +
                             std::to_string(got[c]) + ", the block's mean is " + std::to_string(sum[c]) + "/" +
                             std::to_string(divisor));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (!SmallEnough(bytes)) return 0;
    const int factor = 2 + int(size % 63);
    std::size_t readEnd = 0; // just past the last byte PngShrink read
    auto read = [&](std::uint64_t offset, std::size_t count) {
        if (offset >= size) return std::vector<std::uint8_t>();
        const std::size_t end = std::size_t(std::min<std::uint64_t>(size, offset + count));
        readEnd = std::max(readEnd, end);
        return std::vector<std::uint8_t>(data + offset, data + end);
    };
    const std::optional<ShrunkPicture> shrunk = imaging::codecs::DecodePngShrunk(read, size, factor);
    if (!shrunk) return 0; // Kelvo decodes with libpng: one verdict whatever it is

    const FullPicture whole = DecodeWithLibpng(bytes, Extent::WholeFile);
    if (whole.decoded) {
        RequireBlockMeans(*shrunk, whole, factor, "the whole file");
        return 0;
    }

    // libpng refuses what PngShrink took: only what comes after the IDAT chunk PngShrink read last may be at fault.
    // Cut there, the file must give libpng every row; not the end of the zlib stream, which may lie in a later chunk
    // (PngShrink stops inflating at the last row).
    static constexpr std::uint8_t kIend[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    std::vector<std::uint8_t> cut(data, data + readEnd);
    cut.insert(cut.end(), std::begin(kIend), std::end(kIend));
    const FullPicture rows = DecodeWithLibpng(cut, Extent::Rows);
    if (!rows.decoded && RefusesCodeSet(rows.message) && Known("png-code-set")) return 0;
    if (!rows.decoded)
        Disagree("libpng fails on the whole file (" + whole.message + ") and on what PngShrink read of it (" +
                 std::to_string(readEnd) + " bytes: " + rows.message + "), which PngShrink took");
    RequireBlockMeans(*shrunk, rows, factor,
                      "the first " + std::to_string(readEnd) + " bytes (libpng on the whole file: " + whole.message +
                          ")");
    return 0;
}
