#pragma once
// The read fixtures (tests/imaging/read/<format>/: files written by independent programs beside their expected
// pixels) and helpers for the codec suites that use them.
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Image.h"

namespace bmppcxtest {

// The expected pixels of read/<format>/<name>: <name>.ppm, plus <name>.alpha.pgm as a fourth band when present.
imaging::Raster ExpectedPixels(const std::string& format, const std::string& name);
std::vector<std::uint8_t> FixtureBytes(const std::string& format, const std::string& file);
// A paletted picture with `colours` entries: bands of colour with a diagonal so no two rows are alike.
imaging::Paletted MakePaletted(int width, int height, int colours);
imaging::Raster Expand(const imaging::Paletted& p);
// Same size, bands and samples (the first differing sample is named).
void ExpectSamePixels(const imaging::Raster& actual, const imaging::Raster& expected);

} // namespace bmppcxtest
