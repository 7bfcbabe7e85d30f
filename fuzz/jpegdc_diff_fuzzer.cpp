// libFuzzer target that holds the DC-only decoder of progressive JPEGs to libjpeg's verdict on the same bytes.
// Kelvo makes a 1/8 reduction of a progressive file without subsampling from the DC coefficients alone, and of any
// other file with libjpeg at 1/8 scale (under the rule of codecs/JpegDecode: data lost fails, the end marker must
// be there). Both must agree:
// - both decode: the pixels are identical (the DC decoder is exact when no component is subsampled);
// - the DC decoder decodes and libjpeg fails: the DC decoder reads the DC scans and requires the rest of the file
//   up to its end marker, but does not decode the AC scans, so the failure must lie in an AC scan. The file with
//   its AC scans left out must then decode with libjpeg, to exactly the DC decoder's pixels;
// - the DC decoder refuses: Kelvo decodes with libjpeg, whatever it says.
// Any other outcome aborts. Frames of more than kMaxFramePixels are passed over (libjpeg keeps every coefficient of a
// progressive file). The differences found so far are kept under tests/imaging/read/diff/, each with a note.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/Image.h"
#include "imaging/codecs/JpegDc.h"
#include "imaging/codecs/LibjpegErrors.h"

namespace {

using imaging::codecs::LibjpegErrors;

constexpr std::uint64_t kMaxFramePixels = 4'000'000;

enum class Verdict { Decoded, Failed, TooLarge };

struct LibjpegPicture {
    Verdict verdict = Verdict::Failed;
    int width = 0;
    int height = 0;
    int bands = 0;
    std::vector<std::uint8_t> pixels;
    std::string message; // libjpeg's, on a failure
};

// How libjpeg is asked to decode.
struct Settings {
    // libjpeg's block smoothing, on by default.
    bool smoothing = true;
    // The size of the file Kelvo reads, for the rule on data left over in a scan (0: no such rule).
    std::size_t fileBytes = 0;
};

// Everything a longjmp may cross: C objects only. Each function below that calls setjmp holds nothing else.
struct DecodeState {
    jpeg_decompress_struct info;
    LibjpegErrors errors;
};

bool Create(DecodeState* s, std::size_t fileBytes) {
    InstallLibjpegErrors(s->errors, LibjpegErrors::Warnings::WhenDataIsLost);
    s->errors.dataBytes = fileBytes;
    s->info.err = &s->errors.base;
    if (setjmp(s->errors.jump)) return false;
    jpeg_create_decompress(&s->info);
    return true;
}

bool ReadHeader(DecodeState* s, const std::uint8_t* data, std::size_t size) {
    if (setjmp(s->errors.jump)) return false;
    jpeg_mem_src(&s->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s->info, TRUE);
    return true;
}

bool Start(DecodeState* s, bool smoothing) {
    if (setjmp(s->errors.jump)) return false;
    s->info.scale_num = 1;
    s->info.scale_denom = 8;
    s->info.do_block_smoothing = smoothing ? TRUE : FALSE;
    jpeg_start_decompress(&s->info);
    return true;
}

// All rows into `pixels`, then the rest of the file up to its end marker.
bool ReadRows(DecodeState* s, std::uint8_t* pixels, std::size_t rowBytes) {
    if (setjmp(s->errors.jump)) return false;
    while (s->info.output_scanline < s->info.output_height) {
        JSAMPROW row = pixels + std::size_t(s->info.output_scanline) * rowBytes;
        if (jpeg_read_scanlines(&s->info, &row, 1) != 1) ERREXIT(&s->info, JERR_INPUT_EOF);
    }
    jpeg_finish_decompress(&s->info);
    return true;
}

// The bytes as libjpeg decodes them at 1/8 scale, in its default output colour space (grey for one component, RGB
// for YCbCr).
LibjpegPicture DecodeWithLibjpeg(std::span<const std::uint8_t> bytes, const Settings& settings) {
    LibjpegPicture picture;
    DecodeState s{};
    if (!Create(&s, settings.fileBytes)) return picture;
    if (ReadHeader(&s, bytes.data(), bytes.size())) {
        if (std::uint64_t(s.info.image_width) * s.info.image_height > kMaxFramePixels) {
            picture.verdict = Verdict::TooLarge;
        } else if (Start(&s, settings.smoothing)) {
            picture.width = int(s.info.output_width);
            picture.height = int(s.info.output_height);
            picture.bands = s.info.output_components;
            const std::size_t rowBytes = std::size_t(picture.width) * std::size_t(picture.bands);
            picture.pixels.resize(rowBytes * std::size_t(picture.height));
            if (ReadRows(&s, picture.pixels.data(), rowBytes)) picture.verdict = Verdict::Decoded;
        }
    }
    if (picture.verdict == Verdict::Failed) picture.message = s.errors.message;
    jpeg_destroy_decompress(&s.info);
    return picture;
}

bool IsRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// Where the entropy-coded data from `pos` ends: at the first marker (its first 0xFF, fill bytes included) that is
// neither a stuffed zero nor a restart marker; the end of the data when there is none.
std::size_t ScanDataEnd(std::span<const std::uint8_t> data, std::size_t pos) {
    for (; pos < data.size(); ++pos) {
        if (data[pos] != 0xFF) continue;
        std::size_t code = pos + 1;
        while (code < data.size() && data[code] == 0xFF)
            ++code;
        if (code == data.size()) break;
        if (data[code] != 0x00 && !IsRestart(data[code])) return pos;
        pos = code;
    }
    return data.size();
}

// One marker of a file and what it brings up to the next marker: nothing, a segment (its length field first), or
// a scan's header segment and its entropy-coded data.
struct Marker {
    std::uint8_t code;
    std::span<const std::uint8_t> segment;
    std::span<const std::uint8_t> scanData;
};

// Calls `visit` for each marker after SOI up to EOI, which ends the walk. Markers must follow one another without
// stray bytes between them (the DC decoder requires that); false when they do not, or a segment does not fit.
bool ForEachMarker(std::span<const std::uint8_t> data, const std::function<void(const Marker&)>& visit) {
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
    std::size_t pos = 2;
    for (;;) {
        if (pos >= data.size() || data[pos] != 0xFF) return false;
        while (pos < data.size() && data[pos] == 0xFF)
            ++pos;
        if (pos >= data.size()) return false;
        Marker marker{data[pos++], {}, {}};
        if (marker.code == 0xD9) return true;
        if (marker.code != 0x01 && !IsRestart(marker.code)) {
            if (data.size() - pos < 2) return false;
            const std::size_t length = std::size_t(data[pos] << 8 | data[pos + 1]);
            if (length < 2 || length > data.size() - pos) return false;
            marker.segment = data.subspan(pos, length);
            pos += length;
            if (marker.code == 0xDA) {
                const std::size_t end = ScanDataEnd(data, pos);
                marker.scanData = data.subspan(pos, end - pos);
                pos = end;
            }
        }
        visit(marker);
    }
}

// The start of a scan's spectral selection (Ss) from its header segment; -1 when the segment is too short to say.
int SpectralStart(std::span<const std::uint8_t> segment) {
    // length, Ns, Ns pairs of component id and tables, Ss, Se, Ah/Al
    if (segment.size() < 3) return -1;
    const std::size_t at = 3 + 2 * std::size_t(segment[2]);
    return at < segment.size() - 2 ? segment[at] : -1;
}

// The file without its AC scans: SOI, every marker as it stands, the scans whose spectral selection starts at 0
// with their entropy-coded data, then EOI. nullopt when its markers cannot be walked.
std::optional<std::vector<std::uint8_t>> DcScansOnly(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out{0xFF, 0xD8};
    bool scanHeadersRead = true;
    const bool walked = ForEachMarker(data, [&](const Marker& marker) {
        if (marker.code == 0xDA) {
            const int ss = SpectralStart(marker.segment);
            scanHeadersRead = scanHeadersRead && ss >= 0;
            if (ss != 0) return;
        }
        out.push_back(0xFF);
        out.push_back(marker.code);
        out.insert(out.end(), marker.segment.begin(), marker.segment.end());
        out.insert(out.end(), marker.scanData.begin(), marker.scanData.end());
    });
    if (!walked || !scanHeadersRead) return std::nullopt;
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

[[noreturn]] void Disagree(const std::string& what) {
    std::fprintf(stderr, "jpegdc_diff: %s\n", what.c_str());
    std::abort();
}

// How libjpeg's picture differs from the DC decoder's, sample for sample; empty when it does not.
std::string Difference(const imaging::Raster& dc, const LibjpegPicture& libjpeg) {
    if (dc.width != libjpeg.width || dc.height != libjpeg.height || dc.bands != libjpeg.bands)
        return "DC decoder " + std::to_string(dc.width) + "x" + std::to_string(dc.height) + " x" +
               std::to_string(dc.bands) + ", libjpeg " + std::to_string(libjpeg.width) + "x" +
               std::to_string(libjpeg.height) + " x" + std::to_string(libjpeg.bands);
    const std::size_t bands = std::size_t(dc.bands);
    std::size_t differing = 0, first = 0;
    for (std::size_t i = 0; i < dc.pixels.size(); ++i)
        if (dc.pixels[i] != libjpeg.pixels[i] && differing++ == 0) first = i;
    if (differing == 0) return {};
    const std::size_t pixel = first / bands;
    return std::to_string(differing) + " of " + std::to_string(dc.pixels.size()) + " samples differ; first at x " +
           std::to_string(pixel % std::size_t(dc.width)) + " y " + std::to_string(pixel / std::size_t(dc.width)) +
           " band " + std::to_string(first % bands) + ": DC decoder " + std::to_string(dc.pixels[first]) +
           ", libjpeg " + std::to_string(libjpeg.pixels[first]);
}

// Aborts unless libjpeg's picture is the DC decoder's.
void RequireSamePixels(const imaging::Raster& dc, const LibjpegPicture& libjpeg, const std::string& which) {
    const std::string difference = Difference(dc, libjpeg);
    if (!difference.empty()) Disagree(which + ": " + difference);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::optional<imaging::Raster> dc = imaging::codecs::DecodeJpegDc(bytes, /*allowSubsampled=*/false);
    if (!dc) return 0; // Kelvo decodes with libjpeg: one verdict whatever it is

    // As Kelvo's libjpeg path decodes.
    const Settings kelvo{.smoothing = true, .fileBytes = size};
    const LibjpegPicture full = DecodeWithLibjpeg(bytes, kelvo);
    if (full.verdict == Verdict::TooLarge) return 0;
    if (full.verdict == Verdict::Decoded) {
        RequireSamePixels(*dc, full, "the whole file");
        return 0;
    }

    // libjpeg refuses what the DC decoder took: only data the DC decoder does not read may be at fault.
    const std::optional<std::vector<std::uint8_t>> dcOnly = DcScansOnly(bytes);
    if (!dcOnly) Disagree("the DC decoder took a file whose markers do not follow one another");
    // The AC coefficients left out are not missing data here: block smoothing, which estimates them (and, with
    // none of the first ones known, the DC too), is off, so that libjpeg gives the DC coefficients as they are.
    // Data left over in a scan is weighed against the file Kelvo reads, as in the decode of the whole file.
    const Settings settings{.smoothing = false, .fileBytes = size};
    const LibjpegPicture check = DecodeWithLibjpeg(*dcOnly, settings);
    if (check.verdict == Verdict::TooLarge) return 0;
    if (check.verdict != Verdict::Decoded)
        Disagree("libjpeg fails on the whole file (" + full.message + ") and on its DC scans alone (" + check.message +
                 "), which the DC decoder took");
    RequireSamePixels(*dc, check, "the DC scans alone (libjpeg on the whole file: " + full.message + ")");
    return 0;
}
