#pragma once
// The corrections of a run: sharpen, blur, antialias and grayscale over the whole image, in that order, each
// result committed before the next effect reads it.
namespace convert {

class BatchRun;

void ApplyCorrections(BatchRun& run);

} // namespace convert
