#include "files/EntryKey.h"

#include <sys/stat.h>

namespace files {

std::optional<EntryKey> EntryKeyOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::nullopt;
    return EntryKey{info.st_dev, info.st_ino, slash == std::string::npos ? path : path.substr(slash + 1)};
}

} // namespace files
