#pragma once
namespace imaging {
// Starts libvips once per process (safe to call from anywhere, any number of times).
void EnsureInitialized();
} // namespace imaging
