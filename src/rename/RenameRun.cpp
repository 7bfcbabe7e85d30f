#include "rename/RenameRun.h"

#include <algorithm>
#include <map>
#include <set>
#include <cerrno>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/AtomicFile.h"
#include "files/EntryKey.h"
#include "files/InputFile.h"
#include "files/Error.h"
#include "sources/FileAttributes.h"
#include "sources/PathNames.h"

namespace renaming {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

struct StagedCopy {
    int index = 0;
    std::string destination;
    files::PendingFile file;
};

// Copies `source` into a hidden temporary file beside `destination`; nothing when the source is not a regular
// file or cannot be read or the copy cannot be written. The source's permission bits and times go to the copy.
std::optional<files::PendingFile> CopyToPendingFile(const std::string& source, const std::string& destination,
                                                    RenameObserver& observer) {
    if (!sources::IsUsablePath(source) || !sources::IsUsablePath(destination)) return std::nullopt;
    // Opening never blocks, and a FIFO or a device is refused before anything is read.
    const files::InputFile in = files::InputFile::Open(source);
    if (!in.IsOpen()) return std::nullopt;
    const struct stat& info = in.Info();
    try {
        files::PendingFile out(sources::ExtractFilePath(destination), destination, info.st_mode & 0777);
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
    } catch (const files::Error&) {
        return std::nullopt;
    }
}

} // namespace

RenameRun::RenameRun(NameRule rule, RenameObserver& observer) : rule_(std::move(rule)), observer_(observer) {}

RenameResult RenameRun::Run(std::vector<std::string> list) {
    const std::string& folder = rule_.outputFolder;
    // A copy never lands outside the folder the user chose.
    sources::CheckNameParts(rule_.prefix, rule_.suffix);
    if (sources::IsUsablePath(folder) && !sources::IsDirectory(folder)) ::mkdir(folder.c_str(), 0777);
    files::RemoveStaleTemporaries(folder); // left by an earlier run that died

    RenameResult result;
    result.destNames = MakeDestinationNames(list, rule_);
    const int count = int(list.size());
    observer_.OverallRange(count);

    // A copy takes its name as soon as it is complete, unless that name is the entry of a source not read yet
    // (a rotation of names in the source folder): such copies wait, nameless, until every source has been
    // read. A copy whose name a waiting copy will take waits too, so the later of the two still wins.
    std::map<files::EntryKey, int> unread;
    std::vector<std::optional<files::EntryKey>> sourceKeys;
    for (const std::string& source : list) {
        sourceKeys.push_back(files::EntryKeyOf(source));
        if (sourceKeys.back()) ++unread[*sourceKeys.back()];
    }
    std::set<files::EntryKey> waitingNames;
    std::vector<StagedCopy> waiting;
    std::vector<bool> copied(std::size_t(count), false);
    const auto publish = [&](StagedCopy& copy) {
        try {
            copy.file.Publish(copy.destination);
            copied[std::size_t(copy.index)] = true;
        } catch (const files::Error&) {
        }
    };
    for (int i = 0; i < count; ++i) {
        const std::string& destination = result.destNames[std::size_t(i)];
        std::optional<files::PendingFile> copy = CopyToPendingFile(list[std::size_t(i)], destination, observer_);
        if (const auto& key = sourceKeys[std::size_t(i)]; key && --unread[*key] == 0) unread.erase(*key);
        if (copy) {
            StagedCopy staged{i, destination, std::move(*copy)};
            const std::optional<files::EntryKey> name = files::EntryKeyOf(destination);
            if (name && (unread.count(*name) || waitingNames.count(*name))) {
                waitingNames.insert(*name);
                waiting.push_back(std::move(staged));
            } else {
                publish(staged);
            }
        }
        observer_.FileProgress(0);
        observer_.OverallPosition(i + 1);
        observer_.ProcessMessages();
    }
    for (StagedCopy& copy : waiting)
        publish(copy);
    // The destination list shows the copies in list order.
    for (int i = 0; i < count; ++i) {
        if (!copied[std::size_t(i)]) continue;
        result.copied.push_back(result.destNames[std::size_t(i)]);
        observer_.DestinationAdded(result.destNames[std::size_t(i)]);
    }
    observer_.OverallPosition(0);
    return result;
}

std::string DestinationCountCaption(int count) {
    return " 変換先ファイル：" + std::to_string(count) + "files";
}

} // namespace renaming
