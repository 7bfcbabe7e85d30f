#include "imaging/Init.h"

#include <mutex>
#include <stdexcept>

#include <vips/vips8>

namespace imaging {

void EnsureInitialized() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("kelvo") != 0) throw std::runtime_error("libvips could not start");
        // A batch converter never reuses an operation's result: caching would only hold memory and files.
        vips_cache_set_max(0);
        // libvips' warnings (an odd EXIF field, say) are for its developers; failures still raise errors.
        g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                          nullptr);
    });
}

} // namespace imaging
