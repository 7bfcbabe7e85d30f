#pragma once
// The frame header of a JPEG file, read without decoding: its size and whether it is progressive.
#include <optional>
#include <string>

namespace imaging::codecs {

struct JpegFrame {
    int width = 0;
    int height = 0;
    bool progressive = false;
};

// The first frame header of the file; nullopt when the file is not a JPEG or its header cannot be read.
// Reads the marker segments only, up to the frame header.
std::optional<JpegFrame> ReadJpegFrame(const std::string& path);

} // namespace imaging::codecs
