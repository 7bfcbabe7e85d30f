#include "sources/FolderWalk.h"

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

#include "sources/FileAttributes.h"
#include "sources/NaturalOrder.h"
#include "sources/PathNames.h"

namespace sources {

namespace {

struct FolderId {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

// The names in a folder in their natural order (as a file manager lists them), without "." and "..". The folder is
// closed before its entries are visited, so the depth of a walk does not hold file descriptors open.
std::vector<std::string> ReadFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    return names;
}

class FolderWalk {
public:
    FolderWalk(std::uint16_t attrMask, bool clearAttributes, bool includePlain, bool imagesOnly,
               std::vector<std::string>& list)
        : attrMask_(attrMask), clearAttributes_(clearAttributes), includePlain_(includePlain), imagesOnly_(imagesOnly),
          list_(list) {}

    void Start(const std::string& folder, bool markFolders, bool recurse) {
        if (!IsUsablePath(folder)) return;
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
        Walk(AddPathSeparator(folder), {info.st_dev, info.st_ino}, markFolders, recurse);
    }

private:
    // `folder` ends with "/"; `id` is the folder's own identity, held while its entries are visited.
    void Walk(const std::string& folder, FolderId id, bool markFolders, bool recurse) {
        inside_.push_back(id);
        for (const std::string& name : ReadFolderNames(folder)) {
            std::string full = folder + name;
            struct stat info {};
            if (stat(full.c_str(), &info) != 0) continue;
            const std::uint32_t attributes = AttributesFromMode(info.st_mode, name);
            if (clearAttributes_) ClearReadOnlyHidden(full);
            const bool isFolder = (attributes & kAttrDirectory) != 0;
            if (isFolder && markFolders) full = AddPathSeparator(full);
            if (Selected(attributes, full)) list_.push_back(full);
            if (recurse && isFolder) {
                FolderId childId{info.st_dev, info.st_ino};
                if (std::find(inside_.begin(), inside_.end(), childId) == inside_.end()) {
                    Walk(AddPathSeparator(full), childId, true, true);
                }
            }
        }
        inside_.pop_back();
    }

    bool Selected(std::uint32_t attributes, const std::string& full) const {
        const bool byAttributes = (attributes & attrMask_) != 0 || (attributes == 0 && includePlain_);
        return byAttributes && (!imagesOnly_ || IsImageFileName(full));
    }

    std::uint16_t attrMask_;
    bool clearAttributes_;
    bool includePlain_;
    bool imagesOnly_;
    std::vector<std::string>& list_;
    std::vector<FolderId> inside_; // the folders being walked, outermost first
};

void ListFolder(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list,
                bool imagesOnly) {
    if (options.clearList) list.clear();
    FolderWalk(options.attributes, options.clearAttributes, options.includePlain, imagesOnly, list)
        .Start(folder, options.markFolders, options.recurse);
}

} // namespace

void ListFolderFiles(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list) {
    ListFolder(folder, options, list, false);
}

void ListFolderImages(const std::string& folder, const WalkOptions& options, std::vector<std::string>& list) {
    ListFolder(folder, options, list, true);
}

} // namespace sources
