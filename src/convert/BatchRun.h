#pragma once
// The batch conversion run: every entry of the list is loaded, brought to its target size, overlaid,
// corrected, captioned and saved in the output format. One object serves the window's button, the
// command-line run and the tests.
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

// The imaging controls a run works with; the window owns them (the preview shares Ik5File1).
struct RunComponents {
    imaging::TIk5File Ik5File1;
    imaging::TIk5File Ik5File2; // the overlay image
    imaging::TIk5Effect Ik5Effect1;
    imaging::TIk5Common Ik5Common1;
};

class BatchRun {
public:
    BatchRun(RunComponents& components, RunOptions options, bool commandLineRun, RunObserver& observer,
             RunStages& stages);

    // Converts every entry of the list. Returns true after a normal end (with its end-of-run steps), false
    // when the run stopped at an entry whose resize failed. Raises imaging::Error for a file that cannot be
    // read or written; the run then ends at that entry without its end-of-run steps.
    bool Run(const std::vector<std::string>& list);

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
    OutputFormat PrepareFormat();
    void EndOfRun();

    RunComponents& c_;
    RunOptions options_;
    bool commandLineRun_;
    RunObserver& observer_;
    RunStages& stages_;
    TargetSize target_;
    std::vector<std::string> generatedNames_;
    bool overlayUsable_ = false;
    int index_ = -1;
    int converted_ = 0;
    int skipped_ = 0;
};

// Tray frame 0..4 for a percentage: 0-20, 21-40, 41-60, 61-80, 81-100.
int TrayFrame(int percent);

} // namespace convert
