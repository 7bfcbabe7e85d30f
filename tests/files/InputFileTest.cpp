// The one opener for files a user names: regular files only, and nothing it is given can make it block.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "files/InputFile.h"

namespace {

namespace fs = std::filesystem;
using files::InputFile;

class InputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/inputfile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void Write(const char* name, const std::string& text) const { std::ofstream(Path(name), std::ios::binary) << text; }
    fs::path dir_;
};

TEST_F(InputFileTest, ReadsARegularFileAndALinkToOne) {
    Write("a.jpg", "0123456789");
    fs::create_symlink(Path("a.jpg"), Path("link.jpg"));
    for (const char* name : {"a.jpg", "link.jpg"}) {
        InputFile file = InputFile::Open(Path(name));
        ASSERT_TRUE(file.IsOpen()) << name;
        EXPECT_EQ(file.Size(), 10u);
        EXPECT_EQ(*file.ReadAt(3, 4), (std::vector<std::uint8_t>{'3', '4', '5', '6'}));
        EXPECT_EQ(file.ReadAt(8, 100)->size(), 2u); // fewer at the end
        EXPECT_TRUE(file.ReadAt(10, 5)->empty());
        EXPECT_EQ(file.ReadAll(100)->size(), 10u);
    }
}

// Opening a pipe for reading waits for a writer, for good when none comes; a device can read endlessly.
TEST_F(InputFileTest, PipesSocketsAndDevicesAreRefusedWithoutBlocking) {
    ASSERT_EQ(mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("socket.png");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink("/dev/zero", Path("zero.bmp"));
    fs::create_symlink(Path("pipe.jpg"), Path("to-pipe.jpg"));
    for (const std::string& path :
         {Path("pipe.jpg"), socketPath, Path("zero.bmp"), Path("to-pipe.jpg"), std::string("/dev/null")}) {
        InputFile file = InputFile::Open(path);
        EXPECT_FALSE(file.IsOpen()) << path;
        EXPECT_TRUE(file.Why().notRegular) << path;
        EXPECT_EQ(file.Why().systemError, 0) << path;
    }
    close(listener);
}

TEST_F(InputFileTest, FoldersAndMissingFilesGiveTheirSystemErrors) {
    fs::create_directory(Path("folder.jpg"));
    fs::create_symlink(Path("nowhere.jpg"), Path("dangling.jpg"));
    EXPECT_EQ(InputFile::Open(Path("folder.jpg")).Why().systemError, EISDIR);
    EXPECT_EQ(InputFile::Open(Path("missing.jpg")).Why().systemError, ENOENT);
    EXPECT_EQ(InputFile::Open(Path("dangling.jpg")).Why().systemError, ENOENT);
    Write("file", "x");
    EXPECT_EQ(InputFile::Open(Path("file") + "/below.jpg").Why().systemError, ENOTDIR);
}

TEST_F(InputFileTest, ReadAllRefusesMoreThanItsLimitAndReadsWhatAFileGrewTo) {
    Write("a.png", std::string(1000, 'x'));
    InputFile file = InputFile::Open(Path("a.png"));
    errno = 0;
    EXPECT_FALSE(file.ReadAll(999));
    EXPECT_EQ(errno, EFBIG);
    std::ofstream(Path("a.png"), std::ios::app) << std::string(500, 'y');
    EXPECT_EQ(file.ReadAll(2000)->size(), 1500u);
    EXPECT_FALSE(file.ReadAll(1200)); // grown past the limit while open
}

// A file is decoded again later only while it is the file that was loaded.
TEST_F(InputFileTest, ReopenOnlyTheSameFile) {
    Write("a.jpg", "first");
    const struct stat loaded = InputFile::Open(Path("a.jpg")).Info();
    EXPECT_TRUE(InputFile::Reopen(Path("a.jpg"), loaded).IsOpen());

    Write("b.jpg", "first");
    fs::rename(Path("b.jpg"), Path("a.jpg")); // same bytes, another file
    EXPECT_FALSE(InputFile::Reopen(Path("a.jpg"), loaded).IsOpen());

    const struct stat replaced = InputFile::Open(Path("a.jpg")).Info();
    Write("a.jpg", "longer text");
    EXPECT_FALSE(InputFile::Reopen(Path("a.jpg"), replaced).IsOpen());
    fs::remove(Path("a.jpg"));
    EXPECT_FALSE(InputFile::Reopen(Path("a.jpg"), replaced).IsOpen());
}

} // namespace
