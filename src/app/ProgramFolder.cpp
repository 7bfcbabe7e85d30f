#include "app/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "sources/PathNames.h"

namespace app {

std::string ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("kelvo") : path.string();
}

std::string ProgramFolder() {
    std::string folder = sources::ExtractFilePath(ExecutablePath());
    if (!folder.empty() && ::access(folder.c_str(), W_OK) == 0) return folder;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string base = dataHome && *dataHome ? std::string(dataHome)
                                             : std::string(home && *home ? home : "/tmp") + "/.local/share";
    std::string userFolder = base + "/kelvo/";
    std::error_code ec;
    std::filesystem::create_directories(userFolder, ec);
    return userFolder;
}

std::string DefaultSettingsFile() {
    return ProgramFolder() + sources::ChangeFileExt(sources::ExtractFileName(ExecutablePath()), ".ini");
}

} // namespace app
