#pragma once
// The size every image of a run is scaled to.
#include <cstdint>
#include <string>

namespace convert {

struct TargetSizeInputs {
    bool percentageMode = false;  // CheckBox2, as captured at the start of the run
    bool keepRatio = true;        // CheckBox1, as captured
    std::string resizeMode;       // ComboBox1's text, read for every image
    std::int32_t percentage = 50; // SpinEdit3
    std::int32_t boxWidth = 200;  // SpinEdit1
    std::int32_t boxHeight = 100; // SpinEdit2
};

struct TargetSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const TargetSize&) const = default;
};

// The target for a source of width x height (both >= 1). `current` is the target the run already holds:
// an unknown mode text in percentage mode keeps it. Sizes can come out 0 in percentage mode; the resize then
// fails and the run stops.
TargetSize ComputeTargetSize(std::int32_t width, std::int32_t height, const TargetSizeInputs& in, TargetSize current);

} // namespace convert
