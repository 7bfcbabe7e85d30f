// libFuzzer target for the FlashPix reader: any input must decode or raise imaging::Error.
#include <cstddef>
#include <cstdint>

#include <glib.h>

#include "imaging/Error.h"
#include "imaging/codecs/Fpx.h"

namespace {

// libgsf reports damaged compound files on stderr; that output only slows the fuzzer down.
void DropLogMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_log_set_default_handler(DropLogMessage, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        imaging::codecs::DecodeFpx({data, size});
    } catch (const imaging::Error&) {
    }
    return 0;
}
