#include "files/AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/Error.h"

namespace files {

namespace {

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

constexpr std::string_view kPrefix = ".kelvo-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::time_t kDay = 24 * 60 * 60;

// The boot this process runs in: the first 8 hexadecimal digits of the kernel's boot id ("0" when unknown).
std::string BootTag() {
    static const std::string tag = [] {
        std::ifstream in("/proc/sys/kernel/random/boot_id");
        std::string id;
        std::getline(in, id);
        std::string hex;
        for (char c : id)
            if (std::isxdigit(static_cast<unsigned char>(c)) && hex.size() < 8) hex += c;
        return hex.empty() ? std::string("0") : hex;
    }();
    return tag;
}

// When a process started, in clock ticks after the boot (field 22 of /proc/<pid>/stat); nullopt when there is
// no such process.
std::optional<unsigned long long> StartTime(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return std::nullopt;
    const std::size_t close = stat.rfind(')'); // the command name may hold blanks and brackets
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22) return std::strtoull(field.c_str(), nullptr, 10);
    return std::nullopt;
}

// ".kelvo-<boot>-<pid>-<start time>-<random>.tmp": a name that says which process made it, so that a later
// run can tell for certain that its maker is gone.
std::string TemporaryName(const std::string& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static const std::string owner =
        BootTag() + "-" + std::to_string(::getpid()) + "-" + std::to_string(StartTime(::getpid()).value_or(0)) + "-";
    std::string name = folder + (folder.ends_with('/') ? "" : "/") + std::string(kPrefix) + owner;
    for (int i = 0; i < 8; ++i)
        name += digits[random() % 36];
    return name + std::string(kSuffix);
}

// Whether a file name is one of our temporary names whose process is certainly gone.
bool IsStale(std::string_view name, const struct stat& info) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
    std::string_view middle = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= middle.size();) {
        std::size_t dash = middle.find('-', at);
        if (dash == std::string_view::npos) dash = middle.size();
        parts.emplace_back(middle.substr(at, dash - at));
        at = dash + 1;
    }
    const auto digitsOnly = [](const std::string& text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::time_t untouched = std::time(nullptr) - info.st_mtime;
    if (parts.size() == 4 && digitsOnly(parts[1]) && digitsOnly(parts[2])) {
        // Another boot id: made before this machine last started, or by another machine writing into the same
        // (network) folder, whose save may be in flight. Only a file nothing has touched for a day is surely dead.
        if (parts[0] != BootTag()) return untouched > kDay;
        const std::optional<unsigned long long> started = StartTime(std::strtol(parts[1].c_str(), nullptr, 10));
        return !started || std::to_string(*started) != parts[2];
    }
    // The names of earlier versions carry no owner: they count as stale once nothing has touched them for an
    // hour (no save keeps its temporary name that long).
    if (parts.size() == 1 && parts[0].size() == 12) return untouched > 3600;
    return false;
}

std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

PendingFile::PendingFile(const std::string& folder, std::string target, unsigned mode)
    : folder_(folder.empty() ? "." : folder), target_(std::move(target)) {
    // Preferred: an unnamed file, which vanishes by itself if the process dies before it is complete. It can
    // only be given a name through /proc, so it is used only when that is there.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) {
        if (::access(ProcPath(fd_).c_str(), F_OK) == 0) {
            unnamed_ = true;
            return;
        }
        ::close(fd_);
        fd_ = -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        Fail(errno);
    }

    // Fallback for file systems without unnamed files: a named temporary file, removed on any failure.
    for (int attempt = 0; attempt < 8 && fd_ < 0; ++attempt) {
        std::string name = TemporaryName(folder_);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0)
            tempPath_ = std::move(name);
        else if (errno != EEXIST)
            Fail(errno);
    }
    if (fd_ < 0) Fail(EEXIST);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : folder_(std::move(other.folder_)), target_(std::move(other.target_)), fd_(std::exchange(other.fd_, -1)),
      unnamed_(other.unnamed_), tempPath_(std::exchange(other.tempPath_, {})),
      published_(std::exchange(other.published_, true)) {}

PendingFile::~PendingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!published_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void PendingFile::Fail(int error) const {
    throw Error(target_, std::strerror(error), error);
}

void PendingFile::Write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) Fail(EBADF);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        done += std::size_t(n);
    }
}

void PendingFile::Finish() {
    // An unnamed file stays open and nameless until it is published: a process that dies before then leaves
    // nothing behind.
    if (fd_ < 0 || unnamed_) return;
    // A failing close can mean lost data (a full disk on a network file system): the file is not kept then.
    if (::close(std::exchange(fd_, -1)) != 0) Fail(errno);
}

void PendingFile::Publish(const std::string& path) {
    Finish();
    if (unnamed_ && fd_ >= 0) {
        // Where the name is free, the complete file simply gets it. Otherwise it is linked under a temporary
        // name and renamed over the old file, which is replaced in one step.
        if (::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            ::close(std::exchange(fd_, -1));
            published_ = true;
            return;
        }
        if (errno != EEXIST) {
            const int error = errno;
            throw Error(path, std::strerror(error), error);
        }
        for (int attempt = 0; attempt < 8 && tempPath_.empty(); ++attempt) {
            std::string name = TemporaryName(folder_);
            if (::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                tempPath_ = std::move(name);
            else if (errno != EEXIST)
                Fail(errno);
        }
        if (tempPath_.empty()) Fail(EEXIST);
        ::close(std::exchange(fd_, -1));
    }
    if (::rename(tempPath_.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        throw Error(path, std::strerror(error), error);
    }
    published_ = true;
}

void RemoveStaleTemporaries(const std::string& folder) {
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    DIR* stream = ::fdopendir(dir);
    if (!stream) {
        ::close(dir);
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(stream)) {
        struct stat info {};
        // Only regular files of our names: never a link, a folder, or anything of another program.
        if (std::string_view(entry->d_name).starts_with(kPrefix) &&
            ::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            IsStale(entry->d_name, info))
            stale.emplace_back(entry->d_name);
    }
    for (const std::string& name : stale)
        ::unlinkat(dir, name.c_str(), 0);
    ::closedir(stream);
}

PendingFile PendingFileFor(const std::string& path) {
    if (path.empty()) throw Error(path, std::strerror(ENOENT), ENOENT);
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) throw Error(path, std::strerror(EISDIR), EISDIR);
    return PendingFile(FolderOf(path), path);
}

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    PendingFile file = PendingFileFor(path);
    file.Write(bytes);
    file.Publish(path);
}

} // namespace files
