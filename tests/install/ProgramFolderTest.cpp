// Where the program finds its own files and keeps the files it writes, for a build folder, an unpacked copy and
// an installed layout (<prefix>/bin/kelvo beside <prefix>/share/kelvo/Kelvo.hlp).
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "app/ProgramFolder.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::WriteBytes;

// Sets an environment variable for the life of the object and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string Folder(const fs::path& path) {
    return path.string() + "/";
}

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    WriteBytes(path, {'<', 'p', '>'});
}

class ProgramFolderTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv home{"HOME", (dir / "home").string()};
    ScopedEnv dataHome{"XDG_DATA_HOME", std::nullopt};
    std::string userFolder() const { return Folder(dir / "home" / ".local" / "share" / "kelvo"); }
};

TEST_F(ProgramFolderTest, HelpBesideTheExecutableWinsOverAnInstalledCopy) {
    const fs::path bin = dir / "usr" / "bin";
    Touch(bin / "Kelvo.hlp");
    Touch(dir / "usr" / "share" / "kelvo" / "Kelvo.hlp");
    EXPECT_EQ(app::ResourceFolderFor(Folder(bin)), Folder(bin));
}

TEST_F(ProgramFolderTest, InstalledProgramFindsItsFilesInShareAndWritesToTheUserFolder) {
    const fs::path bin = dir / "usr" / "bin";
    fs::create_directories(bin);
    Touch(dir / "usr" / "share" / "kelvo" / "Kelvo.hlp");
    EXPECT_EQ(app::ResourceFolderFor(Folder(bin)), Folder(dir / "usr" / "share" / "kelvo"));
    // The bin folder is writable here (a test's temporary folder), yet an installed program never writes there.
    ASSERT_TRUE(app::MayWriteFolder(Folder(bin)));
    EXPECT_EQ(app::ProgramFolderFor(Folder(bin)), userFolder());
    EXPECT_TRUE(fs::is_directory(userFolder()));
}

TEST_F(ProgramFolderTest, CopyWithoutHelpKeepsEverythingBesideItself) {
    const fs::path copy = dir / "copy";
    fs::create_directories(copy);
    EXPECT_EQ(app::ResourceFolderFor(Folder(copy)), Folder(copy));
    EXPECT_EQ(app::ProgramFolderFor(Folder(copy)), Folder(copy));
    EXPECT_FALSE(fs::exists(userFolder()));
}

TEST_F(ProgramFolderTest, ReadOnlyFolderFallsBackEvenForRoot) {
    // Root may write anywhere; the folder's permission bits decide all the same.
    const fs::path copy = dir / "copy";
    Touch(copy / "Kelvo.hlp");
    ::chmod(copy.c_str(), 0555);
    EXPECT_FALSE(app::MayWriteFolder(Folder(copy)));
    EXPECT_EQ(app::ProgramFolderFor(Folder(copy)), userFolder());
    EXPECT_EQ(app::ResourceFolderFor(Folder(copy)), Folder(copy));
    ::chmod(copy.c_str(), 0755);
    EXPECT_TRUE(app::MayWriteFolder(Folder(copy)));
    EXPECT_EQ(app::ProgramFolderFor(Folder(copy)), Folder(copy));
}

TEST_F(ProgramFolderTest, WriteBitsOfTheRightClassCount) {
    const fs::path folder = dir / "shared";
    fs::create_directories(folder);
    // The folder is ours: only the owner's bit counts, whatever the group and others may do.
    ::chmod(folder.c_str(), 0577);
    EXPECT_FALSE(app::MayWriteFolder(Folder(folder)));
    ::chmod(folder.c_str(), 0700);
    EXPECT_TRUE(app::MayWriteFolder(Folder(folder)));
    ::chmod(folder.c_str(), 0755);
}

TEST_F(ProgramFolderTest, MissingFolderOrFileIsNotWritable) {
    EXPECT_FALSE(app::MayWriteFolder(Folder(dir / "absent")));
    Touch(dir / "file");
    EXPECT_FALSE(app::MayWriteFolder((dir / "file").string()));
    EXPECT_FALSE(app::MayWriteFolder(""));
}

TEST_F(ProgramFolderTest, UserFolderFollowsAnAbsoluteXdgDataHomeOnly) {
    {
        ScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
        EXPECT_EQ(app::UserDataFolder(), Folder(dir / "data" / "kelvo"));
        EXPECT_TRUE(fs::is_directory(dir / "data" / "kelvo"));
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(app::UserDataFolder(), userFolder());
    }
    {
        ScopedEnv data("XDG_DATA_HOME", (dir / "slash").string() + "/");
        EXPECT_EQ(app::UserDataFolder(), Folder(dir / "slash" / "kelvo"));
    }
}

} // namespace
