// The result view's rendering is the run itself: for every output format, with a caption, an overlay and the
// corrections, the bytes it keeps are the bytes a run writes for the entry; nothing is left behind.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/ResultPreview.h"
#include "convert/Stages.h"

namespace {

using namespace testsupport;

TEST(ResultPreview, KeepsExactlyWhatTheRunWritesAndLeavesNothing) {
    TempDir dir;
    fs::create_directories(dir / "prog");
    WritePpm(dir / "g.ppm", MakeGradient(320, 240));
    const fs::path photo = dir / "photo.jpg";
    const fs::path logo = dir / "logo.png";
    ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + Quote(photo)), 0);
    ASSERT_EQ(testsupport::Run("convert -size 40x20 gradient:navy-gold " + Quote(logo)), 0);

    convert::RunOptions options;
    options.programFolder = (dir / "prog").string() + "/";
    options.outputFolder = (dir / "out").string();
    options.size.resizeMode = "縮小時のみ有効";
    options.overlayImage = logo.string();
    options.captionText = "Kelvo";
    options.sharpen = true;
    for (const char* format : {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24", "FPX", "PCX", "WEBP", "AVIF"}) {
        SCOPED_TRACE(format);
        options.format = format;
        options.quality = 80;
        convert::ConversionStages stages;
        const std::optional<convert::RenderedResult> result = convert::RenderResult(options, photo.string(), stages);
        ASSERT_TRUE(result.has_value());

        convert::RunComponents components;
        convert::RunObserver observer;
        convert::RunDriver run(
            components, options, convert::RunMode::CommandLine, observer,
            [] { return std::make_unique<convert::ConversionStages>(); }, 1);
        ASSERT_TRUE(run.Run({photo.string()}));
        const fs::path written = dir / "out" / ("photo" + std::string(result->extension));
        EXPECT_EQ(result->bytes, ReadBytes(written));
        EXPECT_EQ(result->width, 200);
        EXPECT_EQ(result->height, 150);
        EXPECT_EQ(result->formatName, format);
        fs::remove(written);
    }
    // The temporary folder holds nothing of the renderings (its own folder may stay, empty).
    for (const auto& entry : fs::recursive_directory_iterator(dir / "prog" / "Temp"))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
    // A GIF is skipped as by a run: nothing to show.
    const fs::path gif = dir / "anim.gif";
    ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + Quote(gif)), 0);
    convert::ConversionStages stages;
    EXPECT_FALSE(convert::RenderResult(options, gif.string(), stages).has_value());
}

TEST(ResultPreview, CaptionTellsSizeFormatAndBytes) {
    convert::RenderedResult result;
    result.width = 200;
    result.height = 150;
    result.formatName = "JPEG";
    result.bytes.resize(23 * 1024 + 100);
    EXPECT_EQ(convert::ResultCaption(result), "200x150 → JPEG 23 KB");
    result.bytes.resize(900);
    EXPECT_EQ(convert::ResultCaption(result), "200x150 → JPEG 900 B");
}

} // namespace
