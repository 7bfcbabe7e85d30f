// How a run names its outputs: same names within the run, files from before it, folder structure.
#include <gtest/gtest.h>

#include <map>

#include "TestSupport.h"
#include "convert/OutputNames.h"
#include "convert/RunDriver.h"
#include "convert/Stages.h"

namespace {

using namespace testsupport;
using convert::NameOutputs;

const auto kNoGif = [](std::size_t) { return false; };

TEST(OutputNames, SameNamesWithinARunAreNumberedInListOrder) {
    const std::vector<std::string> sources = {"/a/x.jpg", "/b/x.jpg", "/c/x.png", "/c/y.jpg", "/d/x (2).jpg"};
    const std::vector<std::string> paths = {"/o/x.jpg", "/o/x.jpg", "/o/x.jpg", "/o/y.jpg", "/o/x (2).jpg"};
    EXPECT_EQ(NameOutputs(sources, paths, "/o", "番号を付ける", "上書きする", kNoGif).paths,
              (std::vector<std::string>{"/o/x.jpg", "/o/x (2).jpg", "/o/x (3).jpg", "/o/y.jpg", "/o/x (2) (2).jpg"}));
    // An unlisted text is the start value; 「上書きする」 is the last-one-wins of the original.
    EXPECT_EQ(NameOutputs(sources, paths, "/o", "whatever", "", kNoGif).paths[2], "/o/x (3).jpg");
    EXPECT_EQ(NameOutputs(sources, paths, "/o", "上書きする", "上書きする", kNoGif).paths, paths);
    // A GIF or TIFF entry (skipped by the run) takes no name.
    EXPECT_EQ(
        NameOutputs(sources, paths, "/o", "番号を付ける", "上書きする", [](std::size_t i) { return i == 0; }).paths[1],
        "/o/x.jpg");
    EXPECT_EQ(convert::NumberedName("/o/a.b/name", 2), "/o/a.b/name (2)");
}

TEST(OutputNames, FoldersKeptBelowTheCommonFolder) {
    const std::vector<std::string> sources = {"/p/2024/a/x.jpg", "/p/2024/b/x.jpg", "/p/2024/x.jpg"};
    EXPECT_EQ(convert::CommonFolder(sources), "/p/2024/");
    EXPECT_EQ(convert::CommonFolder({"/p/ab/x.jpg", "/p/a/y.jpg"}), "/p/");
    EXPECT_EQ(
        NameOutputs(sources, {"/o/x.jpg", "/o/x.jpg", "/o/x.jpg"}, "/o", "フォルダー構成を保つ", "上書きする", kNoGif)
            .paths,
        (std::vector<std::string>{"/o/a/x.jpg", "/o/b/x.jpg", "/o/x.jpg"}));
}

TEST(OutputNames, FilesFromBeforeTheRunAreReplacedSkippedOrNumbered) {
    TempDir dir;
    WriteBytes(dir / "x.jpg", {1});
    WriteBytes(dir / "x (2).jpg", {1});
    const std::string out = dir.path().string();
    const std::vector<std::string> sources = {"/a/x.jpg", "/b/x.jpg", "/a/y.jpg"};
    const std::vector<std::string> paths = {out + "/x.jpg", out + "/x.jpg", out + "/y.jpg"};
    EXPECT_EQ(NameOutputs(sources, paths, out, "番号を付ける", "上書きする", kNoGif).paths,
              (std::vector<std::string>{out + "/x.jpg", out + "/x (2).jpg", out + "/y.jpg"}));
    const convert::OutputNaming skipped = NameOutputs(sources, paths, out, "番号を付ける", "スキップする", kNoGif);
    EXPECT_EQ(skipped.skipped, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(NameOutputs(sources, paths, out, "番号を付ける", "番号を付ける", kNoGif).paths,
              (std::vector<std::string>{out + "/x (3).jpg", out + "/x (4).jpg", out + "/y.jpg"}));
}

// Three folders each holding an x.png: three outputs, the same with one worker and two, and each output is its
// own folder's picture; with generated names nothing is numbered.
TEST(OutputNames, ARunOfThreeFoldersWritesThreeFiles) {
    TempDir dir;
    const std::map<std::string, std::string> colours = {{"a", "red"}, {"b", "lime"}, {"c", "blue"}};
    std::vector<std::string> list;
    for (const auto& [folder, colour] : colours) {
        fs::create_directories(dir / folder);
        ASSERT_EQ(testsupport::Run("convert -size 64x48 xc:" + colour + " " + Quote(dir / folder / "x.png")), 0);
        list.push_back((dir / folder / "x.png").string());
    }
    for (bool generated : {false, true}) {
        for (int workers : {1, 2}) {
            SCOPED_TRACE(std::to_string(workers) + (generated ? " generated" : ""));
            convert::RunOptions options;
            options.programFolder = (dir / "prog").string() + "/";
            fs::create_directories(dir / "prog");
            options.outputFolder = (dir / ("out" + std::to_string(workers) + (generated ? "g" : ""))).string();
            options.format = "PNG24";
            options.generatedNames = generated;
            convert::RunComponents components;
            convert::RunObserver observer;
            convert::RunDriver run(
                components, options, convert::RunMode::CommandLine, observer,
                [] { return std::make_unique<convert::ConversionStages>(); }, workers);
            ASSERT_TRUE(run.Run(list));
            EXPECT_EQ(run.Converted(), 3);
            if (generated) {
                EXPECT_EQ(std::distance(fs::directory_iterator(options.outputFolder), fs::directory_iterator()), 3);
                continue;
            }
            const std::vector<std::string> names = {"x.png", "x (2).png", "x (3).png"};
            const char* expected[] = {"255,0,0", "0,255,0", "0,0,255"};
            for (std::size_t i = 0; i < names.size(); ++i)
                EXPECT_EQ(Identify(fs::path(options.outputFolder) / names[i], "%[pixel:p{10,10}]"),
                          std::string("srgb(") + expected[i] + ")")
                    << names[i];
        }
    }
}

} // namespace
