#pragma once
// The stages a conversion run uses: image overlay, corrections, caption and generated names.
#include "convert/RunStages.h"

namespace convert {

class ConversionStages : public RunStages {};

} // namespace convert
