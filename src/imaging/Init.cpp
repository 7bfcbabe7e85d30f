#include "imaging/Init.h"

#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include <vips/vips8>

namespace imaging {

void EnsureInitialized() {
    static std::once_flag once;
    std::call_once(once, [] {
        // libvips loads its optional format modules (ImageMagick, PDF, OpenSlide, HEIF, JPEG XL) from its own
        // folder at start-up: dozens of libraries and more time than a small conversion takes, for formats
        // Kelvo reads with libvips' built-in loaders or its own codecs. A libvips home without modules leaves
        // them out (unless the user has chosen a home).
        if (std::getenv("VIPSHOME") == nullptr) ::setenv("VIPSHOME", "/nonexistent/kelvo-no-vips-modules", 0);
        if (VIPS_INIT("kelvo") != 0) throw std::runtime_error("libvips could not start");
        // A batch converter never reuses an operation's result: caching would only hold memory and files.
        vips_cache_set_max(0);
        // The libraries' messages (libvips' warnings on an odd EXIF field, libgsf's criticals on a damaged
        // compound file, GLib's warnings) are for their developers: a failure still raises an error, with a
        // text of our own. Only a fatal error, which ends the process anyway, is still printed.
        g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        g_log_set_writer_func(
            [](GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
                if (level & G_LOG_LEVEL_ERROR) return g_log_writer_default(level, fields, count, nullptr);
                return G_LOG_WRITER_HANDLED;
            },
            nullptr, nullptr);
    });
}

} // namespace imaging
