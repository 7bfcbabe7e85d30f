#pragma once
// A directory entry as the file system knows it: its folder's device and inode, and its name. Two paths name
// the same entry exactly when a rename onto one replaces the file of the other (whatever links or "." and
// ".." the paths take on the way).
#include <compare>
#include <optional>
#include <string>

#include <sys/types.h>

namespace files {

struct EntryKey {
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;
    auto operator<=>(const EntryKey&) const = default;
};

// The entry `path` names; nullopt when its folder does not exist (then no file can be there yet).
std::optional<EntryKey> EntryKeyOf(const std::string& path);

} // namespace files
