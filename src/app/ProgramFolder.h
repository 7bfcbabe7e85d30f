#pragma once
#include <string>

namespace app {

// The folder of the running executable with its trailing "/"; when that folder is not writable (an installed
// program), the per-user data folder ~/.local/share/kelvo/ (created on demand) takes its place for the
// settings file, "Temp" and "Output".
std::string ProgramFolder();
// The executable's own path (/proc/self/exe), e.g. "/opt/kelvo/bin/kelvo".
std::string ExecutablePath();
// The default settings file: the executable's name with ".ini" in the program folder.
std::string DefaultSettingsFile();

} // namespace app
