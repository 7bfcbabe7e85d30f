#pragma once
// The conversion run: one driver for the window's button, the command-line run and the tests. It owns the loop
// over the list, the source guard, the counters, the publication of outputs in list order and the stop.
//
// Workers (one per processor core, or as many as asked; one is the same driver with one worker) convert the
// entries side by side with BatchRun, the step for one entry, each with its own imaging controls, stages and
// temporary sub-folder. What a worker's conversion would show goes into a record that the driver replays on the
// thread that called Run when the entry's turn comes; its output is written as a pending (nameless) file and
// published at that moment, or dropped. So everything a user or a caller can observe is the same with any number
// of workers: the same output files with the same bytes, outputs published in list order (a later entry still
// replaces an earlier one of the same name), observer calls in list order, and a run that ends at entry i leaves
// every entry before i converted and none after it.
//
// A stop (RequestStop: 中止, the window closing, a signal) is seen within moments: no output appears after it, the
// conversions in flight are called off (their decodes fail at the next rows libvips asks for) and their nameless
// outputs vanish; what was published stays complete. When the disc fills up while outputs of later entries wait
// unpublished, they are dropped and the run goes on one entry at a time from the entry that did not fit, so that
// it saves every entry that fits, as a run converting one entry at a time would.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "convert/BatchRun.h"
#include "imaging/Stop.h"

namespace convert {

// The number of workers a run uses: KELVO_WORKERS when it holds a number from 1 to 64, otherwise one per core.
int DefaultWorkerCount();

class SourceGuard;

class RunDriver {
public:
    using StagesFactory = std::function<std::unique_ptr<RunStages>()>;

    // components: the caller's controls; the images they held are released at the start, and afterwards
    // Ik5File1 names the image last shown in the preview (none in a command-line run).
    RunDriver(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
              StagesFactory makeStages, int workers = DefaultWorkerCount());

    // Converts every entry of the list. Returns true after a normal end (with its end-of-run steps), false when
    // the run stopped: at an entry whose resize failed, or on a stop request (StopRequested). Raises the error
    // of the first entry in list order that failed (imaging::Error for a file that cannot be read or written;
    // std::invalid_argument for generated names that cannot be used, before anything is read or written); the
    // run then ends at that entry without its end-of-run steps.
    bool Run(const std::vector<std::string>& list);
    // From any thread: the run ends at once, as a stop does (no end-of-run steps), keeping the entries published.
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    const RunOptions& Options() const { return options_; }
    int Workers() const { return workers_; }
    // The target of the last entry taken, its index, and the counts so far.
    TargetSize Target() const { return target_; }
    int Index() const { return index_; }
    int Converted() const { return converted_; }
    int Skipped() const { return skipped_; }

private:
    enum class PassEnd { Done, Stopped, NoRoom };
    struct Pass;
    // Converts the entries from `from` on; with `serial`, one at a time and nothing written ahead.
    PassEnd RunPass(const std::vector<std::string>& list, const std::shared_ptr<const RunPlan>& plan,
                    SourceGuard& guard, int from, bool serial, int& stoppedAt);
    void Announce(int index, int count);
    void EndOfRun(int workerFolders);

    RunComponents& components_;
    RunOptions options_;
    RunMode mode_;
    RunObserver& observer_;
    StagesFactory makeStages_;
    int workers_;
    std::atomic<bool> stopRequested_{false};
    std::mutex tokenMutex_;
    imaging::StopToken passToken_; // the work of the current pass
    TargetSize target_;
    int index_ = -1;
    int announced_ = -1;
    int converted_ = 0;
    int skipped_ = 0;
};

} // namespace convert
