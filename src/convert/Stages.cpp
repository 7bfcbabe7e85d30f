#include "convert/Stages.h"

#include "convert/BatchRun.h"
#include "convert/Caption.h"
#include "convert/Corrections.h"
#include "convert/Overlay.h"

namespace convert {

bool ConversionStages::PrepareOverlay(BatchRun& run) {
    overlayOpacity_ = OverlayOpacity(run.Options().overlayTransparency);
    return OverlayUsable(run.Options().overlayImage);
}

void ConversionStages::Overlay(BatchRun& run) {
    DrawOverlay(run, overlayOpacity_);
}

void ConversionStages::Corrections(BatchRun& run) {
    ApplyCorrections(run);
}

void ConversionStages::Caption(BatchRun& run, const std::string& source) {
    DrawCaptionStep(run, source);
}

} // namespace convert
