#include "convert/SourceCheck.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <cstdlib>

#include <dirent.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/InputFile.h"
#include "imaging/Error.h"
#include "sources/PathNames.h"

namespace convert {

bool IsGifOrTiff(const std::string& path) {
    const files::InputFile file = files::InputFile::Open(path);
    if (!file.IsOpen()) throw imaging::FileError(path, file.Why());
    const std::optional<std::vector<std::uint8_t>> head = file.ReadAt(0, 3);
    if (!head) throw imaging::Error(path, std::strerror(errno), errno);
    const std::size_t got = head->size();
    auto up = [&](std::size_t i) { return char(std::toupper((*head)[i])); };
    if (got >= 3 && up(0) == 'G' && up(1) == 'I' && up(2) == 'F') return true;
    return got >= 2 && ((up(0) == 'I' && up(1) == 'I') || (up(0) == 'M' && up(1) == 'M'));
}

namespace {

// Clears one folder of the temporary folder, given by a descriptor, and the folders below it. Never follows a
// link: a link is an entry like any other, removed when it has an image name (its target stays untouched),
// never entered. `visited` holds the folders on the way down (a bind mount could lead back up).
void ClearFolder(int folder, std::set<std::pair<dev_t, ino_t>>& visited, int depth) {
    struct stat self {};
    if (depth > 64 || ::fstat(folder, &self) != 0 || !visited.insert({self.st_dev, self.st_ino}).second) return;
    DIR* stream = ::fdopendir(::dup(folder));
    if (!stream) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(stream);
    std::vector<std::string> images;
    for (const std::string& name : names) {
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // Read-only entries are made writable on the way, as the listing goes: files and folders, never links.
        if (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
            ::fchmodat(folder, name.c_str(), (info.st_mode & 07777) | S_IWUSR, 0);
        if (S_ISDIR(info.st_mode)) {
            if (depth == 0 && name == "preview") continue; // the result view's, which empties itself
            const int below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (below >= 0) {
                ClearFolder(below, visited, depth + 1);
                ::close(below);
            }
        } else if (sources::IsImageFileName(name)) {
            images.push_back(name);
        }
    }
    for (auto it = images.rbegin(); it != images.rend(); ++it)
        ::unlinkat(folder, it->c_str(), 0);
}

} // namespace

void ClearTempFolder(const std::string& tempFolder) {
    // Never through a link: not the folder itself, not anything below it.
    std::string path = tempFolder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return;
    std::set<std::pair<dev_t, ino_t>> visited;
    ClearFolder(folder, visited, 0);
    ::close(folder);
}

std::string ChooseTempRoot(const std::string& programFolder) {
    const std::string temp = programFolder + "Temp";
    struct stat info {};
    if (::lstat(temp.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return temp + "/";
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.cache";
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        base = std::string(user->pw_dir) + "/.cache";
    } else {
        base = "/tmp";
    }
    std::string folder = base;
    for (const char* part : {"", "/kelvo", "/Temp"}) {
        folder += part;
        ::mkdir(folder.c_str(), 0700);
    }
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()) return folder + "/";
    // Not even that: a folder made for this process alone.
    char unique[] = "/tmp/kelvo-XXXXXX";
    if (::mkdtemp(unique)) return std::string(unique) + "/";
    return folder + "/";
}

void MakeTempFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        const int error = errno;
        throw imaging::Error(folder, std::strerror(error), error);
    }
}

} // namespace convert
