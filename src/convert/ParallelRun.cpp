#include "convert/ParallelRun.h"
#include "convert/WorkingImage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <optional>
#include <functional>
#include <set>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <vips/vips.h>

#include "imaging/Ik5Common.h"
#include "convert/Caption.h"
#include "convert/SourceGuard.h"
#include "imaging/DecodeWeight.h"

namespace convert {

namespace {

// How long the calling thread waits for a result before it lets the window process its messages.
constexpr auto kIdleInterval = std::chrono::milliseconds(50);

// What a worker's conversion of one entry showed, in order, and its output file, until the entry's turn.
struct EntryRecord {
    enum class Kind { FileProgress, PanelCaption, ShowPreview, FileDone, FileSkipped, Publish };
    struct Event {
        explicit Event(Kind k, int v = 0, std::string t = {}, std::string t2 = {})
            : kind(k), value(v), text(std::move(t)), text2(std::move(t2)) {}
        Kind kind;
        int value = 0;
        std::string text;
        std::string text2;
        std::shared_ptr<const imaging::Image> image; // the image to show (it may be released by then)
    };
    std::vector<Event> events;
    std::unique_ptr<imaging::PendingFile> output;
    std::string outputPath;
    BatchRun::Outcome outcome = BatchRun::Outcome::Stopped;
    std::exception_ptr error;
    TargetSize target;
    std::string captionBitmap; // the caption bitmap this entry wrote into the temporary folder, if any
};

// A worker's observer: records instead of showing.
class Recorder : public RunObserver {
public:
    void Begin(EntryRecord* record) { record_ = record; }
    void FileProgress(int percent) override { Add(EntryRecord::Event(EntryRecord::Kind::FileProgress, percent)); }
    void PanelCaption(const std::string& text) override {
        Add(EntryRecord::Event(EntryRecord::Kind::PanelCaption, 0, text));
    }
    void ShowPreview(imaging::Handle image) override {
        EntryRecord::Event event(EntryRecord::Kind::ShowPreview);
        event.image = imaging::ImageStore::Instance().Get(image);
        // Only the last image shown for an entry is ever seen: keep no earlier one.
        auto& events = record_->events;
        events.erase(
            std::remove_if(events.begin(), events.end(),
                           [](const EntryRecord::Event& e) { return e.kind == EntryRecord::Kind::ShowPreview; }),
            events.end());
        Add(std::move(event));
    }
    void FileDone(int index, const std::string& source, const std::string& outputPath) override {
        Add(EntryRecord::Event(EntryRecord::Kind::FileDone, index, source, outputPath));
    }
    void FileSkipped(int index, const std::string& source) override {
        Add(EntryRecord::Event(EntryRecord::Kind::FileSkipped, index, source));
    }
    void Pending(imaging::PendingFile file, const std::string& path) {
        record_->output = std::make_unique<imaging::PendingFile>(std::move(file));
        record_->outputPath = path;
        Add(EntryRecord::Event(EntryRecord::Kind::Publish));
    }

private:
    void Add(EntryRecord::Event event) { record_->events.push_back(std::move(event)); }
    EntryRecord* record_ = nullptr;
};

// Hands entries to the workers and their records back to the calling thread. Entries are started largest file
// first, but only within a window ahead of the next entry to publish, which bounds what waits unpublished.
class Scheduler {
public:
    Scheduler(const std::vector<std::string>& list, int window)
        : list_(list), window_(window), records_(list.size()), heavy_(list.size(), false),
          started_(list.size(), false) {
        Admit();
    }

    // The next entry for a worker, or -1 when there is none to start any more. At most one heavy entry is
    // converted at a time; meanwhile the other workers take the largest of the rest.
    int Next() {
        std::unique_lock lock(mutex_);
        auto eligible = queue_.end();
        work_.wait(lock, [&] {
            eligible = Eligible();
            return stopping_ || eligible != queue_.end() || (queue_.empty() && admitted_ == int(list_.size()));
        });
        if (stopping_ || eligible == queue_.end()) return -1;
        const int index = -eligible->second;
        queue_.erase(eligible);
        started_[std::size_t(index)] = true;
        if (heavy_[std::size_t(index)]) ++heavyInFlight_;
        return index;
    }

    void Deliver(int index, std::unique_ptr<EntryRecord> record) {
        std::lock_guard lock(mutex_);
        records_[std::size_t(index)] = std::move(record);
        if (heavy_[std::size_t(index)]) {
            --heavyInFlight_;
            work_.notify_all();
        }
        done_.notify_all();
    }

    // Whether an entry was handed to a worker (its record then comes, even after Stop).
    bool Started(int index) {
        std::lock_guard lock(mutex_);
        return started_[std::size_t(index)];
    }

    // Waits for the record of an entry; idle runs every interval meanwhile (without the lock).
    std::unique_ptr<EntryRecord> Take(int index, const std::function<void()>& idle) {
        std::unique_lock lock(mutex_);
        while (!records_[std::size_t(index)]) {
            if (!done_.wait_for(lock, kIdleInterval, [&] { return records_[std::size_t(index)] != nullptr; })) {
                lock.unlock();
                idle();
                lock.lock();
            }
        }
        return std::move(records_[std::size_t(index)]);
    }

    // The entry was published: the window moves on.
    void Published(int index) {
        std::lock_guard lock(mutex_);
        published_ = index + 1;
        Admit();
        work_.notify_all();
    }

    // After a stop, once the workers are done: the caption bitmaps of the entries after `index`, which a run
    // converting one entry at a time would never have reached.
    std::vector<std::string> CaptionBitmapsAfter(int index) {
        std::lock_guard lock(mutex_);
        std::vector<std::string> bitmaps;
        for (std::size_t k = std::size_t(index) + 1; k < records_.size(); ++k)
            if (records_[k] && !records_[k]->captionBitmap.empty()) bitmaps.push_back(records_[k]->captionBitmap);
        return bitmaps;
    }

    // No entry starts any more.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        work_.notify_all();
    }

private:
    using Queue = std::set<std::pair<std::uint64_t, int>, std::greater<>>; // (size, -index): largest first

    // A progressive JPEG keeps every coefficient of the whole image while it decodes, even at a reduced scale;
    // two large ones at once would double the run's peak memory for no gain in time.
    static bool IsHeavy(const std::string& path) { return imaging::PixelsHeldWhileDecoding(path) >= kHeavyPixels; }

    // Called with the lock held: the entry to start next, or the end of the queue when none may start now.
    Queue::iterator Eligible() {
        for (auto it = queue_.begin(); it != queue_.end(); ++it)
            if (heavyInFlight_ == 0 || !heavy_[std::size_t(-it->second)]) return it;
        return queue_.end();
    }

    // Called with the lock held. Files are looked at only once admitted: a long list starts at once.
    void Admit() {
        while (admitted_ < int(list_.size()) && admitted_ < published_ + window_) {
            const std::string& path = list_[std::size_t(admitted_)];
            struct stat info {};
            const std::uint64_t size = ::stat(path.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : 0;
            heavy_[std::size_t(admitted_)] = IsHeavy(path);
            queue_.emplace(size, -admitted_);
            ++admitted_;
        }
    }

    static constexpr std::int64_t kHeavyPixels = 8'000'000;

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    const std::vector<std::string>& list_;
    const int window_;
    std::vector<std::unique_ptr<EntryRecord>> records_;
    std::vector<bool> heavy_;
    std::vector<bool> started_;
    Queue queue_; // largest first, then list order
    int heavyInFlight_ = 0;
    int admitted_ = 0;
    int published_ = 0;
    bool stopping_ = false;
};

std::optional<struct stat> StatOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

bool SameFile(const std::optional<struct stat>& before, const struct stat& after) {
    return before && before->st_ino == after.st_ino && before->st_dev == after.st_dev &&
           before->st_mtim.tv_sec == after.st_mtim.tv_sec && before->st_mtim.tv_nsec == after.st_mtim.tv_nsec;
}

// One worker: its own controls, stages, temporary sub-folder and thread.
class Worker {
public:
    Worker(int number, const RunOptions& options, RunMode mode, const ParallelRun::StagesFactory& makeStages,
           const BatchRun& lead, SourceGuard& guard)
        : options_(WorkerOptions(options, number)), stages_(makeStages()),
          run_(components_, options_, mode, recorder_, *stages_), progress_(components_.Ik5File1, recorder_) {
        run_.Follow(lead);
        run_.OnSourceRead([&guard](int index) { guard.SourceRead(index); });
        run_.DeferOutput(
            [this](imaging::PendingFile file, const std::string& path) { recorder_.Pending(std::move(file), path); });
    }
    ~Worker() {
        if (thread_.joinable()) thread_.join();
    }

    void Start(const std::vector<std::string>& list, Scheduler& scheduler) {
        thread_ = std::thread([this, &list, &scheduler] {
            for (int index; (index = scheduler.Next()) >= 0;) {
                auto record = std::make_unique<EntryRecord>();
                recorder_.Begin(record.get());
                const std::string& source = list[std::size_t(index)];
                const std::string bitmap =
                    options_.captionText.empty() ? std::string() : CaptionBitmapPath(options_.TempFolder(), source);
                const std::optional<struct stat> before = StatOf(bitmap);
                try {
                    record->outcome = run_.ConvertOrSkip(source, index);
                } catch (...) {
                    record->error = std::current_exception();
                }
                if (const std::optional<struct stat> after = StatOf(bitmap); after && !SameFile(before, *after))
                    record->captionBitmap = bitmap;
                record->target = run_.Target();
                recorder_.Begin(nullptr);
                scheduler.Deliver(index, std::move(record));
            }
        });
    }

private:
    static RunOptions WorkerOptions(RunOptions options, int number) {
        options.tempSubfolder = std::to_string(number) + "/";
        return options;
    }

    RunComponents components_;
    images::HeldImages held_{components_}; // once the thread has ended
    RunOptions options_;
    std::unique_ptr<RunStages> stages_;
    Recorder recorder_;
    BatchRun run_;
    FileProgressLink progress_;
    std::thread thread_;
};

// Thrown out of the window's message processing when a stop was asked for in a one-worker run.
struct StopRequested {};

// Passes everything on; after the window's messages, ends a one-worker run when a stop was asked for.
class StoppableObserver : public RunObserver {
public:
    StoppableObserver(RunObserver& inner, const std::atomic<bool>& stop) : inner_(inner), stop_(stop) {}
    void OverallRange(int maximum) override { inner_.OverallRange(maximum); }
    void OverallPosition(int position) override { inner_.OverallPosition(position); }
    void FileProgress(int percent) override { inner_.FileProgress(percent); }
    void TrayProgress(int frame, const std::string& hint, int index, int count) override {
        inner_.TrayProgress(frame, hint, index, count);
    }
    void ProcessMessages() override {
        inner_.ProcessMessages();
        if (stop_) throw StopRequested{};
    }
    void PanelCaption(const std::string& text) override { inner_.PanelCaption(text); }
    void ShowPreview(imaging::Handle image) override { inner_.ShowPreview(image); }
    void FileDone(int index, const std::string& source, const std::string& output) override {
        inner_.FileDone(index, source, output);
    }
    void FileSkipped(int index, const std::string& source) override { inner_.FileSkipped(index, source); }
    void RemoveTray() override { inner_.RemoveTray(); }
    void Beep() override { inner_.Beep(); }
    void EndApplication() override { inner_.EndApplication(); }

private:
    RunObserver& inner_;
    const std::atomic<bool>& stop_;
};

// libvips' own threads per image while several workers run: more would only compete for the same cores.
class VipsThreads {
public:
    explicit VipsThreads(int threads) : previous_(vips_concurrency_get()) { vips_concurrency_set(threads); }
    ~VipsThreads() { vips_concurrency_set(previous_); }

private:
    int previous_;
};

} // namespace

int DefaultWorkerCount() {
    if (const char* text = std::getenv("KELVO_WORKERS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value >= 1 && value <= 64) return int(value);
    }
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

ParallelRun::ParallelRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
                         StagesFactory makeStages, int workers)
    : components_(components), options_(std::move(options)), mode_(mode), observer_(observer),
      makeStages_(std::move(makeStages)), workers_(std::max(1, workers)) {
    target_ = {options_.size.boxWidth, options_.size.boxHeight};
}

bool ParallelRun::Run(const std::vector<std::string>& list) {
    stopRequested_ = false;
    // A short list gains nothing from more workers than entries.
    return workers_ == 1 || list.size() < 2 ? RunOneAtATime(list) : RunSideBySide(list);
}

bool ParallelRun::RunOneAtATime(const std::vector<std::string>& list) {
    std::unique_ptr<RunStages> stages = makeStages_();
    StoppableObserver observer(observer_, stopRequested_);
    BatchRun run(components_, options_, mode_, observer, *stages);
    struct Counts {
        ParallelRun& self;
        BatchRun& run;
        ~Counts() {
            self.target_ = run.Target();
            self.index_ = run.Index();
            self.converted_ = run.Converted();
            self.skipped_ = run.Skipped();
        }
    } counts{*this, run};
    try {
        return run.Run(list);
    } catch (const StopRequested&) {
        return false;
    }
}

bool ParallelRun::RunSideBySide(const std::vector<std::string>& list) {
    const int count = int(list.size());
    const int workerCount = std::min(workers_, count);
    std::unique_ptr<RunStages> leadStages = makeStages_();
    BatchRun lead(components_, options_, mode_, observer_, *leadStages);
    lead.ReleaseHeld(components_.Ik5File1);
    lead.ReleaseHeld(components_.Ik5File2);
    lead.Start(list);
    // An output that would replace a source not read yet waits for it (see SourceGuard).
    SourceGuard guard(list, lead.OutputPaths(list));
    // Each worker's caption bitmaps go to a folder of its own inside the temporary folder, made here.
    if (!options_.captionText.empty()) ::mkdir(options_.TempFolder().c_str(), 0777);

    VipsThreads vipsThreads(1);
    // Without a preview nothing but a pending file waits for its turn, so the window can span the list; a
    // preview image can hold a decoded photo, so then only a few wait.
    Scheduler scheduler(list, mode_ == RunMode::CommandLine ? std::max(256, 4 * workerCount) : 2 * workerCount);
    std::vector<std::unique_ptr<Worker>> workers;
    struct Shutdown {
        Scheduler& scheduler;
        std::vector<std::unique_ptr<Worker>>& workers;
        const int& index;
        ~Shutdown() {
            scheduler.Stop();
            workers.clear(); // joins: the entries in flight end, and their outputs are dropped unpublished
            // A stop leaves the state of the entries before it only.
            for (const std::string& bitmap : scheduler.CaptionBitmapsAfter(index))
                ::unlink(bitmap.c_str());
        }
    } shutdown{scheduler, workers, index_};
    for (int n = 0; n < workerCount; ++n)
        workers.push_back(std::make_unique<Worker>(n + 1, options_, mode_, makeStages_, lead, guard));
    for (auto& worker : workers)
        worker->Start(list, scheduler);

    const auto idle = [this] { observer_.ProcessMessages(); };
    for (int i = 0; i < count; ++i) {
        if (stopRequested_) {
            scheduler.Stop();
            if (!scheduler.Started(i)) return false;
        }
        index_ = i;
        lead.Announce(i, count);
        std::unique_ptr<EntryRecord> record = scheduler.Take(i, idle);
        target_ = record->target;
        for (EntryRecord::Event& event : record->events) {
            switch (event.kind) {
            case EntryRecord::Kind::FileProgress:
                observer_.FileProgress(event.value);
                break;
            case EntryRecord::Kind::PanelCaption:
                observer_.PanelCaption(event.text);
                break;
            case EntryRecord::Kind::FileDone:
                observer_.FileDone(event.value, event.text, event.text2);
                break;
            case EntryRecord::Kind::FileSkipped:
                observer_.FileSkipped(event.value, event.text);
                break;
            case EntryRecord::Kind::Publish:
                guard.Publish(i, std::move(*record->output), record->outputPath);
                break;
            case EntryRecord::Kind::ShowPreview: {
                // The preview shows an image of its own, held by the caller's file control like the image a
                // one-at-a-time run leaves there, and released by the next one.
                const imaging::Handle shown = imaging::ImageStore::Instance().Add(*event.image);
                event.image.reset();
                lead.ReleaseHeld(components_.Ik5File1);
                components_.Ik5File1.ImgHandle = shown;
                observer_.ShowPreview(shown);
                break;
            }
            }
        }
        if (record->error) std::rethrow_exception(record->error);
        switch (record->outcome) {
        case BatchRun::Outcome::Converted:
            ++converted_;
            break;
        case BatchRun::Outcome::Skipped:
            ++skipped_;
            break;
        case BatchRun::Outcome::Stopped:
            return false;
        }
        scheduler.Published(i);
    }
    guard.Flush();
    lead.EndOfRun();
    // The workers' own caption folders go too, once the clearing has left them empty.
    for (int n = 1; n <= workerCount; ++n)
        ::rmdir((options_.TempFolder() + std::to_string(n)).c_str());
    return true;
}

} // namespace convert
