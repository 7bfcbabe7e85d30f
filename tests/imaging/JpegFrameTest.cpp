// Reading a JPEG's frame header without decoding it: size and progressive coding, behind other segments.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/codecs/Jpeg.h"
#include "imaging/codecs/JpegFrame.h"

namespace {

using namespace testsupport;
using imaging::codecs::ReadJpegFrame;

TEST(JpegFrame, SizeAndCodingOfPeerWrittenFiles) {
    TempDir dir;
    ASSERT_EQ(
        testsupport::Run("convert -size 321x123 gradient: -set comment 'a comment first' " + Quote(dir / "base.jpg")),
        0);
    ASSERT_EQ(testsupport::Run("convert -size 64x480 gradient: -interlace JPEG " + Quote(dir / "prog.jpg")), 0);
    auto base = ReadJpegFrame((dir / "base.jpg").string());
    ASSERT_TRUE(base);
    EXPECT_EQ(base->width, 321);
    EXPECT_EQ(base->height, 123);
    EXPECT_FALSE(base->progressive);
    auto prog = ReadJpegFrame((dir / "prog.jpg").string());
    ASSERT_TRUE(prog);
    EXPECT_EQ(prog->width, 64);
    EXPECT_EQ(prog->height, 480);
    EXPECT_TRUE(prog->progressive);
}

TEST(JpegFrame, AnythingElseHasNoFrame) {
    TempDir dir;
    ASSERT_EQ(testsupport::Run("convert -size 10x10 xc:red " + Quote(dir / "x.png")), 0);
    WriteBytes(dir / "empty.jpg", {});
    WriteBytes(dir / "soi.jpg", {0xFF, 0xD8});
    WriteBytes(dir / "cut.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F'});
    WriteBytes(dir / "short.jpg", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x01});
    for (const char* name : {"x.png", "empty.jpg", "soi.jpg", "cut.jpg", "short.jpg", "missing.jpg"})
        EXPECT_FALSE(ReadJpegFrame((dir / name).string())) << name;
}

// The bound on what a file can hold is tight: a flat picture, optimally coded and progressive, spends one bit
// per block in its DC scan and next to nothing elsewhere. Such files must load; the same files claiming twice
// the sides must be refused before anything is decoded.
TEST(JpegFrame, TheMostCompactGenuineFilesLoadAndLargerClaimsAreRefused) {
    TempDir dir;
    const struct {
        const char* name;
        const char* cjpeg;
    } files[] = {{"grey.jpg", "-grayscale -optimize -progressive"},
                 {"c420.jpg", "-optimize -progressive -sample 2x2"},
                 {"c444.jpg", "-optimize -progressive -sample 1x1"},
                 {"base.jpg", "-optimize -sample 2x1"}};
    for (const auto& file : files) {
        const fs::path path = dir / file.name;
        ASSERT_EQ(testsupport::Run("convert -size 1000x1000 xc:'#808080' ppm:- | cjpeg -quality 5 " +
                                   std::string(file.cjpeg) + " > " + Quote(path)),
                  0);
        std::vector<std::uint8_t> bytes = ReadBytes(path);
        auto frame = ReadJpegFrame(path.string());
        ASSERT_TRUE(frame) << file.name;
        EXPECT_GE(bytes.size(), imaging::codecs::MinimumJpegDataBytes(*frame)) << file.name;
        EXPECT_EQ(imaging::codecs::LoadJpeg(path.string()).width, 1000) << file.name;

        // The frame header's height and width, both doubled.
        for (std::size_t i = 2; i + 9 < bytes.size(); ++i) {
            if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1 || bytes[i + 1] == 0xC2)) {
                bytes[i + 5] = 0x07, bytes[i + 6] = 0xD0, bytes[i + 7] = 0x07, bytes[i + 8] = 0xD0;
                break;
            }
        }
        const fs::path claims = dir / (std::string("claims-") + file.name);
        WriteBytes(claims, bytes);
        try {
            imaging::codecs::LoadJpeg(claims.string());
            ADD_FAILURE() << file.name << " claiming 2000 x 2000 was loaded";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.problem(), imaging::Problem::Truncated) << file.name << ": " << error.what();
        }
    }
}

} // namespace
