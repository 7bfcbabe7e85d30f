#pragma once
// A conversion run that converts several entries at once, one worker per processor core, while everything a
// user or a caller can observe stays as in a run that converts one entry at a time: the same output files with
// the same bytes, outputs published in list order (a later entry still replaces an earlier one of the same
// name), observer calls in list order from the thread that called Run, and a stop at entry i leaves every entry
// before i converted and none after it.
//
// Each worker has its own imaging controls, stages and temporary sub-folder, and converts with the same per-entry
// code as the one-at-a-time run. What it would show goes into a record that the calling thread replays when the
// entry's turn comes; its output is written as a pending file and published at that moment, or dropped when an
// earlier entry stopped the run.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/BatchRun.h"

namespace convert {

// The number of workers a run uses: KELVO_WORKERS when it holds a number from 1 to 64, otherwise one per core.
int DefaultWorkerCount();

class ParallelRun {
public:
    using StagesFactory = std::function<std::unique_ptr<RunStages>()>;

    // components: the caller's controls. With one worker the run is exactly a BatchRun on them; with more, the
    // images they held are released at the start, and afterwards Ik5File1 names the image last shown in the
    // preview (none in a command-line run).
    ParallelRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer,
                StagesFactory makeStages, int workers = DefaultWorkerCount());

    // As BatchRun::Run. Raises the error of the first entry in list order that failed.
    bool Run(const std::vector<std::string>& list);
    // From any thread (the window's stop control): the run ends after the entries in flight, as a stop does
    // (no end-of-run steps), keeping every entry up to the last one published in order. Run then returns false.
    void RequestStop() { stopRequested_ = true; }

    const RunOptions& Options() const { return options_; }
    int Workers() const { return workers_; }
    // As BatchRun's: the target of the last entry published, its index, and the counts so far.
    TargetSize Target() const { return target_; }
    int Index() const { return index_; }
    int Converted() const { return converted_; }
    int Skipped() const { return skipped_; }

private:
    bool RunOneAtATime(const std::vector<std::string>& list);
    bool RunSideBySide(const std::vector<std::string>& list);

    RunComponents& components_;
    RunOptions options_;
    RunMode mode_;
    RunObserver& observer_;
    StagesFactory makeStages_;
    int workers_;
    std::atomic<bool> stopRequested_{false};
    TargetSize target_;
    int index_ = -1;
    int converted_ = 0;
    int skipped_ = 0;
};

} // namespace convert
