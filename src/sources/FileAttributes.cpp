#include "sources/FileAttributes.h"

#include <sys/stat.h>

#include "sources/PathNames.h"

namespace sources {

namespace {

// The last component of a path, ignoring separators at its end ("/a/.b/" names ".b").
std::string_view LastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

std::uint32_t AttributesFromMode(unsigned mode, std::string_view name) {
    std::uint32_t attributes;
    if (S_ISDIR(mode)) {
        attributes = kAttrDirectory;
    } else if (S_ISREG(mode)) {
        attributes = kAttrArchive;
    } else {
        return kAttrNormal;
    }
    if ((mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
    if (!name.empty() && name.front() == '.' && name != "." && name != "..") attributes |= kAttrHidden;
    return attributes;
}

std::optional<std::uint32_t> FileAttributes(const std::string& path) {
    struct stat info {};
    if (!IsUsablePath(path) || stat(path.c_str(), &info) != 0) return std::nullopt;
    return AttributesFromMode(info.st_mode, LastComponent(path));
}

bool IsDirectory(const std::string& path) {
    std::optional<std::uint32_t> attributes = FileAttributes(path);
    return attributes && (*attributes & kAttrDirectory) != 0;
}

bool ClearReadOnlyHidden(const std::string& path) {
    struct stat info {};
    if (!IsUsablePath(path) || stat(path.c_str(), &info) != 0) return false;
    if ((AttributesFromMode(info.st_mode, LastComponent(path)) & kAttrReadOnly) == 0) return true;
    return chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

} // namespace sources
