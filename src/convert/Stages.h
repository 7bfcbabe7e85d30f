#pragma once
// The stages a conversion run uses: image overlay, corrections and caption (generated names keep the default).
#include "convert/RunStages.h"

namespace convert {

class ConversionStages : public RunStages {
public:
    // The overlay file is usable for the whole run (see OverlayUsable in Overlay.h).
    bool OverlayUsable(const RunOptions& options) override;
    void Overlay(BatchRun& run) override;
    void Corrections(BatchRun& run) override;
    void Caption(BatchRun& run, const std::string& source) override;
};

} // namespace convert
