#pragma once
// The PNG signature and header (IHDR), shared by the PNG reader and the reduced decode.
#include <array>
#include <cstdint>
#include <vector>

namespace imaging::codecs {

inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
inline constexpr std::size_t kIhdrEnd = 33; // signature, IHDR length and type, 13 bytes of data, CRC
// Bounds a walk over a damaged file made of endless empty chunks.
inline constexpr int kMaxPngChunks = 1'000'000;
// Deflate turns at most 258 bytes into one code of 2 bits (after the first): no compressed stream, and so no
// file, holds more than this many times its size.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int compression = 0;
    int filter = 0;
    int interlace = 0;
};

// The header from the file's first kIhdrEnd bytes. Raises imaging::Error for a missing or damaged header, a size
// beyond the limits, or a colour type and bit depth PNG does not have.
PngHeader ReadPngHeader(const std::vector<std::uint8_t>& head);

// The samples per pixel of a colour type (a palette index counts as one).
int PngChannels(int colourType);

// The pixel bytes the image data inflates to at least (without the filter bytes; interlacing adds more).
std::uint64_t MinimumRawBytes(const PngHeader& header);

} // namespace imaging::codecs
