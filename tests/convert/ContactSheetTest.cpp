// A before/after contact sheet of the overlay at its five placements and the caption at its eight, made by
// real runs. With KELVO_CONTACT_SHEET=<file.png> in the environment the sheet is also written there (the
// README's docs/contact-sheet.png is made that way), as an 8-bit PNG through the imaging component.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/Caption.h"
#include "convert/Stages.h"

namespace convert_test {
void EnsureGuiApplication(); // CaptionTest.cpp
}

namespace {

using namespace testsupport;

constexpr int kTileWidth = 160;
constexpr int kTileHeight = 120;
constexpr int kLabelHeight = 20;
constexpr int kGutter = 4;
constexpr int kColumns = 6;
constexpr QRgb kKey = 0xFF000001; // the start value of the key colour: red 0, green 0, blue 1

struct Tile {
    QString label;
    QImage image;
};

class ContactSheet : public ::testing::Test {
protected:
    void SetUp() override {
        convert_test::EnsureGuiApplication();
        fs::create_directories(dir / "prog");
        // The photo: a smooth picture twice the tile size, so every run also reduces it.
        const imaging::Raster raster = MakeGradient(2 * kTileWidth, 2 * kTileHeight);
        QImage photo(raster.width, raster.height, QImage::Format_RGB888);
        for (int y = 0; y < raster.height; ++y)
            std::copy_n(raster.Row(y), raster.width * 3, photo.scanLine(y));
        source = Save(photo, "photo.png");
        before = photo.scaled(kTileWidth, kTileHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

        options.programFolder = (dir / "prog").string() + "/";
        options.size.resizeMode = "常に有効";
        options.size.keepRatio = false;
        options.size.boxWidth = kTileWidth;
        options.size.boxHeight = kTileHeight;
        options.format = "BMP24";
        options.overlayImage = Save(Logo(), "logo.png");
        options.overlayTransparency = 20; // opacity 205
        options.captionText = "Kelvo 写真";
        options.captionFont.size = 10;
        options.captionFont.style = options::kFontBold;
        options.captionFont.colour = 0x000000C0; // dark red
        options.captionFill = true;
        options.captionFillColour = 0x0000FFFF; // yellow
    }

    // A 56 x 28 logo: a dark blue badge with white letters on the key colour, which stays transparent.
    QImage Logo() const {
        QImage logo(56, 28, QImage::Format_RGB32);
        logo.fill(kKey);
        QPainter painter(&logo);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 40, 120));
        painter.drawRoundedRect(QRectF(0, 0, 56, 28), 8, 8);
        options::TextFont font;
        font.size = 11;
        font.style = options::kFontBold;
        painter.setFont(convert::CaptionFont(font));
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, 56, 28), Qt::AlignCenter, "KLV");
        return logo;
    }
    std::string Save(const QImage& image, const std::string& name) const {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        return path;
    }
    // One run of the photo with the options as they are; returns the written image.
    QImage Convert(const std::string& folder) {
        options.outputFolder = (dir / folder).string();
        convert::RunObserver observer;
        convert::RunDriver run(
            components, options, convert::RunMode::CommandLine, observer,
            [] { return std::make_unique<convert::ConversionStages>(); }, 1);
        EXPECT_TRUE(run.Run({source}));
        return QImage(QString::fromStdString((dir / folder / "photo.bmp").string()));
    }

    TempDir dir;
    std::string source;
    QImage before;
    convert::RunOptions options;
    convert::RunComponents components;
};

QImage Compose(const std::vector<Tile>& tiles) {
    const int rows = (int(tiles.size()) + kColumns - 1) / kColumns;
    QImage sheet(kColumns * (kTileWidth + kGutter) + kGutter, rows * (kTileHeight + kLabelHeight + kGutter) + kGutter,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    options::TextFont labelFont;
    painter.setFont(convert::CaptionFont(labelFont));
    painter.setPen(Qt::black);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const int x = kGutter + int(i % kColumns) * (kTileWidth + kGutter);
        const int y = kGutter + int(i / kColumns) * (kTileHeight + kLabelHeight + kGutter);
        painter.drawImage(x, y, tiles[i].image);
        painter.drawText(QRect(x, y + kTileHeight, kTileWidth, kLabelHeight), Qt::AlignCenter, tiles[i].label);
    }
    return sheet;
}

// Writes the sheet as an 8-bit PNG through the imaging component, the way the program writes "PNG8".
void WriteSheet(const QImage& sheet, const fs::path& folder, const std::string& target) {
    const std::string bitmap = (folder / "sheet.bmp").string();
    ASSERT_TRUE(sheet.save(QString::fromStdString(bitmap), "BMP"));
    imaging::TIk5File file;
    file.FileName = bitmap;
    file.Execute();
    imaging::TIk5Effect effect;
    effect.InImgHandle = file.ImgHandle;
    effect.ChangeColorDepth(8, 0, 0, 0);
    file.ImgHandle = effect.OutImgHandle;
    file.Action = imaging::TIk5File::kSavePng;
    file.FileName = target;
    file.Execute();
    imaging::ImageStore::Instance().Delete(effect.InImgHandle);
    imaging::ImageStore::Instance().Delete(effect.OutImgHandle);
}

TEST_F(ContactSheet, OverlayAtFivePlacesAndCaptionAtEight) {
    std::vector<Tile> tiles{{"元画像", before}};
    options.captionText.clear();
    for (const char* placement : {"左上", "右上", "左下", "右下", "中央"}) {
        options.overlayPosition = placement;
        const QImage out = Convert(std::string("overlay-") + placement);
        ASSERT_EQ(out.size(), QSize(kTileWidth, kTileHeight)) << placement;
        tiles.push_back({QString("重ね ") + placement, out});
    }
    // Without a caption only the corner (or centre) under the logo changes.
    const QImage& topLeft = tiles[1].image;
    const QImage& centre = tiles[5].image;
    EXPECT_NE(topLeft.pixel(10, 10), centre.pixel(10, 10));
    EXPECT_EQ(topLeft.pixel(kTileWidth / 2, kTileHeight / 2 + 20), centre.pixel(kTileWidth / 2, kTileHeight / 2 + 20));

    options.overlayImage.clear();
    options.captionText = "Kelvo 写真";
    for (const char* placement : {"左上", "中上", "右上", "左下", "中下", "右下", "縦左", "縦右"}) {
        options.captionPosition = placement;
        const QImage out = Convert(std::string("caption-") + placement);
        ASSERT_EQ(out.size(), QSize(kTileWidth, kTileHeight)) << placement;
        tiles.push_back({QString("文字 ") + placement, out});
    }
    // Every caption tile has its band: a yellow corner on its side.
    const std::pair<int, QPoint> corners[] = {
        {6, {0, 0}}, {9, {0, kTileHeight - 1}}, {12, {0, 0}}, {13, {kTileWidth - 1, 0}}};
    for (const auto& [index, corner] : corners)
        EXPECT_EQ(tiles[std::size_t(index)].image.pixel(corner), qRgb(255, 255, 0)) << index;

    const QImage sheet = Compose(tiles);
    EXPECT_EQ(sheet.width(), kColumns * (kTileWidth + kGutter) + kGutter);
    const fs::path written = dir / "contact-sheet.png";
    WriteSheet(sheet, dir.path(), written.string());
    EXPECT_EQ(Identify(written, "%wx%h"), std::to_string(sheet.width()) + "x" + std::to_string(sheet.height()));
    if (const char* target = std::getenv("KELVO_CONTACT_SHEET"); target && *target)
        fs::copy_file(written, target, fs::copy_options::overwrite_existing);
}

} // namespace
