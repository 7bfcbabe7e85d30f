#include "sources/FileAttributes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestSupport.h"
#include "TreeSupport.h"

using namespace sources;
using namespace sourcestest;

namespace {

std::uint32_t AttributesOf(const fs::path& path) {
    std::optional<std::uint32_t> attributes = FileAttributes(path.string());
    EXPECT_TRUE(attributes.has_value()) << path;
    return attributes.value_or(0xFFFFFFFF);
}

} // namespace

TEST(FileAttributes, SynthesisedFromTheFileType) {
    testsupport::TempDir dir;
    MakeFile(dir / "plain.jpg");
    MakeFile(dir / ".dot.jpg");
    MakeFile(dir / "locked.txt");
    fs::permissions(dir / "locked.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::create_directory(dir / "folder");
    fs::create_directory(dir / ".dotfolder");
    MakeFifo(dir / "pipe");
    MakeSocket(dir / "sock");

    EXPECT_EQ(AttributesOf(dir / "plain.jpg"), kAttrArchive);
    EXPECT_EQ(AttributesOf(dir / ".dot.jpg"), kAttrArchive | kAttrHidden);
    EXPECT_EQ(AttributesOf(dir / "locked.txt"), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(AttributesOf(dir / "folder"), kAttrDirectory);
    EXPECT_EQ(AttributesOf(dir / ".dotfolder"), kAttrDirectory | kAttrHidden);
    EXPECT_EQ(AttributesOf(dir / ".dotfolder/"), kAttrDirectory | kAttrHidden);
    EXPECT_EQ(AttributesOf(dir / "pipe"), kAttrNormal);
    EXPECT_EQ(AttributesOf(dir / "sock"), kAttrNormal);
    EXPECT_EQ(AttributesOf("/dev/null"), kAttrNormal);
    // "." and ".." are not hidden names.
    EXPECT_EQ(AttributesOf(dir / "folder" / "."), kAttrDirectory);
    EXPECT_EQ(AttributesOf(dir / "folder" / ".."), kAttrDirectory);
}

TEST(FileAttributes, LinksAreFollowedAndDanglingOnesUnreadable) {
    testsupport::TempDir dir;
    MakeFile(dir / "target.png");
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "target.png", dir / ".link.png");
    fs::create_symlink(dir / "sub", dir / "sublink");
    fs::create_symlink(dir / "nowhere", dir / "dangling");

    // The link's own name decides the hidden bit; its target decides the rest.
    EXPECT_EQ(AttributesOf(dir / ".link.png"), kAttrArchive | kAttrHidden);
    EXPECT_EQ(AttributesOf(dir / "sublink"), kAttrDirectory);
    EXPECT_FALSE(FileAttributes((dir / "dangling").string()).has_value());
    EXPECT_FALSE(FileAttributes((dir / "missing").string()).has_value());
    EXPECT_FALSE(FileAttributes("").has_value());
    EXPECT_FALSE(FileAttributes((dir / "target.png").string() + std::string(1, '\0') + "x").has_value());
    // A path through a file is not readable.
    EXPECT_FALSE(FileAttributes((dir / "target.png" / "x").string()).has_value());
}

TEST(FileAttributes, IsDirectory) {
    testsupport::TempDir dir;
    MakeFile(dir / "f.jpg");
    fs::create_directory(dir / "d");
    fs::create_symlink(dir / "d", dir / "dl");
    MakeFifo(dir / "pipe");
    EXPECT_TRUE(IsDirectory((dir / "d").string()));
    EXPECT_TRUE(IsDirectory((dir / "d").string() + "/"));
    EXPECT_TRUE(IsDirectory((dir / "dl").string()));
    EXPECT_TRUE(IsDirectory("/"));
    EXPECT_FALSE(IsDirectory((dir / "f.jpg").string()));
    EXPECT_FALSE(IsDirectory((dir / "pipe").string()));
    EXPECT_FALSE(IsDirectory((dir / "missing").string()));
    EXPECT_FALSE(IsDirectory(""));
}

TEST(FileAttributes, ClearReadOnlyHiddenAddsOnlyTheOwnerWriteBit) {
    testsupport::TempDir dir;
    MakeFile(dir / ".locked.jpg");
    fs::create_directory(dir / "lockedfolder");
    chmod((dir / ".locked.jpg").c_str(), 0444);
    chmod((dir / "lockedfolder").c_str(), 01555); // the sticky bit must survive
    MakeFifo(dir / "pipe");

    EXPECT_TRUE(ClearReadOnlyHidden((dir / ".locked.jpg").string()));
    EXPECT_EQ(ModeOf(dir / ".locked.jpg"), 0644u);
    // The dot name stays, so the file stays hidden.
    EXPECT_EQ(AttributesOf(dir / ".locked.jpg"), kAttrArchive | kAttrHidden);
    EXPECT_TRUE(ClearReadOnlyHidden((dir / "lockedfolder").string()));
    EXPECT_EQ(ModeOf(dir / "lockedfolder"), 01755u);
    EXPECT_EQ(AttributesOf(dir / "lockedfolder"), kAttrDirectory);

    // Nothing to clear: the mode is left alone.
    chmod((dir / "pipe").c_str(), 0444);
    EXPECT_TRUE(ClearReadOnlyHidden((dir / "pipe").string()));
    EXPECT_EQ(ModeOf(dir / "pipe"), 0444u);
    EXPECT_FALSE(ClearReadOnlyHidden((dir / "missing").string()));
}
