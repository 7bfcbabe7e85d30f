#pragma once
// The bytes of a settings file on disk: reading an existing file, and replacing it in one piece.

#include <optional>
#include <string>
#include <string_view>

namespace settings {

// The whole file; nothing when there is no file at `path`. Throws files::Error(path, cause, errno) when the
// path exists but is no readable regular file (a folder, a device, no permission) or is unreasonably large.
std::optional<std::string> ReadSettingsBytes(const std::string& path);

// Replaces the file at `path` (or creates it) with `bytes`: the new file appears only once it is complete. A file
// without the owner's write permission is refused; a symbolic link is followed, and an existing file keeps its
// permissions. Throws SettingsError(CannotWrite) on any failure, leaving the previous file as it was.
void ReplaceSettingsFile(const std::string& path, std::string_view bytes);

// The bytes of the existing file at `path` for a save to build on: empty when there is none. Throws
// SettingsError(CannotWrite) when it exists but cannot be read, since saving would lose its other contents.
std::string ExistingSettingsBytes(const std::string& path);

} // namespace settings
