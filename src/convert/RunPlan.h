#pragma once
// What every entry of a run shares, decided once when the run starts: where each output goes and the overlay's
// picture. Whatever the number of workers and whatever the run itself writes meanwhile (an output that replaces
// the overlay file, say), every entry sees the same.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "convert/RunOptions.h"
#include "convert/RunStages.h"
#include "imaging/Image.h"

namespace convert {

struct RunPlan {
    // Per entry: the output path without extension when names are generated (else empty), and the output path.
    std::vector<std::string> generatedNames;
    std::vector<std::string> outputPaths;
    // Per entry: not written because its output exists from before the run (Existing 「スキップする」).
    std::vector<bool> skipped;
    // Outputs keep their folders below the sources' common folder (SameName 「フォルダー構成を保つ」): the
    // folders below the output folder are made as needed.
    bool keepFolders = false;
    // Whether the overlay is drawn in this run, and its picture read at the start; when it could not be read,
    // the failure, which every entry that draws it raises (as the file's failure would have at every load).
    bool overlayUsable = false;
    std::shared_ptr<const imaging::Image> overlay;
    std::exception_ptr overlayFailure;

    // Entry index's generated output name, or null when outputs keep their sources' names.
    const std::string* GeneratedName(int index) const;
    bool Skipped(int index) const {
        return index >= 0 && std::size_t(index) < skipped.size() && skipped[std::size_t(index)];
    }
};

// The plan of a run of `list` under `options`; the stages make the generated names and decide on the overlay.
// Raises std::invalid_argument (sources::CheckNameParts) when generated names would leave the output folder.
RunPlan MakeRunPlan(const RunOptions& options, const std::vector<std::string>& list, RunStages& stages);

} // namespace convert
