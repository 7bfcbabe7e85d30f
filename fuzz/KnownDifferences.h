#pragma once
// Differences between two of Kelvo's decode paths that a differential fuzz target has found and that are recorded
// under tests/imaging/read/diff/. Named in the environment variable KELVO_FUZZ_KNOWN_DIFF (names separated by
// commas), such a difference is held to a narrower check that it still passes, so that a run goes on to find
// others; unnamed, it aborts the run as any other difference does.
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzzing {

inline bool Known(std::string_view name) {
    static const std::string named = [] {
        const char* value = std::getenv("KELVO_FUZZ_KNOWN_DIFF");
        return "," + std::string(value != nullptr ? value : "") + ",";
    }();
    return named.find("," + std::string(name) + ",") != std::string::npos;
}

} // namespace fuzzing
