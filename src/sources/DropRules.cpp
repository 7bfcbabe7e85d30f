#include "sources/DropRules.h"

#include "sources/FileAttributes.h"
#include "sources/FolderWalk.h"
#include "sources/PathNames.h"

namespace sources {

namespace {

// The entries of a dropped folder that go to a list: on the list page its image files, elsewhere all of them.
std::vector<std::string> FolderEntries(Page page, const std::string& folder) {
    std::vector<std::string> walked;
    ListFolderFiles(folder,
                    {.attributes = static_cast<std::uint16_t>(kAttrAnyFile),
                     .markFolders = true,
                     .recurse = true,
                     .clearList = true,
                     .includePlain = true},
                    walked);
    if (page != Page::List) return walked;
    std::vector<std::string> images;
    for (std::string& entry : walked) {
        if (IsImageFileName(entry)) images.push_back(std::move(entry));
    }
    return images;
}

} // namespace

void HandleDroppedFiles(Page page, const std::vector<std::string>& names, FileList& conversion, FileList& rename) {
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (IsDirectory(name)) {
            FileList& target = page == Page::List ? conversion : rename;
            target.AppendMany(FolderEntries(page, name));
        } else if (page == Page::Rename) {
            rename.Append(name);
        } else if (IsImageFileName(name)) {
            conversion.Append(name);
        }
    }
}

} // namespace sources
