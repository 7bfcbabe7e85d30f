#include "imaging/codecs/JpegFrame.h"

#include <algorithm>

#include "imaging/Error.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging::codecs {

std::optional<JpegFrame> ReadJpegFrame(const FileReader& file) {
    std::uint64_t pos = 0;
    auto byte = [&]() -> int {
        const std::vector<std::uint8_t> one = file.Read(pos, 1);
        if (one.empty()) return -1;
        ++pos;
        return one[0];
    };
    if (byte() != 0xFF || byte() != 0xD8) return std::nullopt;
    // Marker segments: FF, marker, two length bytes (counting themselves), the segment. Markers may be padded
    // with extra FF bytes. A segment count bound keeps a damaged file from looping long.
    for (int segments = 0; segments < 1000; ++segments) {
        if (byte() != 0xFF) return std::nullopt;
        int marker;
        do marker = byte();
        while (marker == 0xFF);
        if (marker < 0 || marker == 0xD9 || marker == 0xDA) return std::nullopt; // end or scan: no frame
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;      // markers without a length
        const int high = byte(), low = byte();
        if (high < 0 || low < 0) return std::nullopt;
        const int length = (high << 8) | low;
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            pos += std::uint64_t(length - 2);
            continue;
        }
        const std::vector<std::uint8_t> header = file.Read(pos, std::size_t(length - 2));
        if (header.size() < 6 || header.size() != std::size_t(length - 2)) return std::nullopt;
        JpegFrame result;
        result.height = (header[1] << 8) | header[2];
        result.width = (header[3] << 8) | header[4];
        // Progressive: SOF2, and the differential / arithmetic progressive kinds. Arithmetic: SOF9 and up.
        result.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        result.arithmetic = marker >= 0xC9;
        const std::size_t count = header[5];
        if (header.size() < 6 + 3 * count) return std::nullopt;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t sampling = header[6 + 3 * i + 1];
            result.components.push_back({std::max(1, sampling >> 4), std::max(1, sampling & 0x0F)});
        }
        return result;
    }
    return std::nullopt;
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
        const std::uint64_t height = (std::uint64_t(frame.height) * std::uint64_t(c.v) + std::uint64_t(vMax) - 1) / vMax;
        blocks += ((width + 7) / 8) * ((height + 7) / 8);
    }
    return blocks / 8;
}

} // namespace imaging::codecs
