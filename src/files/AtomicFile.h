#pragma once
// Writing a file so that it is either complete or absent: the bytes go to a temporary file in the target's
// folder, which replaces the target only once it is complete. A failure, or a process killed half-way,
// leaves any previous target untouched and no partial file behind.
#include <cstdint>
#include <span>
#include <string>

namespace files {

// Throws Error(path, cause) when the file cannot be written; errno tells the cause to callers that need it.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// A new file that gets no visible name before it is complete. Written through Write (or its descriptor), then
// Finish ends the writing, and Publish gives the file its final name. Where the file system allows (ext4, xfs,
// btrfs, tmpfs), the file has no name at all until Publish, which links it under its final name (or, to replace
// an existing file, links it under a temporary name and renames that over the old file in one step): a process
// that dies at any moment leaves nothing but complete files under their real names. Elsewhere the file is
// written under a hidden temporary name, ".kelvo-<boot>-<pid>-<start time>-<random>.tmp", which names the
// process that made it, so that a later run can remove it once that process is gone (RemoveStaleTemporaries).
// A file that is never published is removed by the destructor. Every failure throws Error(target, cause, errno).
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
    // Ends the writing (once; later calls change nothing). An unnamed file stays open, and nameless, until it is
    // published; a named temporary file is closed.
    void Finish();
    // Finishes the file and renames it to `path`, replacing a file of that name. On failure the temporary
    // file is removed. `path` must lie in the folder the file was made in.
    void Publish(const std::string& path);

private:
    [[noreturn]] void Fail(int error) const;

    std::string folder_;
    std::string target_;
    int fd_ = -1;
    bool unnamed_ = false; // made with O_TMPFILE: no name until Finish links one
    std::string tempPath_; // the temporary name, once it has one
    bool published_ = false;
};

// Removes the temporary files of pending files in `folder` whose process is certainly gone: made on this
// machine since it last started by a process that is no longer there, or (made by another boot, which may be
// another machine writing into the same network folder) untouched for a day. Regular files of our names only,
// never a link or anything else.
void RemoveStaleTemporaries(const std::string& folder);

// A pending file in the folder of `path`, to be published as `path`. An empty path, or one that names a
// folder, is refused before anything is written.
PendingFile PendingFileFor(const std::string& path);

} // namespace files
