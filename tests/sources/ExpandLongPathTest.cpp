#include "sources/PathNamesLong.h"

#include <gtest/gtest.h>

#include "sources/FileAttributes.h"
#include "TestSupport.h"
#include "TreeSupport.h"

using namespace sources;
using namespace sourcestest;

namespace {

// A tree with long, spaced and multi-byte names; `root` is its physical path (no links in it).
struct NamedTree {
    testsupport::TempDir dir;
    std::string root;
    NamedTree() {
        root = fs::canonical(dir.path()).string();
        fs::create_directories(dir / "Program Files" / "Photos 2001");
        MakeFile(dir / "Program Files" / "Photos 2001" / "IMG.JPG");
        fs::create_directory(dir / "写真");
        MakeFile(dir / "写真" / "画像.png");
        MakeFile(dir / ".hidden.jpg");
    }
};

} // namespace

TEST(ExpandLongPath, AbsolutePathsKeepTheirStoredNames) {
    NamedTree tree;
    const std::string& root = tree.root;
    EXPECT_EQ(ExpandLongPath(root + "/Program Files/Photos 2001/IMG.JPG"), root + "/Program Files/Photos 2001/IMG.JPG");
    EXPECT_EQ(ExpandLongPath(root + "/写真/画像.png"), root + "/写真/画像.png");
    EXPECT_EQ(ExpandLongPath(root + "/.hidden.jpg"), root + "/.hidden.jpg");
    EXPECT_EQ(ExpandLongPath(root + "/写真"), root + "/写真");
    EXPECT_EQ(ExpandLongPath("/"), "/");
    EXPECT_EQ(ExpandLongPath(""), "");
    EXPECT_EQ(ExpandLongPath(root + "/写真" + std::string(1, '\0') + "/画像.png"), "");
}

TEST(ExpandLongPath, RelativePathsAreMadeAbsolute) {
    NamedTree tree;
    const std::string& root = tree.root;
    WorkingDirectory cwd(root + "/Program Files");
    EXPECT_EQ(ExpandLongPath("Photos 2001/IMG.JPG"), root + "/Program Files/Photos 2001/IMG.JPG");
    EXPECT_EQ(ExpandLongPath("./Photos 2001/./IMG.JPG"), root + "/Program Files/Photos 2001/IMG.JPG");
    EXPECT_EQ(ExpandLongPath("../写真/画像.png"), root + "/写真/画像.png");
    EXPECT_EQ(ExpandLongPath("."), root + "/Program Files");
    EXPECT_EQ(ExpandLongPath(".."), root);
    EXPECT_EQ(ExpandLongPath("Photos 2001/"), root + "/Program Files/Photos 2001");
}

TEST(ExpandLongPath, DotDotComponentsResolve) {
    NamedTree tree;
    const std::string& root = tree.root;
    EXPECT_EQ(ExpandLongPath(root + "/Program Files/Photos 2001/../../写真/画像.png"), root + "/写真/画像.png");
    EXPECT_EQ(ExpandLongPath(root + "/写真/.."), root);
    EXPECT_EQ(ExpandLongPath(root + "//写真///画像.png"), root + "/写真/画像.png");
    // ".." above the root stays at the root.
    EXPECT_EQ(ExpandLongPath("/../.." + root + "/写真"), root + "/写真");
    // ".." after a link leaves the link's target, as opening the path would: the result names the same file.
    fs::create_directory_symlink(root + "/Program Files/Photos 2001", root + "/写真/shortcut");
    const std::string viaLink = root + "/写真/shortcut/../Photos 2001/IMG.JPG";
    ASSERT_TRUE(fs::exists(viaLink));
    EXPECT_EQ(ExpandLongPath(viaLink), root + "/Program Files/Photos 2001/IMG.JPG");
    // A link itself is kept by its own name.
    EXPECT_EQ(ExpandLongPath(root + "/写真/shortcut/IMG.JPG"), root + "/写真/shortcut/IMG.JPG");
}

TEST(ExpandLongPath, MissingComponentsAndTrailingSeparators) {
    NamedTree tree;
    const std::string& root = tree.root;
    // A path ending in a separator gives the folder without it.
    EXPECT_EQ(ExpandLongPath(root + "/Program Files/Photos 2001/"), root + "/Program Files/Photos 2001");
    // A missing last component gives its folder with a trailing separator.
    EXPECT_EQ(ExpandLongPath(root + "/写真/missing.jpg"), root + "/写真/");
    // A missing folder contributes an empty component.
    EXPECT_EQ(ExpandLongPath(root + "/nope/IMG.JPG"), root + "/");
    EXPECT_EQ(ExpandLongPath(root + "/nope/deeper/"), root + "/");
    // A leading "//" is an ordinary absolute path.
    EXPECT_EQ(ExpandLongPath("/" + root + "/写真/画像.png"), root + "/写真/画像.png");
}

TEST(ExpandLongPath, Helpers) {
    NamedTree tree;
    const std::string& root = tree.root;
    EXPECT_EQ(LongFolderName(root + "/Program Files/Photos 2001"), root + "/Program Files/Photos 2001");
    EXPECT_EQ(LongFolderName("/"), "/");
    EXPECT_EQ(LongFolderName(root + "/gone/写真"), root + "/");
    // Inputs that never reach the root still end.
    EXPECT_EQ(LongFolderName("relative"), "relative");
    EXPECT_EQ(LongFolderName(""), "");

    EXPECT_EQ(FindFileName(root + "/写真/画像.png"), "画像.png");
    EXPECT_EQ(FindFileName(root + "/写真/"), "写真");
    EXPECT_EQ(FindFileName(root + "/写真/none.png"), "");
    EXPECT_EQ(FindFileName("/"), "");
    // Wildcards are ordinary characters here.
    EXPECT_EQ(FindFileName(root + "/写真/*.*"), "");

    // The mask admits hidden entries and folders only when it names them; ordinary files always.
    const std::uint32_t folderSearch = kAttrHidden | kAttrSystem | kAttrDirectory;
    EXPECT_EQ(FindFirstName(root + "/写真", folderSearch), "写真");
    EXPECT_EQ(FindFirstName(root + "/写真", 0), "");
    EXPECT_EQ(FindFirstName(root + "/.hidden.jpg", 0), "");
    EXPECT_EQ(FindFirstName(root + "/.hidden.jpg", kAttrHidden), ".hidden.jpg");
    EXPECT_EQ(FindFirstName(root + "/写真/画像.png", 0), "画像.png");
}
