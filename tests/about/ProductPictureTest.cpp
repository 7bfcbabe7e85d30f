// The product picture shipped for the about box: 100 × 80 with 256 colours, as its generator draws it.
// KELVO_WRITE_ABOUT_ART rewrites the shipped file from the generator.
#include <QImage>
#include <QSet>
#include <cstdlib>
#include <gtest/gtest.h>

#include "AboutTestSupport.h"
#include "ProductArt.h"
#include "TestSupport.h"

TEST(ProductPicture, ShippedFileIsTheGeneratedPictureWith256Colours)
{
    const QImage drawn = abouttest::DrawProductPicture();
    ASSERT_EQ(drawn.format(), QImage::Format_Indexed8);
    ASSERT_EQ(drawn.colorCount(), 256);
    const auto path = abouttest::ResourcesDir() / "about" / "product.png";
    if (std::getenv("KELVO_WRITE_ABOUT_ART") != nullptr) {
        ASSERT_TRUE(drawn.save(QString::fromStdString(path.string()), "PNG"));
    }

    const QImage shipped(QString::fromStdString(path.string()));
    ASSERT_FALSE(shipped.isNull());
    EXPECT_EQ(shipped.size(), QSize(100, 80));
    EXPECT_EQ(shipped.format(), QImage::Format_Indexed8);
    EXPECT_EQ(shipped.colorCount(), 256);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(shipped.pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
    // A peer reads it as a palette image.
    EXPECT_EQ(testsupport::Identify(path, "%[type]"), "Palette");

    // A picture, not a flat field: it uses a good part of its palette.
    QSet<int> used;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            used.insert(drawn.pixelIndex(x, y));
    EXPECT_GE(used.size(), 60);
}
