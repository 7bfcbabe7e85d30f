// libFuzzer target for the BMP reader: any input must decode or raise imaging::Error. What decodes as RGB must
// also survive our own writer and reader unchanged, and a palette file's indices must show the same colours.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "imaging/Error.h"
#include "imaging/codecs/Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::Raster raster;
    try {
        raster = imaging::codecs::DecodeBmp({data, size});
    } catch (const imaging::Error&) {
        return 0;
    }
    if (raster.bitCount <= 8) {
        std::optional<imaging::Paletted> indexed = imaging::codecs::DecodeBmpIndexed({data, size});
        if (!indexed || indexed->indices.size() * 3 != raster.pixels.size()) std::abort();
        for (std::size_t i = 0; i < indexed->indices.size(); ++i) {
            const imaging::Rgb& c = indexed->palette.at(indexed->indices[i]);
            if (c.r != raster.pixels[i * 3] || c.g != raster.pixels[i * 3 + 1] || c.b != raster.pixels[i * 3 + 2])
                std::abort();
        }
    }
    if (raster.bands == 3 && raster.pixels.size() <= (1u << 16)) {
        imaging::Raster again = imaging::codecs::DecodeBmp(imaging::codecs::EncodeBmp(raster));
        if (again.pixels != raster.pixels) std::abort();
    }
    return 0;
}
