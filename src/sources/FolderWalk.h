#pragma once
// Recursive folder walks that append full paths to a caller's list, in pre-order: a folder's own entry comes
// before the entries inside it; siblings come in their natural order (NaturalOrder.h), files and folders together,
// as a file manager shows them.
//
// For every entry of `folder` other than "." and "..", with full = folder + "/" + name:
//   - an entry whose attribute word cannot be read (a dangling link, an entry that vanished) is skipped;
//   - with `clearAttributes`, its read-only and hidden bits are cleared (failures ignored); the tests below use
//     the attribute word as it was before;
//   - a folder gets a trailing "/" when `markFolders` is set;
//   - it is listed when (attribute word & attributes) != 0, or when the word is 0 and `includePlain` is set
//     (`ListFolderImages` also requires IsImageFileName(full), which a marked folder never passes);
//   - with `recurse`, a folder is walked with the same attrMask, clearAttributes and includePlain, folders marked,
//     recursion on and the list kept.
// Links are followed, but a walk never enters a folder (device, inode) it is already inside, so a link back to an
// enclosing folder is listed and not entered; a link to a folder elsewhere is walked.
// Nothing is shown or thrown: a folder that cannot be read contributes nothing. An empty `folder` walks nothing.
#include <cstdint>
#include <string>
#include <vector>

namespace sources {

// How a walk chooses and lists entries (see above); the list is emptied first with `clearList`, and folders are
// walked into with `recurse`.
struct WalkOptions {
    std::uint16_t attributes = 0;
    bool clearAttributes = false;
    bool markFolders = false;
    bool recurse = false;
    bool clearList = false;
    bool includePlain = false;
};

void ListFolderFiles(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list);

void ListFolderImages(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list);

} // namespace sources
