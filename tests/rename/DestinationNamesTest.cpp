// Destination names: prefix, zero-padded number, suffix, case rule, folder and extension.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "options/OptionSet.h"
#include "rename/DestinationNames.h"

namespace {

using options::CaseRule;
using renaming::DestNames;
using renaming::MakeDestinationNames;
using renaming::NameRule;

NameRule Rule(std::string prefix, std::int32_t start, std::int32_t digits, std::string suffix = "",
              CaseRule caseRule = CaseRule::Keep, std::string folder = "/Out", bool withExtension = true) {
    return {std::move(prefix), std::move(suffix), start, digits, caseRule, std::move(folder), withExtension};
}

TEST(DestinationNames, PrefixNumberSuffixAndCaseRule) {
    EXPECT_EQ(MakeDestinationNames({"/pic/a.JPG"}, Rule("IMG_", 1, 4)), DestNames{"/Out/IMG_0001.JPG"});
    // The case rule changes prefix, number and suffix; the extension keeps its letters.
    EXPECT_EQ(MakeDestinationNames({"/pic/a.JPG"}, Rule("Photo_", 1, 4, "", CaseRule::Lower)),
              DestNames{"/Out/photo_0001.JPG"});
    EXPECT_EQ(MakeDestinationNames({"/pic/x.jpg"}, Rule("img", 1, 4, "_s", CaseRule::Upper)),
              DestNames{"/Out/IMG0001_S.jpg"});
    // ...and the folder keeps its letters too.
    EXPECT_EQ(MakeDestinationNames({"/pic/x.Jpg"}, Rule("a", 1, 2, "", CaseRule::Upper, "/Mixed/Case")),
              DestNames{"/Mixed/Case/A01.Jpg"});
    EXPECT_EQ(MakeDestinationNames({"/pic/x.JPG"}, Rule("A", 1, 2, "", CaseRule::Lower, "/Mixed/Case")),
              DestNames{"/Mixed/Case/a01.JPG"});
}

TEST(DestinationNames, NumbersRunFromTheStartWithoutGaps) {
    const std::vector<std::string> two = {"/a.jpg", "/b.jpg"};
    const std::vector<std::string> three = {"/a.jpg", "/b.jpg", "/c.jpg"};
    EXPECT_EQ(MakeDestinationNames(two, Rule("", 9999, 4)), (DestNames{"/Out/9999.jpg", "/Out/10000.jpg"}));
    EXPECT_EQ(MakeDestinationNames(three, Rule("n", -1, 4)),
              (DestNames{"/Out/n00-1.jpg", "/Out/n0000.jpg", "/Out/n0001.jpg"}));
    EXPECT_EQ(MakeDestinationNames(three, Rule("", 0, 1)), (DestNames{"/Out/0.jpg", "/Out/1.jpg", "/Out/2.jpg"}));
    // Entries that name the same file still get a number each.
    EXPECT_EQ(MakeDestinationNames({"/a.jpg", "/a.jpg"}, Rule("", 1, 1)), (DestNames{"/Out/1.jpg", "/Out/2.jpg"}));
    // A start at the top of the 32-bit range keeps counting upward instead of wrapping to a negative number.
    const std::int32_t top = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(MakeDestinationNames(two, Rule("", top, 4)), (DestNames{"/Out/2147483647.jpg", "/Out/2147483648.jpg"}));
}

TEST(DestinationNames, ExtensionsAndFolders) {
    EXPECT_EQ(MakeDestinationNames({"/in/README", "/in/a.tar.gz", "/in.d/scan", "/in/.hidden"}, Rule("f", 1, 1)),
              (DestNames{"/Out/f1", "/Out/f2.gz", "/Out/f3", "/Out/f4.hidden"}));
    // The conversion's names have no extension; it appends its format's own.
    EXPECT_EQ(MakeDestinationNames({"/pic/a.JPG"}, Rule("IMG_", 1, 4, "", CaseRule::Keep, "/Out", false)),
              DestNames{"/Out/IMG_0001"});
    // The folder is joined with one "/" whatever it ends with.
    EXPECT_EQ(MakeDestinationNames({"/a.jpg"}, Rule("", 1, 1, "", CaseRule::Keep, "/Out/")), DestNames{"/Out//1.jpg"});
    EXPECT_EQ(MakeDestinationNames({"/a.jpg"}, Rule("", 1, 1, "", CaseRule::Keep, "")), DestNames{"/1.jpg"});
    EXPECT_TRUE(MakeDestinationNames({}, Rule("IMG_", 1, 4)).empty());
}

TEST(DestinationNames, WidthBeyondTheFieldRangeIsItsMaximum) {
    const DestNames names = MakeDestinationNames({"/a.jpg"}, Rule("", 7, 2000000000));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "/Out/" + std::string(98, '0') + "7.jpg");
}

TEST(ZeroPadNumber, PadsInFrontAndNeverCuts) {
    EXPECT_EQ(renaming::ZeroPadNumber(7, 3), "007");
    EXPECT_EQ(renaming::ZeroPadNumber(10000, 4), "10000");
    EXPECT_EQ(renaming::ZeroPadNumber(-1, 4), "00-1");
    EXPECT_EQ(renaming::ZeroPadNumber(-12345, 3), "-12345");
    EXPECT_EQ(renaming::ZeroPadNumber(0, 1), "0");
    EXPECT_EQ(renaming::ZeroPadNumber(5, 0), "5");
    EXPECT_EQ(renaming::ZeroPadNumber(5, -4), "5");
    EXPECT_EQ(renaming::ZeroPadNumber(std::numeric_limits<std::int32_t>::min(), 12), "0-2147483648");
}

TEST(ApplyNameCase, EveryLetterWithACaseChangesAndJapaneseStays) {
    EXPECT_EQ(renaming::ApplyNameCase("Photo_0001", CaseRule::Keep), "Photo_0001");
    EXPECT_EQ(renaming::ApplyNameCase("Photo_0001", CaseRule::Lower), "photo_0001");
    EXPECT_EQ(renaming::ApplyNameCase("写真_Été_Ωмега_0001", CaseRule::Upper), "写真_ÉTÉ_ΩМЕГА_0001");
    EXPECT_EQ(renaming::ApplyNameCase("写真_Été_Ωмега_0001", CaseRule::Lower), "写真_été_ωмега_0001");
    EXPECT_EQ(renaming::ApplyNameCase("しゃしんカメラ漢字ｶﾒﾗ", CaseRule::Upper), "しゃしんカメラ漢字ｶﾒﾗ");
    EXPECT_EQ(renaming::ApplyNameCase("しゃしんカメラ漢字ｶﾒﾗ", CaseRule::Lower), "しゃしんカメラ漢字ｶﾒﾗ");
    // A byte-order mark at the front is part of the name and stays.
    EXPECT_EQ(renaming::ApplyNameCase("\xEF\xBB\xBFimg", CaseRule::Upper), "\xEF\xBB\xBFIMG");
    // Bytes that are not UTF-8 are kept; ASCII letters around them still change.
    EXPECT_EQ(renaming::ApplyNameCase("ab\xFF\x82\xA0"
                                      "Cd",
                                      CaseRule::Upper),
              "AB\xFF\x82\xA0"
              "CD");
    EXPECT_EQ(renaming::ApplyNameCase(std::string("A\0B", 3), CaseRule::Lower), std::string("a\0b", 3));
}

TEST(NameRuleFromOptions, ReadsTheRenamePage) {
    options::OptionSet set("/prog/");
    set.SetText("Edit4", "Img_");
    set.SetText("Edit5", "_X");
    set.SetSpinText("SpinEdit4", "-2");
    set.SetSpinText("SpinEdit7", "3");
    set.SetCaseRule(CaseRule::Lower);
    set.SetText("Edit6", "/Renamed");
    EXPECT_EQ(MakeDestinationNames({"/a.JPG", "/b"}, renaming::RenamePageRule(set)),
              (DestNames{"/Renamed/img_0-2_x.JPG", "/Renamed/img_0-1_x"}));
    EXPECT_EQ(MakeDestinationNames({"/a.JPG"}, renaming::NameRuleFromOptions(set, "/Conv", false)),
              DestNames{"/Conv/img_0-2_x"});

    // Texts that are not whole numbers: the start reads as 0, the width as 1.
    set.SetSpinText("SpinEdit4", "1.5");
    set.SetSpinText("SpinEdit7", "four");
    set.SetCaseRule(CaseRule::Keep);
    EXPECT_EQ(MakeDestinationNames({"/a.jpg"}, renaming::RenamePageRule(set)), DestNames{"/Renamed/Img_0_X.jpg"});

    // Start values: width 4 from 1, no prefix or suffix, the Output folder beside the program.
    options::OptionSet fresh("/prog/");
    EXPECT_EQ(MakeDestinationNames({"/a.png"}, renaming::RenamePageRule(fresh)), DestNames{"/prog/Output/0001.png"});
}

} // namespace
