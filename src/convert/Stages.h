#pragma once
// The stages a conversion run uses: image overlay, corrections and caption (generated names keep the default).
#include "convert/RunStages.h"

namespace convert {

class ConversionStages : public RunStages {
public:
    // Takes the overlay opacity and decides once whether the overlay file is usable for this run.
    bool PrepareOverlay(BatchRun& run) override;
    void Overlay(BatchRun& run) override;
    void Corrections(BatchRun& run) override;
    void Caption(BatchRun& run, const std::string& source) override;

private:
    int overlayOpacity_ = 255;
};

} // namespace convert
