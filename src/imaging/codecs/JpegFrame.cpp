#include "imaging/codecs/JpegFrame.h"

#include <algorithm>

#include "imaging/Error.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

namespace {

// Bounds the walk over a damaged file made of endless empty segments.
constexpr int kMaxSegments = 100000;

bool IsStandalone(std::uint8_t type) {
    return type == 0xD8 || type == 0x01 || (type >= 0xD0 && type <= 0xD7);
}

bool IsFrame(std::uint8_t type) {
    return type >= 0xC0 && type <= 0xCF && type != 0xC4 && type != 0xC8 && type != 0xCC;
}

} // namespace

void ForEachJpegSegment(const FileReader& file,
                        const std::function<bool(std::uint8_t, std::uint64_t, std::size_t)>& visit) {
    std::uint64_t pos = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        const std::vector<std::uint8_t> head = file.Read(pos, 4);
        if (head.size() < 2 || head[0] != 0xFF) return;
        const std::uint8_t type = head[1];
        if (type == 0xFF) { // a fill byte before a marker
            ++pos;
            continue;
        }
        if (IsStandalone(type)) {
            pos += 2;
            continue;
        }
        if (type == 0xDA || type == 0xD9 || head.size() < 4) return; // a scan, or the end
        const std::size_t length = std::size_t(head[2]) << 8 | head[3];
        if (length < 2 || !visit(type, pos + 4, length - 2)) return;
        pos += 2 + length;
    }
}

std::optional<JpegFrame> ReadJpegFrame(const FileReader& file) {
    const std::vector<std::uint8_t> soi = file.Read(0, 2);
    if (soi.size() < 2 || soi[0] != 0xFF || soi[1] != 0xD8) return std::nullopt;
    std::optional<JpegFrame> result;
    ForEachJpegSegment(file, [&](std::uint8_t type, std::uint64_t offset, std::size_t length) {
        if (!IsFrame(type)) return true;
        const std::vector<std::uint8_t> header = file.Read(offset, length);
        if (header.size() < 6 || header.size() != length) return false;
        const std::size_t count = header[5];
        if (header.size() < 6 + 3 * count) return false;
        JpegFrame frame;
        frame.height = (header[1] << 8) | header[2];
        frame.width = (header[3] << 8) | header[4];
        // Progressive: SOF2, and the differential / arithmetic progressive kinds. Arithmetic: SOF9 and up.
        frame.progressive = type == 0xC2 || type == 0xC6 || type == 0xCA || type == 0xCE;
        frame.arithmetic = type >= 0xC9;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t sampling = header[6 + 3 * i + 1];
            frame.components.push_back({std::max(1, sampling >> 4), std::max(1, sampling & 0x0F)});
        }
        result = frame;
        return false;
    });
    return result;
}

std::optional<JpegFrame> ReadJpegFrame(const std::string& path) {
    try {
        return ReadJpegFrame(FileReader(path));
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::uint64_t MinimumJpegDataBytes(const JpegFrame& frame) {
    if (frame.arithmetic) return 0;
    int hMax = 1, vMax = 1;
    for (const JpegFrame::Component& c : frame.components) {
        hMax = std::max(hMax, c.h);
        vMax = std::max(vMax, c.v);
    }
    std::uint64_t blocks = 0;
    for (const JpegFrame::Component& c : frame.components) {
        // A component's own size, rounded up, in whole blocks.
        const std::uint64_t width = (std::uint64_t(frame.width) * std::uint64_t(c.h) + std::uint64_t(hMax) - 1) / hMax;
        const std::uint64_t height =
            (std::uint64_t(frame.height) * std::uint64_t(c.v) + std::uint64_t(vMax) - 1) / vMax;
        blocks += ((width + 7) / 8) * ((height + 7) / 8);
    }
    return blocks / 8;
}

std::uint64_t JpegScanBytes(const FileReader& file, std::uint64_t enough) {
    // The first scan's marker follows the segments ForEachJpegSegment walks.
    std::uint64_t pos = 2;
    ForEachJpegSegment(file, [&](std::uint8_t, std::uint64_t offset, std::size_t length) {
        pos = offset + length;
        return true;
    });
    constexpr std::size_t kChunk = 64 * 1024;
    std::uint64_t count = 0;
    bool inScan = false;
    for (int segments = 0; count < enough; ++segments) {
        if (segments > kMaxSegments) return count + (file.Size() - std::min(file.Size(), pos));
        if (!inScan) {
            const std::vector<std::uint8_t> head = file.Read(pos, 4);
            if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0xFF) { // a fill byte before a marker
                ++pos;
                continue;
            }
            // Bytes that are no marker: a layout this walk does not know. All the rest may be data.
            if (head.size() < 2 || head[0] != 0xFF) return count + (file.Size() - std::min(file.Size(), pos));
            const std::uint8_t type = head[1];
            if (type == 0xD9) break; // the end of the image
            if (IsStandalone(type)) {
                pos += 2;
                continue;
            }
            if (head.size() < 4) break;
            pos += 2 + (std::size_t(head[2]) << 8 | head[3]);
            inScan = type == 0xDA;
            continue;
        }
        // Entropy-coded data, up to the next marker that is neither a stuffed zero nor a restart marker.
        const std::vector<std::uint8_t> chunk = file.Read(pos, kChunk);
        std::size_t i = 0;
        for (; i < chunk.size(); ++i) {
            if (chunk[i] != 0xFF) continue;
            if (i + 1 >= chunk.size()) break; // looked at again with the next chunk
            const std::uint8_t next = chunk[i + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                ++i;
            else if (next != 0xFF) {
                inScan = false;
                break;
            }
        }
        if (i == 0 && inScan) break; // the end of the file (or a lone 0xFF at it)
        count += i;
        pos += i;
    }
    return count;
}

} // namespace imaging::codecs
