#include "files/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace files {

namespace {

// The type check before the open: a device is never even opened (opening one can have effects of its own),
// and a folder gets the error a program gets when it reads one.
Failure CheckType(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return {EISDIR, false};
    if (!S_ISREG(info.st_mode)) return {0, true};
    return {};
}

bool Same(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), info_(other.info_), failure_(other.failure_) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        info_ = other.info_;
        failure_ = other.failure_;
    }
    return *this;
}

InputFile InputFile::Open(const std::string& path) {
    InputFile file;
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        file.failure_ = {errno, false};
        return file;
    }
    if ((file.failure_ = CheckType(before)).systemError != 0 || file.failure_.notRegular) return file;
    // Non-blocking: should a pipe take the file's place between the check and the open, the open still
    // returns at once, and the check below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        file.failure_ = {errno, false};
        return file;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        file.failure_ = {errno, false};
        ::close(fd);
        return file;
    }
    if ((file.failure_ = CheckType(info)).systemError != 0 || file.failure_.notRegular) {
        ::close(fd);
        return file;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.fd_ = fd;
    file.info_ = info;
    return file;
}

InputFile InputFile::Reopen(const std::string& path, const struct stat& earlier) {
    InputFile file = Open(path);
    if (file.IsOpen() && !Same(file.info_, earlier)) {
        ::close(std::exchange(file.fd_, -1));
        file.failure_ = {ESTALE, false};
    }
    return file;
}

std::optional<std::vector<std::uint8_t>> InputFile::ReadAt(std::uint64_t offset, std::size_t count) const {
    std::vector<std::uint8_t> bytes;
    if (offset >= Size()) return bytes;
    bytes.resize(std::size_t(std::min<std::uint64_t>(count, Size() - offset)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break; // the file shrank
        done += std::size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> InputFile::ReadAll(std::uint64_t limit) const {
    if (Size() > limit) {
        errno = EFBIG;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Size()));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            // The file may have grown since it was opened: read on to its real end, within the limit.
            if (bytes.size() >= limit + 1) break;
            bytes.resize(std::size_t(std::min<std::uint64_t>(limit + 1, bytes.size() + 65536)));
        }
        const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        done += std::size_t(n);
    }
    if (done > limit) {
        errno = EFBIG;
        return std::nullopt;
    }
    bytes.resize(done);
    return bytes;
}

} // namespace files
