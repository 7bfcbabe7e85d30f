#pragma once
// Writing a file so that it is either complete or absent: the bytes go to a temporary file in the target's
// folder, which replaces the target only once it is complete. A failure, or a process killed half-way,
// leaves any previous target untouched and no partial file behind.
#include <cstdint>
#include <span>
#include <string>

namespace imaging {

// Throws Error(path, cause) when the file cannot be written; errno tells the cause to callers that need it.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace imaging
