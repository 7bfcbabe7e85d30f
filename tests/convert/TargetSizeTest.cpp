// Target sizes: box and percentage modes under every resize mode, with the rounding of the ratio step.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "convert/TargetSize.h"

namespace {

using convert::ComputeTargetSize;
using convert::TargetSize;
using convert::TargetSizeInputs;

const std::string kNever = "しない";
const std::string kShrink = "縮小時のみ有効";
const std::string kEnlarge = "拡大時のみ有効";
const std::string kAlways = "常に有効";

TargetSizeInputs Box(const std::string& mode, bool keepRatio, int w = 200, int h = 100) {
    TargetSizeInputs in;
    in.resizeMode = mode;
    in.keepRatio = keepRatio;
    in.boxWidth = w;
    in.boxHeight = h;
    return in;
}

TargetSizeInputs Percentage(const std::string& mode, int p) {
    TargetSizeInputs in;
    in.percentageMode = true;
    in.resizeMode = mode;
    in.percentage = p;
    return in;
}

TargetSize Compute(int a, int b, const TargetSizeInputs& in, TargetSize current = {200, 100}) {
    return ComputeTargetSize(a, b, in, current);
}

TEST(TargetSize, BoxModeWithDefaults) {
    auto in = Box(kShrink, true);
    EXPECT_EQ(Compute(640, 480, in), (TargetSize{200, 150}));
    EXPECT_EQ(Compute(480, 640, in), (TargetSize{75, 100}));
    EXPECT_EQ(Compute(150, 120, in), (TargetSize{200, 160})); // larger than the source: not a fit in the box
    EXPECT_EQ(Compute(100, 50, in), (TargetSize{100, 50}));
    EXPECT_EQ(Compute(300, 300, in), (TargetSize{200, 200}));
}

TEST(TargetSize, BoxModeOtherModes) {
    EXPECT_EQ(Compute(640, 480, Box(kAlways, false)), (TargetSize{200, 100}));
    EXPECT_EQ(Compute(100, 40, Box(kEnlarge, true)), (TargetSize{200, 80}));
    EXPECT_EQ(Compute(150, 120, Box(kEnlarge, true)), (TargetSize{150, 120}));
    EXPECT_EQ(Compute(640, 480, Box(kNever, true)), (TargetSize{640, 480}));
    // Unknown texts behave as "always", ratio step included.
    EXPECT_EQ(Compute(640, 480, Box("jpeg", true)), (TargetSize{200, 150}));
    EXPECT_EQ(Compute(640, 480, Box("", false)), (TargetSize{200, 100}));
    // Shrink-only compares against the box before the ratio step, either side is enough.
    EXPECT_EQ(Compute(190, 101, Box(kShrink, false)), (TargetSize{200, 100}));
    EXPECT_EQ(Compute(200, 100, Box(kShrink, false)), (TargetSize{200, 100}));
    EXPECT_EQ(Compute(199, 99, Box(kEnlarge, false)), (TargetSize{200, 100}));
    EXPECT_EQ(Compute(200, 99, Box(kEnlarge, false)), (TargetSize{200, 99}));
}

TEST(TargetSize, RatioStepRoundsHalvesToEven) {
    EXPECT_EQ(Compute(4, 1, Box(kAlways, true, 10, 100)), (TargetSize{10, 2})); // 2.5 -> 2
    EXPECT_EQ(Compute(4, 1, Box(kAlways, true, 14, 100)), (TargetSize{14, 4})); // 3.5 -> 4
    EXPECT_EQ(Compute(1, 4, Box(kAlways, true, 100, 10)), (TargetSize{2, 10})); // portrait: 2.5 -> 2
    EXPECT_EQ(Compute(1, 4, Box(kAlways, true, 100, 14)), (TargetSize{4, 14}));
    EXPECT_EQ(Compute(3, 2, Box(kAlways, true, 100, 1)), (TargetSize{100, 67})); // 66.67 -> 67
}

// The keep-ratio step against a model written apart from the code (exact rationals, in Python) over a broad
// sweep of source sizes and box sides, far beyond ratios that are exact in binary.
TEST(TargetSize, TheKeepRatioStepAgreesWithAnExactModel) {
    EXPECT_EQ(Compute(480, 640, Box(kShrink, true, 200, 150)), (TargetSize{113, 150}));
    EXPECT_EQ(Compute(1200, 500, Box(kShrink, true, 150, 100)), (TargetSize{150, 63}));
    EXPECT_EQ(Compute(2400, 1100, Box(kShrink, true, 300, 150)), (TargetSize{300, 137}));

    FILE* model = popen("/usr/bin/python3 " KELVO_SUITE_DATA "/keep_ratio_model.py", "r");
    ASSERT_NE(model, nullptr);
    int a = 0, b = 0, side = 0, expected = 0, cases = 0;
    std::vector<std::string> differing;
    while (std::fscanf(model, "%d %d %d %d", &a, &b, &side, &expected) == 4) {
        ++cases;
        const TargetSize target = Compute(a, b, b > a ? Box(kAlways, true, 1, side) : Box(kAlways, true, side, 1));
        const int got = b > a ? target.width : target.height;
        if (got != expected && differing.size() < 10)
            differing.push_back(std::to_string(a) + "x" + std::to_string(b) + " side " + std::to_string(side) + ": " +
                                std::to_string(got) + ", the model " + std::to_string(expected));
    }
    EXPECT_EQ(pclose(model), 0);
    EXPECT_GT(cases, 1000000);
    EXPECT_TRUE(differing.empty()) << ::testing::PrintToString(differing);
}

TEST(TargetSize, PercentageMode) {
    EXPECT_EQ(Compute(333, 251, Percentage(kAlways, 50)), (TargetSize{166, 125}));
    EXPECT_EQ(Compute(333, 251, Percentage(kEnlarge, 50)), (TargetSize{333, 251}));
    EXPECT_EQ(Compute(333, 251, Percentage(kShrink, 50)), (TargetSize{166, 125}));
    EXPECT_EQ(Compute(333, 251, Percentage(kShrink, 150)), (TargetSize{333, 251}));
    EXPECT_EQ(Compute(333, 251, Percentage(kEnlarge, 150)), (TargetSize{499, 376}));
    EXPECT_EQ(Compute(333, 251, Percentage(kAlways, 100)), (TargetSize{333, 251}));
    EXPECT_EQ(Compute(333, 251, Percentage(kNever, 50)), (TargetSize{333, 251}));
    EXPECT_EQ(Compute(50, 50, Percentage(kAlways, 1)), (TargetSize{0, 0}));
    // Keep ratio plays no part, and an unknown text keeps whatever the run already holds.
    auto in = Percentage("常に", 50);
    in.keepRatio = false;
    EXPECT_EQ(Compute(333, 251, in, {77, 88}), (TargetSize{77, 88}));
}

} // namespace
