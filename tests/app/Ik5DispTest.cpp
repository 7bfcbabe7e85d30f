#include "app/Ik5Disp.h"

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5File.h"

using namespace app;

namespace {

// Loads a plain-coloured PNG of the given size into the store.
class StoredImage {
public:
    StoredImage(int width, int height, QColor colour) {
        QImage image(width, height, QImage::Format_RGB888);
        image.fill(colour);
        const std::string path = (temp_ / "plain.png").string();
        if (!image.save(QString::fromStdString(path), "PNG")) throw std::runtime_error("cannot write " + path);
        file_.FileName = path;
        file_.Action = imaging::TIk5File::kLoad;
        file_.Execute();
    }
    ~StoredImage() {
        if (file_.ImgHandle == 0) return;
        imaging::TIk5Common common;
        common.ImgHandle = file_.ImgHandle;
        try {
            common.DeleteImage();
        } catch (const imaging::Error&) {
            // released by the test already
        }
    }
    imaging::Handle handle() const { return file_.ImgHandle; }

private:
    testsupport::TempDir temp_;
    imaging::TIk5File file_;
};

class DisplayTest : public ::testing::Test {
protected:
    // First member: widgets need the application before they are made.
    QApplication& application = apptest::EnsureApplication();

    void SetUp() override { display.resize(300, 200); }

    void Show(imaging::Handle handle) {
        display.ImgHandle = handle;
        display.DispMode = 0;
        display.Action = TIk5Disp::kPrepare;
        display.Execute();
        display.Action = TIk5Disp::kShow;
        display.Execute();
    }

    QImage Grab() { return display.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QColor Background() const { return display.palette().color(QPalette::Window); }

    TIk5Disp display;
};

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 240 && qGreen(pixel) < 15 && qBlue(pixel) < 15;
}

} // namespace

TEST_F(DisplayTest, WideImageIsFittedToTheWidthAndCentred) {
    ASSERT_FALSE(IsRed(Background().rgb()));
    StoredImage red(600, 100, Qt::red);
    Show(red.handle());
    EXPECT_EQ(display.PictureRect(display.size()), QRect(0, 75, 300, 50));
    const QImage shot = Grab();
    ASSERT_EQ(shot.size(), QSize(300, 200));
    for (QPoint inside : {QPoint(0, 75), QPoint(150, 100), QPoint(299, 124)}) {
        EXPECT_TRUE(IsRed(shot.pixel(inside))) << inside.x() << "," << inside.y();
    }
    for (QPoint outside : {QPoint(150, 10), QPoint(150, 73), QPoint(150, 126), QPoint(299, 199)}) {
        EXPECT_EQ(shot.pixel(outside), Background().rgb()) << outside.x() << "," << outside.y();
    }
}

TEST_F(DisplayTest, TallImageIsFittedToTheHeightAndCentred) {
    StoredImage red(100, 400, Qt::red);
    Show(red.handle());
    EXPECT_EQ(display.PictureRect(display.size()), QRect(125, 0, 50, 200));
    const QImage shot = Grab();
    EXPECT_TRUE(IsRed(shot.pixel(150, 100)));
    EXPECT_TRUE(IsRed(shot.pixel(126, 1)));
    EXPECT_EQ(shot.pixel(120, 100), Background().rgb());
    EXPECT_EQ(shot.pixel(180, 100), Background().rgb());
}

TEST_F(DisplayTest, SmallImageIsShownAtItsOwnSizeCentred) {
    StoredImage red(40, 20, Qt::red);
    Show(red.handle());
    EXPECT_EQ(display.PictureRect(display.size()), QRect(130, 90, 40, 20));
    const QImage shot = Grab();
    EXPECT_TRUE(IsRed(shot.pixel(130, 90)));
    EXPECT_TRUE(IsRed(shot.pixel(169, 109)));
    EXPECT_EQ(shot.pixel(129, 100), Background().rgb());
    EXPECT_EQ(shot.pixel(170, 100), Background().rgb());
    EXPECT_EQ(shot.pixel(150, 89), Background().rgb());
    EXPECT_EQ(shot.pixel(150, 110), Background().rgb());
}

TEST_F(DisplayTest, ClearLeavesOnlyTheBackgroundAndTheHandleIsNotOwned) {
    StoredImage red(600, 100, Qt::red);
    Show(red.handle());
    ASSERT_TRUE(display.IsShowing());
    display.Action = TIk5Disp::kClear;
    display.Execute();
    EXPECT_FALSE(display.IsShowing());
    EXPECT_EQ(Grab().pixel(150, 100), Background().rgb());
    // Clearing released nothing: the image is still in the store.
    EXPECT_NO_THROW(imaging::ImageStore::Instance().Get(red.handle()));
}

TEST_F(DisplayTest, ShownPictureOutlivesTheReleasedImage) {
    StoredImage red(600, 100, Qt::red);
    Show(red.handle());
    imaging::TIk5Common common;
    common.ImgHandle = red.handle();
    common.DeleteImage();
    display.Redraw();
    EXPECT_TRUE(IsRed(Grab().pixel(150, 100)));
}

TEST_F(DisplayTest, ShowingAReleasedOrMissingHandleFailsAndLeavesTheDisplayBlank) {
    StoredImage red(60, 10, Qt::red);
    Show(red.handle());
    display.ImgHandle = 0;
    display.Action = TIk5Disp::kShow;
    EXPECT_THROW(display.Execute(), imaging::Error);
    EXPECT_FALSE(display.IsShowing());
    EXPECT_EQ(Grab().pixel(150, 100), Background().rgb());

    display.Action = 7;
    EXPECT_THROW(display.Execute(), imaging::Error);
}

TEST_F(DisplayTest, ResizingTheWidgetRefitsThePicture) {
    StoredImage red(600, 100, Qt::red);
    Show(red.handle());
    display.resize(120, 200);
    EXPECT_EQ(display.PictureRect(display.size()), QRect(0, 90, 120, 20));
    const QImage shot = Grab();
    EXPECT_TRUE(IsRed(shot.pixel(60, 100)));
    EXPECT_EQ(shot.pixel(60, 80), Background().rgb());
}
