// Every file in the BMP and PCX read folders that has its expected pixels beside it (<name>.ppm, and
// <name>.alpha.pgm for alpha) decodes to exactly those pixels: a new case is two files, no code.
#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

#include "ReadFixtures.h"
#include "TestSupport.h"
#include "imaging/codecs/Bmp.h"
#include "imaging/codecs/Pcx.h"

namespace {

using namespace testsupport;
using namespace bmppcxtest;

TEST(ReadFolders, EveryFileWithExpectedPixelsDecodesToThem) {
    struct Folder {
        const char* format;
        const char* extension;
        imaging::Raster (*decode)(std::span<const std::uint8_t>);
    };
    const Folder folders[] = {{"bmp", ".bmp", imaging::codecs::DecodeBmp}, {"pcx", ".pcx", imaging::codecs::DecodePcx}};
    for (const Folder& folder : folders) {
        int cases = 0;
        for (const auto& entry : fs::directory_iterator(DataDir() / "imaging" / "read" / folder.format)) {
            const fs::path& file = entry.path();
            if (file.extension() != folder.extension) continue;
            const std::string name = file.stem().string();
            if (!fs::exists(file.parent_path() / (name + ".ppm"))) continue; // a file that must fail, elsewhere
            SCOPED_TRACE(file.filename().string());
            ExpectSamePixels(folder.decode(ReadBytes(file)), ExpectedPixels(folder.format, name));
            ++cases;
        }
        EXPECT_GE(cases, 5) << folder.format; // the folder was found and read
    }
}

} // namespace
