// The text caption: its geometry, the drawing on real pixels, and the caption step inside whole runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include "TestSupport.h"
#include "convert/RunDriver.h"
#include "convert/Caption.h"
#include "convert/CaptionLayout.h"
#include "convert/Stages.h"
#include "imaging/Error.h"

namespace convert_test {

// Fonts need a GUI application; one per test binary, kept to the end of the process.
void EnsureGuiApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_convert";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

} // namespace convert_test

namespace {

using namespace testsupport;
using convert::CaptionLayout;
using convert::CaptionPlacement;
using convert::CaptionRect;
using convert_test::EnsureGuiApplication;

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kYellow = 0xFFFFFF00;
constexpr std::uint32_t kRedValue = 0x000000FF;    // red in the lowest byte
constexpr std::uint32_t kYellowValue = 0x0000FFFF; // red and green

// ----- geometry -------------------------------------------------------------------------------------------

TEST(CaptionLayout, EveryPlacementOnA200By150Image) {
    // A text 30 wide and 20 high: the band is 21 high (or wide).
    struct Case {
        const char* text;
        CaptionLayout expected;
    };
    const Case cases[] = {
        {"左上", {true, {0, 0, 200, 21}, 1, 0, 0}},       {"中上", {true, {0, 0, 200, 21}, 85, 0, 0}},
        {"右上", {true, {0, 0, 200, 21}, 169, 0, 0}},     {"左下", {true, {0, 129, 200, 150}, 1, 129, 0}},
        {"中下", {true, {0, 129, 200, 150}, 85, 129, 0}}, {"右下", {true, {0, 129, 200, 150}, 169, 129, 0}},
        {"縦左", {true, {0, 0, 21, 150}, 0, 149, 90}},    {"縦右", {true, {179, 0, 200, 150}, 200, 1, 270}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(convert::LayOutCaption(convert::ParseCaptionPlacement(c.text), 200, 150, 30, 20), c.expected);
    }
}

TEST(CaptionLayout, OnlyTheEightTextsPlaceACaption) {
    for (const char* text : {"なし", "", "中央", "左上 ", "ひだりうえ", "TopLeft"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(convert::ParseCaptionPlacement(text), CaptionPlacement::None);
        EXPECT_FALSE(convert::LayOutCaption(convert::ParseCaptionPlacement(text), 200, 150, 30, 20).draws);
    }
}

TEST(CaptionLayout, WideCaptionsStartLeftOfTheImage) {
    // W - cx = -5: the centred text starts at -2 (truncated toward zero, not -3), the right-aligned one at -6.
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::TopCentre, 200, 150, 205, 20).x, -2);
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::BottomCentre, 200, 150, 205, 20).x, -2);
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::TopRight, 200, 150, 205, 20).x, -6);
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::BottomRight, 200, 150, 205, 20).x, -6);
    // Odd differences truncate toward zero on both sides.
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::TopCentre, 200, 150, 31, 20).x, 84);
    // A text higher than the image: the bottom band starts above the image.
    EXPECT_EQ(convert::LayOutCaption(CaptionPlacement::BottomLeft, 50, 10, 30, 20).band, (CaptionRect{0, -11, 50, 10}));
}

TEST(CaptionLayout, TheTemporaryBitmapIsNamedAfterTheSource) {
    EXPECT_EQ(convert::CaptionBitmapPath("/p/Temp/", "/a/photo.jpg"), "/p/Temp/photo$$$.bmp");
    EXPECT_EQ(convert::CaptionBitmapPath("/p/Temp/", "/a.d/photo.tar.png"), "/p/Temp/photo.tar$$$.bmp");
    EXPECT_EQ(convert::CaptionBitmapPath("/p/Temp/", "/a.d/scan"), "/p/Temp/scan$$$.bmp");
    EXPECT_EQ(convert::CaptionBitmapPath("/p/Temp/", "/b/写真.JPEG"), "/p/Temp/写真$$$.bmp");
}

// ----- drawing on real pixels -----------------------------------------------------------------------------

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive; empty while right < left
    bool Empty() const { return right < left; }
    void Add(int x, int y) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
};

// The bounding box of the pixels for which `pick` is true.
template <typename Pick> Box BoxOf(const QImage& image, Pick pick) {
    Box box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pick(image.pixel(x, y))) box.Add(x, y);
    return box;
}

class CaptionDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApplication();
        options.captionText = "ABC";
        options.captionFont.size = 20; // 27 pixels
        options.captionFont.colour = kRedValue;
        options.captionFill = true;
        options.captionFillColour = kYellowValue;
    }
    QImage Blank(int width = 200, int height = 150) const {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(kWhite);
        return image;
    }
    // Height and width of the caption as the drawing measures it.
    QFontMetrics Metrics() const { return QFontMetrics(convert::CaptionFont(options.captionFont)); }

    convert::RunOptions options;
};

TEST_F(CaptionDrawing, TheFontIsAJapaneseFaceAt96DotsPerInch) {
    const bool ipa = QFontDatabase::hasFamily("IPAPGothic");
    ASSERT_TRUE(ipa || QFontDatabase::hasFamily("Noto Sans CJK JP")) << "no Japanese face installed";
    const QString japanese = ipa ? "IPAPGothic" : "Noto Sans CJK JP";
    options::TextFont font; // the stored default face, 9 points
    EXPECT_EQ(convert::CaptionFace(font.name), japanese);
    EXPECT_EQ(convert::CaptionFace("No Such Face 1234"), japanese);
    EXPECT_EQ(convert::CaptionFace(""), japanese);
    if (QFontDatabase::hasFamily("Noto Sans CJK JP")) {
        EXPECT_EQ(convert::CaptionFace("Noto Sans CJK JP"), "Noto Sans CJK JP");
    }

    QFont qfont = convert::CaptionFont(font);
    EXPECT_EQ(qfont.pixelSize(), 12);
    EXPECT_EQ(QFontInfo(qfont).family(), japanese);
    EXPECT_FALSE(qfont.bold() || qfont.italic() || qfont.underline() || qfont.strikeOut());
    for (auto [points, pixels] : {std::pair{10, 13}, {11, 15}, {12, 16}, {72, 96}, {0, 12}, {-9, 12}}) {
        font.size = points;
        EXPECT_EQ(convert::CaptionFont(font).pixelSize(), pixels) << points;
    }
    font.size = 2'000'000'000; // a settings file can say anything; the glyphs stay bounded
    EXPECT_LE(convert::CaptionFont(font).pixelSize(), 4096);

    font.style = options::kFontBold | options::kFontStrikeOut;
    qfont = convert::CaptionFont(font);
    EXPECT_TRUE(qfont.bold() && qfont.strikeOut());
    EXPECT_FALSE(qfont.italic() || qfont.underline());
    font.style = options::kFontItalic | options::kFontUnderline;
    qfont = convert::CaptionFont(font);
    EXPECT_TRUE(qfont.italic() && qfont.underline());
    EXPECT_FALSE(qfont.bold() || qfont.strikeOut());
}

TEST_F(CaptionDrawing, EachPlacementFillsItsBandAndPutsTheTextOnTheRightSide) {
    const int cy = Metrics().height();
    const int cx = Metrics().horizontalAdvance("ABC");
    const int band = cy + 1;
    ASSERT_GT(cx, 20);
    ASSERT_GE(cy, 27);
    const int W = 200, H = 150;
    struct Case {
        const char* placement;
        QRect band;
    };
    const Case cases[] = {
        {"左上", QRect(0, 0, W, band)},        {"中上", QRect(0, 0, W, band)},
        {"右上", QRect(0, 0, W, band)},        {"左下", QRect(0, H - band, W, band)},
        {"中下", QRect(0, H - band, W, band)}, {"右下", QRect(0, H - band, W, band)},
        {"縦左", QRect(0, 0, band, H)},        {"縦右", QRect(W - band, 0, band, H)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placement);
        options.captionPosition = c.placement;
        QImage image = Blank();
        convert::DrawCaption(image, options);

        // Everything drawn lies in the band, and the band is wholly drawn.
        const Box drawn = BoxOf(image, [](QRgb p) { return p != kWhite; });
        ASSERT_FALSE(drawn.Empty());
        EXPECT_EQ(QRect(QPoint(drawn.left, drawn.top), QPoint(drawn.right, drawn.bottom)), c.band);
        // The text: pixels that are not plain band colour; fully covered ones are pure red.
        const Box ink = BoxOf(image, [](QRgb p) { return p != kYellow && p != kWhite; });
        const Box red = BoxOf(image, [](QRgb p) { return qRed(p) == 255 && qGreen(p) < 40 && qBlue(p) < 40; });
        ASSERT_FALSE(ink.Empty());
        ASSERT_FALSE(red.Empty());
        EXPECT_TRUE(c.band.contains(ink.left, ink.top) && c.band.contains(ink.right, ink.bottom));

        const std::string p = c.placement;
        const int inkWidth = ink.right - ink.left + 1;
        const int inkHeight = ink.bottom - ink.top + 1;
        if (p == "縦左") {
            // Turned: the text runs along the edge, as long as it is wide, from its start at the bottom.
            EXPECT_GT(inkHeight, cx * 3 / 4);
            EXPECT_LT(inkWidth, cy);
            EXPECT_GE(ink.bottom, H - 1 - 4);
            EXPECT_LT(ink.top, H - cx / 2);
        } else if (p == "縦右") {
            EXPECT_GT(inkHeight, cx * 3 / 4);
            EXPECT_LT(inkWidth, cy);
            EXPECT_LE(ink.top, 1 + 4);
            EXPECT_GT(ink.bottom, cx / 2);
        } else {
            EXPECT_GT(inkWidth, cx * 3 / 4);
            EXPECT_LT(inkHeight, cy);
            const std::string side = p.substr(0, 3); // the first character: 左, 中 or 右
            if (side == "左") {
                EXPECT_LE(ink.left, 1 + 3);
                EXPECT_LT(ink.right, W / 2);
            } else if (side == "右") {
                EXPECT_GE(ink.right, W - 2 - 3);
                EXPECT_LE(ink.right, W - 2);
                EXPECT_GT(ink.left, W / 2);
            } else {
                EXPECT_NEAR((ink.left + ink.right) / 2.0, (W - 1) / 2.0, 3.0);
            }
        }
    }
}

// The text's pixels in the unrotated caption's box, for comparing a turned caption with a straight one.
std::vector<bool> StraightMask(const QImage& image, int cx, int cy) {
    std::vector<bool> mask(std::size_t(cx * cy));
    for (int v = 0; v < cy; ++v)
        for (int u = 0; u < cx; ++u)
            mask[std::size_t(v * cx + u)] = image.pixel(1 + u, v) != kWhite;
    return mask;
}

double Overlap(const std::vector<bool>& a, const std::vector<bool>& b) {
    std::size_t both = 0, either = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        both += a[i] && b[i];
        either += a[i] || b[i];
    }
    return either ? double(both) / double(either) : 0.0;
}

TEST_F(CaptionDrawing, VerticalCaptionsAreTurnedTheRightWay) {
    options.captionFill = false;
    options.captionText = "ABC";
    const int cx = Metrics().horizontalAdvance("ABC");
    const int cy = Metrics().height();
    const int W = 200, H = 150;

    options.captionPosition = "左上";
    QImage straight = Blank();
    convert::DrawCaption(straight, options);
    const std::vector<bool> expected = StraightMask(straight, cx, cy);

    // Reads upward along the left edge: the text's start is at the bottom, the tops of its letters face left.
    options.captionPosition = "縦左";
    QImage left = Blank();
    convert::DrawCaption(left, options);
    std::vector<bool> upward(expected.size()), downward(expected.size());
    for (int v = 0; v < cy; ++v)
        for (int u = 0; u < cx; ++u) {
            upward[std::size_t(v * cx + u)] = left.pixel(v, H - 2 - u) != kWhite;
            downward[std::size_t(v * cx + u)] = left.pixel(cy - 1 - v, H - 1 - cx + u) != kWhite;
        }
    EXPECT_GT(Overlap(expected, upward), 0.6);
    EXPECT_GT(Overlap(expected, upward), Overlap(expected, downward) + 0.2);

    // Reads downward along the right edge: the start is at the top, the tops of the letters face right.
    options.captionPosition = "縦右";
    QImage right = Blank();
    convert::DrawCaption(right, options);
    for (int v = 0; v < cy; ++v)
        for (int u = 0; u < cx; ++u) {
            downward[std::size_t(v * cx + u)] = right.pixel(W - 1 - v, 1 + u) != kWhite;
            upward[std::size_t(v * cx + u)] = right.pixel(W - cy + v, cx - u) != kWhite;
        }
    EXPECT_GT(Overlap(expected, downward), 0.6);
    EXPECT_GT(Overlap(expected, downward), Overlap(expected, upward) + 0.2);
}

TEST_F(CaptionDrawing, ACaptionWiderThanTheImageIsCutNotWrapped) {
    options.captionText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    options.captionFill = false;
    ASSERT_GT(Metrics().horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 220);
    const int band = Metrics().height() + 1;
    for (const char* placement : {"中上", "右下", "左上"}) {
        SCOPED_TRACE(placement);
        options.captionPosition = placement;
        QImage image = Blank();
        const CaptionLayout layout = convert::DrawCaption(image, options);
        const Box ink = BoxOf(image, [](QRgb p) { return p != kWhite; });
        ASSERT_FALSE(ink.Empty());
        // One line only, in the band's rows.
        EXPECT_LE(ink.bottom - ink.top + 1, band);
        EXPECT_TRUE(ink.top >= layout.band.top && ink.bottom < layout.band.bottom);
        // The line runs off the image on the cut side(s).
        if (std::string(placement) == "左上") {
            EXPECT_LE(ink.left, 4);
            EXPECT_GE(ink.right, 200 - 4);
        } else {
            EXPECT_LT(layout.x, 0);
            EXPECT_LE(ink.left, 4);
            EXPECT_GE(ink.right, 200 - 4);
        }
    }
}

TEST_F(CaptionDrawing, NoneAndUnknownPlacementsDrawNothing) {
    for (const char* placement : {"なし", "中央", ""}) {
        SCOPED_TRACE(placement);
        options.captionPosition = placement;
        QImage image = Blank();
        const QImage before = image;
        EXPECT_FALSE(convert::DrawCaption(image, options).draws);
        EXPECT_EQ(image, before);
    }
}

TEST_F(CaptionDrawing, BandAndTextColoursMayBeSystemColours) {
    options.captionPosition = "左上";
    options.captionFillColour = options::kButtonFaceColour;
    options.captionFont.colour = options::kWindowColour;
    QImage image = Blank();
    convert::DrawCaption(image, options);
    EXPECT_EQ(image.pixel(199, 0), QGuiApplication::palette().color(QPalette::Button).rgb());

    // A run resolves them once, where its options are captured: the workers get plain colours.
    convert::RunOptions resolved = options;
    convert::ResolveCaptionColours(resolved);
    EXPECT_FALSE(options::IsSystemColour(resolved.captionFillColour));
    EXPECT_FALSE(options::IsSystemColour(resolved.captionFont.colour));
    QImage again = Blank();
    convert::DrawCaption(again, resolved);
    EXPECT_EQ(again, image);
}

// ----- the caption step in whole runs ---------------------------------------------------------------------

// Keeps a copy of every output as it is written, and checks the temporary bitmap while the preview shows.
struct Watcher : convert::RunObserver {
    fs::path keep;
    std::string bitmap; // expected to exist when the captioned image is shown
    std::vector<fs::path> kept;
    int previews = 0;
    int bitmapSeen = 0;
    void ShowPreview(imaging::Handle handle) override {
        ++previews;
        EXPECT_NE(handle, 0);
        if (!bitmap.empty() && fs::exists(bitmap)) ++bitmapSeen;
    }
    void FileDone(int index, const std::string&, const std::string& output) override {
        if (keep.empty()) return;
        fs::path copy = keep / (std::to_string(index) + fs::path(output).extension().string());
        fs::copy_file(output, copy, fs::copy_options::overwrite_existing);
        kept.push_back(copy);
    }
};

class CaptionRun : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApplication();
        fs::create_directories(dir / "prog");
        fs::create_directories(dir / "keep");
        options.programFolder = (dir / "prog").string() + "/";
        options.outputFolder = (dir / "out").string();
        options.size.resizeMode = "常に有効";
        options.size.keepRatio = false;
        options.size.boxWidth = 200;
        options.size.boxHeight = 150;
        options.format = "BMP24";
        options.captionText = "ABC";
        options.captionPosition = "左上";
        options.captionFont.size = 20;
        options.captionFont.colour = kRedValue;
        options.captionFill = true;
        options.captionFillColour = kYellowValue;
        watcher.keep = dir / "keep";
    }
    // A source image filled with one colour, over a gradient so that it is not flat.
    std::string Source(const std::string& relative, QColor colour) {
        fs::create_directories((dir / relative).parent_path());
        QImage image(200, 150, QImage::Format_RGB32);
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                image.setPixel(x, y,
                               qRgb(colour.red() * (150 + y) / 300, colour.green() * (150 + y) / 300,
                                    colour.blue() * (150 + y) / 300));
        std::string path = (dir / relative).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        return path;
    }
    bool RunList(const std::vector<std::string>& list, bool commandLine = false) {
        convert::RunDriver run(
            components, options, commandLine ? convert::RunMode::CommandLine : convert::RunMode::Window, watcher,
            [] { return std::make_unique<convert::ConversionStages>(); }, 1);
        return run.Run(list);
    }
    int BandHeight() const { return QFontMetrics(convert::CaptionFont(options.captionFont)).height() + 1; }

    TempDir dir;
    convert::RunOptions options;
    convert::RunComponents components;
    Watcher watcher;
};

TEST_F(CaptionRun, NoneDrawsNothingButTheImageStillGoesThroughTheTemporaryBitmap) {
    const std::string source = Source("src/photo.png", QColor(40, 160, 220));
    options.captionText.clear();
    ASSERT_TRUE(RunList({source}));
    EXPECT_FALSE(fs::exists(dir / "prog" / "Temp")); // no caption: no temporary bitmap
    const QImage plain(QString::fromStdString((dir / "keep" / "0.bmp").string()));

    options.captionText = "ABC";
    options.captionPosition = "なし";
    watcher.bitmap = (dir / "prog" / "Temp" / "photo$$$.bmp").string();
    ASSERT_TRUE(RunList({source}));
    EXPECT_EQ(watcher.bitmapSeen, 1); // the bitmap was there when the captioned image came back
    EXPECT_EQ(watcher.previews, 2);   // one per run: the plain run's, then the caption step's
    EXPECT_TRUE(fs::is_directory(dir / "prog" / "Temp"));
    EXPECT_FALSE(fs::exists(watcher.bitmap)); // cleared at the end of the run
    const QImage none(QString::fromStdString((dir / "keep" / "0.bmp").string()));
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(none.convertToFormat(QImage::Format_RGB32), plain.convertToFormat(QImage::Format_RGB32));
}

TEST_F(CaptionRun, EightBitOutputsCarryTheCaption) {
    const std::string source = Source("src/photo.png", QColor(40, 160, 220));
    const int band = BandHeight();
    for (const char* format : {"BMP8", "PNG8"}) {
        SCOPED_TRACE(format);
        options.format = format;
        watcher.kept.clear();
        ASSERT_TRUE(RunList({source}, true));
        ASSERT_EQ(watcher.kept.size(), 1u);
        const imaging::Raster out = ReadWithMagick(watcher.kept[0]);
        ASSERT_EQ(out.width, 200);
        int yellow = 0, red = 0, bandPixels = 0;
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < 200; ++x, ++bandPixels) {
                const std::uint8_t* p = out.Row(y) + x * 3;
                yellow += p[0] > 230 && p[1] > 230 && p[2] < 40;
                red += p[0] > 200 && p[1] < 60 && p[2] < 60;
            }
        EXPECT_GT(yellow, bandPixels * 3 / 4);
        EXPECT_GT(red, 20);
        // Below the band the photo shows.
        const std::uint8_t* below = out.Row(band + 5) + 100 * 3;
        EXPECT_LT(below[0], 120);
        EXPECT_GT(below[2], 100);
    }
}

TEST_F(CaptionRun, SourcesOfTheSameNameShareTheBitmapSafely) {
    const std::string first = Source("a/photo.png", QColor(255, 40, 40));
    const std::string second = Source("b/photo.png", QColor(40, 40, 255));
    // A stale, read-only bitmap of that name left behind by an earlier, interrupted run.
    fs::create_directories(dir / "prog" / "Temp");
    const fs::path stale = dir / "prog" / "Temp" / "photo$$$.bmp";
    WriteBytes(stale, {'B', 'M', 0, 1, 2});
    fs::permissions(stale, fs::perms::owner_read);
    options.captionPosition = "左下";
    ASSERT_TRUE(RunList({first, second}));
    ASSERT_EQ(watcher.kept.size(), 2u);
    const QImage a(QString::fromStdString(watcher.kept[0].string()));
    const QImage b(QString::fromStdString(watcher.kept[1].string()));
    // Each output shows its own source above the caption band.
    EXPECT_GT(qRed(a.pixel(100, 20)), 100);
    EXPECT_LT(qBlue(a.pixel(100, 20)), 60);
    EXPECT_GT(qBlue(b.pixel(100, 20)), 100);
    EXPECT_LT(qRed(b.pixel(100, 20)), 60);
    EXPECT_EQ(a.pixel(0, 149), kYellow);
    EXPECT_EQ(b.pixel(0, 149), kYellow);
    EXPECT_FALSE(fs::exists(stale));
}

TEST_F(CaptionRun, AnUnwritableTemporaryFolderEndsTheRunWithAClearError) {
    const std::string source = Source("src/photo.png", QColor(40, 160, 220));
    options.programFolder = (dir / "missing" / "prog").string() + "/";
    const std::size_t before = imaging::ImageStore::Instance().Count();
    try {
        RunList({source});
        FAIL() << "the run went on";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.systemError(), ENOENT);
        EXPECT_NE(error.file().find("Temp"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(dir / "out"));
    // Nothing stays held.
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), before);
    options.programFolder = (dir / "prog").string() + "/";
    EXPECT_TRUE(RunList({source}));
}

} // namespace
