// Saves that write as the pixels are computed: the same bytes as an encoding held in memory, the sink's own
// failure reported as it was raised, a source decoded again only while it is the file that was loaded, and no
// file left by a save whose source turns out to be damaged.
#include <algorithm>
#include <cerrno>
#include <limits>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5File.h"
#include "imaging/codecs/Jpeg.h"
#include "imaging/codecs/Png.h"

namespace {

using imaging::TIk5File;
using namespace testsupport;

imaging::Raster Decode(const vips::VImage& image) {
    return imaging::ToRaster(imaging::FlattenToRgb(image));
}

imaging::Raster DecodeBytes(const std::vector<std::uint8_t>& bytes) {
    return Decode(vips::VImage::new_from_buffer(bytes.data(), bytes.size(), ""));
}

// A sink that fails like a full disc once it has taken `room` bytes.
imaging::ByteSink FullDisc(std::size_t room) {
    return [room, taken = std::size_t(0)](std::span<const std::uint8_t> bytes) mutable {
        taken += bytes.size();
        if (taken > room) throw imaging::Error("out.img", "No space left on device", ENOSPC);
    };
}

TEST(StreamingSave, StreamedPngIsTheInMemoryEncodingByteForByte) {
    const imaging::Raster rgb = MakeGradient(301, 217);
    for (bool interlace : {false, true}) {
        imaging::codecs::PngOptions options{interlace, "caption ünd 日本語", imaging::Rgb{1, 2, 3}, std::nullopt};
        std::vector<std::uint8_t> streamed;
        imaging::codecs::WritePng(imaging::ToVips(rgb), options, imaging::AppendTo(streamed));
        EXPECT_EQ(streamed, imaging::codecs::EncodePng(rgb, options)) << "interlace " << interlace;
        EXPECT_EQ(Psnr(DecodeBytes(streamed), rgb), std::numeric_limits<double>::infinity());
    }
}

TEST(StreamingSave, TheSinksFailureReachesTheCallerUnchanged) {
    const vips::VImage rgb = imaging::ToVips(MakeGradient(640, 480));
    auto expectDiscFull = [](auto&& save) {
        try {
            save();
            ADD_FAILURE() << "the save went on past a full disc";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.systemError(), ENOSPC) << error.what();
        }
    };
    for (std::size_t room : {0u, 100u, 3000u}) {
        SCOPED_TRACE(room);
        expectDiscFull([&] { imaging::codecs::WritePng(rgb, {}, FullDisc(room)); });
        expectDiscFull([&] { imaging::codecs::WriteJpeg(rgb, 90, false, true, "", FullDisc(room)); });
        expectDiscFull([&] { imaging::codecs::WriteJpeg(rgb, 90, true, false, "a comment", FullDisc(room)); });
    }
}

// Beyond the bound for optimised Huffman tables the file is written with the standard ones: other bytes, the
// very same pixels.
TEST(StreamingSave, LargeJpegsWithStandardTablesDecodeToTheSamePixels) {
    const vips::VImage rgb = imaging::ToVips(MakeGradient(4001, 4000));
    const std::vector<std::uint8_t> ours = imaging::codecs::EncodeJpeg(rgb, 85, false, true, "");
    VipsBlob* blob = nullptr;
    rgb.jpegsave_buffer(vips::VImage::option()
                            ->set("Q", 85)
                            ->set("optimize_coding", true)
                            ->set("strip", true)
                            ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON)
                            ->set("buffer", &blob));
    std::size_t size = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &size));
    const std::vector<std::uint8_t> optimised(data, data + size);
    vips_area_unref(VIPS_AREA(blob));
    EXPECT_GT(ours.size(), optimised.size());
    EXPECT_EQ(Psnr(DecodeBytes(ours), DecodeBytes(optimised)), std::numeric_limits<double>::infinity());
}

class SourceSave : public ::testing::Test {
protected:
    void SetUp() override {
        original = MakeGradient(200, 150);
        WritePpm(dir / "original.ppm", original);
        ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "original.ppm") + " -quality 97 " + Quote(source)), 0);
        file.FileName = source.string();
        file.Action = TIk5File::kLoad;
        file.Execute();
    }
    void TearDown() override {
        imaging::TIk5Common common;
        common.ImgHandle = file.ImgHandle;
        common.DeleteImage();
    }
    void SaveAs(const fs::path& path) {
        file.FileName = path.string();
        file.Action = TIk5File::kSavePng;
        file.Execute();
    }
    TempDir dir;
    fs::path source = dir / "photo.jpg";
    imaging::Raster original;
    TIk5File file;
};

// Another picture of the same size put in the source's place after the load is not what gets saved.
TEST_F(SourceSave, ASourceReplacedAfterTheLoadIsNotRead) {
    imaging::Raster other = original;
    for (auto& sample : other.pixels)
        sample = std::uint8_t(255 - sample);
    WritePpm(dir / "other.ppm", other);
    ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "other.ppm") + " -quality 97 " + Quote(dir / "other.jpg")), 0);
    fs::rename(dir / "other.jpg", source);
    SaveAs(dir / "out.png");
    const imaging::Raster saved = ReadWithMagick(dir / "out.png");
    EXPECT_GT(Psnr(saved, original), 38.0);
    EXPECT_LT(Psnr(saved, other), 20.0);
}

// The source's data turns out to be damaged only when the save decodes it: an error, and no file at all.
TEST_F(SourceSave, ADamagedSourceLeavesNoOutput) {
    std::vector<std::uint8_t> bytes = ReadBytes(source);
    bytes.resize(bytes.size() * 3 / 5);
    WriteBytes(dir / "cut.jpg", bytes);
    TIk5File cut;
    cut.FileName = (dir / "cut.jpg").string();
    cut.Execute();
    for (auto action : {TIk5File::kSavePng, TIk5File::kSaveJpeg, TIk5File::kSaveBmp}) {
        cut.FileName = (dir / "out.img").string();
        cut.Action = action;
        EXPECT_THROW(cut.Execute(), imaging::Error) << "action " << action;
    }
    std::vector<std::string> names;
    for (auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cut.jpg", "original.ppm", "photo.jpg"}));
    imaging::TIk5Common common;
    common.ImgHandle = cut.ImgHandle;
    common.DeleteImage();
}

} // namespace
