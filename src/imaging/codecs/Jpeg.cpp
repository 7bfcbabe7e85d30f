#include "imaging/codecs/Jpeg.h"

#include <algorithm>
#include <memory>

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kCom = 0xFE;
// A marker segment's length field counts itself: at most 65535 - 2 bytes of payload.
constexpr std::size_t kMaxSegmentPayload = 65533;
// Bounds the walk over a damaged file made of endless empty segments.
constexpr int kMaxSegments = 100000;

bool IsStandalone(std::uint8_t type) {
    return type == kSoi || type == 0x01 || (type >= 0xD0 && type <= 0xD7);
}

// The comment: the first COM segment, joined with the COM segments right after it while each one is full
// (that is how a comment longer than one segment is written). Stops at the first scan; pixel data is not read.
std::string ReadComment(const FileReader& file) {
    std::string raw;
    bool found = false;
    std::uint64_t pos = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        auto head = file.Read(pos, 4);
        if (head.size() < 2 || head[0] != kMarker) break;
        std::uint8_t type = head[1];
        if (type == kMarker) { // fill byte before a marker
            ++pos;
            continue;
        }
        if (IsStandalone(type)) {
            pos += 2;
            continue;
        }
        if (type == kSos || type == kEoi || head.size() < 4) break;
        std::size_t length = std::size_t(head[2]) << 8 | head[3];
        if (length < 2) break;
        if (type == kCom) {
            auto payload = file.Read(pos + 4, length - 2);
            std::size_t room = kMaxCommentBytes - raw.size();
            raw.append(payload.begin(), payload.begin() + std::ptrdiff_t(std::min(room, payload.size())));
            found = true;
            if (length - 2 < kMaxSegmentPayload || raw.size() >= kMaxCommentBytes) break;
        } else if (found) {
            break;
        }
        pos += 2 + length;
    }
    return TextToUtf8(raw);
}

// Puts the comment in COM segments after the JFIF APP0 segment (or right after SOI when there is none).
std::vector<std::uint8_t> InsertComment(const std::vector<std::uint8_t>& jpeg, const std::string& comment) {
    if (jpeg.size() < 4 || jpeg[0] != kMarker || jpeg[1] != kSoi) Fail("the JPEG encoder produced no JPEG data");
    std::size_t at = 2;
    if (jpeg[2] == kMarker && jpeg[3] == kApp0 && jpeg.size() >= 6) {
        std::size_t length = std::size_t(jpeg[4]) << 8 | jpeg[5];
        if (at + 2 + length <= jpeg.size()) at += 2 + length;
    }
    std::vector<std::uint8_t> out;
    std::size_t segments = (comment.size() + kMaxSegmentPayload - 1) / kMaxSegmentPayload;
    out.reserve(jpeg.size() + comment.size() + 4 * segments);
    out.insert(out.end(), jpeg.begin(), jpeg.begin() + std::ptrdiff_t(at));
    for (std::size_t start = 0; start < comment.size(); start += kMaxSegmentPayload) {
        std::size_t n = std::min(kMaxSegmentPayload, comment.size() - start);
        std::size_t length = n + 2;
        out.insert(out.end(), {kMarker, kCom, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)});
        out.insert(out.end(), comment.begin() + std::ptrdiff_t(start), comment.begin() + std::ptrdiff_t(start + n));
    }
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(at), jpeg.end());
    return out;
}

// Opens the file for decoding at 1/shrink scale, upright. Only the header is read now.
vips::VImage OpenJpeg(const std::string& path, int shrink) {
    return vips::VImage::jpegload(path.c_str(), vips::VImage::option()
                                                    ->set("autorotate", true)
                                                    ->set("shrink", shrink)
                                                    ->set("fail_on", VIPS_FAIL_ON_TRUNCATED)
                                                    ->set("access", VIPS_ACCESS_RANDOM));
}

} // namespace

bool IsJpeg(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

Image LoadJpeg(const std::string& path) {
    EnsureInitialized();
    FileReader file(path);
    if (file.Size() == 0) Fail("the file is empty");
    if (!IsJpeg(file.Read(0, 3))) Fail("not a JPEG file");
    std::string comment = ReadComment(file);

    vips::VImage loaded = CallVips([&] { return OpenJpeg(path, 1); });
    CheckDimensions(loaded.width(), loaded.height());

    Image image;
    image.width = loaded.width();
    image.height = loaded.height();
    image.bitCount = loaded.bands() == 1                                    ? 8
                     : loaded.interpretation() == VIPS_INTERPRETATION_CMYK ? 32
                                                                            : 24;
    image.pixels = ToKeptPixels(loaded);
    image.comment = std::move(comment);
    // The decoder scales by 1/2, 1/4 or 1/8 while it decodes (the orientation is applied afterwards, so the
    // rounded-up sides follow the upright image too).
    image.reloadShrunk = [path](int factor) { return ToKeptPixels(CallVips([&] { return OpenJpeg(path, factor); })); };
    return image;
}

std::vector<std::uint8_t> EncodeJpeg(const vips::VImage& rgb, int quality, bool progressive, bool subsample,
                                     const std::string& comment) {
    EnsureInitialized();
    if (rgb.bands() != 3 || rgb.format() != VIPS_FORMAT_UCHAR) Fail("JPEG encoding needs 8-bit RGB pixels");
    auto encoded = CallVips([&] {
        vips::VImage image = rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        VipsBlob* blob = nullptr;
        // strip: an orientation tag or profile carried over from the source would no longer describe the pixels.
        image.jpegsave_buffer(vips::VImage::option()
                                  ->set("Q", std::clamp(quality, 1, 100))
                                  ->set("interlace", progressive)
                                  ->set("subsample_mode", subsample ? VIPS_FOREIGN_SUBSAMPLE_ON
                                                                    : VIPS_FOREIGN_SUBSAMPLE_OFF)
                                  ->set("optimize_coding", true)
                                  ->set("strip", true)
                                  ->set("buffer", &blob));
        std::unique_ptr<VipsBlob, void (*)(VipsBlob*)> owned(blob, [](VipsBlob* b) { vips_area_unref(VIPS_AREA(b)); });
        std::size_t size = 0;
        const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
        return std::vector<std::uint8_t>(data, data + size);
    });
    return comment.empty() ? encoded : InsertComment(encoded, comment);
}

} // namespace imaging::codecs
