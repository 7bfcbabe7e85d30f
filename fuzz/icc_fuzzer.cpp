// libFuzzer target for the embedded-profile reader: any bytes must give an answer, read inside the profile only.
// A profile taken for sRGB must stay sRGB when its declared size grows (the answer reads nothing past the tags).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/codecs/IccProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so a read past the end is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    const bool srgb = imaging::codecs::IsSrgbProfile(bytes.data(), bytes.size());
    if (srgb) {
        bytes.resize(size + 16, 0);
        if (!imaging::codecs::IsSrgbProfile(bytes.data(), bytes.size())) std::abort();
    }
    return 0;
}
