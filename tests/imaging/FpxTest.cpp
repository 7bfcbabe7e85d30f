// FlashPix: reading files written by an independent FlashPix library, round trips through our writer, the
// container structure as Pillow's olefile sees it, and refusal of damaged files.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "TestSupport.h"
#include "imaging/Error.h"
#include "imaging/codecs/Fpx.h"
#include "imaging/codecs/FpxCompound.h"
#include "imaging/codecs/FpxLayout.h"
#include "imaging/codecs/FpxPropertySet.h"
#include "imaging/codecs/FpxSubimage.h"
#include "imaging/codecs/FpxWriter.h"

namespace {

using namespace testsupport;
using imaging::Raster;
using imaging::codecs::DecodeFpx;
using imaging::codecs::EncodeFpx;
namespace fpx = imaging::codecs::fpx;

const fs::path kFixtures = DataDir() / "imaging" / "read" / "fpx";
const char* const kPython = "/usr/bin/python3";

std::vector<std::uint8_t> Fixture(const std::string& name) {
    return ReadBytes(kFixtures / name);
}

// Rewrites a compound file after changing its tree.
std::vector<std::uint8_t> Rewrite(const std::vector<std::uint8_t>& file,
                                  const std::function<void(fpx::CompoundEntry&)>& change) {
    fpx::CompoundEntry root = fpx::CompoundReader(file).ReadTree();
    change(root);
    return fpx::WriteCompoundFile(root);
}

fpx::CompoundEntry& Entry(fpx::CompoundEntry& root, const std::vector<std::string>& path) {
    fpx::CompoundEntry* entry = &root;
    for (const std::string& name : path) {
        entry = entry->Find(name);
        if (!entry) throw std::runtime_error("no entry " + name);
    }
    return *entry;
}

void StoreU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = std::uint8_t(value >> (8 * i));
}

// Expects DecodeFpx to refuse the bytes with a cause containing `cause`.
void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& cause) {
    try {
        DecodeFpx(bytes);
        ADD_FAILURE() << "accepted a bad file (expected: " << cause << ")";
    } catch (const imaging::Error& error) {
        EXPECT_NE(error.cause().find(cause), std::string::npos) << "cause: " << error.cause();
    }
}

// Decodes with Pillow's FlashPix reader into RGB.
Raster ReadWithPillow(const TempDir& dir, const std::vector<std::uint8_t>& file) {
    WriteBytes(dir / "in.fpx", file);
    const std::string script = "import sys; from PIL import Image; "
                               "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2], 'PPM')";
    const int status = Run(std::string(kPython) + " -c " + Quote(script) + " " + Quote(dir / "in.fpx") + " " +
                           Quote(dir / "out.ppm") + " 2>&1");
    if (status != 0) throw std::runtime_error("Pillow cannot read the file");
    return ReadPnm(dir / "out.ppm");
}

// --- reading files from the reference library ------------------------------------------------------------------

struct FixtureCase {
    const char* name;
    bool lossless;
};

TEST(FpxRead, FixturesMatchTheirSources) {
    const FixtureCase cases[] = {
        {"rgb-300x200-raw", true},      {"rgb-1x1-raw", true},           {"grey-200x150-raw", true},
        {"rgb-300x200-jpeg90", false},  {"rgb-65x65-jpeg75", false},     {"rgb-64x64-jpeg90", false},
        {"grey-200x150-jpeg90", false}, {"photo-640x427-jpeg90", false},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = c.name;
        const fs::path source = kFixtures / (base.starts_with("grey") ? base + ".pgm" : base + ".ppm");
        const Raster expected = ReadPnm(source);
        const Raster decoded = DecodeFpx(Fixture(base + ".fpx"));
        ASSERT_EQ(decoded.width, expected.width);
        ASSERT_EQ(decoded.height, expected.height);
        ASSERT_EQ(decoded.bands, expected.bands);
        EXPECT_EQ(decoded.bitCount, 8 * expected.bands);
        if (c.lossless)
            EXPECT_EQ(decoded.pixels, expected.pixels);
        else
            EXPECT_GE(Psnr(decoded, expected), 30.0);
    }
}

TEST(FpxRead, RecognisesTheCompoundFileSignature) {
    EXPECT_TRUE(imaging::codecs::IsFpx(Fixture("rgb-1x1-raw.fpx")));
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_FALSE(imaging::codecs::IsFpx(png));
    EXPECT_FALSE(imaging::codecs::IsFpx({}));
}

// --- round trips -----------------------------------------------------------------------------------------------

TEST(FpxRoundTrip, UncompressedIsExactAndJpegIsClose) {
    const std::pair<int, int> sizes[] = {{1, 1}, {63, 65}, {64, 64}, {65, 65}, {300, 200}, {640, 427}};
    for (auto [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Raster source = MakeGradient(width, height);
        const Raster raw = DecodeFpx(EncodeFpx(source, false, 90));
        ASSERT_EQ(raw.width, width);
        ASSERT_EQ(raw.height, height);
        ASSERT_EQ(raw.bands, 3);
        EXPECT_EQ(raw.bitCount, 24);
        EXPECT_EQ(raw.pixels, source.pixels);
        const Raster jpeg = DecodeFpx(EncodeFpx(source, true, 90));
        ASSERT_EQ(jpeg.width, width);
        ASSERT_EQ(jpeg.height, height);
        EXPECT_GE(Psnr(jpeg, source), 35.0);
    }
}

TEST(FpxRoundTrip, QualityControlsJpegFidelity) {
    const Raster source = MakeGradient(200, 130);
    const std::vector<std::uint8_t> low = EncodeFpx(source, true, 20);
    const std::vector<std::uint8_t> high = EncodeFpx(source, true, 95);
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(Psnr(DecodeFpx(low), source), Psnr(DecodeFpx(high), source));
}

TEST(FpxRoundTrip, EdgeTilesKeepTheirContent) {
    // Distinct colours in the last column and row catch cropping or padding at the wrong place.
    Raster source = MakeGradient(129, 67);
    for (int y = 0; y < source.height; ++y)
        source.Row(y)[3 * 128] = 255, source.Row(y)[3 * 128 + 1] = 0;
    for (int x = 0; x < source.width; ++x)
        source.Row(66)[3 * x + 2] = 7;
    EXPECT_EQ(DecodeFpx(EncodeFpx(source, false, 90)).pixels, source.pixels);
}

TEST(FpxRoundTrip, MonochromeAndAlphaLayouts) {
    Raster grey = MakeGradient(70, 90);
    Raster mono{grey.width, grey.height, 1, 8, {}, {}};
    for (std::size_t i = 0; i < grey.pixels.size(); i += 3)
        mono.pixels.push_back(grey.pixels[i + 1]);
    const fpx::ColourLayout monoLayout{fpx::kMonochrome, false, false};
    const Raster monoRaw = DecodeFpx(fpx::WriteFpx(mono, monoLayout, false, 90));
    EXPECT_EQ(monoRaw.bands, 1);
    EXPECT_EQ(monoRaw.bitCount, 8);
    EXPECT_EQ(monoRaw.pixels, mono.pixels);
    const Raster monoJpeg = DecodeFpx(fpx::WriteFpx(mono, monoLayout, true, 90));
    ASSERT_EQ(monoJpeg.bands, 1);
    EXPECT_GE(Psnr(monoJpeg, mono), 35.0);

    Raster rgba{3, 2, 4, 32, {}, {}};
    rgba.pixels = {10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 128, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const Raster alpha = DecodeFpx(fpx::WriteFpx(rgba, {fpx::kRgb, true, false}, false, 90));
    EXPECT_EQ(alpha.bands, 4);
    EXPECT_EQ(alpha.pixels, rgba.pixels);
}

TEST(FpxRoundTrip, PremultipliedAlphaIsMadeStraight) {
    Raster stored{2, 1, 4, 32, {100, 50, 0, 128, 9, 9, 9, 0}, {}};
    const Raster decoded = DecodeFpx(fpx::WriteFpx(stored, {fpx::kRgb, true, true}, false, 90));
    EXPECT_EQ(decoded.pixels, (std::vector<std::uint8_t>{199, 100, 0, 128, 9, 9, 9, 0}));
}

TEST(FpxRoundTrip, PhotoYccBecomesRgb) {
    // Neutral PhotoYCC chroma is 156 / 137; luma 188 is reference white.
    Raster stored{3, 1, 3, 24, {0, 156, 137, 94, 156, 137, 188, 156, 137}, {}};
    const Raster decoded = DecodeFpx(fpx::WriteFpx(stored, {fpx::kPhotoYcc, false, false}, false, 90));
    EXPECT_EQ(decoded.pixels, (std::vector<std::uint8_t>{0, 0, 0, 128, 128, 128, 255, 255, 255}));
}

TEST(FpxWrite, RefusesNonRgbRasters) {
    Raster grey{4, 4, 1, 8, std::vector<std::uint8_t>(16, 0), {}};
    EXPECT_THROW(EncodeFpx(grey, false, 90), imaging::Error);
    Raster shortPixels{4, 4, 3, 24, std::vector<std::uint8_t>(10, 0), {}};
    EXPECT_THROW(EncodeFpx(shortPixels, false, 90), imaging::Error);
}

// --- the written layout ------------------------------------------------------------------------------------------

TEST(FpxWrite, PyramidHalvesUntilBothSidesFitOneTile) {
    std::vector<std::pair<int, int>> sizes;
    for (const Raster& level : fpx::ReducedLevels(MakeGradient(300, 200)))
        sizes.emplace_back(level.width, level.height);
    EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{38, 25}, {75, 50}, {150, 100}}));
    EXPECT_TRUE(fpx::ReducedLevels(MakeGradient(64, 64)).empty());
    EXPECT_EQ(fpx::ReducedLevels(MakeGradient(65, 1)).size(), 1u);
}

TEST(FpxWrite, LowerLevelsAreDownscaledImages) {
    TempDir dir;
    const Raster source = MakeGradient(300, 200);
    const std::vector<std::uint8_t> file = EncodeFpx(source, false, 90);
    const fpx::CompoundReader reader(file);
    const auto stream = [&](const std::string& name) {
        return *reader.ReadStream({fpx::kStoreName, fpx::ResolutionName(2), name}, file.size());
    };
    const Raster half = fpx::DecodeSubimage(stream(fpx::kSubimageHeaderName), stream(fpx::kSubimageDataName), 150, 100,
                                            3, [](int) { return std::nullopt; });
    WritePpm(dir / "full.ppm", source);
    ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "full.ppm") + " -filter box -resize 150x100! " +
                               Quote(dir / "half.ppm")),
              0);
    EXPECT_GE(Psnr(half, ReadPnm(dir / "half.ppm")), 40.0);
}

TEST(FpxWrite, PropertyTypesMatchTheReferenceFiles) {
    // Same size and tile coding as a reference file: every property set must hold the same ids with the same types.
    const std::vector<std::uint8_t> ours = EncodeFpx(ReadPnm(kFixtures / "rgb-300x200-jpeg90.ppm"), true, 75);
    const std::vector<std::uint8_t> theirs = Fixture("rgb-300x200-jpeg90.fpx");
    const auto typesOf = [](const std::vector<std::uint8_t>& file, const fpx::CompoundPath& path) {
        const fpx::PropertySet set = fpx::PropertySet::Parse(*fpx::CompoundReader(file).ReadStream(path, file.size()));
        std::map<std::uint32_t, std::uint32_t> types;
        for (const auto& property : set.Properties())
            types[property.id] = property.type;
        return std::make_pair(set.FormatId(), types);
    };
    const fpx::CompoundPath paths[] = {
        {fpx::kStoreName, fpx::kImageContentsName}, {fpx::kGlobalInfoName}, {fpx::kDataObjectName}};
    for (const auto& path : paths) {
        SCOPED_TRACE(path.back());
        EXPECT_EQ(typesOf(ours, path), typesOf(theirs, path));
    }
    const fpx::PropertySet contents = fpx::PropertySet::Parse(
        *fpx::CompoundReader(ours).ReadStream({fpx::kStoreName, fpx::kImageContentsName}, ours.size()));
    EXPECT_EQ(contents.Integer(fpx::kMaxTableIndexProperty), 4);
    EXPECT_EQ(contents.Integer(fpx::LevelProperty(0, fpx::kLevelDecimation)), 4);
    EXPECT_EQ(contents.Integer(fpx::LevelProperty(3, fpx::kLevelDecimation)), 0);
}

TEST(FpxWrite, OlefileSeesTheFlashPixStructure) {
    TempDir dir;
    WriteBytes(dir / "out.fpx", EncodeFpx(MakeGradient(300, 200), true, 90));
    const std::string script = R"(
import olefile, struct, sys
ole = olefile.OleFileIO(sys.argv[1])
print('root', ole.root.clsid)
for entry in sorted(ole.listdir(streams=True, storages=True)):
    path = '/'.join(entry).replace('\x01', '<1>').replace('\x05', '<5>')
    print('storage' if ole.get_type(entry) == olefile.STGTY_STORAGE else 'stream', path, ole.getclsid(entry))
    if entry[-1] == 'Subimage 0000 Header':
        print('size', path, *struct.unpack('<2I', ole.openstream(entry).read()[32:40]))
)";
    std::string output;
    ASSERT_EQ(testsupport::Run(std::string(kPython) + " -c " + Quote(script) + " " + Quote(dir / "out.fpx"), &output),
              0);
    const std::string classTail = "-C154-11CE-8553-00AA00A1F95B";
    const std::string store = "Data Object Store 000001";
    std::string expected = "root 56616700" + classTail + "\n" + "stream <1>CompObj \n" +
                           "stream <5>Data Object 000001 \n" + "stream <5>Global Info \n" +
                           "stream <5>SummaryInformation \n" + "storage " + store + " 56616000" + classTail + "\n" +
                           "stream " + store + "/<1>CompObj \n" + "stream " + store + "/<5>Image Contents \n" +
                           "stream " + store + "/<5>SummaryInformation \n" + "stream " + store + "/ICC Profile 0001 \n";
    const char* sizes[] = {"38 25", "75 50", "150 100", "300 200"};
    for (int level = 0; level < 4; ++level) {
        const std::string resolution = store + "/Resolution 000" + std::to_string(level);
        expected += "storage " + resolution + " 56616100" + classTail + "\n";
        expected += "stream " + resolution + "/Subimage 0000 Data \n";
        expected += "stream " + resolution + "/Subimage 0000 Header \n";
        expected += "size " + resolution + "/Subimage 0000 Header " + sizes[level] + "\n";
    }
    EXPECT_EQ(output, expected);
}

TEST(FpxWrite, PillowReadsTileAlignedImages) {
    TempDir dir;
    for (auto [width, height] : {std::pair{64, 64}, std::pair{128, 192}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Raster source = MakeGradient(width, height);
        const Raster raw = ReadWithPillow(dir, EncodeFpx(source, false, 90));
        ASSERT_EQ(raw.width, width);
        ASSERT_EQ(raw.height, height);
        EXPECT_EQ(raw.pixels, source.pixels);
        const Raster jpeg = ReadWithPillow(dir, EncodeFpx(source, true, 90));
        ASSERT_EQ(jpeg.width, width);
        ASSERT_EQ(jpeg.height, height);
        EXPECT_GE(Psnr(jpeg, source), 35.0);
    }
}

// --- bad files -----------------------------------------------------------------------------------------------------

const std::vector<std::string> kFullHeader = {fpx::kStoreName, "Resolution 0003", fpx::kSubimageHeaderName};

TEST(FpxBad, NotACompoundFile) {
    ExpectRefused({}, "not a FlashPix file");
    ExpectRefused({'P', '6', '\n', '1', ' ', '1', '\n'}, "not a FlashPix file");
    std::vector<std::uint8_t> signatureOnly = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    signatureOnly.resize(1024, 0x41);
    ExpectRefused(signatureOnly, "compound file");
}

TEST(FpxBad, CompoundFileWithoutFlashPixStorages) {
    fpx::CompoundEntry root = fpx::CompoundEntry::Storage("Root Entry", {});
    root.children.push_back(fpx::CompoundEntry::Stream("WordDocument", std::vector<std::uint8_t>(600, 1)));
    ExpectRefused(fpx::WriteCompoundFile(root), "no image store");

    // The store without its image description, or without the full-resolution level.
    const std::vector<std::uint8_t> fixture = Fixture("rgb-300x200-raw.fpx");
    ExpectRefused(Rewrite(fixture,
                          [](fpx::CompoundEntry& r) {
                              auto& children = Entry(r, {fpx::kStoreName}).children;
                              std::erase_if(children, [](auto& e) { return e.name == fpx::kImageContentsName; });
                          }),
                  "no stream");
    ExpectRefused(Rewrite(fixture,
                          [](fpx::CompoundEntry& r) {
                              auto& children = Entry(r, {fpx::kStoreName}).children;
                              std::erase_if(children, [](auto& e) { return e.name == "Resolution 0003"; });
                          }),
                  "no Resolution 0003");
}

TEST(FpxBad, RootDirectoryEntryWithSiblings) {
    // Found by fuzzing: libgsf leaks directory entries hanging off the root's sibling links.
    std::vector<std::uint8_t> file = EncodeFpx(MakeGradient(8, 8), false, 90);
    const std::size_t root = (std::size_t(file[0x30] | file[0x31] << 8) + 1) * 512;
    StoreU32(file, root + 0x48, 1);
    ExpectRefused(file, "root entry has siblings");
}

TEST(FpxBad, TruncatedFiles) {
    // Cuts inside the directory, the image description or the full-resolution tiles are refused.
    const std::pair<const char*, std::size_t> cuts[] = {
        {"rgb-300x200-raw.fpx", 8},      {"rgb-300x200-raw.fpx", 512},     {"rgb-300x200-raw.fpx", 1536},
        {"rgb-300x200-raw.fpx", 154112}, {"rgb-300x200-jpeg90.fpx", 4096}, {"rgb-300x200-jpeg90.fpx", 15872},
    };
    for (auto [name, length] : cuts) {
        SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(length));
        const std::vector<std::uint8_t> bytes = Fixture(name);
        EXPECT_THROW(DecodeFpx(std::span(bytes).first(length)), imaging::Error);
    }
    // Wherever the cut falls, the result is either a refusal or the whole image (a file may end with sectors
    // the full-resolution image does not use, such as a thumbnail).
    const std::vector<std::uint8_t> whole = Fixture("rgb-300x200-jpeg90.fpx");
    const Raster expected = DecodeFpx(whole);
    for (std::size_t length = 0; length < whole.size(); length += 512) {
        SCOPED_TRACE("cut to " + std::to_string(length));
        try {
            EXPECT_EQ(DecodeFpx(std::span(whole).first(length)).pixels, expected.pixels);
        } catch (const imaging::Error&) {
        }
    }
}

TEST(FpxBad, TileOutsideItsDataStream) {
    ExpectRefused(Rewrite(Fixture("rgb-300x200-raw.fpx"),
                          [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 64 + 5 * 16, 250000); }),
                  "outside its data stream");
    // An offset near 2^32 must not wrap around when added to the size.
    ExpectRefused(Rewrite(Fixture("rgb-300x200-raw.fpx"),
                          [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 64, 0xFFFFFFF0); }),
                  "outside its data stream");
}

TEST(FpxBad, TileTableThatDoesNotFitTheSize) {
    const std::vector<std::uint8_t> fixture = Fixture("rgb-300x200-jpeg90.fpx");
    ExpectRefused(Rewrite(fixture, [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 40, 19); }),
                  "tile count");
    // A count that matches but a table longer than its stream.
    ExpectRefused(Rewrite(fixture, [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 60, 4096); }),
                  "truncated");
    ExpectRefused(Rewrite(fixture, [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 32, 301); }),
                  "not the image size");
}

std::vector<std::uint8_t> WithContents(const std::string& fixture,
                                       const std::function<void(fpx::PropertySet&)>& change) {
    return Rewrite(Fixture(fixture), [&](fpx::CompoundEntry& root) {
        fpx::CompoundEntry& stream = Entry(root, {fpx::kStoreName, fpx::kImageContentsName});
        fpx::PropertySet contents = fpx::PropertySet::Parse(stream.bytes);
        change(contents);
        stream.bytes = contents.Serialize();
    });
}

TEST(FpxBad, ImageDescriptionOutOfRange) {
    ExpectRefused(WithContents("rgb-300x200-raw.fpx",
                               [](fpx::PropertySet& c) {
                                   c.SetUI4(fpx::kWidthProperty, 100000);
                                   c.SetUI4(fpx::kHeightProperty, 100000);
                               }),
                  "too large");
    ExpectRefused(WithContents("rgb-300x200-raw.fpx", [](fpx::PropertySet& c) { c.SetUI4(fpx::kWidthProperty, 0); }),
                  "invalid image size");
    ExpectRefused(
        WithContents("rgb-300x200-raw.fpx", [](fpx::PropertySet& c) { c.SetUI4(fpx::kLevelCountProperty, 0); }),
        "level count");
    ExpectRefused(
        WithContents("rgb-300x200-raw.fpx", [](fpx::PropertySet& c) { c.SetUI4(fpx::kLevelCountProperty, 9); }),
        "no colours");
    // Five channels, and an unknown colour space.
    const std::uint32_t colours = fpx::LevelProperty(3, fpx::kLevelColours);
    const std::vector<std::uint8_t> fiveChannels = {1, 0, 0, 0, 5, 0, 0, 0};
    ExpectRefused(WithContents("rgb-300x200-raw.fpx", [&](fpx::PropertySet& c) { c.SetBlob(colours, fiveChannels); }),
                  "not 1 to 4");
    const std::vector<std::uint8_t> cmyk = {1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 9, 0, 1, 0, 9, 0, 2, 0, 9, 0};
    ExpectRefused(WithContents("rgb-300x200-raw.fpx", [&](fpx::PropertySet& c) { c.SetBlob(colours, cmyk); }),
                  "colour space 9");
    // One channel declared where the tiles hold three.
    const std::vector<std::uint8_t> mono = {1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0};
    ExpectRefused(WithContents("rgb-300x200-raw.fpx", [&](fpx::PropertySet& c) { c.SetBlob(colours, mono); }),
                  "channel count");
}

TEST(FpxBad, DamagedJpegTiles) {
    ExpectRefused(WithContents("rgb-300x200-jpeg90.fpx",
                               [](fpx::PropertySet& c) {
                                   c.SetBlob(fpx::JpegTablesProperty(4), std::vector<std::uint8_t>{1, 2, 3});
                               }),
                  "JPEG tables");
    // The first tile's data cut short inside the stream: its entry claims fewer bytes than the scan needs.
    ExpectRefused(Rewrite(Fixture("rgb-300x200-jpeg90.fpx"),
                          [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 64 + 4, 40); }),
                  "JPEG tile");
    ExpectRefused(Rewrite(Fixture("rgb-300x200-jpeg90.fpx"),
                          [](fpx::CompoundEntry& r) { StoreU32(Entry(r, kFullHeader).bytes, 64 + 8, 7); }),
                  "compression 7");
}

} // namespace
