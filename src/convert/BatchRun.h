#pragma once
// The conversion of one entry of a run: it is loaded, brought to its target size, overlaid, corrected, captioned
// and saved in the output format. The run driver (RunDriver.h) uses it for every entry, and the result view for
// the entry it shows.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/OutputFormat.h"
#include "convert/RunObserver.h"
#include "convert/RunOptions.h"
#include "convert/RunPlan.h"
#include "convert/RunStages.h"
#include "convert/TargetSize.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5Effect.h"
#include "imaging/Ik5File.h"

namespace convert {

// Who runs: the window (the preview follows the run) or the command line (no window: the program ends with
// the run).
enum class RunMode { Window, CommandLine };

// The imaging controls a run works with; the window owns them (the preview shares Ik5File1).
struct RunComponents {
    imaging::TIk5File Ik5File1;
    imaging::TIk5File Ik5File2; // the overlay image
    imaging::TIk5Effect Ik5Effect1;
    imaging::TIk5Common Ik5Common1;
};

class BatchRun {
public:
    // `plan`: what the run decided at its start (see RunPlan); without one, outputs keep their sources' names
    // and no overlay is drawn.
    BatchRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer, RunStages& stages,
             std::shared_ptr<const RunPlan> plan = {});

    enum class Outcome { Converted, Skipped, Stopped };
    // The step for one entry: skips a GIF or TIFF entry, or converts it; Stopped when the run stops at it (its
    // resize failed). Raises imaging::Error for a file that cannot be read or written, with Problem::Stopped
    // when the work on this thread was called off (imaging/Stop.h).
    Outcome ConvertOrSkip(const std::string& source, int index);
    // Where the output of each entry goes: unset, it replaces the output file at once; set, the complete file
    // is handed over unpublished (for a run that publishes in list order).
    void DeferOutput(std::function<void(files::PendingFile, const std::string&)> sink) {
        outputSink_ = std::move(sink);
    }
    // Called with an entry's index once its source has been read (loaded, or skipped as GIF or TIFF).
    void OnSourceRead(std::function<void(int)> read) { sourceRead_ = std::move(read); }

    // After an effect: releases the working image and adopts the effect's result.
    void CommitEffect();
    // Releases the image a file control holds, if any.
    void ReleaseHeld(imaging::TIk5File& file);

    RunComponents& Components() { return c_; }
    const RunOptions& Options() const { return options_; }
    const RunPlan& Plan() const { return *plan_; }
    TargetSize Target() const { return target_; }
    bool CommandLineRun() const { return commandLineRun_; }
    RunObserver& Observer() { return observer_; }

private:
    bool ConvertEntry(const std::string& source, int index);
    OutputFormat PrepareFormat();
    void SaveOutput();

    RunComponents& c_;
    RunOptions options_;
    bool commandLineRun_;
    RunObserver& observer_;
    RunStages& stages_;
    std::shared_ptr<const RunPlan> plan_;
    TargetSize target_;
    std::function<void(files::PendingFile, const std::string&)> outputSink_;
    std::function<void(int)> sourceRead_;
};

// While it lives, the file progress of a file control goes to an observer (the control's previous handler is
// restored afterwards).
class FileProgressLink {
public:
    FileProgressLink(imaging::TIk5File& file, RunObserver& observer);
    ~FileProgressLink();
    FileProgressLink(const FileProgressLink&) = delete;
    FileProgressLink& operator=(const FileProgressLink&) = delete;

private:
    imaging::TIk5File& file_;
    decltype(imaging::TIk5File::OnProgress) previous_;
};

// Tray frame 0..4 for a percentage: 0-20, 21-40, 41-60, 61-80, 81-100.
int TrayFrame(int percent);

} // namespace convert
