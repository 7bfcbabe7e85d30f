#pragma once
#include <string>

namespace convert {

// True when the file's first three bytes, upper-cased, are "GIF", or its first two "II" or "MM". Only bytes
// actually read count. Raises imaging::Error (with errno) when the file cannot be opened.
bool IsGifOrTiff(const std::string& path);

// The temporary folder for a program folder, with its trailing "/": the program folder's "Temp" when it is a
// folder (or not there yet: it is made when needed). A "Temp" that is a link, or anything but a folder, is never
// used: nothing a run writes or clears may reach what it points to. A private folder in the user's cache
// ($XDG_CACHE_HOME or ~/.cache, "kelvo/Temp") serves instead, made here.
std::string ChooseTempRoot(const std::string& programFolder);

// Deletes the image files (.jpg .png .bmp .pcx .jpeg .fpx) below the temporary folder, making read-only and
// hidden entries writable on the way; other files, every folder and the folder itself stay. The result view's
// own folder ("preview", which it empties itself) is left alone. It never leaves the folder: a folder that is
// a link is not cleared at all, and a link inside it is removed when it has an image name, never followed, and
// its target is untouched.
void ClearTempFolder(const std::string& tempFolder);

// Creates the folder (its parent must exist); an existing one is fine. Raises imaging::Error naming it otherwise.
void MakeTempFolder(const std::string& folder);

} // namespace convert
