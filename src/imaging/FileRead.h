#pragma once
// The whole of a file, read through the one opener for files a user names (regular files only, never
// blocking). For callers outside the codecs that need a file's bytes: the caption's bitmap, say.
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

// Raises Error naming the path when the file cannot be opened or read, or holds more than `limit` bytes.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uint64_t limit);

} // namespace imaging
