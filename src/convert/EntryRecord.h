#pragma once
// What a worker's conversion of one entry showed, in order, and its output file, kept until the entry's turn
// comes: the run driver then replays it to the run's observer and publishes the file, or drops both.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "convert/BatchRun.h"
#include "files/AtomicFile.h"
#include "imaging/Image.h"

namespace convert {

struct EntryRecord {
    enum class Kind { FileProgress, PanelCaption, ShowPreview, FileDone, FileSkipped, Publish };
    struct Event {
        explicit Event(Kind k, int v = 0, std::string t = {}, std::string t2 = {})
            : kind(k), value(v), text(std::move(t)), text2(std::move(t2)) {}
        Kind kind;
        int value = 0;
        std::string text;
        std::string text2;
        std::shared_ptr<const imaging::Image> image; // the image to show (its handle may be released by then)
    };
    std::vector<Event> events;
    std::unique_ptr<files::PendingFile> output;
    std::string outputPath;
    BatchRun::Outcome outcome = BatchRun::Outcome::Stopped;
    std::exception_ptr error;
    TargetSize target;
    double milliseconds = 0;   // the worker's time on the entry
    std::string captionBitmap; // the caption bitmap this entry wrote into the temporary folder, if any
};

// A worker's observer: records instead of showing.
class Recorder : public RunObserver {
public:
    void Begin(EntryRecord* record) { record_ = record; }
    void FileProgress(int percent) override;
    void PanelCaption(const std::string& text) override;
    // Only the last image shown for an entry is ever seen: no earlier one is kept.
    void ShowPreview(imaging::Handle image) override;
    void FileDone(int index, const std::string& source, const std::string& outputPath) override;
    void FileSkipped(int index, const std::string& source) override;
    // The entry's complete output, to be published when its turn comes.
    void Pending(files::PendingFile file, const std::string& path);

private:
    void Add(EntryRecord::Event event) { record_->events.push_back(std::move(event)); }
    EntryRecord* record_ = nullptr;
};

} // namespace convert
