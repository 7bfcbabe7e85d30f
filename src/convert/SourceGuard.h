#pragma once
// Keeps a run's outputs from replacing its own sources before they are read. With the output folder equal to
// the source folder, the list "a.png a.jpg" and JPEG output, a.png's output is named a.jpg: published at once,
// it would replace the source a.jpg before that entry is loaded. Such an output waits, complete and nameless,
// until the last later source it would replace has been read, and is then published before any later output;
// so every worker count gives the same files, and every source is converted as it was.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "files/AtomicFile.h"

namespace convert {

class SourceGuard {
public:
    // `sources[i]` and `outputs[i]`: entry i's source and output path (an empty output path never waits).
    SourceGuard(const std::vector<std::string>& sources, const std::vector<std::string>& outputs);

    // Entry `index` has been read (loaded, or skipped as GIF or TIFF). Safe from any thread.
    void SourceRead(int index);
    // The complete output of entry `index`, offered in list order: published now, or held while it would
    // replace a source not read yet. Held outputs whose sources have been read go first.
    void Publish(int index, files::PendingFile file, const std::string& path);
    // The held outputs whose sources have been read are published. (What is still held when the guard goes,
    // after a stop, is dropped: its source was never read, and stays.)
    void Flush();

private:
    struct Held {
        int index;
        files::PendingFile file;
        std::string path;
    };

    std::vector<int> waitFor_; // per entry: the last later entry whose source its output replaces, or -1
    std::unique_ptr<std::atomic<bool>[]> read_;
    std::vector<Held> held_;
};

} // namespace convert
