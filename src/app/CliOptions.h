#pragma once
// The options of a command-line run, read from its arguments: each overrides the stored settings for this run
// only. A bad option or value is a UsageError, raised before anything is read or written (exit status 2).
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace options {
class OptionSet;
}

namespace app {

// One line saying what is wrong with the arguments, in Japanese.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CliRequest {
    std::optional<std::string> settingsFile; // --settings FILE.klv instead of the default settings file
    std::optional<std::string> outputFolder; // -o / --output
    std::optional<std::string> format;       // -f / --format, upper case
    std::optional<std::pair<int, int>> size; // --size WxH: a box, the ratio kept
    std::optional<int> percent;              // --percent N
    std::optional<int> quality;              // -q / --quality N
    std::optional<int> jobs;                 // -j / --jobs N
    std::optional<std::string> filesFrom;    // --files-from FILE, "-" for standard input
    bool nulSeparated = false;               // -0: names in --files-from end with NUL, not a line end
    bool dryRun = false;                     // -n / --dry-run
    bool json = false;                       // --json
    bool quiet = false;                      // --quiet
    std::vector<std::string> names;          // files and folders, in order
};

// True when `arg` is one of the run's options (so that the arguments ask for a command-line run).
bool IsRunOption(const std::string& arg);

// The request the arguments make. Options and names may be mixed; "--" ends the options. Values come as the
// next argument or after "=" ("--format=PNG8", "-fPNG8" for the short ones).
CliRequest ParseCliRequest(const std::vector<std::string>& args);

// Sets the options the request overrides: the output folder, the format, the size (--size: 縮小時のみ有効 with
// the ratio kept, as the settings page's start values; --percent: 常に有効 by percentage) and the quality.
void ApplyCliRequest(const CliRequest& request, options::OptionSet& options);

// The names of --files-from: read from the file (or standard input), one a line ("\r\n" ends a line too; empty
// lines are skipped) or, with `nulSeparated`, each ended by a NUL byte. Raises UsageError when it cannot be read.
std::vector<std::string> ReadNameList(const std::string& from, bool nulSeparated);

} // namespace app
