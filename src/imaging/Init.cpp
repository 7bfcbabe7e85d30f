#include "imaging/Init.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include <dlfcn.h>
#include <gmodule.h>
#include <stdexcept>

#include <vips/vips8>

namespace imaging {

void EnsureInitialized() {
    static std::once_flag once;
    std::call_once(once, [] {
        // libvips loads its optional format modules (ImageMagick, PDF, OpenSlide, HEIF, JPEG XL) from its own
        // folder at start-up: dozens of libraries and more time than a small conversion takes, for formats
        // Kelvo reads with libvips' built-in loaders or its own codecs. A libvips home without modules leaves
        // them out (unless the user has chosen a home); LoadVipsModule loads one when a file needs it.
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

bool LoadVipsModule(const std::string& name) {
    EnsureInitialized();
    static std::mutex mutex;
    static std::map<std::string, bool> loaded;
    std::lock_guard lock(mutex);
    if (auto found = loaded.find(name); found != loaded.end()) return found->second;
    // Modules live in libvips' own folder: "vips-modules-<major>.<minor>" beside the library.
    bool ok = false;
    Dl_info library{};
    if (g_module_supported() && ::dladdr(reinterpret_cast<void*>(&vips_init), &library) != 0 && library.dli_fname) {
        std::string folder = library.dli_fname;
        folder.erase(folder.find_last_of('/') + 1);
        const std::string path = folder + "vips-modules-" + std::to_string(vips_version(0)) + "." +
                                 std::to_string(vips_version(1)) + "/" + name + ".so";
        // Opening a module registers its loaders and savers; it stays for the life of the process.
        if (GModule* module = g_module_open(path.c_str(), G_MODULE_BIND_LAZY)) {
            g_module_make_resident(module);
            ok = true;
        }
    }
    loaded.emplace(name, ok);
    return ok;
}

} // namespace imaging
