#include "sources/PathNamesLong.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "sources/FileAttributes.h"
#include "sources/PathNames.h"

namespace sources {

namespace {

// Attribute classes a search returns only when its mask names them; other entries are always returned.
constexpr std::uint32_t kSpecialAttributes = kAttrHidden | kAttrSystem | kAttrVolumeLabel | kAttrDirectory;

std::string WithoutTrailingSeparators(const std::string& path) {
    std::size_t end = path.find_last_not_of(kPathSeparator);
    return end == std::string::npos ? path.substr(0, std::min<std::size_t>(path.size(), 1)) : path.substr(0, end + 1);
}

// `path` without its last component; the root keeps its separator ("/a" → "/", "/a/b" → "/a", "a" → "").
std::string ParentOf(const std::string& path) {
    std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return WithoutTrailingSeparators(path.substr(0, slash));
}

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find(kPathSeparator, start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) components.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return components;
}

std::string JoinAbsolute(const std::vector<std::string>& components) {
    std::string path;
    for (const std::string& component : components)
        path += kPathSeparator + component;
    return path.empty() ? "/" : path;
}

// An absolute path with "." and empty components dropped and ".." applied. ".." after a symbolic link goes to the
// parent of the link's target, as the kernel resolves it; otherwise it drops the previous component. A path that
// ends in "/", "." or ".." names a folder and keeps one trailing "/".
std::string NormaliseAbsolute(const std::string& path) {
    std::vector<std::string> components;
    const std::vector<std::string> given = SplitComponents(path);
    const bool namesFolder =
        path.back() == kPathSeparator || (!given.empty() && (given.back() == "." || given.back() == ".."));
    for (const std::string& component : given) {
        if (component == ".") continue;
        if (component != "..") {
            components.push_back(component);
            continue;
        }
        if (components.empty()) continue;
        std::string prefix = JoinAbsolute(components);
        struct stat info {};
        if (lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            std::unique_ptr<char, decltype(&std::free)> target(realpath(prefix.c_str(), nullptr), &std::free);
            if (target) components = SplitComponents(target.get());
        }
        if (!components.empty()) components.pop_back();
    }
    std::string result = JoinAbsolute(components);
    if (namesFolder && !components.empty()) result += kPathSeparator;
    return result;
}

// The name of `entryPath`'s last component as its folder stores it: the given spelling when the folder holds
// exactly that name, else the folder's entry that is the same file (a case-insensitive file system).
std::string StoredName(const std::string& entryPath, const struct stat& entry) {
    const std::string given = ExtractFileName(entryPath);
    const std::string folder = ParentOf(entryPath);
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return given;
    std::string stored;
    while (const dirent* item = readdir(dir)) {
        if (given == item->d_name) {
            stored = given;
            break;
        }
        if (item->d_ino != entry.st_ino || !stored.empty()) continue;
        struct stat info {};
        if (fstatat(dirfd(dir), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_dev == entry.st_dev &&
            info.st_ino == entry.st_ino) {
            stored = item->d_name;
        }
    }
    closedir(dir);
    return stored.empty() ? given : stored;
}

// Finds the entry `path` names; "" when it does not exist or `admitted` rejects its attribute word.
template <typename Admit> std::string FindName(const std::string& path, Admit admitted) {
    const std::string entryPath = WithoutTrailingSeparators(path);
    if (!IsUsablePath(entryPath) || entryPath == "/") return {};
    struct stat info {};
    if (stat(entryPath.c_str(), &info) != 0) return {};
    if (!admitted(AttributesFromMode(info.st_mode, ExtractFileName(entryPath)))) return {};
    struct stat self {};
    if (lstat(entryPath.c_str(), &self) != 0) return {};
    return StoredName(entryPath, self);
}

} // namespace

std::string FindFirstName(const std::string& pattern, std::uint32_t mask) {
    return FindName(pattern,
                    [mask](std::uint32_t attributes) { return (attributes & kSpecialAttributes & ~mask) == 0; });
}

std::string FindFileName(const std::string& path) {
    return FindName(path, [](std::uint32_t) { return true; });
}

std::string LongFolderName(const std::string& folder) {
    const std::string trimmed = WithoutTrailingSeparators(folder);
    if (!IsUsablePath(trimmed)) return {};
    if (trimmed == "/" || trimmed.find(kPathSeparator) == std::string::npos) return trimmed;
    const std::string name = FindFirstName(trimmed, kAttrHidden | kAttrSystem | kAttrDirectory);
    return AddPathSeparator(LongFolderName(ParentOf(trimmed))) + name;
}

std::string AbsolutePath(const std::string& path) {
    if (!IsUsablePath(path)) return {};
    if (path.front() == kPathSeparator) return NormaliseAbsolute(path);
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error || current.empty()) return path;
    return NormaliseAbsolute(AddPathSeparator(current.string()) + path);
}

std::string ExpandLongPath(const std::string& path) {
    const std::string normal = AbsolutePath(path);
    if (normal.empty() || normal.front() != kPathSeparator) return normal;
    const std::string longParent = LongFolderName(ParentOf(normal));
    if (ExtractFileName(normal).empty()) return longParent;
    return AddPathSeparator(longParent) + FindFirstName(normal, kAttrAnyFile);
}

} // namespace sources
