// Runs with several workers against the same run with one: every output byte, every file and every observer
// call in the same order; stops leave exactly the entries before the stopping one.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/Stages.h"
#include "imaging/Error.h"

namespace convert_test {
void EnsureGuiApplication(); // CaptionTest.cpp
}

namespace {

using namespace testsupport;

// Every call as text, in order. File progress is kept at its ends (0 and 100): how many steps come between
// depends on timing, in any run.
struct Journal : convert::RunObserver {
    std::vector<std::string> calls;
    void OverallRange(int maximum) override { Log("range", maximum); }
    void OverallPosition(int position) override { Log("position", position); }
    void FileProgress(int percent) override {
        if (percent == 0 || percent == 100) Log("file", percent);
    }
    void TrayProgress(int frame, const std::string& hint, int index, int count) override {
        Log("tray " + hint, frame * 1000000 + index * 1000 + count);
    }
    void PanelCaption(const std::string& text) override { calls.push_back("panel " + text); }
    void ShowPreview(imaging::Handle) override { calls.push_back("preview"); }
    void FileDone(int index, const std::string& source, const std::string& output) override {
        calls.push_back("done " + std::to_string(index) + " " + source + " " + fs::path(output).filename().string());
    }
    void FileSkipped(int index, const std::string& source) override {
        calls.push_back("skipped " + std::to_string(index) + " " + source);
    }
    void RemoveTray() override { calls.push_back("remove tray"); }
    void Beep() override { calls.push_back("beep"); }
    void EndApplication() override { calls.push_back("end"); }
    void Log(const std::string& what, int value) { calls.push_back(what + " " + std::to_string(value)); }
};

std::map<std::string, std::vector<std::uint8_t>> FolderBytes(const fs::path& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadBytes(entry.path());
    return files;
}

class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* sub : {"a", "b"})
            fs::create_directories(dir / sub);
        fs::create_directories(dir / "prog");
        WritePpm(dir / "g.ppm", MakeGradient(360, 240));
        // The same names in two folders with different pictures: the later one's output must win, and their
        // caption bitmaps must not mix.
        Make("a/photo.jpg", "");
        Make("b/photo.jpg", "-flop -modulate 100,40");
        Make("a/logo.png", "-rotate 90");
        Make("b/logo.png", "-negate");
        Make("a/plain.bmp", "-type truecolor -flip");
        Make("a/mono.bmp", "-type bilevel");
        Make("a/scan.pcx", "-blur 0x2");
        Make("a/anim.gif", "");
        options.programFolder = (dir / "prog").string() + "/";
        options.size.resizeMode = "縮小時のみ有効";
        options.size.boxWidth = 120;
        options.format = "PNG24";
        // These runs are about the original's rule: a later output replaces an earlier one of the same name.
        options.sameName = "上書きする";
    }
    void Make(const std::string& name, const std::string& flags) {
        std::string out = (dir / name).string();
        if (name.ends_with("mono.bmp")) out = "bmp3:" + out;
        ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "g.ppm") + " " + flags + " " + Quote(out)), 0) << name;
    }
    std::string Src(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> MixedList() const {
        return {Src("a/photo.jpg"), Src("a/anim.gif"), Src("a/logo.png"), Src("b/photo.jpg"), Src("a/plain.bmp"),
                Src("a/mono.bmp"),  Src("b/logo.png"), Src("a/scan.pcx"), Src("a/photo.jpg"), Src("b/photo.jpg")};
    }
    // Runs the list with `workers` into a fresh output folder; returns whether the run ended normally.
    bool RunWith(int workers, const std::vector<std::string>& list, const std::string& outName, Journal& journal,
                 bool commandLine = true) {
        options.outputFolder = (dir / outName).string();
        convert::RunDriver run(
            components, options, commandLine ? convert::RunMode::CommandLine : convert::RunMode::Window, journal,
            [] { return std::make_unique<convert::ConversionStages>(); }, workers);
        return run.Run(list);
    }

    TempDir dir;
    convert::RunOptions options;
    convert::RunComponents components;
};

TEST_F(RunDriverTest, SeveralWorkersWriteWhatOneWorkerWrites) {
    convert_test::EnsureGuiApplication();
    struct Setting {
        const char* format;
        const char* caption;
        bool sharpen;
    };
    for (const Setting& setting :
         {Setting{"PNG24", "", false}, Setting{"JPEG", "テスト", true}, Setting{"PNG8", "caption", false}}) {
        SCOPED_TRACE(setting.format);
        options.format = setting.format;
        options.captionText = setting.caption;
        options.captionPosition = "右下";
        options.sharpen = setting.sharpen;
        const std::string key = std::string(setting.format) + (setting.sharpen ? "s" : "");
        Journal one;
        ASSERT_TRUE(RunWith(1, MixedList(), "one-" + key, one));
        const auto expected = FolderBytes(dir / ("one-" + key));
        ASSERT_EQ(expected.size(), 5u); // photo, logo, plain, mono, scan (photo and logo written twice over)
        for (int workers : {2, 3, 4}) {
            SCOPED_TRACE(workers);
            Journal many;
            ASSERT_TRUE(RunWith(workers, MixedList(), "many-" + key + std::to_string(workers), many));
            EXPECT_EQ(FolderBytes(dir / ("many-" + key + std::to_string(workers))), expected);
            EXPECT_EQ(many.calls, one.calls);
            // The workers' own caption folders are gone at the end; the temporary folder stays.
            for (int n = 1; n <= workers; ++n)
                EXPECT_FALSE(fs::exists(fs::path(options.TempFolder()) / std::to_string(n))) << n;
        }
    }
}

// Outputs in the source folder, named like a later entry's source: that source is read before anything replaces
// it, whatever the number of workers, and the last entry to a name wins.
TEST_F(RunDriverTest, AnOutputNeverReplacesASourceOfTheRunBeforeItIsRead) {
    struct Case {
        std::vector<std::string> order;
        const char* winner; // the colour the output a.jpg must have: the last entry's picture
    };
    for (const Case& c : {Case{{"a.png", "a.jpg"}, "blue"}, Case{{"a.jpg", "a.png"}, "red"},
                          Case{{"a.png", "b.png", "a.jpg", "b.jpg"}, "blue"}}) {
        std::map<int, std::map<std::string, std::vector<std::uint8_t>>> results;
        for (int workers : {1, 2}) {
            const fs::path folder =
                dir / ("same-" + std::to_string(workers) + "-" + c.order.front() + std::to_string(c.order.size()));
            fs::create_directories(folder);
            for (const char* name : {"a.png", "b.png"})
                ASSERT_EQ(testsupport::Run("convert -size 64x48 xc:red " + Quote(folder / name)), 0);
            for (const char* name : {"a.jpg", "b.jpg"})
                ASSERT_EQ(testsupport::Run("convert -size 64x48 xc:blue " + Quote(folder / name)), 0);
            std::vector<std::string> list;
            for (const std::string& name : c.order)
                list.push_back((folder / name).string());
            options.format = "JPEG";
            options.outputFolder = folder.string();
            Journal journal;
            convert::RunDriver run(
                components, options, convert::RunMode::CommandLine, journal,
                [] { return std::make_unique<convert::ConversionStages>(); }, workers);
            ASSERT_TRUE(run.Run(list));
            const imaging::Raster output = ReadWithMagick(folder / "a.jpg");
            const std::uint8_t* middle = output.pixels.data() + (std::size_t(24) * output.width + 32) * output.bands;
            const bool blue = middle[2] > 200 && middle[0] < 60;
            EXPECT_EQ(blue ? "blue" : "red", std::string(c.winner)) << workers << " workers, " << c.order.front();
            results[workers] = {{"a.jpg", ReadBytes(folder / "a.jpg")}};
        }
        EXPECT_EQ(results[1], results[2]) << c.order.front();
    }
}

TEST_F(RunDriverTest, TheWindowSeesTheSamePreviewsAndKeepsOnlyTheLast) {
    Journal one;
    ASSERT_TRUE(RunWith(1, MixedList(), "one", one, false));
    const std::size_t before = imaging::ImageStore::Instance().Count();
    Journal many;
    ASSERT_TRUE(RunWith(3, MixedList(), "many", many, false));
    EXPECT_EQ(many.calls, one.calls);
    // The caller's file control names the image last shown, which is still there to show.
    ASSERT_NE(components.Ik5File1.ImgHandle, 0);
    EXPECT_NO_THROW(imaging::ImageStore::Instance().Get(components.Ik5File1.ImgHandle));
    EXPECT_LE(imaging::ImageStore::Instance().Count(), before);
}

TEST_F(RunDriverTest, AMissingFileStopsTheRunThere) {
    // Unique names, so that every output says which entry wrote it.
    std::vector<std::string> list;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "a/n" + std::to_string(i) + ".png";
        if (i != 7) fs::copy_file(dir / "a/logo.png", dir / name);
        list.push_back(Src(name));
    }
    for (int workers : {1, 2, 4}) {
        SCOPED_TRACE(workers);
        Journal journal;
        const std::string out = "out" + std::to_string(workers);
        EXPECT_THROW(RunWith(workers, list, out, journal), imaging::Error);
        const auto written = FolderBytes(dir / out);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(written.count("n" + std::to_string(i) + ".png"), i < 7 ? 1u : 0u) << i;
        EXPECT_EQ(written.size(), 7u); // no temporary file is left either
        // The failing entry's progress was shown, and nothing after it.
        EXPECT_NE(std::find(journal.calls.begin(), journal.calls.end(), "position 8"), journal.calls.end());
        EXPECT_EQ(std::find(journal.calls.begin(), journal.calls.end(), "position 9"), journal.calls.end());
    }

    // With a caption: the temporary folder holds the caption bitmaps of the entries before the stop only, as
    // when one entry is converted at a time, however far the other workers had come.
    convert_test::EnsureGuiApplication();
    options.captionText = "x";
    for (int workers : {1, 2, 4}) {
        SCOPED_TRACE(workers);
        fs::remove_all(dir / "prog" / "Temp");
        Journal journal;
        EXPECT_THROW(RunWith(workers, list, "caption" + std::to_string(workers), journal), imaging::Error);
        std::set<std::string> bitmaps;
        for (const auto& entry : fs::recursive_directory_iterator(dir / "prog" / "Temp"))
            if (entry.is_regular_file()) bitmaps.insert(entry.path().filename().string());
        std::set<std::string> expected;
        for (int i = 0; i < 7; ++i)
            expected.insert("n" + std::to_string(i) + "$$$.bmp");
        EXPECT_EQ(bitmaps, expected);
    }
}

// An entry whose data turns out damaged while it is saved shows no caption or picture of its own: the window
// keeps the last entry's picture beside that entry's caption.
TEST_F(RunDriverTest, AnEntryThatFailsShowsNoCaptionOfItsOwn) {
    std::vector<std::uint8_t> bytes = ReadBytes(dir / "a/photo.jpg");
    bytes.resize(bytes.size() * 2 / 3);
    WriteBytes(dir / "a/cut.jpg", bytes);
    for (int workers : {1, 2}) {
        Journal journal;
        EXPECT_THROW(
            RunWith(workers, {Src("a/logo.png"), Src("a/cut.jpg")}, "cut" + std::to_string(workers), journal, false),
            imaging::Error);
        EXPECT_EQ(std::count_if(journal.calls.begin(), journal.calls.end(),
                                [](const std::string& call) { return call.starts_with("panel "); }),
                  1)
            << workers;
        EXPECT_EQ(std::count(journal.calls.begin(), journal.calls.end(), "preview"), 1) << workers;
    }
}

TEST_F(RunDriverTest, AFailedResizeStopsTheRunWithoutLaterOutputs) {
    // In percentage mode a tiny image gets a zero target: the run stops at it, later entries are not written.
    Make("a/tiny.png", "-resize 1x1!");
    options.size.percentageMode = true;
    options.size.resizeMode = "常に有効";
    options.size.percentage = 50;
    const std::vector<std::string> list = {Src("a/photo.jpg"), Src("a/logo.png"), Src("a/tiny.png"), Src("a/plain.bmp"),
                                           Src("a/scan.pcx")};
    Journal one;
    EXPECT_FALSE(RunWith(1, list, "one", one));
    Journal many;
    EXPECT_FALSE(RunWith(3, list, "many", many));
    EXPECT_EQ(many.calls, one.calls);
    EXPECT_EQ(FolderBytes(dir / "many"), FolderBytes(dir / "one"));
    EXPECT_EQ(FolderBytes(dir / "many").size(), 2u);
}

TEST_F(RunDriverTest, ImagesAreReleasedAsTheRunGoes) {
    std::vector<std::string> list;
    for (int i = 0; i < 40; ++i)
        list.push_back(Src(i % 2 ? "a/photo.jpg" : "b/logo.png"));
    const std::size_t before = imaging::ImageStore::Instance().Count();
    Journal journal;
    ASSERT_TRUE(RunWith(3, list, "out", journal));
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before);
    EXPECT_EQ(components.Ik5File1.ImgHandle, 0);
}

TEST_F(RunDriverTest, AStopRequestPublishesNothingMore) {
    std::vector<std::string> list(30, Src("a/photo.jpg"));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string name = "a/p" + std::to_string(i) + ".jpg";
        fs::copy_file(dir / "a/photo.jpg", dir / name);
        list[i] = Src(name);
    }
    struct Stopper : Journal {
        convert::RunDriver* run = nullptr;
        void FileDone(int index, const std::string& source, const std::string& output) override {
            Journal::FileDone(index, source, output);
            if (index == 3) run->RequestStop();
        }
    };
    for (int workers : {1, 3}) {
        SCOPED_TRACE(workers);
        Stopper journal;
        options.outputFolder = (dir / ("out" + std::to_string(workers))).string();
        convert::RunDriver run(
            components, options, convert::RunMode::CommandLine, journal,
            [] { return std::make_unique<convert::ConversionStages>(); }, workers);
        journal.run = &run;
        EXPECT_FALSE(run.Run(list));
        EXPECT_TRUE(run.StopRequested());
        // Entries 0..3 and nothing after them: the entries in flight or waiting were dropped, with their files.
        const auto written = FolderBytes(dir / ("out" + std::to_string(workers)));
        EXPECT_EQ(written.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(written.count("p" + std::to_string(i) + ".png"), 1u) << i;
        EXPECT_EQ(std::count(journal.calls.begin(), journal.calls.end(), "beep"), 0);
        EXPECT_EQ(run.Converted(), 4);
    }
}

// Generated names that would leave the output folder ("../" in the prefix) refuse the run before anything is
// read or written.
TEST_F(RunDriverTest, GeneratedNamesOutsideTheOutputFolderRefuseTheRun) {
    options.generatedNames = true;
    options.namePrefix = "../escaped-";
    options.outputFolder = (dir / "out").string();
    Journal journal;
    convert::RunDriver run(
        components, options, convert::RunMode::CommandLine, journal,
        [] { return std::make_unique<convert::ConversionStages>(); }, 2);
    EXPECT_THROW(run.Run(MixedList()), std::invalid_argument);
    EXPECT_TRUE(journal.calls.empty());
    EXPECT_FALSE(fs::exists(dir / "out"));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("escaped-")) << entry.path();
}

// The program folder's Temp is a link to a folder of the user's pictures: the run neither writes there nor
// clears it; its caption bitmaps go to a private folder in the user's cache, cleared at the end.
TEST_F(RunDriverTest, ATempFolderThatIsALinkIsNeverUsed) {
    convert_test::EnsureGuiApplication();
    const fs::path pictures = dir / "pictures";
    fs::create_directories(pictures / "sub");
    for (const char* name : {"x.jpg", "y.png", "sub/z.bmp"})
        fs::copy_file(dir / "a/photo.jpg", pictures / name);
    fs::permissions(pictures / "x.jpg", fs::perms::owner_read);
    fs::create_directory_symlink(pictures, dir / "prog" / "Temp");
    const fs::path cache = dir / "cache";
    const char* previous = std::getenv("XDG_CACHE_HOME");
    const std::string kept = previous ? previous : "";
    ::setenv("XDG_CACHE_HOME", cache.string().c_str(), 1);
    options.captionText = "x";
    options.captionPosition = "右下";
    for (int workers : {1, 2}) {
        SCOPED_TRACE(workers);
        Journal journal;
        ASSERT_TRUE(RunWith(workers, MixedList(), "out" + std::to_string(workers), journal));
        std::set<std::string> left;
        for (const auto& entry : fs::recursive_directory_iterator(pictures))
            left.insert(fs::relative(entry.path(), pictures).string());
        EXPECT_EQ(left, (std::set<std::string>{"x.jpg", "y.png", "sub", "sub/z.bmp"}));
        ASSERT_TRUE(fs::is_directory(cache / "kelvo" / "Temp"));
        for (const auto& entry : fs::recursive_directory_iterator(cache / "kelvo" / "Temp"))
            EXPECT_FALSE(entry.is_regular_file()) << entry.path();
    }
    if (previous)
        ::setenv("XDG_CACHE_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

} // namespace

namespace {

// Large progressive JPEGs are converted one at a time while the other workers take the rest; the outputs and
// what the observer sees stay those of one worker, and nothing waits forever when only such files are left.
TEST_F(RunDriverTest, LargeProgressiveJpegsTakeTurnsWithoutChangingTheOutcome) {
    for (const char* name : {"a/big1.jpg", "a/big2.jpg", "b/big3.jpg"})
        ASSERT_EQ(testsupport::Run("convert -size 2400x1800 gradient:navy-orange -interlace JPEG -quality 70 " +
                                   Quote(dir / name)),
                  0);
    const std::vector<std::string> list = {Src("a/big1.jpg"), Src("a/logo.png"), Src("a/big2.jpg"), Src("b/big3.jpg"),
                                           Src("a/scan.pcx")};
    Journal one;
    ASSERT_TRUE(RunWith(1, list, "one", one));
    for (int workers : {2, 3}) {
        SCOPED_TRACE(workers);
        Journal many;
        ASSERT_TRUE(RunWith(workers, list, "many" + std::to_string(workers), many));
        EXPECT_EQ(FolderBytes(dir / ("many" + std::to_string(workers))), FolderBytes(dir / "one"));
        EXPECT_EQ(many.calls, one.calls);
    }
}

} // namespace
