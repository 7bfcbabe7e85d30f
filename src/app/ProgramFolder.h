#pragma once
// Where Kelvo finds the files it ships and keeps the files it writes.
//
// A build or an unpacked copy keeps everything beside the executable: the help document, the settings file,
// "Temp" and "Output". An installed program (bin/kelvo with its help document in ../share/kelvo/) never writes
// beside itself, not even when run by root: its settings file, "Temp" and "Output" live in the per-user data
// folder ($XDG_DATA_HOME/kelvo/, by default ~/.local/share/kelvo/). The same holds for a copy whose folder this
// user may not write by its permission bits (root's power to write anywhere does not count).
#include <string>

namespace app {

// The folder for the settings file, "Temp" and "Output", with its trailing "/": the executable's folder when the
// program is not installed and this user may write the folder, else the per-user data folder (created on demand).
std::string ProgramFolder();
// The folder of the read-only files the program ships (the help document "Kelvo.hlp"), with its trailing "/":
// the executable's folder when "Kelvo.hlp" is there, else ../share/kelvo/ beside the executable's folder when
// the help document is there (an installed program), else the executable's folder.
std::string ResourceFolder();
// The executable's own path (/proc/self/exe), e.g. "/opt/kelvo/bin/kelvo".
std::string ExecutablePath();
// The default settings file: the executable's name with ".ini" in the program folder.
std::string DefaultSettingsFile();

// The rules above for an executable in `executableFolder` (ending in "/").
std::string ProgramFolderFor(const std::string& executableFolder);
std::string ResourceFolderFor(const std::string& executableFolder);
// The per-user data folder: $XDG_DATA_HOME/kelvo/ when that variable holds an absolute path, else
// $HOME/.local/share/kelvo/ (the home folder of the user's account when HOME is unset). Created on demand.
std::string UserDataFolder();
// True when this user may create files in `folder` by its permission bits: the owner's write bit for the
// owner, the group's for a member, the others' for the rest; false on a read-only file system or a missing folder.
bool MayWriteFolder(const std::string& folder);

} // namespace app
