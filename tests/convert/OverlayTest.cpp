// The image overlay: opacity, placements, the once-per-run decision, and the overlay on real pixels in runs.
#include <gtest/gtest.h>

#include <map>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include <QImage>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/Overlay.h"
#include "convert/Stages.h"
#include "imaging/Error.h"

namespace {

using namespace testsupport;
using convert::OverlayPoint;

TEST(OverlayGeometry, OpacityFromTheTransparencySlider) {
    const std::pair<int, int> table[] = {{0, 255}, {10, 230}, {33, 173}, {50, 130}, {99, 8}, {100, 0}, {1, 253}};
    for (auto [transparency, opacity] : table)
        EXPECT_EQ(convert::OverlayOpacity(transparency), opacity) << transparency;
}

TEST(OverlayGeometry, FivePlacements) {
    EXPECT_EQ(convert::OverlayPosition("左上", 200, 150, 50, 20), (OverlayPoint{0, 0}));
    EXPECT_EQ(convert::OverlayPosition("左下", 200, 150, 50, 20), (OverlayPoint{0, 130}));
    EXPECT_EQ(convert::OverlayPosition("右上", 200, 150, 50, 20), (OverlayPoint{150, 0}));
    EXPECT_EQ(convert::OverlayPosition("右下", 200, 150, 50, 20), (OverlayPoint{150, 130}));
    EXPECT_EQ(convert::OverlayPosition("中央", 200, 150, 50, 20), (OverlayPoint{75, 65}));
    // The centre halves each size before subtracting: 100 - 50, where halving the difference gives 49.
    EXPECT_EQ(convert::OverlayPosition("中央", 200, 150, 101, 21)->x, 50);
    EXPECT_EQ(convert::OverlayPosition("中央", 200, 150, 101, 21)->y, 65);
    EXPECT_EQ(convert::OverlayPosition("中央", 201, 151, 100, 20), (OverlayPoint{50, 65}));
    for (const char* unknown : {"中上", "", "なし", "左上 ", "center"})
        EXPECT_FALSE(convert::OverlayPosition(unknown, 200, 150, 50, 20)) << unknown;
}

TEST(OverlayGeometry, AnOverlayLargerThanTheImageStartsOutsideIt) {
    EXPECT_EQ(convert::OverlayPosition("右下", 200, 150, 300, 200), (OverlayPoint{-100, -50}));
    EXPECT_EQ(convert::OverlayPosition("左下", 200, 150, 300, 200), (OverlayPoint{0, -50}));
    EXPECT_EQ(convert::OverlayPosition("右上", 200, 150, 300, 200), (OverlayPoint{-100, 0}));
    EXPECT_EQ(convert::OverlayPosition("中央", 200, 150, 301, 201), (OverlayPoint{-50, -25}));
}

TEST(OverlayUsable, OnlyARegularImageFileThatIsNeitherGifNorTiff) {
    TempDir dir;
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString((dir / "logo.png").string())));
    WriteBytes(dir / "anim.gif", {'G', 'I', 'F', '8', '9', 'a'});
    WriteBytes(dir / "page.tif", {'I', 'I', '*', 0});
    fs::create_directories(dir / "folder.png");
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0600), 0);
    EXPECT_TRUE(convert::OverlayUsable((dir / "logo.png").string()));
    EXPECT_FALSE(convert::OverlayUsable(""));
    EXPECT_FALSE(convert::OverlayUsable((dir / "missing.png").string()));
    EXPECT_FALSE(convert::OverlayUsable((dir / "anim.gif").string()));
    EXPECT_FALSE(convert::OverlayUsable((dir / "page.tif").string()));
    EXPECT_FALSE(convert::OverlayUsable((dir / "folder.png").string()));
    EXPECT_FALSE(convert::OverlayUsable((dir / "pipe.png").string())); // and does not block on it
    EXPECT_FALSE(convert::OverlayUsable(std::string("logo.png\0x", 10)));
    if (::geteuid() != 0) { // a file that exists but cannot be read is an error, not a silent "no overlay"
        fs::permissions(dir / "logo.png", fs::perms::none);
        EXPECT_THROW(convert::OverlayUsable((dir / "logo.png").string()), imaging::Error);
    }
}

// ----- overlays in runs -----------------------------------------------------------------------------------

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kKey = 0xFF000001; // red 0, green 0, blue 1: the start value of the key colour

// Keeps a copy of every output, and can change the overlay file between two images.
struct Keeper : convert::RunObserver {
    fs::path keep;
    std::vector<QImage> outputs;
    std::function<void()> afterFirst;
    void FileDone(int index, const std::string&, const std::string& output) override {
        outputs.push_back(QImage(QString::fromStdString(output)).convertToFormat(QImage::Format_RGB32));
        if (index == 0 && afterFirst) afterFirst();
    }
};

class OverlayRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "prog");
        base = QImage(200, 150, QImage::Format_RGB32);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                base.setPixel(x, y, qRgb(200, 60 + y, 20 + x));
        source = Save(base, "photo.png");
        // A 40 x 30 logo: green on the left, the key colour on the right.
        QImage logo(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                logo.setPixel(x, y, x < 20 ? kGreen : kKey);
        options.overlayImage = Save(logo, "logo.png");
        options.overlayPosition = "右下";
        options.programFolder = (dir / "prog").string() + "/";
        options.outputFolder = (dir / "out").string();
        options.size.resizeMode = "常に有効";
        options.size.keepRatio = false;
        options.size.boxWidth = 200;
        options.size.boxHeight = 150;
        options.format = "BMP24";
    }
    std::string Save(const QImage& image, const std::string& name) {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        return path;
    }
    QImage RunOnce(int files = 1) {
        keeper.outputs.clear();
        convert::RunDriver run(components, options, convert::RunMode::CommandLine, keeper, Stages(), 1);
        EXPECT_TRUE(run.Run(std::vector<std::string>(std::size_t(files), source)));
        EXPECT_EQ(keeper.outputs.size(), std::size_t(files));
        return keeper.outputs.empty() ? QImage() : keeper.outputs.back();
    }
    // Pixels of the output that differ from the base picture, as a rectangle.
    QRect Changed(const QImage& out) const {
        QRect box;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                if (out.pixel(x, y) != base.pixel(x, y)) box |= QRect(x, y, 1, 1);
        return box;
    }

    TempDir dir;
    QImage base;
    std::string source;
    convert::RunOptions options;
    convert::RunComponents components;
    static convert::RunDriver::StagesFactory Stages() {
        return [] { return std::make_unique<convert::ConversionStages>(); };
    }
    Keeper keeper;
};

TEST_F(OverlayRun, OpaqueOverlayAtEachPlacementWithTheKeyColourLeftOut) {
    const std::pair<const char*, QPoint> cases[] = {
        {"左上", {0, 0}}, {"右上", {160, 0}}, {"左下", {0, 120}}, {"右下", {160, 120}}, {"中央", {80, 60}}};
    for (const auto& [placement, at] : cases) {
        SCOPED_TRACE(placement);
        options.overlayPosition = placement;
        const QImage out = RunOnce();
        // Only the green half is drawn; under the key-coloured half the photo shows unchanged.
        EXPECT_EQ(Changed(out), QRect(at, QSize(20, 30)));
        EXPECT_EQ(out.pixel(at.x() + 10, at.y() + 15), kGreen);
        EXPECT_EQ(out.pixel(at.x() + 30, at.y() + 15), base.pixel(at.x() + 30, at.y() + 15));
    }
}

TEST_F(OverlayRun, OpacityIsTakenOnceFromTheSlider) {
    options.overlayTransparency = 50; // opacity 130 of 255
    const QImage out = RunOnce();
    const QRgb under = base.pixel(170, 135);
    const QRgb got = out.pixel(170, 135);
    EXPECT_NEAR(qRed(got), qRed(under) * 125 / 255.0, 1.0);
    EXPECT_NEAR(qGreen(got), qGreen(under) * 125 / 255.0 + 130, 1.0);
    EXPECT_NEAR(qBlue(got), qBlue(under) * 125 / 255.0, 1.0);

    options.overlayTransparency = 100; // invisible
    EXPECT_TRUE(Changed(RunOnce()).isEmpty());
}

TEST_F(OverlayRun, AnOverlayLargerThanTheImageIsClippedToIt) {
    QImage big(300, 200, QImage::Format_RGB32);
    big.fill(kGreen);
    options.overlayImage = Save(big, "big.png");
    options.overlayPosition = "中央";
    const QImage out = RunOnce();
    EXPECT_EQ(out.size(), QSize(200, 150));
    EXPECT_EQ(out.pixel(0, 0), kGreen);
    EXPECT_EQ(out.pixel(199, 149), kGreen);
}

TEST_F(OverlayRun, TheOverlayAlsoReceivesTheCorrections) {
    options.grayscale = true;
    const QImage out = RunOnce();
    const QRgb logo = out.pixel(170, 135);
    EXPECT_TRUE(qRed(logo) == qGreen(logo) && qGreen(logo) == qBlue(logo));
    EXPECT_GT(qGreen(logo), 100); // green turned to a light grey, not left out
}

TEST_F(OverlayRun, UnknownPlacementsAndUnusableFilesDrawNothing) {
    options.overlayPosition = "中上";
    EXPECT_TRUE(Changed(RunOnce()).isEmpty());
    options.overlayPosition = "右下";
    for (const std::string& file : {std::string(), (dir / "missing.png").string()}) {
        options.overlayImage = file;
        EXPECT_TRUE(Changed(RunOnce()).isEmpty()) << file;
    }
}

TEST_F(OverlayRun, TheOverlayIsReadOnceForTheWholeRun) {
    // The overlay file changes after the first image; every image still gets the overlay the run started with.
    keeper.afterFirst = [&] {
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(qRgb(255, 0, 0));
        Save(red, "logo.png");
    };
    const std::size_t before = imaging::ImageStore::Instance().Count();
    RunOnce(3);
    ASSERT_EQ(keeper.outputs.size(), 3u);
    for (const QImage& output : keeper.outputs)
        EXPECT_EQ(output.pixel(170, 135), kGreen);
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before);
}

// A run whose outputs replace its own overlay file (PNG24 into the overlay's folder, the overlay's name among the
// sources): every entry gets the original overlay, with one worker as with two.
TEST_F(OverlayRun, ARunThatReplacesItsOverlayGivesEveryWorkerCountTheSameOutputs) {
    options.format = "PNG24";
    options.outputFolder = dir.path().string();
    std::vector<std::string> list{Save(base.mirrored(true, false), "logo.jpg")};
    for (int i = 0; i < 5; ++i)
        list.push_back(Save(base, "p" + std::to_string(i) + ".bmp"));
    std::map<int, std::vector<QImage>> outputs;
    for (int workers : {1, 2}) {
        QImage green(40, 30, QImage::Format_RGB32);
        green.fill(kGreen);
        options.overlayImage = Save(green, "logo.png"); // replaced by the first entry's output in each run
        keeper.outputs.clear();
        convert::RunDriver run(components, options, convert::RunMode::CommandLine, keeper, Stages(), workers);
        ASSERT_TRUE(run.Run(list));
        ASSERT_EQ(keeper.outputs.size(), list.size());
        for (const QImage& output : keeper.outputs)
            EXPECT_EQ(output.pixel(170, 135), kGreen) << workers;
        outputs[workers] = keeper.outputs;
    }
    EXPECT_EQ(outputs[1], outputs[2]);
}

TEST_F(OverlayRun, AnOverlayThatCannotBeLoadedEndsTheRun) {
    WriteBytes(dir / "broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    options.overlayImage = (dir / "broken.png").string();
    convert::RunDriver run(components, options, convert::RunMode::CommandLine, keeper, Stages(), 1);
    EXPECT_THROW(run.Run({source}), imaging::Error);
    EXPECT_FALSE(fs::exists(dir / "out" / "photo.bmp"));
}

} // namespace
