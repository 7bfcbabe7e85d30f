#include "imaging/codecs/PngHeader.h"

#include <cstring>
#include <string>

#include "imaging/Error.h"
#include "imaging/Image.h"
#include "imaging/codecs/ByteIo.h"

namespace imaging::codecs {

PngHeader ReadPngHeader(const std::vector<std::uint8_t>& head) {
    if (head.size() < kIhdrEnd || Be32(&head[8]) != 13 || std::memcmp(&head[12], "IHDR", 4) != 0)
        Fail("the PNG header is missing or damaged");
    PngHeader header{Be32(&head[16]), Be32(&head[20]), head[24], head[25], head[26], head[27], head[28]};
    if (header.width > 0x7FFFFFFF || header.height > 0x7FFFFFFF) Fail("the PNG header is damaged");
    CheckDimensions(header.width, header.height);
    bool valid = false;
    switch (header.colourType) {
    case 0:
        valid = header.bitDepth == 1 || header.bitDepth == 2 || header.bitDepth == 4 || header.bitDepth == 8 ||
                header.bitDepth == 16;
        break;
    case 3:
        valid = header.bitDepth == 1 || header.bitDepth == 2 || header.bitDepth == 4 || header.bitDepth == 8;
        break;
    case 2:
    case 4:
    case 6:
        valid = header.bitDepth == 8 || header.bitDepth == 16;
        break;
    default:
        break;
    }
    if (!valid)
        Fail("unsupported PNG colour type " + std::to_string(header.colourType) + " with bit depth " +
             std::to_string(header.bitDepth));
    return header;
}

int PngChannels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

std::uint64_t MinimumRawBytes(const PngHeader& header) {
    const std::uint64_t rowBits =
        std::uint64_t(header.width) * std::uint64_t(PngChannels(header.colourType) * header.bitDepth);
    return std::uint64_t(header.height) * ((rowBits + 7) / 8);
}

} // namespace imaging::codecs
