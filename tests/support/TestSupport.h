#pragma once
// Shared helpers for the test suites: temporary folders, running peer programs, PNM files, PSNR.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/Image.h"

namespace testsupport {

namespace fs = std::filesystem;

// A fresh folder under the system temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

// Runs a shell command; returns its exit status and (optionally) what it wrote to stdout.
int Run(const std::string& command, std::string* output = nullptr);
// Quotes a path for the shell.
std::string Quote(const fs::path& path);

std::vector<std::uint8_t> ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes);

// Reads a binary PGM (P5) or PPM (P6) with maxval 255 into a raster of 1 or 3 bands.
imaging::Raster ReadPnm(const fs::path& path);
void WritePpm(const fs::path& path, const imaging::Raster& rgb);
// Decodes any file with ImageMagick into 3-band RGB (alpha flattened onto white).
imaging::Raster ReadWithMagick(const fs::path& path);
// `identify -format <format>` of the file's first frame.
std::string Identify(const fs::path& path, const std::string& format);

// Peak signal-to-noise ratio in dB over all samples; both rasters must have the same size and bands.
// Identical rasters give +infinity.
double Psnr(const imaging::Raster& a, const imaging::Raster& b);
// The same raster as 3-band RGB (grey repeated, alpha dropped).
imaging::Raster AsRgb(const imaging::Raster& raster);
// A smooth, photo-like test picture: gradients with some curvature, no flat areas.
imaging::Raster MakeGradient(int width, int height);

// The tests folder of the source tree (suites keep their data in tests/<suite>/).
fs::path DataDir();

} // namespace testsupport
