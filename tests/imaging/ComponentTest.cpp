// The file, effect and common components end to end: loading by content, every save action read back by
// ImageMagick, handles, progress, and saves that never leave a partial or damaged file.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <csignal>
#include <thread>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "files/AtomicFile.h"
#include "imaging/Error.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5Effect.h"
#include "imaging/Ik5File.h"
#include "imaging/Stop.h"

extern char** environ;

namespace {

using imaging::TIk5File;
using namespace testsupport;

imaging::Handle Load(const fs::path& path) {
    TIk5File file;
    file.FileName = path.string();
    file.Action = TIk5File::kLoad;
    file.Execute();
    return file.ImgHandle;
}

void Save(imaging::Handle handle, const fs::path& path, std::int16_t action, int quality = 90) {
    TIk5File file;
    file.FileName = path.string();
    file.Action = action;
    file.ImgHandle = handle;
    file.JpegQuality = std::int16_t(quality);
    file.Execute();
}

void Release(imaging::Handle handle) {
    imaging::TIk5Common common;
    common.ImgHandle = handle;
    common.DeleteImage();
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = dir / "gradient.png";
        WritePpm(dir / "gradient.ppm", MakeGradient(131, 67));
        ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "gradient.ppm") + " " + Quote(source)), 0);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;
    fs::path source;
};

TEST_F(ComponentTest, EverySaveActionWritesAFileThatPeersAndWeReadBack) {
    struct Case {
        std::int16_t action;
        const char* name;
        const char* magick;
        double minPsnr;
    };
    const Case cases[] = {
        {TIk5File::kSaveBmp, "out.bmp", "BMP3", INFINITY},        {TIk5File::kSaveJpeg, "out.jpg", "JPEG", 35},
        {TIk5File::kSaveProgressiveJpeg, "out2.jpg", "JPEG", 35}, {TIk5File::kSavePng, "out.png", "PNG", INFINITY},
        {TIk5File::kSavePcx, "out.pcx", "PCX", INFINITY},         {TIk5File::kSaveFpx, "out.fpx", nullptr, INFINITY},
        {TIk5File::kSaveFpxJpeg, "out2.fpx", nullptr, 30},
    };
    imaging::Raster original = ReadPnm(dir / "gradient.ppm");
    imaging::Handle handle = Load(source);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path out = dir / c.name;
        Save(handle, out, c.action);
        if (c.magick) {
            EXPECT_EQ(Identify(out, "%m %w %h"), std::string(c.magick) + " 131 67");
            EXPECT_GE(Psnr(ReadWithMagick(out), original), c.minPsnr);
        }
        TIk5File back;
        back.FileName = out.string();
        back.Execute();
        back.GetImageInfo();
        EXPECT_EQ(back.ImgWidth, 131);
        EXPECT_EQ(back.ImgHeight, 67);
        EXPECT_EQ(back.ImgBitCount, 24);
        Save(back.ImgHandle, dir / "back.ppm.png", TIk5File::kSavePng);
        EXPECT_GE(Psnr(ReadWithMagick(dir / "back.ppm.png"), original), c.minPsnr);
        Release(back.ImgHandle);
    }
    Release(handle);
}

TEST_F(ComponentTest, ReducedImagesSaveWithTheirPalette) {
    imaging::Handle handle = Load(source);
    imaging::TIk5Effect effect;
    effect.InImgHandle = handle;
    effect.ChangeColorDepth(8, 0, 0, 0);
    imaging::Handle reduced = effect.OutImgHandle;
    TIk5File info;
    info.ImgHandle = reduced;
    info.GetImageInfo();
    EXPECT_EQ(info.ImgBitCount, 8);

    Save(reduced, dir / "r.bmp", TIk5File::kSaveBmp);
    Save(reduced, dir / "r.png", TIk5File::kSavePng);
    Save(reduced, dir / "r.pcx", TIk5File::kSavePcx);
    EXPECT_EQ(ReadBytes(dir / "r.bmp").at(28), 8); // bits per pixel in the bitmap header
    EXPECT_EQ(Identify(dir / "r.bmp", "%r").substr(0, 11), "PseudoClass");
    EXPECT_EQ(Identify(dir / "r.png", "%[png:IHDR.color-type-orig]"), "3");
    EXPECT_EQ(Identify(dir / "r.pcx", "%r").substr(0, 11), "PseudoClass");
    // The reduction looks like the original and every format shows the same pixels.
    imaging::Raster original = ReadPnm(dir / "gradient.ppm");
    imaging::Raster bmp = ReadWithMagick(dir / "r.bmp");
    EXPECT_GE(Psnr(bmp, original), 30);
    EXPECT_EQ(Psnr(ReadWithMagick(dir / "r.png"), bmp), INFINITY);
    EXPECT_EQ(Psnr(ReadWithMagick(dir / "r.pcx"), bmp), INFINITY);
    // Promoting again gives a 24-bit image with the same pixels.
    effect.InImgHandle = reduced;
    effect.ChangeColorDepth(24, 0, 0, 0);
    Save(effect.OutImgHandle, dir / "p.bmp", TIk5File::kSaveBmp);
    EXPECT_EQ(ReadBytes(dir / "p.bmp").at(28), 24);
    EXPECT_EQ(Psnr(ReadWithMagick(dir / "p.bmp"), bmp), INFINITY);
    for (auto h : {handle, reduced, effect.OutImgHandle})
        Release(h);
}

TEST_F(ComponentTest, GreySourcesBecomeColourImagesWithTheSameGreys) {
    const fs::path fpx = DataDir() / "imaging" / "read" / "fpx" / "grey-200x150-raw.fpx";
    imaging::Handle handle = Load(fpx);
    TIk5File info;
    info.ImgHandle = handle;
    info.GetImageInfo();
    EXPECT_EQ(info.ImgBitCount, 8);
    Save(handle, dir / "grey.png", TIk5File::kSavePng);
    EXPECT_EQ(Identify(dir / "grey.png", "%[png:IHDR.color-type-orig]"), "2"); // truecolour
    imaging::Raster expected = AsRgb(ReadPnm(DataDir() / "imaging" / "read" / "fpx" / "grey-200x150-raw.pgm"));
    EXPECT_EQ(Psnr(ReadWithMagick(dir / "grey.png"), expected), INFINITY);
    Release(handle);
}

TEST_F(ComponentTest, CommentsTravelThroughJpegAndPng) {
    imaging::Handle handle = Load(source);
    for (auto [action, name] : {std::pair{TIk5File::kSaveJpeg, "c.jpg"}, std::pair{TIk5File::kSavePng, "c.png"}}) {
        TIk5File file;
        file.FileName = (dir / name).string();
        file.Action = action;
        file.ImgHandle = handle;
        file.Comment = "Kelvo テスト";
        file.Execute();
        TIk5File back;
        back.FileName = file.FileName;
        back.Execute();
        EXPECT_EQ(back.Comment, "Kelvo テスト") << name;
        Release(back.ImgHandle);
    }
    Release(handle);
}

TEST_F(ComponentTest, LoadDecidesTheFormatByContent) {
    fs::path disguised = dir / "really-a-png.jpg";
    fs::copy_file(source, disguised);
    imaging::Handle handle = Load(disguised);
    TIk5File info;
    info.ImgHandle = handle;
    info.GetImageInfo();
    EXPECT_EQ(info.ImgWidth, 131);
    Release(handle);

    WriteBytes(dir / "text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'});
    WriteBytes(dir / "empty.bmp", {});
    WriteBytes(dir / "anim.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0});
    for (const char* name : {"text.jpg", "empty.bmp", "anim.gif", "missing.png"}) {
        TIk5File file;
        file.FileName = (dir / name).string();
        file.ImgHandle = 1234;
        try {
            file.Execute();
            ADD_FAILURE() << name << " loaded";
        } catch (const imaging::Error& error) {
            EXPECT_EQ(error.file(), file.FileName);
            EXPECT_FALSE(error.cause().empty());
        }
        EXPECT_EQ(file.ImgHandle, 0) << name;
    }
}

TEST_F(ComponentTest, HandlesAreReleasedOnceAndEffectsKeepTheirInput) {
    imaging::Handle handle = Load(source);
    imaging::TIk5Effect effect;
    effect.InImgHandle = handle;
    EXPECT_EQ(effect.Resize(0, 10, 1), 0);
    EXPECT_EQ(effect.Resize(10, -1, 1), 0);
    ASSERT_EQ(effect.Resize(40, 30, 1), 1);
    imaging::Handle resized = effect.OutImgHandle;
    EXPECT_NE(resized, handle);
    TIk5File info;
    info.ImgHandle = handle;
    info.GetImageInfo();
    EXPECT_EQ(info.ImgWidth, 131); // the input is intact
    info.ImgHandle = resized;
    info.GetImageInfo();
    EXPECT_EQ(info.ImgWidth, 40);
    EXPECT_EQ(info.ImgHeight, 30);

    Release(handle);
    EXPECT_THROW(Release(handle), imaging::Error);
    effect.InImgHandle = handle;
    EXPECT_THROW(effect.Blur(nullptr, nullptr, 0, 3), imaging::Error);
    EXPECT_THROW(Save(handle, dir / "x.bmp", TIk5File::kSaveBmp), imaging::Error);
    EXPECT_FALSE(fs::exists(dir / "x.bmp"));
    EXPECT_THROW(Save(0, dir / "x.bmp", TIk5File::kSaveBmp), imaging::Error);
    Release(resized);
}

TEST_F(ComponentTest, ProgressRisesFromZeroToHundred) {
    std::vector<int> seen;
    TIk5File file;
    file.OnProgress = [&](TIk5File& sender, std::int16_t percent) {
        EXPECT_EQ(&sender, &file);
        seen.push_back(percent);
    };
    file.FileName = source.string();
    file.Execute();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    seen.clear();
    file.FileName = (dir / "p.jpg").string();
    file.Action = TIk5File::kSaveJpeg;
    file.Execute();
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    Release(file.ImgHandle);
}

TEST_F(ComponentTest, FailedSavesLeaveNoFileAndTheOldTargetIntact) {
    imaging::Handle handle = Load(source);
    fs::path target = dir / "target.png";
    WriteBytes(target, {'o', 'l', 'd'});
    EXPECT_THROW(Save(handle, target, 99), imaging::Error); // no such action
    EXPECT_THROW(Save(handle, dir / "no-such-folder" / "x.png", TIk5File::kSavePng), imaging::Error);
    EXPECT_THROW(Save(handle, dir.path(), TIk5File::kSavePng), imaging::Error); // a folder
    EXPECT_EQ(ReadBytes(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"gradient.png", "gradient.ppm", "target.png"}));
    Save(handle, target, TIk5File::kSavePng);
    EXPECT_EQ(Identify(target, "%m"), "PNG");
    EXPECT_EQ(Names(), (std::vector<std::string>{"gradient.png", "gradient.ppm", "target.png"}));
    Release(handle);
}

// Work called off (a run's stop): a picture decoded for it fails its computation with Problem::Stopped at the next
// rows asked for, and the save leaves nothing; the same file decoded for other work converts as ever.
TEST_F(ComponentTest, WorkCalledOffFailsItsComputationAndLeavesNothing) {
    ASSERT_EQ(testsupport::Run("convert " + Quote(dir / "gradient.ppm") + " " + Quote(dir / "gradient.jpg")), 0);
    for (const char* name : {"gradient.jpg", "gradient.png"}) {
        SCOPED_TRACE(name);
        const std::vector<std::string> before = Names();
        const imaging::StopToken token = imaging::StopToken::Make();
        imaging::Handle handle = 0;
        {
            const imaging::StopScope scope(token);
            handle = Load(dir / name);
            token.Request();
            try {
                Save(handle, dir / "out.bmp", TIk5File::kSaveBmp);
                ADD_FAILURE() << "the save went on";
            } catch (const imaging::Error& error) {
                EXPECT_EQ(error.problem(), imaging::Problem::Stopped) << error.what();
            }
            EXPECT_THROW(imaging::ThrowIfStopped(), imaging::Error);
        }
        Release(handle);
        EXPECT_EQ(Names(), before);
        EXPECT_NO_THROW(imaging::ThrowIfStopped());
        handle = Load(dir / name);
        Save(handle, dir / "out.bmp", TIk5File::kSaveBmp);
        Release(handle);
        fs::remove(dir / "out.bmp");
    }
}

// Kills a process that saves a large image over and over, at different moments: the target is always
// either the complete previous image or the complete new one, and no partial file is ever left.
TEST_F(ComponentTest, KilledSaveLeavesNoPartialFile) {
    fs::path big = dir / "big.png";
    ASSERT_EQ(testsupport::Run("convert -size 3000x2000 plasma:fractal -seed 7 " + Quote(big)), 0);
    fs::path target = dir / "target.bmp";
    std::string tool = KELVO_SAVE_TOOL;
    for (int round = 0; round < 6; ++round) {
        std::string path = big.string(), out = target.string(), action = "8";
        char* args[] = {tool.data(), path.data(), out.data(), action.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, tool.c_str(), nullptr, nullptr, args, environ), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + 170 * round));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the tool ended by itself";
        std::vector<std::string> names = Names();
        for (const std::string& name : names)
            EXPECT_TRUE(name == "big.png" || name == "gradient.png" || name == "gradient.ppm" || name == "target.bmp")
                << "left behind: " << name;
        if (fs::exists(target)) {
            EXPECT_EQ(fs::file_size(target), 54u + 3000u * 3u * 2000u);
            EXPECT_EQ(Identify(target, "%w %h"), "3000 2000");
        }
    }
}

// Where the file system keeps no nameless files, a killed save leaves its temporary file. Its name says which
// process made it, in which boot: a later run removes exactly those whose process is gone, and nothing else.
TEST_F(ComponentTest, StaleTemporaryFilesAreRemovedAndNothingElse) {
    std::ifstream bootId("/proc/sys/kernel/random/boot_id");
    std::string boot;
    std::getline(bootId, boot);
    boot.erase(std::remove(boot.begin(), boot.end(), '-'), boot.end());
    boot = boot.substr(0, 8);
    // This process is alive; a child that has ended is not.
    std::ifstream selfStat("/proc/self/stat");
    std::string stat;
    std::getline(selfStat, stat);
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field, start;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        start = field;
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);

    const std::string self = std::to_string(getpid());
    const std::vector<std::string> stale = {".kelvo-" + boot + "-" + std::to_string(child) + "-1-aaaaaaaa.tmp",
                                            ".kelvo-" + boot + "-" + self + "-" + start + "1-bbbbbbbb.tmp",
                                            // another boot's (or machine's), untouched for two days
                                            ".kelvo-00000000-" + self + "-" + start + "-cccccccc.tmp",
                                            ".kelvo-0123456789ab.tmp"}; // an earlier version's, long untouched
    const std::vector<std::string> kept = {".kelvo-" + boot + "-" + self + "-" + start + "-dddddddd.tmp",
                                           ".kelvo-abcdefghijkl.tmp", // an earlier version's, just written
                                           // another machine's save into the same network folder, in flight
                                           ".kelvo-00000000-1-1-ffffffff.tmp", ".kelvo-x.tmp",
                                           "kelvo-" + boot + "-1-1-eeeeeeee.tmp", "photo.jpg"};
    fs::path folder = dir / "out";
    fs::create_directories(folder);
    for (const auto& name : stale)
        WriteBytes(folder / name, {1});
    for (const auto& name : kept)
        WriteBytes(folder / name, {1});
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(folder / ".kelvo-0123456789ab.tmp", hourAgo);
    fs::last_write_time(folder / (".kelvo-00000000-" + self + "-" + start + "-cccccccc.tmp"),
                        fs::file_time_type::clock::now() - std::chrono::hours(49));
    // A link and a folder of a stale name are not ours to remove.
    fs::create_symlink(folder / "photo.jpg", folder / (".kelvo-" + boot + "-" + std::to_string(child) + "-1-link.tmp"));
    fs::create_directory(folder / (".kelvo-" + boot + "-" + std::to_string(child) + "-1-fold.tmp"));

    files::RemoveStaleTemporaries(folder.string());
    for (const auto& name : stale)
        EXPECT_FALSE(fs::exists(folder / name)) << name;
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    EXPECT_TRUE(fs::is_symlink(folder / (".kelvo-" + boot + "-" + std::to_string(child) + "-1-link.tmp")));
    EXPECT_TRUE(fs::is_directory(folder / (".kelvo-" + boot + "-" + std::to_string(child) + "-1-fold.tmp")));
}

} // namespace
