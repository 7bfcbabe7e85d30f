#pragma once
// The stages of a conversion run with generated output names: the run's usual stages, plus names from the rename
// page's rule (prefix, number, suffix, case) in the run's output folder, without extension; the run appends its
// output format's extension.
#include <string>
#include <vector>

#include "convert/RunOptions.h"
#include "convert/Stages.h"
#include "rename/DestinationNames.h"

namespace app {

class NamingStages : public convert::ConversionStages {
public:
    std::vector<std::string> GeneratedNames(const convert::RunOptions& options,
                                            const std::vector<std::string>& list) override;
};

// The naming rule a run captured: its output folder, no extension.
renaming::NameRule ConversionNameRule(const convert::RunOptions& options);

} // namespace app
