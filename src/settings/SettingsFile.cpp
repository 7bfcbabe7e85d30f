#include "settings/SettingsFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <vector>

#include <sys/stat.h>

#include "files/InputFile.h"
#include "files/AtomicFile.h"
#include "files/Error.h"
#include "settings/Settings.h"
#include "settings/TextEncoding.h"

namespace settings {

namespace {

// Far above any settings file; a larger file is refused rather than read into memory.
constexpr std::uint64_t kMaxFileSize = std::uint64_t{256} * 1024 * 1024;

[[noreturn]] void FailRead(const std::string& path, int error) {
    throw files::Error(path, std::strerror(error), error);
}

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

} // namespace

std::optional<std::string> ReadSettingsBytes(const std::string& path) {
    const files::InputFile file = files::InputFile::Open(path);
    if (!file.IsOpen()) {
        if (file.Why().systemError == ENOENT || file.Why().systemError == ENOTDIR) {
            return std::nullopt;
        }
        throw files::FileError(path, file.Why());
    }
    const std::optional<std::vector<std::uint8_t>> bytes = file.ReadAll(kMaxFileSize);
    if (!bytes) {
        FailRead(path, errno);
    }
    return std::string(bytes->begin(), bytes->end());
}

std::string ExistingSettingsBytes(const std::string& path) {
    try {
        const std::optional<std::string> bytes = ReadSettingsBytes(path);
        return bytes ? *bytes : std::string();
    } catch (const files::Error& error) {
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
        // What an earlier save left when its process died between linking and renaming goes first.
        const std::size_t slash = target.rfind('/');
        files::RemoveStaleTemporaries(slash == std::string::npos ? "." : target.substr(0, slash + 1));
        files::WriteFileAtomically(target,
                                   std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } catch (const files::Error& error) {
        throw SettingsError(SettingsError::Kind::CannotWrite, path, error.systemError());
    }
    if (existed) {
        ::chmod(target.c_str(), info.st_mode & 07777);
    }
}

} // namespace settings
