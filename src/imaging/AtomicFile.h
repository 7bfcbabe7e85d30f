#pragma once
// Writing a file so that it is either complete or absent: the bytes go to a temporary file in the target's
// folder, which replaces the target only once it is complete. A failure, or a process killed half-way,
// leaves any previous target untouched and no partial file behind.
#include <cstdint>
#include <span>
#include <string>

namespace imaging {

// Throws Error(path, cause) when the file cannot be written; errno tells the cause to callers that need it.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// A new file that gets no visible name before it is complete. Written through Write (or its descriptor), then
// Finish gives the complete file a hidden temporary name in its folder (".kelvo-….tmp"), and Publish moves it
// over its final name. Where the file system allows, the file has no name at all while it is written, so a
// process killed then leaves nothing behind. A file that is never published is removed by the destructor.
// Every failure throws Error(target, cause, errno).
class PendingFile {
public:
    // A new empty file in `folder` with the permission bits `mode` (less the umask); `target` is the path that
    // errors name.
    PendingFile(const std::string& folder, std::string target, unsigned mode = 0666);
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Open for writing until Finish.
    int Descriptor() const { return fd_; }
    void Write(std::span<const std::uint8_t> bytes);
    // Closes the complete file under its temporary name (once; later calls change nothing).
    void Finish();
    // Finishes the file and renames it to `path`, replacing a file of that name. On failure the temporary
    // file is removed. `path` must lie in the folder the file was made in.
    void Publish(const std::string& path);

private:
    [[noreturn]] void Fail(int error) const;

    std::string folder_;
    std::string target_;
    int fd_ = -1;
    bool unnamed_ = false;  // made with O_TMPFILE: no name until Finish links one
    std::string tempPath_;  // the temporary name, once it has one
    bool published_ = false;
};

// A pending file in the folder of `path`, to be published as `path`. An empty path, or one that names a
// folder, is refused before anything is written.
PendingFile PendingFileFor(const std::string& path);

} // namespace imaging
