#pragma once
// The run's result for one entry, made by the run itself (the same start steps, target size, overlay,
// corrections, caption, 8-bit reduction and encoder, through BatchRun) but kept instead of written: what the
// window's result view shows is byte for byte what a run writes for that entry. Nothing stays on disc: the
// encoded file is made nameless in a folder of its own under the temporary folder and read back, and a
// caption's bitmap is removed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/OutputFormat.h"
#include "convert/RunOptions.h"
#include "convert/RunStages.h"

namespace convert {

struct RenderedResult {
    std::vector<std::uint8_t> bytes; // the output file as a run writes it
    std::string formatName;          // "JPEG", "PNG8", ... (the format the run uses for the options' text)
    const char* extension = ".jpg";
    int width = 0;
    int height = 0;
};

// The result for `source` under `options` (its output folder and generated names are not used). nullopt for a
// GIF or TIFF entry, which a run skips, and for a target size a run stops at. Raises imaging::Error when the
// source cannot be converted. Safe on any thread; each call works with controls of its own.
std::optional<RenderedResult> RenderResult(RunOptions options, const std::string& source, RunStages& stages);

// "200x150 → JPEG 23 KB": the output's size, format and encoded size.
std::string ResultCaption(const RenderedResult& result);

} // namespace convert
