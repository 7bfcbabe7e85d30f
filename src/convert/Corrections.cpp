#include "convert/Corrections.h"

#include <cstdint>

#include "convert/BatchRun.h"

namespace convert {

void ApplyCorrections(BatchRun& run) {
    imaging::TIk5Effect& effect = run.Components().Ik5Effect1;
    const RunOptions& options = run.Options();
    // The region is the whole image at its target size; the effects apply inside it.
    const std::int32_t width = run.Target().width;
    const std::int32_t height = run.Target().height;
    const std::int32_t xs[4] = {0, width, width, 0};
    const std::int32_t ys[4] = {0, 0, height, height};
    effect.InOut = -1;
    effect.SelectMode = 1;

    // An effect that produced no result leaves the working image as it is.
    auto commitIfDone = [&run](std::int32_t result) {
        if (result != 0) run.CommitEffect();
    };
    if (options.sharpen) commitIfDone(effect.Sharpen(xs, ys, 4, std::int16_t(options.sharpenLevel)));
    if (options.blur) commitIfDone(effect.Blur(xs, ys, 4, std::int16_t(options.blurLevel)));
    if (options.antialias) commitIfDone(effect.Antialias(xs, ys, 4));
    if (options.grayscale) commitIfDone(effect.ChangeSaturation(xs, ys, 4, -100));
}

} // namespace convert
