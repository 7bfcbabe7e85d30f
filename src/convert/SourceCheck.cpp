#include "convert/SourceCheck.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <unistd.h>

#include "files/InputFile.h"
#include "imaging/Error.h"
#include "sources/FileAttributes.h"
#include "sources/FolderWalk.h"
#include "sources/PathNames.h"

namespace convert {

bool IsGifOrTiff(const std::string& path) {
    const files::InputFile file = files::InputFile::Open(path);
    if (!file.IsOpen()) throw imaging::FileError(path, file.Why());
    const std::optional<std::vector<std::uint8_t>> head = file.ReadAt(0, 3);
    if (!head) throw imaging::Error(path, std::strerror(errno), errno);
    const std::size_t got = head->size();
    auto up = [&](std::size_t i) { return char(std::toupper((*head)[i])); };
    if (got >= 3 && up(0) == 'G' && up(1) == 'I' && up(2) == 'F') return true;
    return got >= 2 && ((up(0) == 'I' && up(1) == 'I') || (up(0) == 'M' && up(1) == 'M'));
}

void ClearTempFolder(const std::string& tempFolder) {
    if (!sources::IsDirectory(tempFolder)) return;
    std::vector<std::string> entries;
    sources::ListFolderFiles(tempFolder, 0x3F, true, true, true, entries, true, true);
    // Folders are listed with a trailing "/" and so never pass the image-name test.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (!sources::IsImageFileName(*it)) continue;
        if (::unlink(it->c_str()) != 0) ::rmdir(it->c_str());
    }
}

} // namespace convert
