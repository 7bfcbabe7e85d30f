// A conversion run with generated output names.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/NamingStages.h"
#include "convert/RunDriver.h"

namespace {

using namespace testsupport;

struct Outputs : convert::RunObserver {
    std::vector<std::string> written;
    void FileDone(int, const std::string&, const std::string& output) override { written.push_back(output); }
};

class NamingStagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "prog");
        // Sources of different shapes, so each output shows which source it came from.
        const struct {
            const char* name;
            int width, height;
        } images[] = {{"a.jpg", 320, 240}, {"anim.gif", 320, 240}, {"b.png", 240, 320}, {"c.bmp", 400, 100}};
        for (const auto& image : images) {
            WritePpm(dir / "g.ppm", MakeGradient(image.width, image.height));
            std::string out = (dir / "src" / image.name).string();
            if (std::string(image.name) == "c.bmp") out = "bmp3:" + out;
            EXPECT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + Quote(out)), 0) << image.name;
        }
        optionSet.SetText("Edit2", (dir / "out").string());
        optionSet.SetText("ComboBox4", "PNG24");
        optionSet.SetChecked("CheckBox12", true);
        optionSet.SetText("Edit4", "IMG_");
    }
    std::vector<std::string> Sources() const {
        std::vector<std::string> list;
        for (const char* name : {"a.jpg", "anim.gif", "b.png", "c.bmp"})
            list.push_back((dir / "src" / name).string());
        return list;
    }
    bool RunWith(const convert::RunOptions& options) {
        convert::RunComponents components;
        convert::RunDriver run(
            components, options, convert::RunMode::CommandLine, outputs,
            [] { return std::make_unique<app::NamingStages>(); }, 1);
        return run.Run(Sources());
    }
    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir / "out"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    options::OptionSet optionSet{(dir / "prog").string() + "/"};
    Outputs outputs;
};

TEST_F(NamingStagesTest, OutputsTakeTheGeneratedNamesAndASkippedGifKeepsItsNumber) {
    ASSERT_TRUE(RunWith(convert::CaptureRunOptions(optionSet, optionSet.ProgramFolder())));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"IMG_0001.png", "IMG_0003.png", "IMG_0004.png"}));
    EXPECT_EQ(outputs.written.front(), (dir / "out" / "IMG_0001.png").string());
    EXPECT_EQ(Identify(dir / "out" / "IMG_0001.png", "%m %wx%h"), "PNG 200x150");
    EXPECT_EQ(Identify(dir / "out" / "IMG_0003.png", "%m %wx%h"), "PNG 75x100");
    EXPECT_EQ(Identify(dir / "out" / "IMG_0004.png", "%m %wx%h"), "PNG 200x50");
}

TEST_F(NamingStagesTest, TheRuleIsTheOneCapturedAtTheStart) {
    optionSet.SetText("Edit4", "Shot-");
    optionSet.SetText("Edit5", "x");
    optionSet.SetSpinText("SpinEdit4", "98");
    optionSet.SetSpinText("SpinEdit7", "2");
    optionSet.SetCaseRule(options::CaseRule::Upper);
    optionSet.SetText("ComboBox4", "JPEG");
    const convert::RunOptions captured = convert::CaptureRunOptions(optionSet, optionSet.ProgramFolder());
    optionSet.SetText("Edit4", "changed later");
    ASSERT_TRUE(RunWith(captured));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"SHOT-100X.jpg", "SHOT-101X.jpg", "SHOT-98X.jpg"}));
}

TEST_F(NamingStagesTest, WithoutTheSwitchOutputsKeepTheSourceNames) {
    optionSet.SetChecked("CheckBox12", false);
    ASSERT_TRUE(RunWith(convert::CaptureRunOptions(optionSet, optionSet.ProgramFolder())));
    EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.png", "b.png", "c.png"}));
}

} // namespace
