#pragma once
// Long-name expansion of a path given on the command line. There are no short names here: the expansion makes a
// relative path absolute against the current directory, resolves "." and ".." components, and returns every
// component as the file system stores it (which differs from the given spelling only on case-insensitive file
// systems). A leading "//" is an ordinary absolute path. Nothing is shown or thrown.
#include <cstdint>
#include <string>

namespace sources {

// The path with its components spelled as stored. A path ending in "/" gives the folder without the trailing
// "/"; a last component that does not exist gives its folder followed by "/"; a missing folder component
// contributes an empty component. A relative path when the current directory cannot be read is returned
// unchanged; an empty path or one holding a NUL byte gives "".
std::string ExpandLongPath(const std::string& path);

// `path` made absolute against the current directory with "." and ".." resolved as above, spelled as given (a name
// that does not exist stays itself). A path ending in "/" keeps one "/". An unusable path gives ""; a relative
// path when the current directory cannot be read is returned unchanged.
std::string AbsolutePath(const std::string& path);

// The stored spelling of every component of `folder`, joined by "/", without a trailing "/". The root "/" and
// any string without a "/" are returned as they are (this ends the recursion for every input); a string holding
// a NUL byte gives "".
std::string LongFolderName(const std::string& folder);

// The stored name of the entry `pattern` names (a concrete path; "*" and "?" are ordinary characters), or ""
// when there is none or when its attribute word carries a hidden, system, volume-label or directory bit that
// `mask` does not admit.
std::string FindFirstName(const std::string& pattern, std::uint32_t mask);

// The stored name of the entry `path` names, whatever its attributes, or "" when there is none.
std::string FindFileName(const std::string& path);

} // namespace sources
