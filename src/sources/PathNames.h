#pragma once
// Splitting path strings into folder, name and extension. "/" is the only separator; every other byte, ":"
// included, is part of a name. No byte of a UTF-8 multi-byte character equals "/" or ".", so the splitting works on
// bytes.
#include <string>
#include <string_view>

namespace sources {

inline constexpr char kPathSeparator = '/';

// The text from the last "." that stands after the last "/" to the end, the dot included; empty when there is
// no such dot. "a.b.jpg" gives ".jpg", ".hidden" gives ".hidden", "dir.d/file" and "x.jpg/" give "".
std::string ExtractFileExt(std::string_view path);
// The text after the last "/" (all of it when there is none); a path ending in "/" gives "".
std::string ExtractFileName(std::string_view path);
// Everything up to and including the last "/"; empty when there is none.
std::string ExtractFilePath(std::string_view path);
// `path` with its extension (see ExtractFileExt) replaced by `extension`, or with `extension` appended when it
// has none: "a.b.jpg" → "a.b.png", "scan" → "scan.png", ".hidden" → ".png".
std::string ChangeFileExt(std::string_view path, std::string_view extension);

// True when the path's extension, lower-cased, is one of ".jpg", ".png", ".bmp", ".pcx", ".jpeg", ".fpx", and
// the newer formats ".heic", ".heif", ".avif", ".webp", ".jxl".
// A folder path ending in "/" has no extension and never passes.
bool IsImageFileName(std::string_view path);

// True when `path` can name a file: not empty and free of NUL bytes (which the system calls would cut the path at).
bool IsUsablePath(std::string_view path);

// `path` followed by "/" unless it already ends with one ("/" stays "/", "/a" becomes "/a/", "" becomes "/").
std::string AddPathSeparator(std::string_view path);

// Refuses the parts that generated file names are made of (prefix, suffix) when one holds the path separator:
// such a name would leave the folder the user chose. Raises std::invalid_argument with the text shown to the user.
void CheckNameParts(std::string_view prefix, std::string_view suffix);

} // namespace sources
