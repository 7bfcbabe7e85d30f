#include "convert/OutputNames.h"

#include <map>
#include <set>

#include <sys/stat.h>

#include "sources/PathNames.h"

namespace convert {

namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string NumberedName(const std::string& path, int n) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    return stem + " (" + std::to_string(n) + ")" + extension;
}

std::string CommonFolder(const std::vector<std::string>& sources) {
    std::string common;
    bool first = true;
    for (const std::string& source : sources) {
        const std::string folder = sources::ExtractFilePath(source); // with its trailing "/"
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        std::size_t same = 0;
        while (same < common.size() && same < folder.size() && common[same] == folder[same])
            ++same;
        // Back to the end of the last whole folder name they share.
        const std::size_t slash = common.rfind('/', same == 0 ? 0 : same - 1);
        common = slash == std::string::npos ? std::string() : common.substr(0, slash + 1);
    }
    return common;
}

std::string KeptFolderPath(const std::string& source, const std::string& commonFolder, const std::string& outputFolder,
                           const std::string& name) {
    const std::string folder = sources::ExtractFilePath(source);
    std::string below = folder.starts_with(commonFolder) ? folder.substr(commonFolder.size()) : std::string();
    // Never above the output folder: a path that climbs is flattened.
    if (below.starts_with("../") || below.find("/../") != std::string::npos) below.clear();
    return sources::AddPathSeparator(outputFolder) + below + name;
}

OutputNaming NameOutputs(const std::vector<std::string>& sources, std::vector<std::string> paths,
                         const std::string& outputFolder, const std::string& sameName, const std::string& existing,
                         const std::function<bool(std::size_t)>& isSkippedFormat) {
    OutputNaming naming;
    naming.skipped.assign(paths.size(), false);
    if (sameName == kKeepFolders) {
        const std::string common = CommonFolder(sources);
        for (std::size_t i = 0; i < paths.size() && i < sources.size(); ++i)
            paths[i] = KeptFolderPath(sources[i], common, outputFolder, sources::ExtractFileName(paths[i]));
    }
    const bool numberSame = sameName != kReplaceSameNames && sameName != kKeepFolders;
    const bool skipExisting = existing == kSkipExisting;
    const bool numberExisting = existing == kNumberExisting;
    std::map<std::string, std::size_t> takenBy; // names taken by earlier entries of the run
    // Whether an earlier entry really writes the name it was given (a GIF or TIFF entry is skipped).
    const auto holds = [&](std::size_t entry) { return !isSkippedFormat(entry); };
    const auto taken = [&](const std::string& path) {
        const auto found = takenBy.find(path);
        return found != takenBy.end() && holds(found->second);
    };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::string path = paths[i];
        const bool existed = (skipExisting || numberExisting) && Exists(path) && !takenBy.count(path);
        if (existed && skipExisting) {
            naming.skipped[i] = true; // takes no name
        } else if ((numberSame && taken(path)) || (existed && numberExisting)) {
            for (int n = 2;; ++n) {
                const std::string candidate = NumberedName(paths[i], n);
                if (!taken(candidate) && (!(skipExisting || numberExisting) || !Exists(candidate))) {
                    path = candidate;
                    break;
                }
            }
        }
        if (!naming.skipped[i]) takenBy[path] = i;
        naming.paths.push_back(path);
    }
    return naming;
}

} // namespace convert
