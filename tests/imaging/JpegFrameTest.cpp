// Reading a JPEG's frame header without decoding it: size and progressive coding, behind other segments.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/codecs/JpegFrame.h"

namespace {

using namespace testsupport;
using imaging::codecs::ReadJpegFrame;

TEST(JpegFrame, SizeAndCodingOfPeerWrittenFiles) {
    TempDir dir;
    ASSERT_EQ(testsupport::Run("convert -size 321x123 gradient: -set comment 'a comment first' " + Quote(dir / "base.jpg")), 0);
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

} // namespace
