// The 1/8-scale decode of progressive JPEGs from their DC coefficients: for every way peers write such files it
// must look like libjpeg's own 1/8 decode, and whatever it does not handle it must refuse cleanly, so that the
// caller decodes the usual way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "TestSupport.h"
#include "imaging/codecs/JpegDc.h"

namespace {

using namespace testsupport;
using imaging::Raster;
using imaging::codecs::DecodeJpegDc;
using Bytes = std::vector<std::uint8_t>;

// Progressive scan scripts for cjpeg. A component of a scan is given by its index; "Ss Se Ah Al".
// DC in successive approximation: a first scan at Al = 1, AC scans, then the DC refinement.
constexpr const char* kDcRefinement = "0 1 2: 0 0 0 1;\n"
                                      "0: 1 5 0 2;\n2: 1 63 0 1;\n1: 1 63 0 1;\n0: 6 63 0 2;\n0: 1 63 2 1;\n"
                                      "0 1 2: 0 0 1 0;\n"
                                      "2: 1 63 1 0;\n1: 1 63 1 0;\n0: 1 63 1 0;\n";
// One DC scan per component, then the AC scans.
constexpr const char* kSeparateDc = "0: 0 0 0 0;\n1: 0 0 0 0;\n2: 0 0 0 0;\n"
                                    "0: 1 63 0 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n";
// Separate DC scans in an unusual order, refined at different times, AC scans in between.
constexpr const char* kSeparateDcRefined = "0: 0 0 0 2;\n2: 0 0 0 1;\n1: 0 0 0 0;\n0: 0 0 2 1;\n0: 1 63 0 0;\n"
                                           "0: 0 0 1 0;\n2: 0 0 1 0;\n1: 1 63 0 0;\n2: 1 63 0 0;\n";

// Start and code of every marker of a file written by a peer (no fill bytes), passing over scan data.
struct Marker {
    std::size_t pos;
    std::uint8_t code;
};

std::vector<Marker> Markers(const Bytes& b) {
    std::vector<Marker> markers;
    std::size_t pos = 2;
    while (pos + 3 < b.size() && b[pos] == 0xFF) {
        markers.push_back({pos, b[pos + 1]});
        if (b[pos + 1] == 0xD9) break;
        std::size_t next = pos + 2 + std::size_t(b[pos + 2] << 8 | b[pos + 3]);
        if (b[pos + 1] == 0xDA) // entropy-coded data runs to the next marker other than stuffing or RSTn
            while (next + 1 < b.size() &&
                   (b[next] != 0xFF || b[next + 1] == 0x00 || (b[next + 1] >= 0xD0 && b[next + 1] <= 0xD7)))
                ++next;
        pos = next;
    }
    return markers;
}

// The markers with the given code, in file order.
std::vector<std::size_t> Find(const Bytes& b, std::uint8_t code) {
    std::vector<std::size_t> found;
    for (const Marker& m : Markers(b))
        if (m.code == code) found.push_back(m.pos);
    return found;
}

// Where the marker after the one at pos starts: for a scan, the end of its data.
std::size_t NextMarkerAfter(const Bytes& b, std::size_t pos) {
    for (const Marker& m : Markers(b))
        if (m.pos > pos) return m.pos;
    return b.size();
}

Bytes Insert(Bytes b, std::size_t pos, const Bytes& what) {
    b.insert(b.begin() + std::ptrdiff_t(pos), what.begin(), what.end());
    return b;
}

// The smallest progressive file: 8-bit quantiser 8, one DC code (category 0, so every coefficient is 0), a
// 3-component frame of the given size, one interleaved DC first scan over dataBytes zero bytes, and an AC scan of one
// byte for each component.
Bytes MinimalProgressive(int width, int height, std::size_t dataBytes) {
    Bytes b = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    b.insert(b.end(), 64, 8);
    // One DC table and one AC table, each with a single one-bit code: a difference of 0, an end of block.
    for (std::uint8_t table : {0x00, 0x10}) {
        const Bytes huffman = {0xFF, 0xC4, 0x00, 0x14, table, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00};
        b.insert(b.end(), huffman.begin(), huffman.end());
    }
    Bytes frame = {0xFF, 0xC2, 0x00, 0x11, 8, 0, 0, 0, 0, 3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0};
    frame[5] = std::uint8_t(height >> 8);
    frame[6] = std::uint8_t(height);
    frame[7] = std::uint8_t(width >> 8);
    frame[8] = std::uint8_t(width);
    b.insert(b.end(), frame.begin(), frame.end());
    const Bytes scan = {0xFF, 0xDA, 0x00, 0x0C, 3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 0, 0x00};
    b.insert(b.end(), scan.begin(), scan.end());
    b.insert(b.end(), dataBytes, 0x00);
    // Every AC coefficient of each component in a scan of its own (all zero: one end of block a block).
    for (std::uint8_t id : {1, 2, 3}) {
        const Bytes ac = {0xFF, 0xDA, 0x00, 0x08, 1, id, 0x00, 1, 63, 0x00, 0x00};
        b.insert(b.end(), ac.begin(), ac.end());
    }
    b.push_back(0xFF);
    b.push_back(0xD9);
    return b;
}

// The peak resident size of this process in KB, and resetting it to the current size.
long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}
bool ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

class JpegDc : public ::testing::Test {
protected:
    // The pictures the cases encode: a photo-like picture of an odd size (smooth clouds), a 17 x 9 colour
    // gradient, a 17 x 9 grey pattern that changes from pixel to pixel (in RGB: its chroma is flat), a single
    // pixel; and the scan scripts.
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        const TempDir& d = *dir_;
        EXPECT_EQ(testsupport::Run("convert -seed 3 -size 125x84 plasma:fractal -blur 0x2 -resize 1001x667! " +
                                   Quote(d / "photo.ppm")),
                  0);
        EXPECT_EQ(testsupport::Run("convert -size 17x9 xc: -fx '((i*37+j*91)%97)/96' ppm:" + Quote(d / "pattern.ppm")),
                  0);
        WritePpm(d / "gradient.ppm", MakeGradient(17, 9));
        WritePpm(d / "dot.ppm", MakeGradient(1, 1));
        std::ofstream(d / "refine.txt") << kDcRefinement;
        std::ofstream(d / "separate.txt") << kSeparateDc;
        std::ofstream(d / "separate-refined.txt") << kSeparateDcRefined;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static const TempDir& Dir() { return *dir_; }

    // Runs a command with {in}, {out} and {dir} replaced by quoted paths; returns the file written.
    static fs::path Make(const std::string& name, const std::string& source, std::string command) {
        const fs::path out = Dir() / (name + ".jpg");
        for (auto [key, value] :
             {std::pair<std::string, fs::path>{"{in}", Dir() / source}, {"{out}", out}, {"{dir}", Dir().path()}})
            for (std::size_t at; (at = command.find(key)) != std::string::npos;)
                command.replace(at, key.size(), Quote(value));
        EXPECT_EQ(testsupport::Run(command), 0) << command;
        return out;
    }
    static fs::path Cjpeg(const std::string& name, const std::string& options,
                          const std::string& source = "photo.ppm") {
        return Make(name, source, "cjpeg " + options + " -outfile {out} {in}");
    }

    // libjpeg's own decode at 1/8 scale.
    static Raster Reference(const fs::path& jpeg) {
        const fs::path out = Dir() / (jpeg.stem().string() + ".ref.pnm");
        EXPECT_EQ(testsupport::Run("djpeg -scale 1/8 -pnm -outfile " + Quote(out) + " " + Quote(jpeg)), 0);
        return ReadPnm(out);
    }
    static std::optional<Raster> Decode(const fs::path& jpeg) { return DecodeJpegDc(ReadBytes(jpeg)); }

private:
    static inline TempDir* dir_ = nullptr;
};

TEST_F(JpegDc, LooksLikeTheLibraryReducedDecode) {
    // The library's 1/8 decode also takes the DC alone where no chroma plane is halved (it repeats the samples
    // of planes reduced further), so there the two agree to rounding: grey files always. Halved chroma it
    // decodes with more coefficients; ours follows it closely on a photo, and exactly where the chroma is flat.
    constexpr double kSame = 60, kClose = 40;
    struct Case {
        const char* name;
        std::string command;
        double minPsnr;
        const char* source = "photo.ppm";
    };
    const std::string cjpeg = "cjpeg -progressive ";
    const std::string out = " -outfile {out} {in}";
    const Case cases[] = {
        {"sampling-1x1", cjpeg + "-sample 1x1" + out, kSame},
        {"sampling-2x2", cjpeg + "-sample 2x2" + out, kClose},
        {"sampling-2x1", cjpeg + "-sample 2x1" + out, kClose},
        {"sampling-1x2", cjpeg + "-sample 1x2" + out, kClose},
        {"sampling-4x1", cjpeg + "-sample 4x1" + out, kSame},
        {"grey", cjpeg + "-grayscale" + out, kSame},
        {"grey-sampling-2x2", cjpeg + "-grayscale -sample 2x2" + out, kSame},
        {"restart-every-row", cjpeg + "-restart 1 -sample 2x2" + out, kClose},
        {"restart-every-3-blocks", cjpeg + "-restart 3B -sample 1x1" + out, kSame},
        {"quantiser-16-bit", cjpeg + "-quality 1 -sample 1x1" + out, kSame},
        {"dc-refinement", cjpeg + "-sample 2x2 -scans {dir}/refine.txt" + out, kClose},
        {"dc-separate", cjpeg + "-sample 2x2 -scans {dir}/separate.txt" + out, kClose},
        {"dc-separate-restart", cjpeg + "-sample 2x2 -restart 2B -scans {dir}/separate.txt" + out, kClose},
        {"dc-separate-refined", cjpeg + "-sample 2x1 -scans {dir}/separate-refined.txt" + out, kClose},
        {"magick-plane", "convert {in} -interlace plane -quality 85 {out}", kClose},
        {"jpegtran", "cjpeg -quality 85 {in} | jpegtran -progressive -outfile {out}", kClose},
        {"17x9-sampling-2x2", cjpeg + "-sample 2x2" + out, kSame, "pattern.ppm"},
        {"17x9-sampling-2x1", cjpeg + "-sample 2x1" + out, kSame, "pattern.ppm"},
        {"17x9-sampling-1x2", cjpeg + "-sample 1x2 -restart 1B" + out, kSame, "pattern.ppm"},
        {"17x9-sampling-4x1", cjpeg + "-sample 4x1" + out, kSame, "pattern.ppm"},
        {"17x9-colour-1x1", cjpeg + "-sample 1x1" + out, kSame, "gradient.ppm"},
        {"17x9-grey-2x2", cjpeg + "-grayscale -sample 2x2" + out, kSame, "gradient.ppm"},
        {"1x1-sampling-2x2", cjpeg + "-sample 2x2" + out, kSame, "dot.ppm"},
        {"1x1-grey", cjpeg + "-grayscale" + out, kSame, "dot.ppm"},
    };
    const std::set<std::string> kUnsubsampled = {
        "sampling-1x1",    "grey",          "grey-sampling-2x2", "restart-every-3-blocks", "quantiser-16-bit",
        "17x9-colour-1x1", "17x9-grey-2x2", "1x1-grey"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path jpeg = Make(c.name, c.source, c.command);
        const Raster reference = Reference(jpeg);
        const std::optional<Raster> decoded = Decode(jpeg);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->width, reference.width);
        ASSERT_EQ(decoded->height, reference.height);
        ASSERT_EQ(decoded->bands, reference.bands);
        EXPECT_EQ(decoded->bitCount, reference.bands * 8);
        const double psnr = Psnr(*decoded, reference);
        RecordProperty(std::string("psnr-") + c.name, std::to_string(psnr));
        EXPECT_GE(psnr, c.minPsnr);
        // Asked for exact results only, it takes just the files without halved or quartered chroma, and gives
        // libjpeg's pixels for them.
        const std::optional<Raster> exact = DecodeJpegDc(ReadBytes(jpeg), false);
        const bool unsubsampled = kUnsubsampled.count(c.name) != 0;
        ASSERT_EQ(exact.has_value(), unsubsampled);
        if (unsubsampled) {
            EXPECT_EQ(exact->pixels, decoded->pixels);
            EXPECT_GE(psnr, kSame);
        }
    }
}

TEST_F(JpegDc, KeepsTheTablesInForceAtEachComponentsFirstScan) {
    const fs::path jpeg = Cjpeg("tables", "-progressive -sample 2x2");
    const Bytes original = ReadBytes(jpeg);
    const std::optional<Raster> expected = DecodeJpegDc(original);
    ASSERT_TRUE(expected);
    // Quantisers redefined after the first scan apply only to components that had no scan yet (none here).
    Bytes quant = {0xFF, 0xDB, 0x00, 0x84, 0x00};
    quant.insert(quant.end(), 64, 1);
    quant.push_back(0x01);
    quant.insert(quant.end(), 64, 1);
    const std::vector<std::size_t> scans = Find(original, 0xDA);
    ASSERT_GE(scans.size(), 2u);
    const std::optional<Raster> requantised = DecodeJpegDc(Insert(original, scans[1], quant));
    ASSERT_TRUE(requantised);
    EXPECT_EQ(requantised->pixels, expected->pixels);

    // An Adobe segment that says YCbCr changes nothing; one that says RGB is refused.
    Bytes adobe = {0xFF, 0xEE, 0x00, 0x0E, 'A', 'd', 'o', 'b', 'e', 0x00, 0x64, 0, 0, 0, 0, 1};
    const std::optional<Raster> ycc = DecodeJpegDc(Insert(original, 2, adobe));
    ASSERT_TRUE(ycc);
    EXPECT_EQ(ycc->pixels, expected->pixels);
    adobe.back() = 0;
    EXPECT_FALSE(DecodeJpegDc(Insert(original, 2, adobe)));
}

TEST_F(JpegDc, RefusesWhatItDoesNotDecode) {
    EXPECT_FALSE(Decode(Cjpeg("baseline", "-sample 2x2"))) << "baseline";
    EXPECT_FALSE(Decode(Cjpeg("arithmetic", "-progressive -arithmetic"))) << "arithmetic";
    EXPECT_FALSE(Decode(Cjpeg("rgb", "-progressive -rgb"))) << "RGB";
    EXPECT_FALSE(Decode(Make("cmyk", "photo.ppm", "convert {in} -colorspace CMYK -interlace plane {out}"))) << "CMYK";

    const Bytes progressive =
        ReadBytes(Cjpeg("separate", "-progressive -restart 2B -scans " + Quote(Dir() / "separate.txt")));
    ASSERT_TRUE(DecodeJpegDc(progressive));
    const std::vector<std::size_t> frames = Find(progressive, 0xC2);
    ASSERT_EQ(frames.size(), 1u);
    Bytes twelveBit = progressive;
    twelveBit[frames[0] + 4] = 12;
    EXPECT_FALSE(DecodeJpegDc(twelveBit)) << "12-bit";

    // The third scan is the DC scan of the last component: without it that component has no DC at all.
    const std::vector<std::size_t> scans = Find(progressive, 0xDA);
    ASSERT_GE(scans.size(), 4u);
    Bytes missingDc = progressive;
    missingDc.erase(missingDc.begin() + std::ptrdiff_t(scans[2]),
                    missingDc.begin() + std::ptrdiff_t(NextMarkerAfter(progressive, scans[2])));
    EXPECT_FALSE(DecodeJpegDc(missingDc)) << "a component without a DC scan";

    // The first DC scan's restart markers must count RST0, RST1...: a wrong number means lost data.
    Bytes renumbered = progressive;
    std::size_t rst = scans[0];
    while (rst + 1 < renumbered.size() && !(renumbered[rst] == 0xFF && renumbered[rst + 1] == 0xD0))
        ++rst;
    ASSERT_LT(rst + 1, scans[1]);
    renumbered[rst + 1] = 0xD1;
    EXPECT_FALSE(DecodeJpegDc(renumbered)) << "restart marker out of sequence";
}

TEST_F(JpegDc, RefusesTruncatedFiles) {
    const Bytes whole = ReadBytes(Cjpeg("cut", "-progressive -sample 2x2 -restart 3B"));
    ASSERT_TRUE(DecodeJpegDc(whole));
    const std::vector<std::size_t> scans = Find(whole, 0xDA); // the first one is the DC scan
    ASSERT_GE(scans.size(), 3u);
    const std::size_t dcEnd = NextMarkerAfter(whole, scans[0]);
    const std::size_t cuts[] = {
        1,
        2,
        scans[0] - 10,             // in the headers
        scans[0] + 20,             // in the DC scan
        (scans[0] + dcEnd) / 2,    // further into it
        dcEnd,                     // right after the DC scan
        (scans[1] + scans[2]) / 2, // in an AC scan
        whole.size() - 2,          // after the last scan, without EOI
        whole.size() - 1,          // half an EOI
    };
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(DecodeJpegDc(std::span(whole).first(cut)));
    }
    // The DC scan's data stops short, the rest of the file is intact: its last blocks would read past its end
    // (with no restart markers to notice it by).
    Bytes hole = ReadBytes(Cjpeg("hole", "-progressive -sample 2x2"));
    const std::size_t holeScan = Find(hole, 0xDA).at(0), holeEnd = NextMarkerAfter(hole, holeScan);
    hole.erase(hole.begin() + std::ptrdiff_t((holeScan + holeEnd) / 2), hole.begin() + std::ptrdiff_t(holeEnd));
    EXPECT_FALSE(DecodeJpegDc(hole));
}

TEST_F(JpegDc, RefusesGarbageAndImpossibleSizes) {
    EXPECT_FALSE(DecodeJpegDc({}));
    EXPECT_FALSE(DecodeJpegDc(Bytes{0xFF, 0xD8}));
    EXPECT_FALSE(DecodeJpegDc(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
    WritePpm(Dir() / "picture.ppm", MakeGradient(40, 30));
    EXPECT_FALSE(Decode(Make("png", "picture.ppm", "convert {in} png:{out}")));
    std::mt19937 random(7);
    for (int i = 0; i < 50; ++i) {
        Bytes noise(std::size_t(100 + i * 97));
        for (auto& byte : noise)
            byte = std::uint8_t(random());
        noise[0] = 0xFF;
        noise[1] = 0xD8;
        EXPECT_FALSE(DecodeJpegDc(noise)) << i;
    }

    // The hand-made file is sound at a size its data covers: flat grey.
    const std::optional<Raster> small = DecodeJpegDc(MinimalProgressive(16, 16, 2));
    ASSERT_TRUE(small);
    ASSERT_EQ(small->width, 2);
    ASSERT_EQ(small->height, 2);
    EXPECT_EQ(small->pixels, Bytes(12, 128));
    // Beyond the pixel limit, and within it but far beyond what the data can hold: refused before the
    // coefficients (84 MB) or the image (40 MB) are allocated.
    EXPECT_FALSE(DecodeJpegDc(MinimalProgressive(65535, 65535, 2)));
    if (!ResetPeakRss()) GTEST_SKIP() << "the peak resident size cannot be reset here";
    const long before = PeakRssKb();
    EXPECT_FALSE(DecodeJpegDc(MinimalProgressive(30000, 30000, 2)));
    EXPECT_LT(PeakRssKb() - before, 16 * 1024);
}

// Every JPEG fixture (files written by other programs) and every file on which this decoder and libjpeg once
// disagreed (tests/imaging/read/diff/, found by the differential fuzz target; each has a note). A picture from here
// must be exactly libjpeg's 1/8 decode, which must take the file without a warning (Kelvo's decode weighs
// libjpeg's warnings); otherwise the file is left to libjpeg.
TEST_F(JpegDc, EveryFixtureGivesLibjpegsPictureOrNone) {
    int files = 0;
    for (const char* folder : {"jpeg", "diff"}) {
        for (const auto& entry : fs::directory_iterator(DataDir() / "imaging" / "read" / folder)) {
            if (entry.path().extension() != ".jpg") continue;
            SCOPED_TRACE(entry.path().filename().string());
            ++files;
            const std::optional<Raster> dc = DecodeJpegDc(ReadBytes(entry.path()), false);
            if (!dc) continue;
            const fs::path out = Dir() / (entry.path().stem().string() + ".fixture.pnm");
            ASSERT_EQ(testsupport::Run("djpeg -scale 1/8 -pnm -outfile " + Quote(out) + " " + Quote(entry.path()) +
                                       " 2>/dev/null"),
                      0)
                << "libjpeg warns or fails where the DC decoder gave a picture";
            EXPECT_EQ(dc->pixels, ReadPnm(out).pixels);
        }
    }
    EXPECT_GE(files, 20); // (the pictures this decoder gives of files made here: LooksLikeTheLibraryReducedDecode)
}

} // namespace
