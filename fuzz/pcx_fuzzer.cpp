// libFuzzer target for the PCX reader: any input must decode or raise imaging::Error. What decodes as RGB must
// also survive our own writer and reader unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/Error.h"
#include "imaging/codecs/Pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::Raster raster;
    try {
        raster = imaging::codecs::DecodePcx({data, size});
    } catch (const imaging::Error&) {
        return 0;
    }
    if (raster.bands == 3 && raster.pixels.size() <= (1u << 16)) {
        imaging::Raster again = imaging::codecs::DecodePcx(imaging::codecs::EncodePcx(raster));
        if (again.pixels != raster.pixels) std::abort();
    }
    return 0;
}
