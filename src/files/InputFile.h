#pragma once
// The one way Kelvo opens a file that a user named (a source image, the overlay image, a settings file, a file
// to copy under a new name) for reading. Opening never blocks and admits only regular files: a named pipe, a
// socket or a device is refused before a byte is read from it, so no such file can hang a run or the window.
// Every format probe, header read and load reads through an InputFile. Knows nothing of images.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace files {

// Why a file could not be opened or read.
struct Failure {
    int systemError = 0;     // errno of the failing call (EISDIR for a folder); 0 when notRegular
    bool notRegular = false; // a named pipe, socket or device: never opened for reading
};

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` for reading. On failure the result is closed and Why() tells the cause.
    static InputFile Open(const std::string& path);
    // Opens `path` again, but only while it is still the file described by `earlier` (the same file-system
    // object, size and modification time); a file put in its place since is never opened. Closed otherwise.
    static InputFile Reopen(const std::string& path, const struct stat& earlier);

    bool IsOpen() const { return fd_ >= 0; }
    const Failure& Why() const { return failure_; }
    int Descriptor() const { return fd_; }
    const struct stat& Info() const { return info_; }
    std::uint64_t Size() const { return std::uint64_t(info_.st_size); }

    // Up to `count` bytes from `offset`: fewer (possibly none) at the end of the file. nullopt on a read
    // error, with errno set.
    std::optional<std::vector<std::uint8_t>> ReadAt(std::uint64_t offset, std::size_t count) const;
    // The whole file, read to its end. nullopt on a read error (errno set), or with errno EFBIG when it holds
    // more than `limit` bytes.
    std::optional<std::vector<std::uint8_t>> ReadAll(std::uint64_t limit) const;

private:
    int fd_ = -1;
    struct stat info_ {};
    Failure failure_;
};

} // namespace files
