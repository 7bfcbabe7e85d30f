#include "imaging/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/Error.h"

namespace imaging {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int Close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

[[noreturn]] void FailErrno(const std::string& path, int error) {
    throw Error(path, std::strerror(error), error);
}

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string TemporaryName(const std::string& folder) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = folder + "/.kelvo-";
    for (int i = 0; i < 12; ++i) name += digits[random() % 36];
    return name + ".tmp";
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::string& path) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            FailErrno(path, errno);
        }
        done += std::size_t(n);
    }
}

// Gives the unnamed file a temporary name in the folder; false when the file system cannot.
bool LinkUnnamed(int fd, const std::string& tempPath) {
    std::string procPath = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

void Publish(const std::string& tempPath, const std::string& path) {
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        FailErrno(path, error);
    }
}

} // namespace

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) FailErrno(path, ENOENT);
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) FailErrno(path, EISDIR);
    const std::string folder = FolderOf(path);

    // Preferred: an unnamed file, which vanishes by itself if the process dies before it is complete.
    {
        Fd fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (fd.get() >= 0) {
            WriteAll(fd.get(), bytes, path);
            for (int attempt = 0; attempt < 8; ++attempt) {
                std::string tempPath = TemporaryName(folder);
                if (LinkUnnamed(fd.get(), tempPath)) {
                    if (fd.Close() != 0) {
                        int error = errno;
                        ::unlink(tempPath.c_str());
                        FailErrno(path, error);
                    }
                    Publish(tempPath, path);
                    return;
                }
                if (errno != EEXIST) break;
            }
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            FailErrno(path, errno);
        }
    }

    // Fallback for file systems without unnamed files: a named temporary file, removed on any failure.
    std::string tempPath;
    int raw = -1;
    for (int attempt = 0; attempt < 8 && raw < 0; ++attempt) {
        tempPath = TemporaryName(folder);
        raw = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) FailErrno(path, errno);
    }
    if (raw < 0) FailErrno(path, EEXIST);
    Fd fd(raw);
    try {
        WriteAll(fd.get(), bytes, path);
        if (fd.Close() != 0) FailErrno(path, errno);
    } catch (...) {
        ::unlink(tempPath.c_str());
        throw;
    }
    Publish(tempPath, path);
}

} // namespace imaging
