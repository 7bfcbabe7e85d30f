// The product picture shipped for the about box: 100 × 80 with at most 256 colours, drawn from the application
// icon (resources/icons/make-icons.sh makes both), so the window, the taskbar and the about box show one picture.
#include <cmath>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "AboutTestSupport.h"
#include "TestSupport.h"

namespace {

// The picture as the icon should give it: the 128-pixel icon reduced to 76 × 76, centred on white.
QImage ExpectedFromIcon(const std::filesystem::path& icon) {
    QImage picture(100, 80, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(12, 2, 76, 76), QImage(QString::fromStdString(icon.string())));
    return picture;
}

TEST(ProductPicture, IsThePaletteImageOfTheApplicationIcon) {
    const auto path = abouttest::ResourcesDir() / "about" / "product.png";
    const QImage shipped(QString::fromStdString(path.string()));
    ASSERT_FALSE(shipped.isNull());
    EXPECT_EQ(shipped.size(), QSize(100, 80));
    EXPECT_EQ(shipped.format(), QImage::Format_Indexed8);
    EXPECT_LE(shipped.colorCount(), 256);
    EXPECT_EQ(testsupport::Identify(path, "%[type]"), "Palette"); // a peer reads it as a palette image

    const QImage expected =
        ExpectedFromIcon(abouttest::ResourcesDir() / "icons" / "hicolor" / "128" / "apps" / "kelvo.png");
    const QImage actual = shipped.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 100; ++x) {
            QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            for (int d : {qRed(a) - qRed(e), qGreen(a) - qGreen(e), qBlue(a) - qBlue(e)})
                sum += double(d) * d;
        }
    }
    const double psnr = 10 * std::log10(255.0 * 255.0 / (sum / (100 * 80 * 3) + 1e-9));
    EXPECT_GE(psnr, 25.0) << "the about picture no longer shows the application icon";
}

} // namespace
