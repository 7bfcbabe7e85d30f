#pragma once
// A command-line run's --dry-run: what the run would do, with nothing written anywhere.
#include <string>
#include <vector>

#include "convert/RunOptions.h"

namespace app {

// Prints, for each entry of `list`, the output it would get: "source → output", marked when its name is numbered
// to keep it apart from an earlier output of the run or when it replaces a file from before the run; the entries
// that would be skipped, and why; the ones that cannot be read. On standard output, or as JSON lines with
// `json`; a summary line on standard error unless `quiet`. Returns the exit status: 0, or 1 when an entry cannot be
// read or generated names cannot be used.
int PrintDryRun(const convert::RunOptions& options, const std::vector<std::string>& list, bool json, bool quiet);

} // namespace app
