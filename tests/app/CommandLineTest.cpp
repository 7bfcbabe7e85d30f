// The command-line run of the real program: a copy of the executable in a temporary folder, so its program
// folder (and with it the settings file and the Output folder) is that folder.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/CommandLine.h"

namespace {

using namespace testsupport;

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "prog");
        fs::create_directories(dir / "src" / "sub");
        fs::copy_file(KELVO_BINARY, dir / "prog" / "kelvo");
        WritePpm(dir / "g.ppm", MakeGradient(400, 300));
        for (const char* name : {"src/a.jpg", "src/b.png", "src/sub/c.bmp", "src/anim.gif"})
            EXPECT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + Quote(dir / name)), 0);
        WriteBytes(dir / "src" / "notes.txt", {'x'});
    }
    // Runs the program without a display; returns the exit status and what it wrote to stderr.
    int Kelvo(const std::string& args, std::string* errors) {
        std::string command = "cd " + Quote(dir.path()) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              Quote(dir / "prog" / "kelvo") + " " + args + " 2>&1 >/dev/null";
        return testsupport::Run(command, errors);
    }
    TempDir dir;
};

TEST_F(CommandLineTest, AFolderArgumentConvertsEveryImageBelowIt) {
    std::string errors;
    EXPECT_EQ(Kelvo("src", &errors), 0) << errors;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        EXPECT_EQ(Identify(dir / "prog" / "Output" / name, "%m %wx%h"), "JPEG 200x150") << name;
    EXPECT_FALSE(fs::exists(dir / "prog" / "Output" / "notes.jpg"));
    EXPECT_FALSE(fs::exists(dir / "prog" / "Output" / "anim.jpg"));
    EXPECT_NE(errors.find("3 件変換"), std::string::npos) << errors;
    EXPECT_NE(errors.find((dir / "prog" / "Output").string()), std::string::npos) << errors;
    // Nothing is written besides the outputs: no settings file, no temporary folder left with images.
    EXPECT_FALSE(fs::exists(dir / "prog" / "kelvo.ini"));
}

TEST_F(CommandLineTest, FilesAreTakenAsGivenAndAMissingOneStopsTheRun) {
    std::string errors;
    EXPECT_EQ(Kelvo("src/b.png src/anim.gif src/missing.jpg src/a.jpg", &errors), 1);
    EXPECT_TRUE(fs::exists(dir / "prog" / "Output" / "b.jpg"));
    EXPECT_FALSE(fs::exists(dir / "prog" / "Output" / "a.jpg")); // after the stop
    EXPECT_NE(errors.find("ファイルが見つかりません"), std::string::npos) << errors;
    EXPECT_NE(errors.find((dir / "src" / "missing.jpg").string()), std::string::npos) << errors;
}

TEST_F(CommandLineTest, NothingToConvertEndsAtOnce) {
    fs::create_directories(dir / "empty");
    std::string errors;
    EXPECT_EQ(Kelvo("empty", &errors), 1);
    EXPECT_FALSE(fs::exists(dir / "prog" / "Output"));
}

TEST_F(CommandLineTest, InformationOptionsAndNoDisplay) {
    std::string out;
    EXPECT_EQ(testsupport::Run(Quote(dir / "prog" / "kelvo") + " --version", &out), 0);
    EXPECT_EQ(out.rfind("Kelvo ", 0), 0u) << out;
    EXPECT_EQ(testsupport::Run(Quote(dir / "prog" / "kelvo") + " --help", &out), 0);
    EXPECT_NE(out.find("FILE|FOLDER"), std::string::npos);
    EXPECT_NE(out.find("--files-from"), std::string::npos);
    std::string errors;
    EXPECT_EQ(Kelvo("", &errors), 2); // the window needs a display
    EXPECT_NE(errors.find("ディスプレイ"), std::string::npos) << errors;
}

TEST_F(CommandLineTest, TheRunTakesTheOptionsOfTheDefaultSettingsFileAndDrawsCaptionsWithoutADisplay) {
    const std::string ini = "[Main]\nComboBox4=PNG24\nEdit1=x\nCheckBox1=0\n";
    WriteBytes(dir / "prog" / "kelvo.ini", std::vector<std::uint8_t>(ini.begin(), ini.end()));
    std::string errors;
    EXPECT_EQ(Kelvo("src/a.jpg", &errors), 0) << errors;
    EXPECT_EQ(Identify(dir / "prog" / "Output" / "a.png", "%m %wx%h"), "PNG 200x100") << errors;
    // The settings file is read, never written, by a command-line run.
    EXPECT_EQ(ReadBytes(dir / "prog" / "kelvo.ini"), std::vector<std::uint8_t>(ini.begin(), ini.end()));
}

TEST_F(CommandLineTest, AnUnreadableDefaultSettingsFileStopsBeforeTheRun) {
    const std::string bad = "[Color]\nBrush=nocolour\n";
    WriteBytes(dir / "prog" / "kelvo.ini", std::vector<std::uint8_t>(bad.begin(), bad.end()));
    std::string errors;
    EXPECT_EQ(Kelvo("src/a.jpg", &errors), 1);
    EXPECT_NE(errors.find("'nocolour' は整数ではありません"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(dir / "prog" / "Output"));
}

TEST(CommandLineArguments, StartModes) {
    EXPECT_FALSE(app::IsCommandLineRun({}));
    EXPECT_TRUE(app::IsSettingsStart({"my.KLV", "a.jpg"}));
    EXPECT_FALSE(app::IsCommandLineRun({"my.Klv"}));
    EXPECT_TRUE(app::IsCommandLineRun({"a.jpg", "x.klv"}));
    EXPECT_FALSE(app::IsCommandLineRun({"--help"}));
    EXPECT_FALSE(app::IsSettingsStart({"folder.klv/"})); // a trailing "/" leaves no extension
}

} // namespace
