#pragma once
// The attribute word of a directory entry, synthesised from POSIX file modes so that the folder walks keep their
// meaning: a folder carries 0x10; a regular file always carries 0x20, plus 0x01 when its owner may not write it and
// 0x02 when its name starts with "."; sockets, FIFOs and devices carry only 0x80, which no walk selects.
// Symbolic links are followed: an entry has the attributes of what it points to, and a dangling link has none.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sources {

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrVolumeLabel = 0x08;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
// Every attribute class; the walks and the long-name search use it to exclude nothing.
inline constexpr std::uint32_t kAttrAnyFile = 0x3F;

// The attribute word for an entry with the given st_mode and name (the last path component). Folders carry the
// read-only and hidden bits by the same rules as files, so clearing them shows on folders too.
std::uint32_t AttributesFromMode(unsigned mode, std::string_view name);

// The attribute word of the entry `path` names (links followed), or nothing when it cannot be read: missing,
// dangling link, no search permission on a parent, name too long.
std::optional<std::uint32_t> FileAttributes(const std::string& path);

// True when the attribute word of `path` can be read and has the directory bit. A missing path gives false.
bool IsDirectory(const std::string& path);

// Clears the read-only and hidden bits: adds the owner write bit to a file or folder that lacks it (a name
// starting with "." stays as it is). True when the entry's attribute word no longer carries the read-only bit
// (sockets, FIFOs and devices have none to clear); false when it cannot be read or changed. Never shows or throws.
bool ClearReadOnlyHidden(const std::string& path);

} // namespace sources
