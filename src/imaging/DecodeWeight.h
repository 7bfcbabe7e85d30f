#pragma once
// What decoding a file will hold, known from its header alone: for callers that schedule decodes (a run that
// converts several files at once) without knowing the formats.
#include <cstdint>
#include <string>

namespace imaging {

// The pixels of a file whose decoder holds every coefficient of the whole picture until it ends (a progressive
// JPEG, even at a reduced scale), or 0 for any other file (one decoded a strip at a time, or unreadable).
std::int64_t PixelsHeldWhileDecoding(const std::string& path);

} // namespace imaging
