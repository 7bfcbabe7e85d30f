#include "convert/RunDriver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include <vips/vips.h>

#include "convert/Caption.h"
#include "convert/RunScheduler.h"
#include "convert/SourceCheck.h"
#include "convert/SourceGuard.h"
#include "convert/WorkingImage.h"
#include "imaging/Error.h"

namespace convert {

namespace {

std::optional<struct stat> StatOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return info;
}

bool SameFile(const std::optional<struct stat>& before, const struct stat& after) {
    return before && before->st_ino == after.st_ino && before->st_dev == after.st_dev &&
           before->st_mtim.tv_sec == after.st_mtim.tv_sec && before->st_mtim.tv_nsec == after.st_mtim.tv_nsec;
}

// The failure's problem, when it is an imaging::Error.
std::optional<imaging::Error> ImagingError(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const imaging::Error& error) {
        return error;
    } catch (...) {
    }
    return std::nullopt;
}

// A save that found the disc (or the user's quota) full.
bool OutOfRoom(const std::exception_ptr& failure) {
    const std::optional<imaging::Error> error = ImagingError(failure);
    return error && error->problem() == imaging::Problem::System &&
           (error->systemError() == ENOSPC || error->systemError() == EDQUOT);
}

bool CalledOff(const std::exception_ptr& failure) {
    const std::optional<imaging::Error> error = ImagingError(failure);
    return error && error->problem() == imaging::Problem::Stopped;
}

// One worker: its own controls, stages, temporary sub-folder and thread.
class Worker {
public:
    // `number`: 1, 2 ... for one of several workers, each with a temporary sub-folder of its own; 0 for the only
    // one, which uses the temporary folder itself.
    Worker(int number, const RunOptions& options, RunMode mode, const RunDriver::StagesFactory& makeStages,
           std::shared_ptr<const RunPlan> plan, SourceGuard& guard)
        : options_(WorkerOptions(options, number)), stages_(makeStages()),
          run_(components_, options_, mode, recorder_, *stages_, std::move(plan)),
          progress_(components_.Ik5File1, recorder_) {
        run_.OnSourceRead([&guard](int index) { guard.SourceRead(index); });
        run_.DeferOutput(
            [this](files::PendingFile file, const std::string& path) { recorder_.Pending(std::move(file), path); });
    }
    ~Worker() {
        if (thread_.joinable()) thread_.join();
    }

    void Start(const std::vector<std::string>& list, RunScheduler& scheduler, imaging::StopToken token) {
        scheduler.WorkerStarted();
        thread_ = std::thread([this, &list, &scheduler, token = std::move(token)] {
            const imaging::StopScope scope(token);
            for (int index; (index = scheduler.Next()) >= 0;)
                scheduler.Deliver(index, Convert(list[std::size_t(index)], index));
            scheduler.WorkerGone();
        });
    }

private:
    static RunOptions WorkerOptions(RunOptions options, int number) {
        if (number > 0) options.tempSubfolder = std::to_string(number) + "/";
        return options;
    }

    std::unique_ptr<EntryRecord> Convert(const std::string& source, int index) {
        auto record = std::make_unique<EntryRecord>();
        recorder_.Begin(record.get());
        const std::string bitmap =
            options_.captionText.empty() ? std::string() : CaptionBitmapPath(options_.TempFolder(), source);
        const std::optional<struct stat> before = StatOf(bitmap);
        const auto started = std::chrono::steady_clock::now();
        try {
            record->outcome = run_.ConvertOrSkip(source, index);
        } catch (...) {
            record->error = std::current_exception();
        }
        record->milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        if (const std::optional<struct stat> after = StatOf(bitmap); after && !SameFile(before, *after))
            record->captionBitmap = bitmap;
        record->target = run_.Target();
        recorder_.Begin(nullptr);
        return record;
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

RunDriver::RunDriver(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
                     StagesFactory makeStages, int workers)
    : components_(components), options_(std::move(options)), mode_(mode), observer_(observer),
      makeStages_(std::move(makeStages)), workers_(std::max(1, workers)) {
    target_ = {options_.size.boxWidth, options_.size.boxHeight};
}

void RunDriver::RequestStop() {
    stopRequested_ = true;
    std::lock_guard lock(tokenMutex_);
    passToken_.Request();
}

bool RunDriver::Run(const std::vector<std::string>& list) {
    stopRequested_ = false;
    if (options_.tempRoot.empty()) options_.tempRoot = ChooseTempRoot(options_.programFolder);
    index_ = announced_ = -1;
    converted_ = skipped_ = 0;
    const int count = int(list.size());
    // Everything the entries share is decided first: a name rule that cannot work refuses the run before
    // anything is written.
    std::unique_ptr<RunStages> stages = makeStages_();
    const auto plan = std::make_shared<const RunPlan>(MakeRunPlan(options_, list, *stages));
    // Temporary files of an earlier run that died (where the file system cannot keep files nameless).
    files::RemoveStaleTemporaries(options_.outputFolder);
    files::RemoveStaleTemporaries(options_.TempFolder());
    observer_.OverallRange(count);
    observer_.OverallPosition(0);
    images::Release(components_.Ik5File1.ImgHandle);
    images::Release(components_.Ik5File2.ImgHandle);
    // An output that would replace a source not read yet waits for it (see SourceGuard).
    SourceGuard guard(list, plan->outputPaths);

    int from = 0;
    bool serial = false;
    int workerFolders = 0;
    for (;;) {
        if (!serial) workerFolders = std::min(workers_, count);
        int stoppedAt = -1;
        const PassEnd end = RunPass(list, plan, guard, from, serial, stoppedAt);
        if (end == PassEnd::Stopped) return false;
        if (end == PassEnd::Done) break;
        // The disc filled up while later outputs waited unpublished: they are gone now, and the entry that did
        // not fit is tried again with nothing written ahead of it.
        serial = true;
        from = stoppedAt;
    }
    guard.Flush();
    EndOfRun(workerFolders > 1 ? workerFolders : 0);
    return true;
}

struct RunDriver::Pass {
    RunScheduler& scheduler;
    std::vector<std::unique_ptr<Worker>>& workers;
    imaging::StopToken token;
    const int& lastTaken;
    RunObserver& observer;
    bool finished = false;

    ~Pass() {
        scheduler.Stop();
        // Work still in flight is called off; after a normal end nothing is.
        if (!finished) token.Request();
        scheduler.WaitForWorkers([this] {
            try {
                observer.ProcessMessages();
            } catch (...) {
                // the window keeps painting while the workers end; nothing it does changes the outcome now
            }
        });
        workers.clear();
        // A stop leaves the state of the entries up to it only.
        for (const std::string& bitmap : scheduler.CaptionBitmapsAfter(lastTaken))
            ::unlink(bitmap.c_str());
    }
};

RunDriver::PassEnd RunDriver::RunPass(const std::vector<std::string>& list, const std::shared_ptr<const RunPlan>& plan,
                                      SourceGuard& guard, int from, bool serial, int& stoppedAt) {
    const int count = int(list.size());
    if (from >= count) return PassEnd::Done;
    const int workerCount = serial ? 1 : std::min(workers_, count - from);
    imaging::StopToken token = imaging::StopToken::Make();
    {
        std::lock_guard lock(tokenMutex_);
        passToken_ = token;
        if (stopRequested_) token.Request();
    }
    // Each worker's caption bitmaps go to a folder of its own inside the temporary folder, made here.
    if (workerCount > 1 && !options_.captionText.empty()) ::mkdir(options_.TempFolder().c_str(), 0777);
    std::optional<VipsThreads> vipsThreads;
    if (workerCount > 1) vipsThreads.emplace(1);
    // Without a preview nothing but a pending file waits for its turn, so the window can span the list; a
    // preview image can hold a decoded photo, so then only a few wait. Nothing waits in a serial pass.
    const int window = serial ? 1 : mode_ == RunMode::CommandLine ? std::max(256, 4 * workerCount) : 2 * workerCount;
    RunScheduler scheduler(list, from, window);
    std::vector<std::unique_ptr<Worker>> workers;
    int lastTaken = from - 1;
    Pass pass{scheduler, workers, token, lastTaken, observer_};
    for (int n = 0; n < workerCount; ++n)
        workers.push_back(
            std::make_unique<Worker>(workerCount > 1 ? n + 1 : 0, options_, mode_, makeStages_, plan, guard));
    for (auto& worker : workers)
        worker->Start(list, scheduler, token);

    const auto idle = [this] { observer_.ProcessMessages(); };
    for (int i = from; i < count; ++i) {
        if (stopRequested_) return PassEnd::Stopped;
        Announce(i, count);
        if (stopRequested_) return PassEnd::Stopped;
        std::unique_ptr<EntryRecord> record = scheduler.Take(i, idle, stopRequested_);
        if (!record) return PassEnd::Stopped;
        lastTaken = i;
        target_ = record->target;
        if (record->error && (stopRequested_ || CalledOff(record->error))) return PassEnd::Stopped;
        if (record->error && !serial && OutOfRoom(record->error)) {
            stoppedAt = i;
            return PassEnd::NoRoom;
        }
        // An entry that fails shows its progress, not a caption or picture of its own beside the last one shown.
        const bool failed = record->error || record->outcome == BatchRun::Outcome::Stopped;
        for (EntryRecord::Event& event : record->events) {
            switch (event.kind) {
            case EntryRecord::Kind::FileProgress:
                observer_.FileProgress(event.value);
                break;
            case EntryRecord::Kind::PanelCaption:
                if (!failed) observer_.PanelCaption(event.text);
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
                if (failed) break;
                // The preview shows an image of its own, held by the caller's file control like the image a
                // one-at-a-time run leaves there, and released by the next one.
                const imaging::Handle shown = imaging::ImageStore::Instance().Add(*event.image);
                event.image.reset();
                images::Release(components_.Ik5File1.ImgHandle);
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
            observer_.EntryMeasured(i, record->target.width, record->target.height, record->milliseconds);
            break;
        case BatchRun::Outcome::Skipped:
            ++skipped_;
            break;
        case BatchRun::Outcome::Stopped:
            return PassEnd::Stopped;
        }
        scheduler.Published(i);
    }
    pass.finished = true;
    return PassEnd::Done;
}

void RunDriver::Announce(int index, int count) {
    if (index <= announced_) return; // an entry tried again after the disc filled up is announced once
    announced_ = index;
    index_ = index;
    observer_.OverallPosition(index + 1);
    const int percent = (index + 1) * 100 / count;
    observer_.TrayProgress(TrayFrame(percent), std::to_string(percent) + "%完了", index, count);
    observer_.ProcessMessages();
}

void RunDriver::EndOfRun(int workerFolders) {
    observer_.OverallPosition(0);
    ClearTempFolder(options_.TempFolder());
    // The workers' own caption folders go too, once the clearing has left them empty.
    for (int n = 1; n <= workerFolders; ++n)
        ::rmdir((options_.TempFolder() + std::to_string(n)).c_str());
    observer_.RemoveTray();
    observer_.Beep();
    if (mode_ == RunMode::CommandLine) observer_.EndApplication();
}

} // namespace convert
