// libFuzzer target for the BMP reader: any input must decode or raise imaging::Error. What decodes as RGB must
// also survive our own writer and reader unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/Error.h"
#include "imaging/codecs/Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::Raster raster;
    try {
        raster = imaging::codecs::DecodeBmp({data, size});
    } catch (const imaging::Error&) {
        return 0;
    }
    if (raster.bands == 3 && raster.pixels.size() <= (1u << 16)) {
        imaging::Raster again = imaging::codecs::DecodeBmp(imaging::codecs::EncodeBmp(raster));
        if (again.pixels != raster.pixels) std::abort();
    }
    return 0;
}
