// Whole conversion runs over real files in a temporary folder, read back by ImageMagick.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/SourceCheck.h"
#include "convert/Stages.h"
#include "imaging/Error.h"

namespace {

using namespace testsupport;

struct Recorder : convert::RunObserver {
    std::vector<std::string> events;
    std::vector<std::string> hints;
    std::vector<int> frames;
    std::vector<std::string> captions;
    std::vector<std::string> outputs;
    int previews = 0;
    void OverallRange(int maximum) override { events.push_back("range " + std::to_string(maximum)); }
    void TrayProgress(int frame, const std::string& hint, int, int) override {
        frames.push_back(frame);
        hints.push_back(hint);
    }
    void PanelCaption(const std::string& text) override { captions.push_back(text); }
    void ShowPreview(imaging::Handle) override { ++previews; }
    void FileDone(int, const std::string&, const std::string& output) override { outputs.push_back(output); }
    void RemoveTray() override { events.push_back("remove tray"); }
    void Beep() override { events.push_back("beep"); }
    void EndApplication() override { events.push_back("end"); }
    bool Ended() const { return std::find(events.begin(), events.end(), "beep") != events.end(); }
};

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "src");
        fs::create_directories(dir / "prog" / "Temp" / "sub");
        WritePpm(dir / "g.ppm", MakeGradient(320, 240));
        Make("photo.jpg", "");
        Make("logo.png", "");
        Make("plain.bmp", "-type truecolor");
        Make("mono.bmp", "-type bilevel");
        Make("scan.pcx", "");
        Make("anim.gif", "");
        Make("page.tif", "");
        options.programFolder = (dir / "prog").string() + "/";
        options.outputFolder = (dir / "out").string();
        options.size.resizeMode = "縮小時のみ有効";
        options.format = "JPEG";
    }
    void Make(const std::string& name, const std::string& flags) {
        std::string out = (dir / "src" / name).string();
        if (name == "mono.bmp") out = "bmp3:" + out;
        ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + flags + " " + Quote(out)), 0) << name;
    }
    std::string Src(const std::string& name) const { return (dir / "src" / name).string(); }
    bool RunList(const std::vector<std::string>& list, bool commandLine = true) {
        convert::RunDriver run(
            components, options, commandLine ? convert::RunMode::CommandLine : convert::RunMode::Window, recorder,
            [] { return std::make_unique<convert::ConversionStages>(); }, 1);
        return run.Run(list);
    }

    TempDir dir;
    convert::RunOptions options;
    convert::RunComponents components;
    Recorder recorder;
};

TEST_F(BatchRunTest, EveryFormatWritesTheResizedImages) {
    const std::vector<std::string> list = {Src("photo.jpg"), Src("anim.gif"), Src("logo.png"), Src("plain.bmp"),
                                           Src("mono.bmp"),  Src("page.tif"), Src("scan.pcx")};
    struct Case {
        const char* format;
        const char* extension;
        const char* magick;
        const char* depth; // bits per pixel as ImageMagick reports the type
    };
    const Case cases[] = {{"JPEG", ".jpg", "JPEG", "DirectClass"},  {"BMP8", ".bmp", "BMP3", "PseudoClass"},
                          {"BMP24", ".bmp", "BMP3", "DirectClass"}, {"PNG8", ".png", "PNG", "PseudoClass"},
                          {"PNG24", ".png", "PNG", "DirectClass"},  {"FPX", ".fpx", nullptr, nullptr},
                          {"PCX", ".pcx", "PCX", "DirectClass"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        options.format = c.format;
        options.outputFolder = (dir / c.format).string();
        recorder = Recorder();
        ASSERT_TRUE(RunList(list));
        EXPECT_TRUE(recorder.Ended());
        ASSERT_EQ(recorder.outputs.size(), 5u);
        for (const char* stem : {"photo", "logo", "plain", "mono", "scan"}) {
            fs::path out = dir / c.format / (std::string(stem) + c.extension);
            ASSERT_TRUE(fs::exists(out)) << out;
            if (c.magick) {
                EXPECT_EQ(Identify(out, "%m %wx%h"), std::string(c.magick) + " 200x150") << out;
                EXPECT_NE(Identify(out, "%r").find(c.depth), std::string::npos) << out << Identify(out, "%r");
            }
        }
        EXPECT_FALSE(fs::exists(dir / c.format / (std::string("anim") + c.extension)));
        EXPECT_EQ(recorder.captions.front(),
                  std::string("200x150") +
                      (c.format == std::string("BMP8") || c.format == std::string("PNG8") ? "x8 BPP" : "x24 BPP"));
    }
}

// Links inside the temporary folder lead outside it: the clearing removes a link with an image name, never
// its target, never enters a linked folder, and changes nothing out there (not even a read-only bit).
TEST_F(BatchRunTest, ClearingTheTemporaryFolderNeverLeavesIt) {
    const fs::path pictures = dir / "pictures";
    fs::create_directories(pictures / "inner");
    WriteBytes(pictures / "holiday.jpg", {1});
    WriteBytes(pictures / "sunset.png", {2});
    WriteBytes(pictures / "inner" / "deep.bmp", {3});
    fs::permissions(pictures / "sunset.png", fs::perms::owner_read);
    fs::permissions(pictures / "inner", fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path temp = dir / "prog" / "Temp";
    fs::create_directory_symlink(pictures, temp / "linked");
    fs::create_directory_symlink(pictures, temp / "album.jpg");
    fs::create_symlink(pictures / "holiday.jpg", temp / "x$$$.jpg");
    fs::create_symlink(pictures / "sunset.png", temp / "notes.txt");
    WriteBytes(temp / "sub" / "own$$$.bmp", {4});
    fs::permissions(temp / "sub", fs::perms::owner_read | fs::perms::owner_exec); // read-only, ours

    convert::ClearTempFolder(temp.string() + "/");
    for (const char* name : {"holiday.jpg", "sunset.png", "inner/deep.bmp"})
        EXPECT_TRUE(fs::exists(pictures / name)) << name;
    EXPECT_EQ(fs::status(pictures / "sunset.png").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(fs::status(pictures / "inner").permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_FALSE(fs::is_symlink(temp / "x$$$.jpg"));
    EXPECT_FALSE(fs::is_symlink(temp / "album.jpg")); // a link with an image name, whatever it points at
    EXPECT_TRUE(fs::is_symlink(temp / "linked"));
    EXPECT_TRUE(fs::is_symlink(temp / "notes.txt"));
    EXPECT_FALSE(fs::exists(temp / "sub" / "own$$$.bmp"));
    EXPECT_TRUE(fs::is_directory(temp / "sub"));
    fs::permissions(pictures / "inner", fs::perms::owner_all);
}

TEST_F(BatchRunTest, ProgressHintsAndTheEndOfARun) {
    fs::path temp = dir / "prog" / "Temp";
    WriteBytes(temp / "a$$$.bmp", {1});
    WriteBytes(temp / "keep.txt", {1});
    WriteBytes(temp / "sub" / "B.PNG", {1});
    ASSERT_TRUE(RunList({Src("photo.jpg"), Src("anim.gif"), Src("logo.png")}));
    EXPECT_EQ(recorder.hints, (std::vector<std::string>{"33%完了", "66%完了", "100%完了"}));
    EXPECT_EQ(recorder.frames, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"range 3", "remove tray", "beep", "end"}));
    EXPECT_FALSE(fs::exists(temp / "a$$$.bmp"));
    EXPECT_FALSE(fs::exists(temp / "sub" / "B.PNG"));
    EXPECT_TRUE(fs::exists(temp / "keep.txt"));
    EXPECT_TRUE(fs::is_directory(temp / "sub"));
    EXPECT_EQ(recorder.previews, 0); // a command-line run shows no preview

    recorder = Recorder();
    ASSERT_TRUE(RunList({Src("photo.jpg")}, false));
    EXPECT_EQ(recorder.previews, 1);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"range 1", "remove tray", "beep"}));

    recorder = Recorder();
    ASSERT_TRUE(RunList({}));
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"range 0", "remove tray", "beep", "end"}));
}

TEST_F(BatchRunTest, AMissingSourceStopsTheRunWithAFileError) {
    WriteBytes(dir / "prog" / "Temp" / "x.bmp", {1});
    try {
        RunList({Src("photo.jpg"), Src("missing.jpg"), Src("logo.png")});
        FAIL() << "the run went on";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.systemError(), ENOENT);
        EXPECT_EQ(error.file(), Src("missing.jpg"));
    }
    EXPECT_TRUE(fs::exists(dir / "out" / "photo.jpg"));
    EXPECT_FALSE(fs::exists(dir / "out" / "logo.jpg"));
    EXPECT_FALSE(recorder.Ended());
    EXPECT_TRUE(fs::exists(dir / "prog" / "Temp" / "x.bmp")); // no end-of-run steps after a stop
}

TEST_F(BatchRunTest, ATargetOfZeroStopsTheRunWithoutSaving) {
    options.size.percentageMode = true;
    options.size.percentage = 1;
    options.size.resizeMode = "常に有効";
    ASSERT_EQ(testsupport::Run("convert -size 50x50 xc:red " + Quote(dir / "src" / "tiny.png")), 0);
    EXPECT_FALSE(RunList({Src("photo.jpg"), Src("tiny.png"), Src("logo.png")}));
    EXPECT_TRUE(fs::exists(dir / "out" / "photo.jpg")); // 320x240 at 1% is 3x2
    EXPECT_EQ(Identify(dir / "out" / "photo.jpg", "%wx%h"), "3x2");
    EXPECT_FALSE(fs::exists(dir / "out" / "tiny.jpg"));
    EXPECT_FALSE(fs::exists(dir / "out" / "logo.jpg"));
    EXPECT_FALSE(recorder.Ended());
    // The next run starts cleanly: the image left held by the stop is released exactly once.
    options.size.percentage = 50;
    recorder = Recorder();
    EXPECT_TRUE(RunList({Src("tiny.png")}));
    EXPECT_EQ(Identify(dir / "out" / "tiny.jpg", "%wx%h"), "25x25");
}

TEST_F(BatchRunTest, HandlesDoNotPileUpOverARun) {
    std::vector<std::string> list(12, Src("photo.jpg"));
    const std::size_t before = imaging::ImageStore::Instance().Count();
    ASSERT_TRUE(RunList(list));
    // A command-line run shows nothing: no image stays held.
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before);
    ASSERT_TRUE(RunList(list, false));
    // The window's run keeps the image last shown, until a later load releases it.
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before + 1);
    ASSERT_TRUE(RunList(list, false));
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before + 1);
}

TEST_F(BatchRunTest, OneLevelOfOutputFolderIsCreated) {
    options.outputFolder = (dir / "new").string();
    ASSERT_TRUE(RunList({Src("photo.jpg")}));
    EXPECT_TRUE(fs::exists(dir / "new" / "photo.jpg"));
    options.outputFolder = (dir / "missing" / "deeper").string();
    EXPECT_THROW(RunList({Src("photo.jpg")}), imaging::Error);
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(SourceCheck, GifAndTiffByTheirFirstBytes) {
    TempDir dir;
    const std::pair<std::vector<std::uint8_t>, bool> cases[] = {
        {{'G', 'I', 'F', '8'}, true}, {{'g', 'i', 'f'}, true}, {{'G', 'I'}, false}, {{'I', 'I', '*'}, true},
        {{'m', 'm'}, true},           {{'M'}, false},          {{}, false},         {{0xFF, 0xD8, 0xFF}, false},
        {{'I', 'M', 'G'}, false},
    };
    int n = 0;
    for (const auto& [bytes, expected] : cases) {
        fs::path file = dir / ("f" + std::to_string(n++));
        WriteBytes(file, bytes);
        EXPECT_EQ(convert::IsGifOrTiff(file.string()), expected) << file;
    }
    try {
        convert::IsGifOrTiff((dir / "missing").string());
        FAIL();
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.systemError(), ENOENT);
    }
}

} // namespace
