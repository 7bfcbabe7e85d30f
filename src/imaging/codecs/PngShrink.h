#pragma once
// PngShrink: a PNG decoded straight to 1/factor of each side, for a reduction. The file is read once from the
// top; a few rows are held at a time. Each pixel of the result is the mean of its factor x factor block of the
// image (of the part of the block inside the image at the right and bottom edges), colour weighted by alpha.
// The image data is inflated by ISA-L's inflate, about twice as fast as zlib's on photos.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace imaging::codecs {

struct ShrunkPicture {
    int width = 0;
    int height = 0;
    int bands = 0;                        // as stored: 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
    std::vector<std::uint8_t> pixels;     // interleaved, rows without padding
    std::vector<std::uint8_t> iccProfile; // the iCCP chunk's profile, when the file has one
};

// Up to count bytes of the file from offset (fewer at its end); throws when the file cannot be read.
using ReadAt = std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t count)>;

// The picture at 1/factor of each side (factor 2 to 256; sides rounded up). Handles what most photos and large
// pictures are: 8-bit grey, grey + alpha, RGB and RGBA, not interlaced, without a tRNS colour, at most a million
// pixels wide, in a file long enough for the rows its header claims, whose zlib stream declares the usual 32 KB
// window. nullopt for any
// other PNG, and for a file that is damaged or cut short anywhere in what it reads (a CRC that does not match,
// data that does not inflate, rows missing): the full decoder then says what is wrong. Throws only what `read`
// throws, and std::bad_alloc.
std::optional<ShrunkPicture> DecodePngShrunk(const ReadAt& read, std::uint64_t fileSize, int factor);

} // namespace imaging::codecs
