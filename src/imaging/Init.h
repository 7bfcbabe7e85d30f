#pragma once
#include <string>

namespace imaging {
// Starts libvips once per process (safe to call from anywhere, any number of times).
void EnsureInitialized();
// Loads one of libvips' optional format modules ("vips-heif", "vips-jxl") once; false when it is not there.
bool LoadVipsModule(const std::string& name);
} // namespace imaging
