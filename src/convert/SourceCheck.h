#pragma once
#include <string>

namespace convert {

// True when the file's first three bytes, upper-cased, are "GIF", or its first two "II" or "MM". Only bytes
// actually read count. Raises imaging::Error (with errno) when the file cannot be opened.
bool IsGifOrTiff(const std::string& path);

// Deletes the image files (.jpg .png .bmp .pcx .jpeg .fpx) below the temporary folder, making read-only and
// hidden entries writable on the way; other files, every folder and the folder itself stay. It never leaves the
// folder: a link inside it is removed when it has an image name, never followed, and its target is untouched.
void ClearTempFolder(const std::string& tempFolder);

// Creates the folder (its parent must exist); an existing one is fine. Raises imaging::Error naming it otherwise.
void MakeTempFolder(const std::string& folder);

} // namespace convert
