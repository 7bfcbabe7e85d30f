#include <gtest/gtest.h>

#include <string>

#include "settings/ProfileFile.h"

namespace {

using settings::ProfileFile;

TEST(ProfileFileRead, NamesMatchWithoutRegardToCaseOrSurroundingBlanks) {
    const ProfileFile file("[ mAiN ]\n  EDIT1  = abc\nspinedit1=7\n");
    EXPECT_EQ(file.Read("Main", "Edit1"), "abc");
    EXPECT_EQ(file.Read("MAIN", "SpinEdit1"), "7");
    EXPECT_EQ(file.Read("Main", "Edit2"), std::nullopt);
    EXPECT_EQ(file.Read("Font", "Edit1"), std::nullopt);
    EXPECT_EQ(file.ReadString("Main", "Edit2", "fallback"), "fallback");
    EXPECT_EQ(file.ReadString("Main", "Edit1", "fallback"), "abc");
}

TEST(ProfileFileRead, ValuesLoseOuterBlanksAndOnePairOfQuotes) {
    const ProfileFile file("[S]\n"
                           "blanks= \t two words \t\n"
                           "double=\"  quoted  \"\n"
                           "single='x'\n"
                           "twice=\"\"inner\"\"\n"
                           "unpaired=\"abc'\n"
                           "lone=\"\n"
                           "emptyQuotes=\"\"\n"
                           "empty=\n"
                           "equals=a=b\n"
                           "nul=ab" +
                           std::string(1, '\0') + "cd\n");
    EXPECT_EQ(file.Read("S", "blanks"), "two words");
    EXPECT_EQ(file.Read("S", "double"), "  quoted  ");
    EXPECT_EQ(file.Read("S", "single"), "x");
    EXPECT_EQ(file.Read("S", "twice"), "\"inner\"");
    EXPECT_EQ(file.Read("S", "unpaired"), "\"abc'");
    EXPECT_EQ(file.Read("S", "lone"), "\"");
    EXPECT_EQ(file.Read("S", "emptyQuotes"), "");
    EXPECT_EQ(file.Read("S", "empty"), "");
    EXPECT_EQ(file.Read("S", "equals"), "a=b");
    EXPECT_EQ(file.Read("S", "nul"), "ab");
}

TEST(ProfileFileRead, LongValuesAreCutTo2047Characters) {
    const std::string ascii(3000, 'a');
    std::string kanji;
    for (int i = 0; i < 3000; ++i)
        kanji += "縮";
    const ProfileFile file("[S]\nascii=" + ascii + "\nkanji=" + kanji + "\nexact=" + std::string(2047, 'b') + "\n");
    EXPECT_EQ(file.Read("S", "ascii"), std::string(2047, 'a'));
    const std::string cut = *file.Read("S", "kanji");
    EXPECT_EQ(cut.size(), 2047u * 3); // whole characters only
    EXPECT_EQ(cut, kanji.substr(0, 2047 * 3));
    EXPECT_EQ(file.Read("S", "exact"), std::string(2047, 'b'));
}

TEST(ProfileFileRead, FirstSectionAndFirstKeyOfANameCount) {
    const ProfileFile file("[Main]\nA=1\na=2\n[Other]\nA=3\n[MAIN]\nA=4\nB=5\n");
    EXPECT_EQ(file.Read("Main", "A"), "1");
    EXPECT_EQ(file.Read("Main", "B"), std::nullopt); // only in the second "Main"
    EXPECT_EQ(file.Read("Other", "a"), "3");
}

TEST(ProfileFileRead, CommentsLinesWithoutEqualsAndLinesBeforeTheFirstSectionAreNoKeys) {
    const ProfileFile file("A=outside\n[S]\n;B=comment\n  ; C = comment too\nD\n=nameless\nE=real\r\n");
    EXPECT_EQ(file.Read("S", "A"), std::nullopt);
    EXPECT_EQ(file.Read("S", "B"), std::nullopt);
    EXPECT_EQ(file.Read("S", ";B"), std::nullopt);
    EXPECT_EQ(file.Read("S", "C"), std::nullopt);
    EXPECT_EQ(file.Read("S", "D"), std::nullopt);
    EXPECT_EQ(file.Read("S", ""), std::nullopt);
    EXPECT_EQ(file.Read("S", "E"), "real"); // the CR of a CRLF line end is no part of the value
}

TEST(ProfileFileWrite, ReplacesAKeyWhereItStandsAndKeepsEveryOtherLineExactly) {
    const std::string original = "; written by hand\r\n"
                                 "[Other]\r\n"
                                 "  x =  1  \r\n"
                                 "\r\n"
                                 "[Main]\r\n"
                                 "  edit1 = old  \r\n"
                                 "; keep me\r\n"
                                 "Edit1=second, ignored\r\n"
                                 "\r\n"
                                 "[Tail]\r\n"
                                 "y";
    ProfileFile file(original);
    EXPECT_EQ(file.Text(), original);
    file.Write("MAIN", "Edit1", "new");
    EXPECT_EQ(file.Text(), "; written by hand\r\n"
                           "[Other]\r\n"
                           "  x =  1  \r\n"
                           "\r\n"
                           "[Main]\r\n"
                           "Edit1=new\r\n"
                           "; keep me\r\n"
                           "Edit1=second, ignored\r\n"
                           "\r\n"
                           "[Tail]\r\n"
                           "y");
}

TEST(ProfileFileWrite, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheFile) {
    ProfileFile file("[Main]\nA=1\n\n\n[Other]\nB=2");
    file.Write("Main", "C", "3");
    file.Write("Other", "D", "4");
    file.Write("New", "E", "5");
    file.Write("new", "F", "6");
    EXPECT_EQ(file.Text(), "[Main]\nA=1\nC=3\n\n\n[Other]\nB=2\nD=4\n[New]\nE=5\nF=6\n");
    EXPECT_EQ(file.Read("New", "F"), "6");
}

TEST(ProfileFileWrite, NewLinesEndLikeTheFilesFirstLine) {
    ProfileFile crlf("[Main]\r\nA=1");
    crlf.Write("Main", "B", "2");
    crlf.Write("Font", "C", "3");
    EXPECT_EQ(crlf.Text(), "[Main]\r\nA=1\r\nB=2\r\n[Font]\r\nC=3\r\n");

    ProfileFile empty;
    empty.Write("Main", "A", "1");
    EXPECT_EQ(empty.Text(), "[Main]\nA=1\n");

    ProfileFile headerOnly("[Main]");
    headerOnly.Write("Main", "A", "1");
    EXPECT_EQ(headerOnly.Text(), "[Main]\nA=1\n");
}

TEST(ProfileFileWrite, ALineBreakInAValueCannotAddKeysOrSections) {
    ProfileFile file;
    file.Write("Main", "Edit1", "a\r\n[Font]\nName=evil");
    file.Write("Font", "Name", "good");
    EXPECT_EQ(file.Text(), "[Main]\nEdit1=a  [Font] Name=evil\n[Font]\nName=good\n");
    const ProfileFile reread(file.Text());
    EXPECT_EQ(reread.Read("Font", "Name"), "good");
}

// A caption " 2026 " or a comment in quotes is saved so that the next start reads it back as it was; other
// values are written plainly.
TEST(ProfileFileWrite, EveryWrittenValueReadsBackUnchanged) {
    ProfileFile file;
    const char* values[] = {"  a ", "\tb", "c ", "\"quoted\"", "'single'", "\"", "\"open", "plain text", "", "日本語 "};
    for (const char* value : values) {
        file.Write("Main", "Edit4", value);
        EXPECT_EQ(ProfileFile(file.Text()).Read("Main", "Edit4"), value) << value;
    }
    file.Write("Main", "Edit4", "plain text");
    file.Write("Main", "Edit5", "  a ");
    EXPECT_NE(file.Text().find("\nEdit4=plain text\n"), std::string::npos) << file.Text();
    EXPECT_NE(file.Text().find("\nEdit5=\"  a \"\n"), std::string::npos) << file.Text();
}

} // namespace
