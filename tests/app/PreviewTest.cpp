#include "app/Preview.h"

#include <cerrno>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/Ik5Disp.h"
#include "convert/WorkingImage.h"
#include "imaging/Error.h"

using namespace app;
namespace fs = std::filesystem;

namespace {

class PreviewTest : public ::testing::Test {
protected:
    // First member: widgets need the application before they are made.
    QApplication& application = apptest::EnsureApplication();

    void SetUp() override {
        display.resize(200, 200);
        controller.SetProgress = [this](int percent) { progress.push_back(percent); };
        file.OnProgress = [this](imaging::TIk5File&, std::int16_t percent) { progress.push_back(percent); };
    }

    void TearDown() override { convert::images::Release(file.ImgHandle); }

    // An image written by ImageMagick, so the preview reads a file it did not write itself. PNG files are written
    // as 24-bit truecolour (ImageMagick would otherwise store a plain colour with a palette).
    std::string Image(const std::string& name, int width, int height, const std::string& extra = "") {
        const fs::path path = temp / name;
        const std::string prefix = path.extension() == ".png" ? "PNG24:" : "";
        const std::string command = "convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " xc:red " + extra + " " + testsupport::Quote(prefix + path.string());
        if (testsupport::Run(command) != 0) throw std::runtime_error("convert failed: " + command);
        return path.string();
    }

    std::size_t StoredImages() const { return imaging::ImageStore::Instance().Count(); }

    testsupport::TempDir temp;
    sources::FileList list;
    imaging::TIk5File file;
    imaging::TIk5Common common;
    TIk5Disp display;
    PreviewController controller{list, file, display};
    std::vector<int> progress;
};

} // namespace

TEST(PreviewInfoLine, DescribesSizeDepthAndComment) {
    EXPECT_EQ(PreviewInfoLine(640, 480, 24, ""), " 640x480x24BPP ");
    EXPECT_EQ(PreviewInfoLine(1, 2, 8, "撮影：山田"), " 1x2x8BPP 撮影：山田");
}

TEST_F(PreviewTest, FirstSelectedItemInListOrderIsPreviewed) {
    list.AppendMany({Image("1.jpg", 11, 10), Image("2.jpg", 12, 10), Image("3.jpg", 13, 10), Image("4.jpg", 14, 10),
                     Image("5.jpg", 15, 10)});
    const auto line = controller.ListBox1Click({4, 2}); // item 5 clicked last, item 3 above it
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, " 13x10x24BPP ");
    EXPECT_EQ(file.FileName, list.At(2));
    EXPECT_TRUE(display.IsShowing());
    EXPECT_EQ(display.ImgHandle, file.ImgHandle);
    EXPECT_EQ(display.Picture().size(), QSize(13, 10));
}

TEST_F(PreviewTest, GifAndTiffAreSkippedForTheNextSelectedItem) {
    list.AppendMany({Image("a.gif", 20, 20), Image("b.tif", 21, 21), Image("c.png", 30, 20), Image("d.png", 40, 20)});
    const auto line = controller.ListBox1Click({0, 1, 2, 3});
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, " 30x20x24BPP ");
    EXPECT_EQ(file.FileName, list.At(2));
}

TEST_F(PreviewTest, CommentOfTheLoadedFileEndsTheLine) {
    list.Append(Image("note.jpg", 8, 6, "-set comment 'seaside 2003'"));
    EXPECT_EQ(controller.ListBox1Click({0}), std::optional<std::string>(" 8x6x24BPP seaside 2003"));
}

TEST_F(PreviewTest, OnlyGifSelectedLoadsNothingAndKeepsTheCaption) {
    list.AppendMany({Image("p.png", 30, 20), Image("g.gif", 20, 20)});
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    const std::size_t before = StoredImages();
    const auto line = controller.ListBox1Click({1});
    EXPECT_FALSE(line.has_value());
    EXPECT_FALSE(display.IsShowing());
    EXPECT_EQ(StoredImages(), before - 1); // the previous preview was released, nothing new loaded
    EXPECT_EQ(file.ImgHandle, 0);
    // Nothing selected at all: the same, and nothing is released twice.
    EXPECT_FALSE(controller.ListBox1Click({}).has_value());
    EXPECT_EQ(StoredImages(), before - 1);
}

TEST_F(PreviewTest, ClickingTwiceReleasesTheFirstImageAndLoadsAgain) {
    list.Append(Image("p.png", 30, 20));
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    const imaging::Handle first = file.ImgHandle;
    const std::size_t count = StoredImages();
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    EXPECT_NE(file.ImgHandle, first);
    EXPECT_FALSE(convert::images::IsAlive(first));
    EXPECT_TRUE(convert::images::IsAlive(file.ImgHandle));
    EXPECT_EQ(StoredImages(), count);
}

TEST_F(PreviewTest, ImageReleasedElsewhereIsNotReleasedAgain) {
    list.Append(Image("p.png", 30, 20));
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    // The conversion run releases the image the file component holds without the preview knowing.
    common.ImgHandle = file.ImgHandle;
    common.DeleteImage();
    EXPECT_NO_THROW(controller.ListBox1Click({0}));
    EXPECT_TRUE(convert::images::IsAlive(file.ImgHandle));
    // And the other way round: after the preview released, a release by the run's rule finds nothing to do.
    EXPECT_FALSE(controller.ListBox1Click({}).has_value());
    EXPECT_NO_THROW(convert::images::Release(file.ImgHandle));
}

TEST_F(PreviewTest, MissingFileRaisesNotFoundAndLeavesTheDisplayBlank) {
    list.AppendMany({Image("p.png", 30, 20), (temp / "gone.jpg").string()});
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    try {
        controller.ListBox1Click({1});
        FAIL() << "no error for a missing file";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.systemError(), ENOENT);
    }
    EXPECT_FALSE(display.IsShowing());
    EXPECT_FALSE(convert::images::IsAlive(file.ImgHandle));
}

// A named pipe or a device in the list: the click reports it at once (opening a pipe would wait for a writer
// for good, and a device can be read endlessly), the display stays blank.
TEST_F(PreviewTest, PipesAndDevicesRaiseAtOnceInsteadOfBlocking) {
    const fs::path pipe = temp / "pipe.jpg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", temp / "zero.png");
    list.AppendMany({pipe.string(), (temp / "zero.png").string()});
    for (int row : {0, 1}) {
        try {
            controller.ListBox1Click({row});
            ADD_FAILURE() << "no error for row " << row;
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.problem(), imaging::Problem::NotRegular);
            EXPECT_EQ(error.file(), list.At(row));
        }
        EXPECT_FALSE(display.IsShowing());
    }
}

TEST_F(PreviewTest, BrokenImageRaisesAndResetsTheProgress) {
    const fs::path broken = temp / "broken.png";
    testsupport::WriteBytes(broken, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0});
    list.Append(broken.string());
    const std::size_t before = StoredImages();
    EXPECT_THROW(controller.ListBox1Click({0}), imaging::Error);
    EXPECT_FALSE(display.IsShowing());
    EXPECT_EQ(StoredImages(), before);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 0);
}

TEST_F(PreviewTest, ProgressStartsAndEndsAtZeroAroundTheLoad) {
    list.Append(Image("p.png", 30, 20));
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 0);
}

TEST_F(PreviewTest, RowsOutsideTheListAreIgnored) {
    list.Append(Image("p.png", 30, 20));
    EXPECT_FALSE(controller.ListBox1Click({5, -1}).has_value());
    EXPECT_EQ(controller.ListBox1Click({7, 0}), std::optional<std::string>(" 30x20x24BPP "));
}

TEST_F(PreviewTest, BlankClearsTheDisplayWithoutReleasing) {
    list.Append(Image("p.png", 30, 20));
    ASSERT_TRUE(controller.ListBox1Click({0}).has_value());
    controller.Blank();
    EXPECT_FALSE(display.IsShowing());
    EXPECT_TRUE(convert::images::IsAlive(file.ImgHandle));
}
