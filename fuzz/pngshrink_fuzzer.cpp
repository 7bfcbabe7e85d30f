// libFuzzer target for the reduced PNG decode: any bytes must give a picture of the promised size or nothing.
// The factor is taken from the input's length, so every factor is reached.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/codecs/PngShrink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const int factor = 2 + int(size % 63);
    auto read = [&](std::uint64_t offset, std::size_t count) {
        if (offset >= bytes.size()) return std::vector<std::uint8_t>();
        const std::size_t end = std::size_t(std::min<std::uint64_t>(bytes.size(), offset + count));
        return std::vector<std::uint8_t>(bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(end));
    };
    std::optional<imaging::codecs::ShrunkPicture> picture =
        imaging::codecs::DecodePngShrunk(read, bytes.size(), factor);
    if (picture && picture->pixels.size() !=
                       std::size_t(picture->width) * std::size_t(picture->height) * std::size_t(picture->bands))
        std::abort();
    return 0;
}
