#include "sources/DropRules.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TreeSupport.h"

using namespace sources;
using namespace sourcestest;
using Paths = std::vector<std::string>;

namespace {

Paths Sorted(Paths list) {
    std::sort(list.begin(), list.end());
    return list;
}

// A folder holding images, other files and a sub-folder with more of both.
class DropTree : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root / "S");
        MakeFile(root / "a.jpg");
        MakeFile(root / "b.PNG");
        MakeFile(root / "notes.txt");
        MakeFile(root / "x.GIF");
        MakeFile(root / "S" / "c.bmp");
        MakeFile(root / "S" / "d.doc");
    }

    std::string P(const std::string& relative) const { return (root / relative).string(); }

    testsupport::TempDir temp;
    fs::path root = temp / "A";
    FileList conversion;
    FileList rename;
};

} // namespace

TEST_F(DropTree, FolderOnRenamePageAddsEveryEntryWithFoldersMarked) {
    HandleDroppedFiles(Page::Rename, {root.string()}, conversion, rename);
    EXPECT_EQ(conversion.Count(), 0);
    EXPECT_EQ(Sorted(rename.Items()),
              (Paths{P("S/"), P("S/c.bmp"), P("S/d.doc"), P("a.jpg"), P("b.PNG"), P("notes.txt"), P("x.GIF")}));
    // Pre-order: the sub-folder's entry comes before what it holds.
    const Paths items = rename.Items();
    auto folder = std::find(items.begin(), items.end(), P("S/"));
    auto inside = std::find(items.begin(), items.end(), P("S/c.bmp"));
    EXPECT_LT(folder, inside);
}

TEST_F(DropTree, FolderOnListPageAddsOnlyItsImages) {
    HandleDroppedFiles(Page::List, {root.string()}, conversion, rename);
    EXPECT_EQ(rename.Count(), 0);
    EXPECT_EQ(Sorted(conversion.Items()), (Paths{P("S/c.bmp"), P("a.jpg"), P("b.PNG")}));
}

TEST_F(DropTree, FolderOnOptionsPageGoesToTheRenameListLikeOnTheRenamePage) {
    HandleDroppedFiles(Page::Options, {root.string()}, conversion, rename);
    EXPECT_EQ(conversion.Count(), 0);
    EXPECT_EQ(rename.Count(), 7);
}

TEST_F(DropTree, ImageFileOnListOrOptionsPageGoesToTheConversionList) {
    HandleDroppedFiles(Page::Options, {P("a.jpg")}, conversion, rename);
    HandleDroppedFiles(Page::List, {P("S/c.bmp")}, conversion, rename);
    EXPECT_EQ(conversion.Items(), (Paths{P("a.jpg"), P("S/c.bmp")}));
    EXPECT_EQ(rename.Count(), 0);
}

TEST_F(DropTree, OtherFilesAreRefusedOnListAndOptionsPagesButTakenOnTheRenamePage) {
    for (Page page : {Page::List, Page::Options}) {
        HandleDroppedFiles(page, {P("x.GIF"), P("notes.txt"), P("missing.txt")}, conversion, rename);
    }
    EXPECT_EQ(conversion.Count(), 0);
    EXPECT_EQ(rename.Count(), 0);
    HandleDroppedFiles(Page::Rename, {P("x.GIF"), P("a.jpg"), P("missing.txt")}, conversion, rename);
    EXPECT_EQ(rename.Items(), (Paths{P("x.GIF"), P("a.jpg"), P("missing.txt")}));
    EXPECT_EQ(conversion.Count(), 0);
}

TEST_F(DropTree, MissingImageNameOnListPageIsAddedByItsName) {
    // Only the name decides for a non-folder; the conversion run reports a missing file later.
    HandleDroppedFiles(Page::List, {P("gone.jpg")}, conversion, rename);
    EXPECT_EQ(conversion.Items(), (Paths{P("gone.jpg")}));
}

TEST_F(DropTree, TheSameFileTwiceGivesTwoItems) {
    HandleDroppedFiles(Page::List, {P("a.jpg"), P("a.jpg")}, conversion, rename);
    HandleDroppedFiles(Page::List, {P("a.jpg")}, conversion, rename);
    EXPECT_EQ(conversion.Items(), (Paths{P("a.jpg"), P("a.jpg"), P("a.jpg")}));
}

TEST_F(DropTree, NamesAreTakenInDropOrderAndSortedListsPlaceThem) {
    rename.SetSorted(true);
    HandleDroppedFiles(Page::Rename, {P("notes.txt"), P("S"), P("b.PNG")}, conversion, rename);
    // The dropped folder itself is not an entry; what it holds is.
    EXPECT_EQ(rename.Items(), (Paths{P("b.PNG"), P("notes.txt"), P("S/c.bmp"), P("S/d.doc")}));
}

TEST_F(DropTree, RenameListReportsItsCountForEveryDroppedFile) {
    std::vector<int> counts;
    QObject::connect(&rename, &FileList::CountChanged, [&counts](int count) { counts.push_back(count); });
    HandleDroppedFiles(Page::Rename, {P("a.jpg"), P("notes.txt")}, conversion, rename);
    EXPECT_EQ(counts, (std::vector<int>{1, 2}));
    HandleDroppedFiles(Page::Rename, {P("S")}, conversion, rename);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(counts.back(), 4);
}

TEST_F(DropTree, LongNamesAreKeptWhole) {
    // Longer than the 254 characters a drop once carried; cutting it would name another file.
    const std::string longName = std::string(200, 'n') + ".jpg";
    fs::create_directories(root / std::string(80, 'd'));
    const fs::path file = root / std::string(80, 'd') / longName;
    MakeFile(file);
    ASSERT_GT(file.string().size(), 254u);
    HandleDroppedFiles(Page::List, {file.string()}, conversion, rename);
    HandleDroppedFiles(Page::List, {(root / std::string(80, 'd')).string()}, conversion, rename);
    EXPECT_EQ(conversion.Items(), (Paths{file.string(), file.string()}));
}

TEST_F(DropTree, UnreadableOrEmptyNamesAddNothing) {
    fs::create_directories(root / "locked");
    MakeFile(root / "locked" / "z.jpg");
    fs::permissions(root / "locked", fs::perms::none);
    HandleDroppedFiles(Page::List, {P("locked"), ""}, conversion, rename);
    fs::permissions(root / "locked", fs::perms::owner_all);
    if (geteuid() != 0) { // root reads the folder all the same
        EXPECT_EQ(conversion.Count(), 0);
    }
    HandleDroppedFiles(Page::Rename, {""}, conversion, rename);
    EXPECT_EQ(rename.Count(), 0);
}
