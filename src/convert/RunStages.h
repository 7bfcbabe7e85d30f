#pragma once
// The stages that plug into a conversion run: image overlay, corrections, text caption and generated names.
// The run calls them at fixed points; each works on the run's components and ends with CommitEffect after
// every effect it applies.
#include <string>
#include <vector>

#include "convert/RunOptions.h"

namespace convert {

class BatchRun;

class RunStages {
public:
    virtual ~RunStages() = default;
    // Before the first file: output paths without extension for every entry (only when names are generated).
    virtual std::vector<std::string> GeneratedNames(const RunOptions& options, const std::vector<std::string>& list) {
        return {};
    }
    // Before the first file: whether the overlay is drawn in this run.
    virtual bool OverlayUsable(const RunOptions& options) { return false; }
    // Draws the run's overlay picture onto the working image (only when OverlayUsable said true).
    virtual void Overlay(BatchRun& run) {}
    // Sharpen, blur, antialias and grayscale as the options ask.
    virtual void Corrections(BatchRun& run) {}
    // Draws the caption; leaves the captioned image in the file component's handle.
    virtual void Caption(BatchRun& run, const std::string& source) {}
};

} // namespace convert
