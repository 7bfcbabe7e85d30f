#include "convert/SourceCheck.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/Error.h"
#include "sources/FileAttributes.h"
#include "sources/FolderWalk.h"
#include "sources/PathNames.h"

namespace convert {

bool IsGifOrTiff(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw imaging::Error(path, std::strerror(errno), errno);
    unsigned char head[3] = {};
    ssize_t got = 0;
    while (got < 3) {
        ssize_t n = ::read(fd, head + got, std::size_t(3 - got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += n;
    }
    ::close(fd);
    auto up = [&](int i) { return char(std::toupper(head[i])); };
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
