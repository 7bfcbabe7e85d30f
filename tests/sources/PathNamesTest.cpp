#include "sources/PathNames.h"

#include <gtest/gtest.h>

using namespace sources;

TEST(PathNames, ExtensionIsFromTheLastDotAfterTheLastSeparator) {
    EXPECT_EQ(ExtractFileExt("/A/x.JPG"), ".JPG");
    EXPECT_EQ(ExtractFileExt("a.b.jpg"), ".jpg");
    EXPECT_EQ(ExtractFileExt("scan"), "");
    EXPECT_EQ(ExtractFileExt(".hidden"), ".hidden");
    EXPECT_EQ(ExtractFileExt("/dir.d/file"), "");
    EXPECT_EQ(ExtractFileExt("/a/f.jpg/"), "");
    EXPECT_EQ(ExtractFileExt("name."), ".");
    EXPECT_EQ(ExtractFileExt(""), "");
    // ":" is an ordinary character, not a separator.
    EXPECT_EQ(ExtractFileExt("a.b:c"), ".b:c");
    // A multi-byte name keeps its bytes whole.
    EXPECT_EQ(ExtractFileExt("/写真.フォルダ/画像.jpeg"), ".jpeg");
}

TEST(PathNames, NameAndFolderParts) {
    EXPECT_EQ(ExtractFileName("/A/S/z.png"), "z.png");
    EXPECT_EQ(ExtractFilePath("/A/S/z.png"), "/A/S/");
    EXPECT_EQ(ExtractFileName("z.png"), "z.png");
    EXPECT_EQ(ExtractFilePath("z.png"), "");
    EXPECT_EQ(ExtractFileName("/A/S/"), "");
    EXPECT_EQ(ExtractFilePath("/A/S/"), "/A/S/");
    EXPECT_EQ(ExtractFileName("/x"), "x");
    EXPECT_EQ(ExtractFilePath("/x"), "/");
    EXPECT_EQ(ExtractFileName("c:d"), "c:d");
    EXPECT_EQ(ExtractFilePath("c:d"), "");
}

TEST(PathNames, ChangeFileExtReplacesOrAppends) {
    EXPECT_EQ(ChangeFileExt("a.b.jpg", ".png"), "a.b.png");
    EXPECT_EQ(ChangeFileExt("scan", ".png"), "scan.png");
    EXPECT_EQ(ChangeFileExt(".hidden", ".png"), ".png");
    EXPECT_EQ(ChangeFileExt("/dir.d/file", ".png"), "/dir.d/file.png");
    EXPECT_EQ(ChangeFileExt("/A/x.JPG", ".jpg"), "/A/x.jpg");
    EXPECT_EQ(ChangeFileExt("name.", ".bmp"), "name.bmp");
    EXPECT_EQ(ChangeFileExt("/A/x.jpeg", ""), "/A/x");
}

TEST(PathNames, ImageNamesByExtension) {
    for (const char* accepted :
         {"a.JPEG", "b.Png", "x.jpg", "x.png", "x.bmp", "x.pcx", "x.jpeg", "x.fpx", "X.FPX", "/dir.d/p.PcX", ".jpg"}) {
        EXPECT_TRUE(IsImageFileName(accepted)) << accepted;
    }
    for (const char* rejected : {"c.jpe", "d.gif", "e", "/a/f.jpg/", "g.tif", "h.tiff", "i.jpg.txt", "j.jpgx",
                                 "/k.jpg/l", "", "m. jpg", "n.jpg "}) {
        EXPECT_FALSE(IsImageFileName(rejected)) << rejected;
    }
}

TEST(PathNames, AddPathSeparatorOnlyWhenMissing) {
    EXPECT_EQ(AddPathSeparator("/"), "/");
    EXPECT_EQ(AddPathSeparator("/a"), "/a/");
    EXPECT_EQ(AddPathSeparator("/a/"), "/a/");
    EXPECT_EQ(AddPathSeparator("a:"), "a:/");
    EXPECT_EQ(AddPathSeparator("/表"), "/表/");
    EXPECT_EQ(AddPathSeparator(""), "/");
}

TEST(PathNames, UsablePaths) {
    EXPECT_TRUE(IsUsablePath("/a"));
    EXPECT_TRUE(IsUsablePath("a"));
    EXPECT_FALSE(IsUsablePath(""));
    EXPECT_FALSE(IsUsablePath(std::string_view("/a\0b", 4)));
}
