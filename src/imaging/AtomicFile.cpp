#include "imaging/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/Error.h"

namespace imaging {

namespace {

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string TemporaryName(const std::string& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder + (folder.ends_with('/') ? ".kelvo-" : "/.kelvo-");
    for (int i = 0; i < 12; ++i) name += digits[random() % 36];
    return name + ".tmp";
}

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

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
        if (fd_ >= 0) tempPath_ = std::move(name);
        else if (errno != EEXIST) Fail(errno);
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

void PendingFile::Fail(int error) const { throw Error(target_, std::strerror(error), error); }

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
    if (fd_ < 0) return;
    if (unnamed_) {
        for (int attempt = 0; attempt < 8 && tempPath_.empty(); ++attempt) {
            std::string name = TemporaryName(folder_);
            if (::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                tempPath_ = std::move(name);
            else if (errno != EEXIST) Fail(errno);
        }
        if (tempPath_.empty()) Fail(EEXIST);
    }
    // A failing close can mean lost data (a full disk on a network file system): the file is not kept then.
    if (::close(std::exchange(fd_, -1)) != 0) Fail(errno);
}

void PendingFile::Publish(const std::string& path) {
    Finish();
    if (::rename(tempPath_.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        throw Error(path, std::strerror(error), error);
    }
    published_ = true;
}

PendingFile PendingFileFor(const std::string& path) {
    if (path.empty()) throw Error(path, std::strerror(ENOENT), ENOENT);
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        throw Error(path, std::strerror(EISDIR), EISDIR);
    return PendingFile(FolderOf(path), path);
}

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    PendingFile file = PendingFileFor(path);
    file.Write(bytes);
    file.Publish(path);
}

} // namespace imaging
