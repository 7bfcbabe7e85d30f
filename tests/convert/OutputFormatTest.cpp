// Output formats and names: each format's action, extension and caption, and the output path rules.
#include <gtest/gtest.h>

#include "convert/OutputFormat.h"
#include "convert/BatchRun.h"

namespace {

using convert::ChooseOutputFormat;

TEST(OutputFormat, EachFormatTextChoosesItsSave) {
    struct Case {
        const char* text;
        int quality;
        bool progressive;
        int action;
        bool reduce;
        const char* extension;
        const char* caption;
    };
    const Case cases[] = {
        {"JPEG", 80, false, 10, false, ".jpg", "200x150x24 BPP"},
        {"JPEG", 80, true, 11, false, ".jpg", "200x150x24 BPP"},
        {"jpeg", 80, false, 10, false, ".jpg", "200x150x24 BPP"}, // lower case names no format: JPEG
        {"", 80, false, 10, false, ".jpg", "200x150x24 BPP"},
        {"BMP8", 80, true, 8, true, ".bmp", "200x150x8 BPP"},
        {"BMP24", 80, false, 8, false, ".bmp", "200x150x24 BPP"},
        {"PNG8", 80, false, 20, true, ".png", "200x150x8 BPP"},
        {"PNG24", 80, false, 20, false, ".png", "200x150x24 BPP"},
        {"FPX", 100, false, 21, false, ".fpx", "200x150x24 BPP"},
        {"FPX", 99, false, 23, false, ".fpx", "200x150x24 BPP"},
        {"PCX", 80, false, 24, false, ".pcx", "200x150x24 BPP"},
        {"WEBP", 80, true, 30, false, ".webp", "200x150x24 BPP"},
        {"AVIF", 80, false, 31, false, ".avif", "200x150x24 BPP"},
        {"webp", 80, false, 10, false, ".jpg", "200x150x24 BPP"}, // compared exactly, as the others
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " q" + std::to_string(c.quality));
        auto f = ChooseOutputFormat(c.text, c.quality, c.progressive);
        EXPECT_EQ(f.action, c.action);
        EXPECT_EQ(f.reduceTo8Bits, c.reduce);
        EXPECT_STREQ(f.extension, c.extension);
        EXPECT_EQ(convert::FormatCaption(200, 150, f), c.caption);
    }
    EXPECT_TRUE(ChooseOutputFormat("FPX", 99, false).fpxQuality);
    EXPECT_FALSE(ChooseOutputFormat("FPX", 100, false).fpxQuality);
    EXPECT_TRUE(ChooseOutputFormat("PNG8", 1, false).png);
    EXPECT_TRUE(ChooseOutputFormat("xyz", 1, false).jpeg);
    // WEBP and AVIF take the quality, and none of the JPEG or PNG properties.
    for (const char* text : {"WEBP", "AVIF"}) {
        const auto f = ChooseOutputFormat(text, 80, true);
        EXPECT_TRUE(f.takesQuality && !f.jpeg && !f.png && !f.fpxQuality) << text;
    }
}

TEST(OutputFormat, OutputPaths) {
    auto png = ChooseOutputFormat("PNG24", 100, false);
    EXPECT_EQ(convert::OutputPath("/in/a.b.jpg", "/out", nullptr, png), "/out/a.b.png");
    EXPECT_EQ(convert::OutputPath("/in/scan", "/out", nullptr, png), "/out/scan.png");
    EXPECT_EQ(convert::OutputPath("/in/x.JPG", "/out/", nullptr, png), "/out//x.png");
    EXPECT_EQ(convert::OutputPath("/in/x.JPG", "", nullptr, png), "/x.png");
    auto jpeg = ChooseOutputFormat("JPEG", 100, false);
    EXPECT_EQ(convert::OutputPath("/same/p.jpg", "/same", nullptr, jpeg), "/same/p.jpg");
    std::string generated = "/out/IMG_0003";
    EXPECT_EQ(convert::OutputPath("/in/x.JPG", "/ignored", &generated, jpeg), "/out/IMG_0003.jpg");
}

TEST(TrayFrame, BoundariesOfTheFiveFrames) {
    const std::pair<int, int> cases[] = {{0, 0},  {20, 0}, {21, 1}, {33, 1}, {40, 1}, {41, 2},
                                         {60, 2}, {61, 3}, {66, 3}, {80, 3}, {81, 4}, {100, 4}};
    for (auto [percent, frame] : cases)
        EXPECT_EQ(convert::TrayFrame(percent), frame) << percent;
}

} // namespace
