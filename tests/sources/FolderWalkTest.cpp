#include "sources/FolderWalk.h"

#include <algorithm>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "sources/FileAttributes.h"
#include "TestSupport.h"
#include "TreeSupport.h"

using namespace sources;
using namespace sourcestest;
using Paths = std::vector<std::string>;

namespace {

// The list with its order dropped, to compare with the expected entries where sibling order is the file system's.
Paths Sorted(Paths list) {
    std::sort(list.begin(), list.end());
    return list;
}

// The walks as the drop handling and the command line call them.
std::vector<std::string> DroppedFolder(const fs::path& folder) {
    std::vector<std::string> list;
    ListFolderFiles(
        folder.string(),
        {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    return list;
}

std::vector<std::string> CommandLineFolder(const fs::path& folder) {
    std::vector<std::string> list;
    ListFolderImages(folder.string(),
                     {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .includePlain = true}, list);
    return list;
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& list, const std::string& entry) {
    auto it = std::find(list.begin(), list.end(), entry);
    EXPECT_NE(it, list.end()) << entry << " not listed";
    return it - list.begin();
}

// The example tree: x.JPG, y.txt and S/z.png.
struct ExampleTree {
    testsupport::TempDir dir;
    std::string a;
    ExampleTree() {
        fs::create_directory(dir / "A");
        MakeFile(dir / "A" / "x.JPG");
        MakeFile(dir / "A" / "y.txt");
        fs::create_directory(dir / "A" / "S");
        MakeFile(dir / "A" / "S" / "z.png");
        a = (dir / "A").string();
    }
};

} // namespace

TEST(FolderWalk, ListsEveryEntryInPreOrder) {
    ExampleTree tree;
    const std::string& a = tree.a;
    std::vector<std::string> list = DroppedFolder(a);
    EXPECT_EQ(Sorted(list), Sorted({a + "/x.JPG", a + "/y.txt", a + "/S/", a + "/S/z.png"}));
    // A folder's contents come right after its own entry.
    EXPECT_EQ(IndexOf(list, a + "/S/z.png"), IndexOf(list, a + "/S/") + 1);

    // A trailing separator on the folder gives the same paths.
    EXPECT_EQ(DroppedFolder(a + "/"), list);
}

TEST(FolderWalk, ListsImagesOnly) {
    ExampleTree tree;
    const std::string& a = tree.a;
    EXPECT_EQ(Sorted(CommandLineFolder(a)), Sorted({a + "/x.JPG", a + "/S/z.png"}));
    // A folder whose name looks like an image is marked and so never passes the name test; what it holds does.
    fs::create_directory(tree.dir / "A" / "S" / "deep.jpg");
    MakeFile(tree.dir / "A" / "S" / "deep.jpg" / "w.bmp");
    EXPECT_EQ(Sorted(CommandLineFolder(a)), Sorted({a + "/x.JPG", a + "/S/z.png", a + "/S/deep.jpg/w.bmp"}));
}

TEST(FolderWalk, ListFlagsChangeWhatIsListed) {
    ExampleTree tree;
    const std::string& a = tree.a;
    std::vector<std::string> list = {"kept"};
    ListFolderImages(a, {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .includePlain = true}, list);
    EXPECT_EQ(list.front(), "kept");
    EXPECT_EQ(list.size(), 3u);
    ListFolderFiles(
        a, {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    EXPECT_EQ(list.size(), 4u) << "ClearList empties the list first";

    // Without MarkFolders the folder itself is listed bare, yet its own entries are still walked.
    ListFolderFiles(a, {.attributes = kAttrAnyFile, .recurse = true, .clearList = true, .includePlain = true}, list);
    EXPECT_EQ(Sorted(list), Sorted({a + "/x.JPG", a + "/y.txt", a + "/S", a + "/S/z.png"}));

    // Without Recurse only the folder's own entries.
    ListFolderFiles(a, {.attributes = kAttrAnyFile, .markFolders = true, .clearList = true, .includePlain = true},
                    list);
    EXPECT_EQ(Sorted(list), Sorted({a + "/x.JPG", a + "/y.txt", a + "/S/"}));

    // The mask selects by attribute: folders only, or read-only files only.
    ListFolderFiles(
        a,
        {.attributes = kAttrDirectory, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    EXPECT_EQ(list, Paths{a + "/S/"});
    chmod((tree.dir / "A" / "S" / "z.png").c_str(), 0444);
    ListFolderFiles(
        a, {.attributes = kAttrReadOnly, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    EXPECT_EQ(list, Paths{a + "/S/z.png"});
}

TEST(FolderWalk, HiddenListedSpecialFilesAndDanglingLinksNot) {
    testsupport::TempDir dir;
    const std::string root = dir.path().string();
    MakeFile(dir / ".hidden.png");
    fs::create_directory(dir / ".cache");
    MakeFile(dir / ".cache" / "c.jpg");
    MakeFifo(dir / "pipe.jpg");
    MakeSocket(dir / "sock.png");
    fs::create_symlink(dir / "nowhere.jpg", dir / "dangling.jpg");
    MakeFile(dir / "real.bmp");
    fs::create_symlink(dir / "real.bmp", dir / "link.bmp");

    EXPECT_EQ(Sorted(DroppedFolder(root)), Sorted({root + "/.hidden.png", root + "/.cache/", root + "/.cache/c.jpg",
                                                   root + "/real.bmp", root + "/link.bmp"}));
    EXPECT_EQ(Sorted(CommandLineFolder(root)),
              Sorted({root + "/.hidden.png", root + "/.cache/c.jpg", root + "/real.bmp", root + "/link.bmp"}));
}

TEST(FolderWalk, ClearAttributesMakesEveryEntryMetWritable) {
    testsupport::TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directory(dir / "ro");
    MakeFile(dir / "ro" / "a.jpg");
    MakeFile(dir / "ro" / ".b.txt");
    chmod((dir / "ro" / "a.jpg").c_str(), 0444);
    chmod((dir / "ro" / ".b.txt").c_str(), 0400);
    chmod((dir / "ro").c_str(), 0555);

    std::vector<std::string> list;
    ListFolderImages(root,
                     {.attributes = kAttrAnyFile,
                      .clearAttributes = true,
                      .markFolders = true,
                      .recurse = true,
                      .clearList = true,
                      .includePlain = true},
                     list);
    EXPECT_EQ(list, Paths{root + "/ro/a.jpg"});
    // Every entry met, image or not, folders included, gains the owner write bit and keeps the rest of its mode.
    EXPECT_EQ(ModeOf(dir / "ro"), 0755u);
    EXPECT_EQ(ModeOf(dir / "ro" / "a.jpg"), 0644u);
    EXPECT_EQ(ModeOf(dir / "ro" / ".b.txt"), 0600u);

    // The listing uses the attribute word as it was before the clearing.
    chmod((dir / "ro" / "a.jpg").c_str(), 0444);
    ListFolderFiles(root,
                    {.attributes = kAttrReadOnly,
                     .clearAttributes = true,
                     .markFolders = true,
                     .recurse = true,
                     .clearList = true,
                     .includePlain = true},
                    list);
    EXPECT_EQ(list, Paths{root + "/ro/a.jpg"});
    EXPECT_EQ(ModeOf(dir / "ro" / "a.jpg"), 0644u);
}

TEST(FolderWalk, LinkLoopsEndAndEachPathIsListedOnce) {
    testsupport::TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directories(dir / "a" / "b");
    MakeFile(dir / "a" / "f.jpg");
    fs::create_directory_symlink("../../a", dir / "a" / "b" / "link");

    // The link is listed as a folder but not entered: it leads back into a folder being walked.
    std::vector<std::string> list = DroppedFolder(root);
    EXPECT_EQ(Sorted(list), Sorted({root + "/a/", root + "/a/f.jpg", root + "/a/b/", root + "/a/b/link/"}));

    // Walking through the link itself enters it once.
    EXPECT_EQ(Sorted(DroppedFolder(root + "/a/b/link")),
              Sorted({root + "/a/b/link/f.jpg", root + "/a/b/link/b/", root + "/a/b/link/b/link/"}));

    // A link to the walk's own top folder.
    fs::create_directory_symlink(".", dir / "self");
    list = DroppedFolder(root);
    EXPECT_EQ(std::count(list.begin(), list.end(), root + "/self/"), 1);
    EXPECT_EQ(list.size(), 5u);
}

TEST(FolderWalk, MutualLinksEnd) {
    testsupport::TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directory(dir / "p");
    fs::create_directory(dir / "q");
    MakeFile(dir / "p" / "p.png");
    MakeFile(dir / "q" / "q.png");
    fs::create_directory_symlink("../q", dir / "p" / "toQ");
    fs::create_directory_symlink("../p", dir / "q" / "toP");

    // A link to a folder elsewhere is walked; the link back is listed and not entered.
    EXPECT_EQ(Sorted(CommandLineFolder(root)),
              Sorted({root + "/p/p.png", root + "/p/toQ/q.png", root + "/q/q.png", root + "/q/toP/p.png"}));
    EXPECT_EQ(Sorted(DroppedFolder(root)),
              Sorted({root + "/p/", root + "/p/p.png", root + "/p/toQ/", root + "/p/toQ/q.png", root + "/p/toQ/toP/",
                      root + "/q/", root + "/q/q.png", root + "/q/toP/", root + "/q/toP/p.png", root + "/q/toP/toQ/"}));
}

TEST(FolderWalk, UnreadableFoldersContributeNothing) {
    testsupport::TempDir dir;
    MakeFile(dir / "file.jpg");
    std::vector<std::string> list = {"old"};
    ListFolderFiles(
        (dir / "missing").string(),
        {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    EXPECT_TRUE(list.empty());
    list = {"old"};
    ListFolderFiles((dir / "file.jpg").string(),
                    {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .includePlain = true}, list);
    EXPECT_EQ(list, Paths{"old"});
    // An empty folder string names nothing (it is not taken for the root).
    ListFolderImages("",
                     {.attributes = kAttrAnyFile,
                      .clearAttributes = true,
                      .markFolders = true,
                      .recurse = true,
                      .includePlain = true},
                     list);
    EXPECT_EQ(list, Paths{"old"});
    // A NUL byte would cut the folder at "dir/"; such a string names nothing.
    ListFolderFiles(dir.path().string() + std::string(1, '\0') + "x",
                    {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .includePlain = true}, list);
    EXPECT_EQ(list, Paths{"old"});
    fs::create_directory(dir / "empty");
    ListFolderFiles(
        (dir / "empty").string(),
        {.attributes = kAttrAnyFile, .markFolders = true, .recurse = true, .clearList = true, .includePlain = true},
        list);
    EXPECT_TRUE(list.empty());
}

// Siblings come as a file manager lists them, whatever order the file system keeps: letters without regard to
// case, digit runs as numbers, folders among the files by name and walked where they stand.
TEST(FolderWalk, ListsSiblingsInNaturalOrder) {
    testsupport::TempDir dir;
    const fs::path root = dir / "R";
    fs::create_directory(root);
    for (const char* name : {"p10.jpg", "P2.jpg", "p1.jpg", "b.png", "p02.jpg", "A.bmp", "30.jpg", "9.jpg", "\xff.jpg"})
        MakeFile(root / name);
    fs::create_directory(root / "p3");
    MakeFile(root / "p3" / "x11.png");
    MakeFile(root / "p3" / "X2.png");
    const std::string r = root.string();
    EXPECT_EQ(CommandLineFolder(r),
              (Paths{r + "/9.jpg", r + "/30.jpg", r + "/A.bmp", r + "/b.png", r + "/p1.jpg", r + "/P2.jpg",
                     r + "/p02.jpg", r + "/p3/X2.png", r + "/p3/x11.png", r + "/p10.jpg", r + "/\xff.jpg"}));
}
