#pragma once
// The command-line run: image files and folders named on the command line are converted at once with the
// stored options, without a window.
#include <string>
#include <vector>

namespace app {

// True when the arguments ask for a command-line run: there is one, and the first is not a settings file
// (".klv" in any letter case) nor an option (--help, --version).
bool IsCommandLineRun(const std::vector<std::string>& args);
// True when the first argument's extension, lower-cased, is ".klv".
bool IsSettingsStart(const std::vector<std::string>& args);

// The conversion list for the arguments, in order: a folder contributes every image below it (pre-order,
// sub-folders included), anything else is taken as a file, unchanged but made absolute.
std::vector<std::string> GatherSources(const std::vector<std::string>& args);

// Runs the conversion of the arguments; returns the process exit status (0 after a normal end, 1 after a stop
// or an error, whose text goes to stderr).
int RunCommandLine(const std::vector<std::string>& args);

// True when DISPLAY or WAYLAND_DISPLAY names a display (it may still be out of reach).
bool HasDisplay();

// --help and --version; returns true when one of them was handled (exit status 0).
bool HandleInformationOptions(const std::vector<std::string>& args);

} // namespace app
