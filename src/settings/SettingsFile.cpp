#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/AtomicFile.h"
#include "imaging/Error.h"
#include "settings/Settings.h"
#include "settings/TextEncoding.h"

namespace settings {

namespace {

// Far above any settings file; a larger file is refused rather than read into memory.
constexpr off_t kMaxFileSize = off_t{256} * 1024 * 1024;

[[noreturn]] void FailRead(const std::string& path, int error) {
    throw imaging::Error(path, std::strerror(error), error);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// The path a write goes to: the target of a symbolic link, so that the link stays a link.
std::string WriteTarget(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
        if (!error) {
            return target.string();
        }
    }
    return path;
}

}  // namespace

std::optional<std::string> ReadSettingsBytes(const std::string& path) {
    // Non-blocking, so that a FIFO given as the path cannot hang the open; it is refused below.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        FailRead(path, errno);
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        FailRead(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        FailRead(path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        FailRead(path, EINVAL);
    }
    if (info.st_size > kMaxFileSize) {
        FailRead(path, EFBIG);
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailRead(path, errno);
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > static_cast<std::size_t>(kMaxFileSize)) {
            FailRead(path, EFBIG);  // it grew while being read
        }
    }
    return bytes;
}

std::string ExistingSettingsText(const std::string& path) {
    try {
        const std::optional<std::string> bytes = ReadSettingsBytes(path);
        return bytes ? DecodeSettingsText(*bytes) : std::string();
    } catch (const imaging::Error& error) {
        throw SettingsError(SettingsError::Kind::CannotWrite, path, error.systemError());
    }
}

void ReplaceSettingsFile(const std::string& path, std::string_view bytes) {
    const std::string target = WriteTarget(path);
    struct stat info {};
    const bool existed = ::stat(target.c_str(), &info) == 0;
    if (existed) {
        if (S_ISDIR(info.st_mode)) {
            throw SettingsError(SettingsError::Kind::CannotWrite, path, EISDIR);
        }
        // A read-only file is refused even where replacing it by a rename would succeed.
        if ((info.st_mode & S_IWUSR) == 0 || ::access(target.c_str(), W_OK) != 0) {
            throw SettingsError(SettingsError::Kind::CannotWrite, path, EACCES);
        }
    }
    try {
        imaging::WriteFileAtomically(
            target, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const imaging::Error& error) {
        throw SettingsError(SettingsError::Kind::CannotWrite, path, error.systemError());
    }
    if (existed) {
        ::chmod(target.c_str(), info.st_mode & 07777);
    }
}

}  // namespace settings
