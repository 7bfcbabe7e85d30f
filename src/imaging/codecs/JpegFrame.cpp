#include "imaging/codecs/JpegFrame.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace imaging::codecs {

std::optional<JpegFrame> ReadJpegFrame(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    auto byte = [&]() -> int { return std::fgetc(file.get()); };
    if (byte() != 0xFF || byte() != 0xD8) return std::nullopt;
    // Marker segments: FF, marker, two length bytes (counting themselves), the segment. Markers may be padded
    // with extra FF bytes. A segment count bound keeps a damaged file from looping long.
    for (int segments = 0; segments < 1000; ++segments) {
        int c = byte();
        if (c != 0xFF) return std::nullopt;
        int marker;
        do marker = byte();
        while (marker == 0xFF);
        if (marker == EOF || marker == 0xD9 || marker == 0xDA) return std::nullopt; // end or scan: no frame
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;         // markers without a length
        int high = byte(), low = byte();
        if (high == EOF || low == EOF) return std::nullopt;
        const int length = (high << 8) | low;
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 8) return std::nullopt;
            std::uint8_t header[5];
            if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) return std::nullopt;
            JpegFrame result;
            result.height = (header[1] << 8) | header[2];
            result.width = (header[3] << 8) | header[4];
            // Progressive: SOF2, and the differential / arithmetic progressive kinds.
            result.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            return result;
        }
        if (std::fseek(file.get(), length - 2, SEEK_CUR) != 0) return std::nullopt;
    }
    return std::nullopt;
}

} // namespace imaging::codecs
