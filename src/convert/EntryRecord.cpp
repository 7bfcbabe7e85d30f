#include "convert/EntryRecord.h"

#include <algorithm>

namespace convert {

void Recorder::FileProgress(int percent) {
    Add(EntryRecord::Event(EntryRecord::Kind::FileProgress, percent));
}

void Recorder::PanelCaption(const std::string& text) {
    Add(EntryRecord::Event(EntryRecord::Kind::PanelCaption, 0, text));
}

void Recorder::ShowPreview(imaging::Handle image) {
    EntryRecord::Event event(EntryRecord::Kind::ShowPreview);
    event.image = imaging::ImageStore::Instance().Get(image);
    auto& events = record_->events;
    events.erase(std::remove_if(events.begin(), events.end(),
                                [](const EntryRecord::Event& e) { return e.kind == EntryRecord::Kind::ShowPreview; }),
                 events.end());
    Add(std::move(event));
}

void Recorder::FileDone(int index, const std::string& source, const std::string& outputPath) {
    Add(EntryRecord::Event(EntryRecord::Kind::FileDone, index, source, outputPath));
}

void Recorder::FileSkipped(int index, const std::string& source) {
    Add(EntryRecord::Event(EntryRecord::Kind::FileSkipped, index, source));
}

void Recorder::Pending(files::PendingFile file, const std::string& path) {
    record_->output = std::make_unique<files::PendingFile>(std::move(file));
    record_->outputPath = path;
    Add(EntryRecord::Event(EntryRecord::Kind::Publish));
}

} // namespace convert
