// The corrections of a run: which effects run, in which order, over which region, and the handles they leave.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "convert/BatchRun.h"
#include "convert/Corrections.h"
#include "imaging/Error.h"

namespace {

using namespace testsupport;
using imaging::Handle;
using imaging::ImageStore;

// A photo-like picture with a hard-edged block, so that every correction changes it.
imaging::Raster Picture() {
    imaging::Raster raster = MakeGradient(120, 90);
    for (int y = 30; y < 60; ++y)
        for (int x = 40; x < 80; ++x) {
            std::uint8_t* p = raster.Row(y) + x * 3;
            p[0] = 250, p[1] = 20, p[2] = 30;
        }
    return raster;
}

Handle Store(const imaging::Raster& raster) {
    imaging::Image image;
    image.width = raster.width;
    image.height = raster.height;
    image.pixels = imaging::ToVips(raster);
    return ImageStore::Instance().Add(std::move(image));
}

imaging::Raster Pixels(Handle handle) {
    return imaging::ToRaster(imaging::RgbPixels(*ImageStore::Instance().Get(handle)));
}

bool Released(Handle handle) {
    try {
        ImageStore::Instance().Get(handle);
        return false;
    } catch (const imaging::Error&) {
        return true;
    }
}

class Corrections : public ::testing::Test {
protected:
    void SetUp() override {
        options.size.boxWidth = 120; // the run's target: the working image's size
        options.size.boxHeight = 90;
        options.sharpenLevel = 60;
        options.blurLevel = 3;
    }
    // Runs the corrections on a fresh working image; returns the working image afterwards.
    Handle Correct(Handle working) {
        components.Ik5Effect1.InImgHandle = working;
        components.Ik5Effect1.OutImgHandle = working;
        convert::BatchRun run(components, options, convert::RunMode::CommandLine, observer, stages);
        convert::ApplyCorrections(run);
        return components.Ik5Effect1.InImgHandle;
    }
    // The same effects applied by hand to the whole image, in the given order.
    Handle ByHand(Handle input, const std::vector<char>& order) {
        imaging::TIk5Effect effect;
        effect.SelectMode = 0;
        Handle current = input;
        for (char step : order) {
            effect.InImgHandle = current;
            if (step == 's') effect.Sharpen(nullptr, nullptr, 0, std::int16_t(options.sharpenLevel));
            if (step == 'b') effect.Blur(nullptr, nullptr, 0, std::int16_t(options.blurLevel));
            if (step == 'a') effect.Antialias(nullptr, nullptr, 0);
            if (step == 'g') effect.ChangeSaturation(nullptr, nullptr, 0, -100);
            current = effect.OutImgHandle;
        }
        return current;
    }

    convert::RunOptions options;
    convert::RunComponents components;
    convert::RunObserver observer;
    convert::RunStages stages;
};

TEST_F(Corrections, NoneOnLeavesTheImageButStillSetsTheRegionMode) {
    const Handle working = Store(Picture());
    components.Ik5Effect1.InOut = 0;
    components.Ik5Effect1.SelectMode = 0;
    const std::size_t before = ImageStore::Instance().Count();
    EXPECT_EQ(Correct(working), working);
    EXPECT_NE(components.Ik5Effect1.InOut, 0);
    EXPECT_EQ(components.Ik5Effect1.SelectMode, 1);
    EXPECT_EQ(ImageStore::Instance().Count(), before);
    EXPECT_EQ(Psnr(Pixels(working), Picture()), std::numeric_limits<double>::infinity());
}

TEST_F(Corrections, EachCorrectionActsOnTheWholeImageAndIsCommitted) {
    struct Case {
        const char* name;
        bool convert::RunOptions::*flag;
        char step;
    };
    const Case cases[] = {{"sharpen", &convert::RunOptions::sharpen, 's'},
                          {"blur", &convert::RunOptions::blur, 'b'},
                          {"antialias", &convert::RunOptions::antialias, 'a'},
                          {"grayscale", &convert::RunOptions::grayscale, 'g'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options = convert::RunOptions();
        SetUp();
        options.*c.flag = true;
        const Handle working = Store(Picture());
        const std::size_t before = ImageStore::Instance().Count();
        const Handle result = Correct(working);
        EXPECT_NE(result, working);
        EXPECT_TRUE(Released(working)); // the previous working image is released by the commit
        EXPECT_EQ(components.Ik5Effect1.OutImgHandle, result);
        EXPECT_EQ(ImageStore::Instance().Count(), before);
        // Every pixel is corrected, the edges included: the region is the whole image at its target size.
        const Handle reference = ByHand(Store(Picture()), {c.step});
        EXPECT_EQ(Psnr(Pixels(result), Pixels(reference)), std::numeric_limits<double>::infinity());
        EXPECT_LT(Psnr(Pixels(result), Picture()), 60.0);
        ImageStore::Instance().Delete(result);
    }
}

TEST_F(Corrections, AllFourRunInTheirOrderEachSeeingThePreviousResult) {
    options.sharpen = options.blur = options.antialias = options.grayscale = true;
    const Handle working = Store(Picture());
    const std::size_t before = ImageStore::Instance().Count();
    const Handle result = Correct(working);
    EXPECT_EQ(ImageStore::Instance().Count(), before); // three intermediate images released on the way
    const imaging::Raster got = Pixels(result);
    const imaging::Raster inOrder = Pixels(ByHand(Store(Picture()), {'s', 'b', 'a', 'g'}));
    const imaging::Raster reversed = Pixels(ByHand(Store(Picture()), {'g', 'a', 'b', 's'}));
    EXPECT_EQ(Psnr(got, inOrder), std::numeric_limits<double>::infinity());
    EXPECT_LT(Psnr(got, reversed), 60.0);
    for (int x = 0; x < got.width; x += 7) { // grey last: every pixel is grey
        const std::uint8_t* p = got.Row(45) + x * 3;
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x;
    }
}

TEST_F(Corrections, OnlyTheTargetRegionIsCorrected) {
    // A working image larger than the run's target (as after a failed resize): the region is the target's.
    options.grayscale = true;
    options.size.boxWidth = 60;
    options.size.boxHeight = 90;
    const Handle result = Correct(Store(Picture()));
    const imaging::Raster got = Pixels(result);
    const std::uint8_t* inside = got.Row(45) + 50 * 3;
    const std::uint8_t* outside = got.Row(45) + 70 * 3;
    EXPECT_TRUE(inside[0] == inside[1] && inside[1] == inside[2]);
    EXPECT_EQ(outside[0], 250);
    EXPECT_EQ(outside[1], 20);
}

} // namespace
