#pragma once
// The frame header of a JPEG file, read without decoding: its size, its components' sampling, and how its
// entropy data is coded.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace imaging::codecs {

class FileReader;

struct JpegFrame {
    int width = 0;
    int height = 0;
    bool progressive = false;
    bool arithmetic = false;
    struct Component {
        int h = 1, v = 1; // sampling factors
    };
    std::vector<Component> components;
};

// Walks the marker segments of a JPEG file from after its SOI marker up to its first scan (or its end, or the
// first byte that is no marker): `visit(type, payloadOffset, payloadLength)` for each segment with a length,
// until it returns false. Fill bytes and markers without a length are stepped over. Pixel data is never read.
void ForEachJpegSegment(const FileReader& file,
                        const std::function<bool(std::uint8_t type, std::uint64_t offset, std::size_t length)>& visit);

// The first frame header of the file; nullopt when the file is not a JPEG or its header cannot be read.
// Reads the marker segments only, up to the frame header. The path form opens the file through the one opener
// and never fails.
std::optional<JpegFrame> ReadJpegFrame(const FileReader& file);
std::optional<JpegFrame> ReadJpegFrame(const std::string& path);

// The fewest bytes of entropy-coded data that can hold the frame's pixels. Huffman coding spends at least one
// bit on every 8 x 8 block of every component (its DC difference), in sequential and progressive files alike;
// a header that claims more blocks than its file has bits describes a picture the file does not hold.
// 0 for arithmetic coding, which has no such bound.
std::uint64_t MinimumJpegDataBytes(const JpegFrame& frame);

// The bytes of entropy-coded data in the file's scans (what can hold pixels: marker segments such as comments,
// tables and scan headers are not counted), counted from the first scan until `enough` are found or the file
// ends. Segments are stepped over without being read, so a file padded with comments costs a few reads.
std::uint64_t JpegScanBytes(const FileReader& file, std::uint64_t enough);

} // namespace imaging::codecs
