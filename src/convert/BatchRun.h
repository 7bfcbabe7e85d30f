#pragma once
// The batch conversion run: every entry of the list is loaded, brought to its target size, overlaid,
// corrected, captioned and saved in the output format. One object serves the window's button, the
// command-line run and the tests.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/OutputFormat.h"
#include "convert/RunObserver.h"
#include "convert/RunOptions.h"
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
    BatchRun(RunComponents& components, RunOptions options, RunMode mode, RunObserver& observer, RunStages& stages);

    // Converts every entry of the list. Returns true after a normal end (with its end-of-run steps), false
    // when the run stopped at an entry whose resize failed. Raises imaging::Error for a file that cannot be
    // read or written; the run then ends at that entry without its end-of-run steps.
    bool Run(const std::vector<std::string>& list);

    // The parts Run is made of, for a run that converts several entries at once (ParallelRun), in the order
    // Run uses them.
    // Start of the run: the overall progress range, generated names and the overlay decision.
    void Start(const std::vector<std::string>& list);
    // For a run working beside others: takes the start decisions of the run that leads them.
    void Follow(const BatchRun& lead);
    // Before entry index of count: overall progress, tray frame and hint, window messages.
    void Announce(int index, int count);
    enum class Outcome { Converted, Skipped, Stopped };
    // Skips a GIF or TIFF entry, or converts it; Stopped when the run stops at it (its resize failed).
    Outcome ConvertOrSkip(const std::string& source, int index);
    // After the last entry of a normal end.
    void EndOfRun();
    // Where the output of each entry goes: unset, it replaces the output file at once; set, the complete file
    // is handed over unpublished (for a run that publishes in list order).
    void DeferOutput(std::function<void(imaging::PendingFile, const std::string&)> sink) {
        outputSink_ = std::move(sink);
    }
    // Called with an entry's index once its source has been read (loaded, or skipped as GIF or TIFF).
    void OnSourceRead(std::function<void(int)> read) { sourceRead_ = std::move(read); }
    // After Start: the output path of every entry of the list.
    std::vector<std::string> OutputPaths(const std::vector<std::string>& list) const;

    // After an effect: releases the working image and adopts the effect's result.
    void CommitEffect();
    // Releases the image a file control holds, if any.
    void ReleaseHeld(imaging::TIk5File& file);

    RunComponents& Components() { return c_; }
    const RunOptions& Options() const { return options_; }
    TargetSize Target() const { return target_; }
    bool CommandLineRun() const { return commandLineRun_; }
    RunObserver& Observer() { return observer_; }
    // Index of the entry being converted, and how many were written or skipped so far.
    int Index() const { return index_; }
    int Converted() const { return converted_; }
    int Skipped() const { return skipped_; }

private:
    bool ConvertEntry(const std::string& source, int index);
    // Entry index's generated output name (without extension), or null when outputs keep their sources' names.
    const std::string* GeneratedName(int index) const;
    OutputFormat PrepareFormat();
    void SaveOutput();

    RunComponents& c_;
    RunOptions options_;
    bool commandLineRun_;
    RunObserver& observer_;
    RunStages& stages_;
    TargetSize target_;
    std::shared_ptr<const std::vector<std::string>> generatedNames_;
    bool overlayUsable_ = false;
    std::function<void(imaging::PendingFile, const std::string&)> outputSink_;
    std::function<void(int)> sourceRead_;
    int index_ = -1;
    int converted_ = 0;
    int skipped_ = 0;
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
