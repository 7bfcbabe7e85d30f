// A freshly loaded JPEG that is resized to half its size or less is decoded at reduced scale: the result must
// have the exact target size and look like the resize of a full decode.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/Effects.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5Effect.h"
#include "imaging/Ik5File.h"
#include "imaging/ImageStore.h"
#include "imaging/QImageBridge.h"

namespace {

using namespace testsupport;

// A photo-like picture: plasma clouds, blurred, saved by ImageMagick at quality 92.
fs::path MakePhoto(const fs::path& dir, int width, int height) {
    fs::path path = dir / "photo.jpg";
    std::string command = "convert -seed 7 -size " + std::to_string(width) + "x" + std::to_string(height) +
                          " plasma:fractal -blur 0x3 -quality 92 " + Quote(path);
    EXPECT_EQ(Run(command), 0);
    return path;
}

// The same JPEG with an EXIF block that says: rotate 90 degrees clockwise to show (orientation 6).
fs::path WithOrientation6(const fs::path& jpeg, const fs::path& out) {
    std::vector<std::uint8_t> bytes = ReadBytes(jpeg);
    const std::vector<std::uint8_t> exif = {
        0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0,    0,                // APP1, 34 bytes with the length
        'I',  'I',  0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,                         // little-endian TIFF, IFD at 8
        0x01, 0x00,                                                             // one entry
        0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, // Orientation, SHORT, 1, 6
        0x00, 0x00, 0x00, 0x00};                                                // no next IFD
    bytes.insert(bytes.begin() + 2, exif.begin(), exif.end());
    WriteBytes(out, bytes);
    return out;
}

struct Loaded {
    imaging::TIk5File file;
    imaging::TIk5Effect effect;
    imaging::TIk5Common common;

    explicit Loaded(const fs::path& path) {
        file.FileName = path.string();
        file.Action = imaging::TIk5File::kLoad;
        file.Execute();
        file.GetImageInfo();
        effect.InImgHandle = file.ImgHandle;
    }
    ~Loaded() {
        for (imaging::Handle handle : {file.ImgHandle, effect.OutImgHandle}) {
            if (handle == 0) continue;
            common.ImgHandle = handle;
            common.DeleteImage();
            if (effect.OutImgHandle == file.ImgHandle) break;
        }
    }
    std::shared_ptr<const imaging::Image> Image() const { return imaging::ImageStore::Instance().Get(file.ImgHandle); }
    // The effect's resize (which may decode at reduced scale), read into memory.
    imaging::Raster Resized(int width, int height) {
        EXPECT_EQ(effect.Resize(width, height, 1), 1);
        return imaging::ToRaster(imaging::RgbPixels(*imaging::ImageStore::Instance().Get(effect.OutImgHandle)));
    }
    // The same resize from every decoded pixel.
    imaging::Raster FullDecodeResized(int width, int height) {
        auto image = imaging::ImageStore::Instance().Get(file.ImgHandle);
        return imaging::ToRaster(imaging::effects::Resize(imaging::RgbPixels(*image), width, height));
    }
};

class ShrinkOnLoad : public ::testing::Test {
protected:
    // One 2400 x 1600 photo for the whole suite (drawing plasma takes a while).
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        photo_ = new fs::path(MakePhoto(dir_->path(), 2400, 1600));
    }
    static void TearDownTestSuite() {
        delete photo_;
        delete dir_;
    }
    static const fs::path& Photo() { return *photo_; }
    TempDir dir;

private:
    static inline TempDir* dir_ = nullptr;
    static inline fs::path* photo_ = nullptr;
};

TEST_F(ShrinkOnLoad, ThumbnailsMatchTheFullDecodeAtExactSizes) {
    const fs::path& photo = Photo();
    struct Case {
        int width, height;
    };
    // 1/8 (300 x 200 and below), 1/4, 1/2, odd sizes, a distorted aspect, and sizes just past each threshold.
    const Case cases[] = {{200, 133}, {300, 200},  {301, 200},  {160, 107}, {599, 399},
                          {600, 400}, {1200, 800}, {1199, 801}, {37, 700},  {1000, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        Loaded loaded(photo);
        ASSERT_TRUE(imaging::ImageStore::Instance().Get(loaded.file.ImgHandle)->reloadShrunk);
        imaging::Raster shrunk = loaded.Resized(c.width, c.height);
        imaging::Raster full = loaded.FullDecodeResized(c.width, c.height);
        ASSERT_EQ(shrunk.width, c.width);
        ASSERT_EQ(shrunk.height, c.height);
        EXPECT_GE(Psnr(shrunk, full), 40.0);
    }
}

// A progressive file reduced to an eighth or less is decoded from its DC coefficients alone, with and without
// an orientation to apply; the thumbnails still match the full decode.
TEST_F(ShrinkOnLoad, ProgressiveThumbnailsMatchTheFullDecode) {
    const fs::path progressive = dir / "progressive.jpg";
    ASSERT_EQ(testsupport::Run("convert " + Quote(Photo()) + " -interlace plane -quality 92 " + Quote(progressive)), 0);
    const fs::path rotated = WithOrientation6(progressive, dir / "progressive-rotated.jpg");
    struct Case {
        fs::path file;
        int width, height;
    };
    const Case cases[] = {{progressive, 300, 200}, {progressive, 200, 133}, {progressive, 77, 300},
                          {progressive, 600, 400}, {rotated, 200, 300},     {rotated, 133, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file.filename() << " " << c.width << "x" << c.height);
        Loaded loaded(c.file);
        imaging::Raster shrunk = loaded.Resized(c.width, c.height);
        imaging::Raster full = loaded.FullDecodeResized(c.width, c.height);
        ASSERT_EQ(shrunk.width, c.width);
        ASSERT_EQ(shrunk.height, c.height);
        EXPECT_GE(Psnr(shrunk, full), 40.0);
    }
}

TEST_F(ShrinkOnLoad, FollowsTheExifOrientation) {
    const fs::path rotated = WithOrientation6(Photo(), dir / "rotated.jpg");
    Loaded loaded(rotated);
    ASSERT_EQ(loaded.file.ImgWidth, 1600); // upright: the stored 2400 x 1600 turned a quarter
    ASSERT_EQ(loaded.file.ImgHeight, 2400);
    for (auto [width, height] : {std::pair{133, 200}, std::pair{201, 300}, std::pair{400, 601}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        imaging::Raster shrunk = loaded.Resized(width, height);
        imaging::Raster full = loaded.FullDecodeResized(width, height);
        ASSERT_EQ(shrunk.width, width);
        ASSERT_EQ(shrunk.height, height);
        EXPECT_GE(Psnr(shrunk, full), 40.0);
        imaging::TIk5Common common{loaded.effect.OutImgHandle};
        common.DeleteImage();
        loaded.effect.OutImgHandle = 0;
    }
}

TEST_F(ShrinkOnLoad, AnEffectBeforeTheResizeIsKept) {
    // After any effect but the promotion to 24 bits the pixels are no longer the file's: the resize must work
    // from them (a reduced decode would lose the effect).
    Loaded loaded(Photo());
    const std::int32_t xs[4] = {0, 2400, 2400, 0};
    const std::int32_t ys[4] = {0, 0, 1600, 1600};
    ASSERT_EQ(loaded.effect.ChangeSaturation(xs, ys, 4, -100), 1);
    const imaging::Handle grey = loaded.effect.OutImgHandle;
    loaded.effect.InImgHandle = grey;
    imaging::Raster resized = loaded.Resized(200, 150);
    for (std::size_t i = 0; i < resized.pixels.size(); i += 3) {
        ASSERT_EQ(resized.pixels[i], resized.pixels[i + 1]) << i;
        ASSERT_EQ(resized.pixels[i], resized.pixels[i + 2]) << i;
    }
    imaging::TIk5Common common{grey};
    common.DeleteImage();
}

TEST_F(ShrinkOnLoad, TheDepthPromotionKeepsTheReducedDecode) {
    // A grey JPEG is promoted to 24 bits before the resize; the reduced decode must still serve and match.
    const fs::path& photo = Photo();
    const fs::path grey = dir / "grey.jpg";
    ASSERT_EQ(testsupport::Run("convert " + Quote(photo) + " -colorspace Gray -quality 92 " + Quote(grey)), 0);
    Loaded loaded(grey);
    ASSERT_EQ(loaded.file.ImgBitCount, 8);
    ASSERT_EQ(loaded.effect.ChangeColorDepth(24, 0, 0, 0), 1);
    const imaging::Handle promoted = loaded.effect.OutImgHandle;
    loaded.effect.InImgHandle = promoted;
    ASSERT_TRUE(imaging::ImageStore::Instance().Get(promoted)->reloadShrunk);
    imaging::Raster shrunk = loaded.Resized(150, 100);
    imaging::Raster full = loaded.FullDecodeResized(150, 100);
    EXPECT_GE(Psnr(shrunk, full), 40.0);
    imaging::TIk5Common common{promoted};
    common.DeleteImage();
}

} // namespace

namespace {

// The preview pane's picture of a photo far larger than the screen comes from a reduced decode that is still
// at least the photo fitted into the screen, and looks like the full decode brought to that size.
TEST_F(ShrinkOnLoad, PreviewsOfLargePhotosAreDecodedAtReducedScale) {
    Loaded loaded(Photo());
    const QImage whole = imaging::ToQImage(loaded.file.ImgHandle);
    ASSERT_EQ(whole.size(), QSize(2400, 1600));
    struct Case {
        QSize bound, expected;
    };
    const Case cases[] = {{{1024, 768}, {1200, 800}}, // fitted 1024 x 683: 1/2 is the smallest decode above
                          {{500, 500}, {600, 400}},   // fitted 500 x 333: 1/4
                          {{100, 100}, {300, 200}},   // 1/8 at most
                          {{2400, 1600}, {2400, 1600}},
                          {{4000, 4000}, {2400, 1600}}, // never enlarged
                          {{}, {2400, 1600}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bound.width() << "x" << c.bound.height());
        const QImage preview = imaging::ToQImage(loaded.file.ImgHandle, c.bound);
        ASSERT_EQ(preview.size(), c.expected);
        const QSize shown = QSize(2400, 1600)
                                .scaled(c.bound.isEmpty() ? QSize(2400, 1600) : c.bound, Qt::KeepAspectRatio)
                                .boundedTo(QSize(2400, 1600));
        const auto asRaster = [&](const QImage& image) {
            const QImage scaled = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_RGB888);
            imaging::Raster raster;
            raster.width = scaled.width();
            raster.height = scaled.height();
            for (int y = 0; y < scaled.height(); ++y)
                raster.pixels.insert(raster.pixels.end(), scaled.constScanLine(y),
                                     scaled.constScanLine(y) + raster.width * 3);
            return raster;
        };
        EXPECT_GE(Psnr(asRaster(preview), asRaster(whole)), 35.0);
    }
}

} // namespace

// A freshly loaded PNG that is reduced (and not decoded at reduced scale, below) is decoded again from the top
// straight into the reduction (never held whole): the pixels are those of the resize of the full decode, for
// every kind of PNG, and a file replaced since the load is not read (the loaded pixels are used).
TEST_F(ShrinkOnLoad, PngReducedWhileDecodedMatchesTheFullDecode) {
    const fs::path photo = dir / "photo.png";
    ASSERT_EQ(testsupport::Run("convert " + Quote(Photo()) + " " + Quote(photo)), 0);
    struct Case {
        const char* name;
        const char* convert; // how ImageMagick makes it from the photo
    };
    const Case kinds[] = {{"rgb.png", ""},
                          {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel"},
                          {"grey.png", "-colorspace gray -define png:color-type=0"},
                          {"grey16.png", "-colorspace gray -depth 16"},
                          {"rgb16.png", "-depth 16"},
                          {"palette.png", "-colors 200 PNG8:"}};
    for (const Case& kind : kinds) {
        const fs::path file = dir / kind.name;
        const std::string target = std::string(kind.convert).ends_with(":") ? "" : " ";
        ASSERT_EQ(testsupport::Run("convert " + Quote(photo) + " " + kind.convert + target + Quote(file)), 0)
            << kind.name;
        std::vector<std::pair<int, int>> sizes = {{1000, 667}, {799, 533}, {2400, 20}};
        // 16-bit and palette files have no reduced-scale decode: they take this way for every reduction.
        if (!Loaded(file).Image()->reloadShrunk) sizes.push_back({200, 133});
        for (auto [width, height] : sizes) {
            SCOPED_TRACE(testing::Message() << kind.name << " " << width << "x" << height);
            Loaded loaded(file);
            ASSERT_TRUE(loaded.Image()->reloadStored);
            imaging::Raster reduced = loaded.Resized(width, height);
            // The loaded pixels (alpha kept) resized, then shown on white as Resized shows its result.
            auto image = imaging::ImageStore::Instance().Get(loaded.file.ImgHandle);
            imaging::Raster full =
                imaging::ToRaster(imaging::FlattenToRgb(imaging::effects::Resize(image->pixels, width, height)));
            ASSERT_EQ(reduced.width, width);
            ASSERT_EQ(reduced.height, height);
            EXPECT_EQ(reduced.pixels, full.pixels);
        }
    }
    // The reduction is made (and held) by the resize itself: cutting the file short afterwards changes nothing.
    {
        const fs::path cut = dir / "cut.png";
        fs::copy_file(photo, cut);
        imaging::Raster expected = Loaded(cut).FullDecodeResized(1000, 667);
        Loaded reduced(cut);
        ASSERT_EQ(reduced.effect.Resize(1000, 667, 1), 1);
        fs::resize_file(cut, 1000);
        auto image = imaging::ImageStore::Instance().Get(reduced.effect.OutImgHandle);
        EXPECT_EQ(imaging::ToRaster(imaging::RgbPixels(*image)).pixels, expected.pixels);
    }
    // Replaced after the load by another picture of the same size: the reduction is of the loaded pixels.
    Loaded loaded(photo);
    ASSERT_EQ(testsupport::Run("convert -size 2400x1600 xc:red " + Quote(dir / "red.png")), 0);
    fs::rename(dir / "red.png", photo);
    EXPECT_EQ(loaded.Resized(300, 200).pixels, loaded.FullDecodeResized(300, 200).pixels);
}

// An 8-bit PNG reduced to half or less of a smaller power-of-two size is decoded to that size directly (block
// means, then the resize): the thumbnail looks like the resize of the full decode, and, made once, it no longer
// depends on the file.
TEST_F(ShrinkOnLoad, PngReducedToHalfOrLessIsDecodedAtReducedScale) {
    const fs::path photo = dir / "photo.png";
    ASSERT_EQ(testsupport::Run("convert " + Quote(Photo()) + " " + Quote(photo)), 0);
    const std::pair<const char*, const char*> kinds[] = {{"rgb.png", ""},
                                                         {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel"},
                                                         {"grey.png", "-colorspace gray -define png:color-type=0"}};
    struct Case {
        int width, height, shrunkWidth, shrunkHeight;
    };
    const Case cases[] = {{200, 133, 600, 400}, {300, 200, 600, 400}, {599, 399, 1200, 800}, {150, 100, 300, 200}};
    for (const auto& [name, convert] : kinds) {
        const fs::path file = dir / name;
        ASSERT_EQ(testsupport::Run("convert " + Quote(photo) + " " + convert + " " + Quote(file)), 0) << name;
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << name << " " << c.width << "x" << c.height);
            Loaded loaded(file);
            std::optional<vips::VImage> shrunk = imaging::ShrunkOnLoad(*loaded.Image(), c.width, c.height);
            ASSERT_TRUE(shrunk);
            EXPECT_EQ(shrunk->width(), c.shrunkWidth);
            EXPECT_EQ(shrunk->height(), c.shrunkHeight);
            imaging::Raster reduced = loaded.Resized(c.width, c.height);
            imaging::Raster full = imaging::ToRaster(
                imaging::FlattenToRgb(imaging::effects::Resize(loaded.Image()->pixels, c.width, c.height)));
            ASSERT_EQ(reduced.width, c.width);
            ASSERT_EQ(reduced.height, c.height);
            EXPECT_GE(Psnr(reduced, full), 40.0);
        }
    }
    const fs::path cut = dir / "cut.png";
    fs::copy_file(photo, cut);
    Loaded reduced(cut);
    const imaging::Raster before = reduced.Resized(200, 133);
    fs::resize_file(cut, 1000);
    auto image = imaging::ImageStore::Instance().Get(reduced.effect.OutImgHandle);
    EXPECT_EQ(imaging::ToRaster(imaging::RgbPixels(*image)).pixels, before.pixels);
}
