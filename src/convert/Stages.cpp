#include "convert/Stages.h"

#include "convert/BatchRun.h"
#include "convert/Caption.h"
#include "convert/Corrections.h"
#include "convert/Overlay.h"

namespace convert {

bool ConversionStages::OverlayUsable(const RunOptions& options) {
    return convert::OverlayUsable(options.overlayImage);
}

void ConversionStages::Overlay(BatchRun& run) {
    DrawOverlay(run, OverlayOpacity(run.Options().overlayTransparency));
}

void ConversionStages::Corrections(BatchRun& run) {
    ApplyCorrections(run);
}

void ConversionStages::Caption(BatchRun& run, const std::string& source) {
    DrawCaptionStep(run, source);
}

} // namespace convert
