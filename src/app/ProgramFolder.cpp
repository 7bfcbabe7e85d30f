#include "app/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sources/PathNames.h"

namespace app {

namespace {

constexpr char kHelpFileName[] = "Kelvo.hlp";
// From the executable's folder <prefix>/bin/ to <prefix>/share/kelvo/; cmake/Install.cmake lays it out so.
constexpr char kInstalledResources[] = "../share/kelvo/";

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool InSupplementaryGroups(gid_t group) {
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int filled = ::getgroups(count, groups.data());
    for (int i = 0; i < filled; ++i)
        if (groups[std::size_t(i)] == group) return true;
    return false;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

} // namespace

std::string ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("kelvo") : path.string();
}

bool MayWriteFolder(const std::string& folder) {
    if (folder.empty() || ::access(folder.c_str(), W_OK) != 0) return false;
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    if (status.st_uid == ::geteuid()) return (status.st_mode & S_IWUSR) != 0;
    if (status.st_gid == ::getegid() || InSupplementaryGroups(status.st_gid)) return (status.st_mode & S_IWGRP) != 0;
    return (status.st_mode & S_IWOTH) != 0;
}

std::string UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    const std::string base = dataHome && *dataHome == '/' ? std::string(dataHome) : HomeFolder() + "/.local/share";
    const std::string folder = sources::AddPathSeparator(base) + "kelvo/";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string ResourceFolderFor(const std::string& executableFolder) {
    if (IsRegularFile(executableFolder + kHelpFileName)) return executableFolder;
    const std::string installed = executableFolder + kInstalledResources;
    if (IsRegularFile(installed + kHelpFileName)) return std::filesystem::path(installed).lexically_normal().string();
    return executableFolder;
}

std::string ProgramFolderFor(const std::string& executableFolder) {
    const bool installed = ResourceFolderFor(executableFolder) != executableFolder;
    if (!installed && MayWriteFolder(executableFolder)) return executableFolder;
    return UserDataFolder();
}

std::string ProgramFolder() {
    return ProgramFolderFor(sources::ExtractFilePath(ExecutablePath()));
}

std::string ResourceFolder() {
    return ResourceFolderFor(sources::ExtractFilePath(ExecutablePath()));
}

std::string DefaultSettingsFile() {
    return ProgramFolder() + sources::ChangeFileExt(sources::ExtractFileName(ExecutablePath()), ".ini");
}

} // namespace app
