// The five progress frames compiled into the widgets library: their art, and that they match the drawing.
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TrayFrameArt.h"
#include "widgets/TrayIcon.h"

namespace {

const QRgb kYellow = qRgb(255, 230, 0);

// Rows of the gauge's middle column, counted up from the bottom edge while they are black or yellow.
int GaugeRows(const QImage& frame) {
    int rows = 0;
    for (int y = 15; y >= 0; --y) {
        const QRgb p = frame.pixel(8, y);
        const bool gauge = qAlpha(p) == 255 && (p == qRgb(0, 0, 0) || p == kYellow);
        if (!gauge) break;
        ++rows;
    }
    return rows;
}

} // namespace

TEST(TrayFrames, ResourcesMatchTheirDrawing) {
    const bool write = std::getenv("KELVO_WRITE_TRAY_FRAMES") != nullptr;
    for (int k = 0; k < widgets::kTrayFrameCount; ++k) {
        const QImage drawn = widgettest::DrawTrayFrame(k);
        if (write) {
            const auto path =
                testsupport::DataDir().parent_path() / "resources" / "tray" / ("frame" + std::to_string(k) + ".png");
            ASSERT_TRUE(drawn.save(QString::fromStdString(path.string()), "PNG"));
        }
        const QImage shipped(widgets::TrayFrameResource(k));
        ASSERT_FALSE(shipped.isNull()) << k;
        EXPECT_EQ(shipped.size(), QSize(16, 16));
        EXPECT_LE(shipped.colorCount(), 16) << "a 16-colour icon";
        EXPECT_GT(shipped.colorCount(), 0);
        const QImage a = shipped.convertToFormat(QImage::Format_ARGB32);
        const QImage b = drawn.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(a, b) << "frame " << k << " differs from its drawing; rerun with KELVO_WRITE_TRAY_FRAMES=1";
    }
}

TEST(TrayFrames, GaugeRisesFromEmptyToNearlyFullOverTheSamePicture) {
    const int expected[] = {0, 4, 7, 10, 14};
    const QImage first = QImage(widgets::TrayFrameResource(0)).convertToFormat(QImage::Format_ARGB32);
    for (int k = 0; k < widgets::kTrayFrameCount; ++k) {
        const QImage frame = QImage(widgets::TrayFrameResource(k)).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(GaugeRows(frame), expected[k]) << k;
        bool hasYellow = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                hasYellow |= frame.pixel(x, y) == kYellow;
                if (x < 6 || x > 10) { // the picture beside the gauge is the same in every frame
                    EXPECT_EQ(frame.pixel(x, y), first.pixel(x, y)) << k << " at " << x << "," << y;
                }
            }
        EXPECT_EQ(hasYellow, k > 0) << k;
        EXPECT_EQ(qAlpha(frame.pixel(0, 15)), 0) << "the corners are see-through";
    }
}

TEST(TrayFrames, TheListLoadsFiveIcons) {
    widgets::TIconList icons;
    widgets::LoadProgressFrames(icons);
    ASSERT_EQ(icons.Count(), 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_FALSE(icons.Item(k).isNull());
        EXPECT_FALSE(icons.Item(k).pixmap(16, 16).isNull());
    }
}
