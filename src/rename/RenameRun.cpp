#include "rename/RenameRun.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/AtomicFile.h"
#include "files/InputFile.h"
#include "imaging/Error.h"
#include "sources/FileAttributes.h"
#include "sources/PathNames.h"

namespace renaming {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

struct StagedCopy {
    std::string destination;
    imaging::PendingFile file;
};

// Copies `source` into a hidden temporary file beside `destination`; nothing when the source is not a regular
// file or cannot be read or the copy cannot be written. The source's permission bits and times go to the copy.
std::optional<imaging::PendingFile> CopyToPendingFile(const std::string& source, const std::string& destination,
                                                      RenameObserver& observer) {
    if (!sources::IsUsablePath(source) || !sources::IsUsablePath(destination)) return std::nullopt;
    // Opening never blocks, and a FIFO or a device is refused before anything is read.
    const files::InputFile in = files::InputFile::Open(source);
    if (!in.IsOpen()) return std::nullopt;
    const struct stat& info = in.Info();
    try {
        imaging::PendingFile out(sources::ExtractFilePath(destination), destination, info.st_mode & 0777);
        std::vector<std::uint8_t> buffer(kCopyChunk);
        std::uint64_t done = 0;
        for (;;) {
            ssize_t n = ::read(in.Descriptor(), buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return std::nullopt;
            if (n == 0) break;
            out.Write(std::span(buffer.data(), std::size_t(n)));
            done += std::uint64_t(n);
            const std::uint64_t size = std::max<std::uint64_t>(std::uint64_t(info.st_size), done);
            observer.FileProgress(int(done * 100 / size));
            observer.ProcessMessages();
        }
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out.Descriptor(), times); // the times are a courtesy; a copy without them is still a copy
        out.Finish();
        return out;
    } catch (const imaging::Error&) {
        return std::nullopt;
    }
}

} // namespace

RenameRun::RenameRun(NameRule rule, RenameObserver& observer) : rule_(std::move(rule)), observer_(observer) {}

RenameResult RenameRun::Run(std::vector<std::string> list) {
    const std::string& folder = rule_.outputFolder;
    if (sources::IsUsablePath(folder) && !sources::IsDirectory(folder)) ::mkdir(folder.c_str(), 0777);

    RenameResult result;
    result.destNames = MakeDestinationNames(list, rule_);
    const int count = int(list.size());
    observer_.OverallRange(count);

    // First every source is read into a copy under a temporary name...
    std::vector<StagedCopy> staged;
    for (int i = 0; i < count; ++i) {
        const std::string& destination = result.destNames[std::size_t(i)];
        if (auto copy = CopyToPendingFile(list[std::size_t(i)], destination, observer_))
            staged.push_back({destination, std::move(*copy)});
        observer_.FileProgress(0);
        observer_.OverallPosition(i + 1);
        observer_.ProcessMessages();
    }
    // ...then the copies take their names, so no source is replaced before it has been read.
    for (StagedCopy& copy : staged) {
        try {
            copy.file.Publish(copy.destination);
        } catch (const imaging::Error&) {
            continue;
        }
        result.copied.push_back(copy.destination);
        observer_.DestinationAdded(copy.destination);
    }
    observer_.OverallPosition(0);
    return result;
}

std::string DestinationCountCaption(int count) { return " 変換先ファイル：" + std::to_string(count) + "files"; }

} // namespace renaming
