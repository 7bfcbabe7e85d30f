#include "convert/SourceGuard.h"

#include <algorithm>
#include <map>
#include <set>
#include <optional>

#include "files/EntryKey.h"

namespace convert {

SourceGuard::SourceGuard(const std::vector<std::string>& sources, const std::vector<std::string>& outputs)
    : waitFor_(sources.size(), -1), read_(new std::atomic<bool>[sources.size()]) {
    for (std::size_t i = 0; i < sources.size(); ++i)
        read_[i] = false;
    // The last entry of the list whose source is each directory entry.
    std::map<files::EntryKey, int> lastSource;
    for (std::size_t j = 0; j < sources.size(); ++j)
        if (std::optional<files::EntryKey> key = files::EntryKeyOf(sources[j])) lastSource[*key] = int(j);
    for (std::size_t i = 0; i < outputs.size() && i < sources.size(); ++i) {
        if (outputs[i].empty()) continue;
        const std::optional<files::EntryKey> key = files::EntryKeyOf(outputs[i]);
        if (!key) continue;
        const auto found = lastSource.find(*key);
        if (found != lastSource.end() && found->second > int(i)) waitFor_[i] = found->second;
    }
}

void SourceGuard::SourceRead(int index) {
    if (index >= 0 && std::size_t(index) < waitFor_.size()) read_[std::size_t(index)] = true;
}

void SourceGuard::Flush() {
    // In list order; an output never goes before an earlier one to the same name that still waits.
    std::set<std::string> blocked;
    std::vector<Held> waiting;
    for (Held& held : held_) {
        const int wait = waitFor_[std::size_t(held.index)];
        if (!blocked.count(held.path) && (wait < 0 || read_[std::size_t(wait)])) {
            held.file.Publish(held.path);
        } else {
            blocked.insert(held.path);
            waiting.push_back(std::move(held));
        }
    }
    held_ = std::move(waiting);
}

void SourceGuard::Publish(int index, files::PendingFile file, const std::string& path) {
    Flush();
    const int wait = index >= 0 && std::size_t(index) < waitFor_.size() ? waitFor_[std::size_t(index)] : -1;
    const bool behindSameName =
        std::any_of(held_.begin(), held_.end(), [&](const Held& held) { return held.path == path; });
    if (behindSameName || (wait >= 0 && !read_[std::size_t(wait)])) {
        held_.push_back({index, std::move(file), path});
        return;
    }
    file.Publish(path);
}

} // namespace convert
