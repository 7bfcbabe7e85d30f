#include "imaging/codecs/Jpeg.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/JpegDc.h"
#include "imaging/codecs/JpegDecode.h"
#include "imaging/codecs/JpegFrame.h"
#include "imaging/codecs/VipsLoad.h"
#include "imaging/codecs/Metadata.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging::codecs {

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kCom = 0xFE;
// A marker segment's length field counts itself: at most 65535 - 2 bytes of payload.
constexpr std::size_t kMaxSegmentPayload = 65533;
// The largest image written with optimised Huffman tables.
constexpr std::int64_t kOptimizeCodingPixels = 16'000'000;
// The comment: the first COM segment, joined with the COM segments right after it while each one is full
// (that is how a comment longer than one segment is written). Stops at the first scan; pixel data is not read.
std::string ReadComment(const FileReader& file) {
    std::string raw;
    bool found = false;
    ForEachJpegSegment(file, [&](std::uint8_t type, std::uint64_t offset, std::size_t length) {
        if (type != kCom) return !found;
        const std::vector<std::uint8_t> payload = file.Read(offset, length);
        const std::size_t room = kMaxCommentBytes - raw.size();
        raw.append(payload.begin(), payload.begin() + std::ptrdiff_t(std::min(room, payload.size())));
        found = true;
        return length >= kMaxSegmentPayload && raw.size() < kMaxCommentBytes;
    });
    return TextToUtf8(raw);
}

// Passes the encoder's bytes on, with the comment in COM segments after the JFIF APP0 segment (or right after
// SOI when there is none). Only the first bytes wait, until the place for the comment is known.
class CommentInserter {
public:
    CommentInserter(const std::string& comment, const ByteSink& out) : comment_(comment), out_(out) {}

    void Write(std::span<const std::uint8_t> bytes) {
        if (inserted_) return out_(bytes);
        head_.insert(head_.end(), bytes.begin(), bytes.end());
        if (std::size_t at = InsertionPoint(false)) Insert(at);
    }

    // After the last byte.
    void Finish() {
        if (inserted_) return;
        if (std::size_t at = InsertionPoint(true)) return Insert(at);
        Fail("the JPEG encoder produced no JPEG data");
    }

private:
    // Where the comment goes, or 0 while that is not known yet (at the end: 0 when there is no JPEG).
    std::size_t InsertionPoint(bool end) const {
        if (head_.size() < 4) return 0;
        if (head_[0] != kMarker || head_[1] != kSoi) return end ? 0 : kNotJpeg;
        if (head_[2] != kMarker || head_[3] != kApp0) return 2;
        if (head_.size() < 6) return end ? 2 : 0;
        const std::size_t after = 4 + (std::size_t(head_[4]) << 8 | head_[5]);
        return head_.size() >= after ? after : end ? 2 : 0;
    }

    void Insert(std::size_t at) {
        if (at == kNotJpeg) Fail("the JPEG encoder produced no JPEG data");
        out_(std::span(head_).first(at));
        for (std::size_t start = 0; start < comment_.size(); start += kMaxSegmentPayload) {
            const std::size_t n = std::min(kMaxSegmentPayload, comment_.size() - start);
            const std::size_t length = n + 2;
            const std::uint8_t segment[] = {kMarker, kCom, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)};
            out_(segment);
            out_(std::span(reinterpret_cast<const std::uint8_t*>(comment_.data()) + start, n));
        }
        out_(std::span(head_).subspan(at));
        inserted_ = true;
        head_.clear();
        head_.shrink_to_fit();
    }

    static constexpr std::size_t kNotJpeg = ~std::size_t(0);
    const std::string& comment_;
    const ByteSink& out_;
    std::vector<std::uint8_t> head_;
    bool inserted_ = false;
};

// The header of the file at 1/shrink scale, as stored (not turned upright): its size, layout, colour profile and
// orientation. Only the header is read.
vips::VImage ReadHeader(const vips::VSource& source, int shrink) {
    return vips::VImage::jpegload_source(source, vips::VImage::option()->set("shrink", shrink));
}

// Pixels decoded as stored, with the header's colour profile, turned upright and brought to the kept pixels.
// `inOrder`: the pixels come once from the top (a decode of ours), so a turn, or a caller that reads regions in
// any order, needs them whole first.
vips::VImage AsLoaded(vips::VImage pixels, const vips::VImage& header, bool inOrder, bool anyOrder) {
    if (header.get_typeof(VIPS_META_ICC_NAME) != 0 && pixels.get_typeof(VIPS_META_ICC_NAME) == 0) {
        std::size_t length = 0;
        const void* profile = header.get_blob(VIPS_META_ICC_NAME, &length);
        vips_image_set_blob_copy(pixels.get_image(), VIPS_META_ICC_NAME, profile, length);
    }
    const int orientation = header.get_typeof(VIPS_META_ORIENTATION) != 0 ? header.get_int(VIPS_META_ORIENTATION) : 1;
    const bool turned = orientation >= 2 && orientation <= 8;
    if (inOrder && (turned || anyOrder)) pixels = WholeOnDemand(pixels);
    if (turned) {
        pixels.set(VIPS_META_ORIENTATION, orientation);
        pixels = pixels.autorot();
    }
    return ToKeptPixels(pixels);
}

struct Decoded {
    vips::VImage pixels; // upright, as an Image keeps them
    vips::VImage header; // the stored header at full size
};

// The source file decoded at 1/shrink by libjpeg under our rules (codecs/JpegDecode); nullopt when it is no longer
// that file. `anyOrder`: the result may be read in any order (otherwise once from the top).
std::optional<Decoded> Decode(const SourceFile& file, int shrink, bool anyOrder) {
    files::InputFile opened = file.Open();
    if (!opened.IsOpen()) return std::nullopt;
    return CallVips([&] {
        // libvips reads from its own duplicate of the descriptor.
        const vips::VImage header = ReadHeader(vips::VSource::new_from_descriptor(opened.Descriptor()), shrink);
        vips::VImage rows = DecodeJpegRows(std::move(opened), shrink, header, file.Path());
        return Decoded{AsLoaded(rows, header, true, anyOrder), header};
    });
}

std::optional<vips::VImage> Reload(const SourceFile& file, int shrink, bool anyOrder) {
    std::optional<Decoded> decoded = Decode(file, shrink, anyOrder);
    if (!decoded) return std::nullopt;
    return decoded->pixels;
}

// The 1/8 decode of a progressive file from its DC coefficients alone: a few milliseconds and megabytes where
// libjpeg would decode every scan and keep every coefficient of the image. nullopt when that decoder does not
// take the file (or the file changed since its load).
// Its verdict may differ from libjpeg's only where it provably needs less of the file: it reads the DC scans
// whole and requires every later scan to be present up to the end marker, but does not decode the AC scans,
// so a file whose AC data meets an end marker early converts here and fails at full size. Its pixels are then
// exactly those of the complete file's 1/8 decode (the AC coefficients never enter them without subsampling).
std::optional<vips::VImage> ReloadEighthFromDc(const SourceFile& file) {
    std::optional<std::vector<std::uint8_t>> bytes = file.ReadAll();
    if (!bytes) return std::nullopt;
    // Only files whose reduced decode this gives exactly: thumbnails look the same either way.
    std::optional<Raster> dc = DecodeJpegDc(*bytes, false);
    if (!dc) return std::nullopt;
    return CallVips([&] {
        const vips::VImage header = vips::VImage::new_from_buffer(bytes->data(), bytes->size(), "");
        vips::VImage pixels =
            CopyToVips(dc->pixels.data(), dc->width, dc->height, dc->bands)
                .copy(vips::VImage::option()->set("interpretation",
                                                  dc->bands == 1 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB));
        return AsLoaded(pixels, header, false, false);
    });
}

} // namespace

bool IsJpeg(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

Image LoadJpeg(const std::string& path) {
    return LoadJpeg(FileReader(path));
}

Image LoadJpeg(const FileReader& file) {
    EnsureInitialized();
    if (file.Size() == 0) FailTruncated("the file is empty");
    if (!IsJpeg(file.Read(0, 3))) Fail("not a JPEG file", Problem::NotImage);
    std::string comment = ReadComment(file);
    // Refused before anything is allocated for it: a header that claims more pixels than its scans can hold,
    // however much else (comments, say) the file is padded with.
    if (std::optional<JpegFrame> frame = ReadJpegFrame(file)) {
        const std::uint64_t needed = MinimumJpegDataBytes(*frame);
        if (file.Size() < needed || JpegScanBytes(file, needed) < needed)
            FailTruncated("the file's scans are far too short for the size its header claims");
    }

    SourceFile source(file);
    std::optional<Decoded> decoded = Decode(source, 1, true);
    if (!decoded) Fail("the file changed while it was being read");
    const vips::VImage& header = decoded->header;
    CheckDimensions(decoded->pixels.width(), decoded->pixels.height());

    Image image;
    image.width = decoded->pixels.width();
    image.height = decoded->pixels.height();
    image.bitCount = header.bands() == 1 ? 8 : header.interpretation() == VIPS_INTERPRETATION_CMYK ? 32 : 24;
    image.pixels = decoded->pixels;
    image.comment = std::move(comment);
    // The decoder scales by 1/2, 1/4 or 1/8 while it decodes (the orientation is applied afterwards, so the
    // rounded-up sides follow the upright image too).
    const bool progressive = header.get_typeof("interlaced") != 0 && header.get_int("interlaced") != 0;
    image.reloadShrunk = [source, progressive](int factor) {
        if (factor == 8 && progressive)
            if (std::optional<vips::VImage> eighth = ReloadEighthFromDc(source)) return eighth;
        return Reload(source, factor, true);
    };
    image.reloadSequential = [source] { return Reload(source, 1, false); };
    return image;
}

void WriteJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample, const std::string& comment,
               const ByteSink& sink, const OutputMetadata* metadata) {
    EnsureInitialized();
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("JPEG encoding needs 8-bit RGB pixels");
    CommentInserter inserter(comment, sink);
    // Optimised Huffman tables make files some 5 % smaller, but libjpeg then keeps the coefficients of the whole
    // image (twice its decoded size at 4:4:4) until the last row: larger images get the standard tables and
    // are written as their rows are computed.
    const bool optimize = std::int64_t(rgb.width()) * rgb.height() <= kOptimizeCodingPixels;
    SaveThroughTarget(
        rgb,
        [&](const vips::VTarget& target) {
            // Without the source's metadata (an orientation tag or profile would no longer describe the pixels),
            // then what the run keeps of it.
            vips::VImage image = PixelsToSave(rgb, metadata);
            image.jpegsave_target(
                target, vips::VImage::option()
                            ->set("Q", std::clamp(quality, 1, 100))
                            ->set("interlace", progressive)
                            ->set("subsample_mode", subsample ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF)
                            ->set("optimize_coding", optimize)
                            ->set("strip", metadata == nullptr));
        },
        [&inserter](std::span<const std::uint8_t> bytes) { inserter.Write(bytes); });
    inserter.Finish();
}

std::vector<std::uint8_t> EncodeJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample,
                                     const std::string& comment) {
    std::vector<std::uint8_t> out;
    WriteJpeg(rgb, quality, progressive, subsample, comment, AppendTo(out));
    return out;
}

} // namespace imaging::codecs
