#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "imaging/Error.h"
#include "options/OptionSet.h"
#include "settings/Settings.h"
#include "settings/TextEncoding.h"

namespace {

using options::OptionSet;
using settings::LoadSettings;
using settings::SaveSettings;
using settings::SettingsError;
using testsupport::TempDir;

constexpr const char* kFolder = "/opt/kelvo/";

// The file a first save writes when nothing was changed: every line, with "\n" line ends.
const char* const kDefaultFile = "[Main]\n"
                                 "Edit1=\n"
                                 "Edit2=/opt/kelvo/Output\n"
                                 "Edit3=\n"
                                 "Edit4=\n"
                                 "Edit5=\n"
                                 "Edit6=/opt/kelvo/Output\n"
                                 "Edit7=\n"
                                 "ComboBox1=縮小時のみ有効\n"
                                 "ComboBox2=左上\n"
                                 "ComboBox3=右下\n"
                                 "ComboBox4=JPEG\n"
                                 "SpinEdit1=200\n"
                                 "SpinEdit2=100\n"
                                 "SpinEdit3=50\n"
                                 "SpinEdit4=1\n"
                                 "SpinEdit5=4\n"
                                 "SpinEdit6=5\n"
                                 "SpinEdit7=4\n"
                                 "CheckBox1=1\n"
                                 "CheckBox2=0\n"
                                 "CheckBox3=0\n"
                                 "CheckBox4=0\n"
                                 "CheckBox5=0\n"
                                 "CheckBox6=0\n"
                                 "CheckBox7=0\n"
                                 "CheckBox8=0\n"
                                 "CheckBox9=0\n"
                                 "CheckBox10=0\n"
                                 "CheckBox11=0\n"
                                 "CheckBox12=0\n"
                                 "TrackBar1=100\n"
                                 "TrackBar2=0\n"
                                 "[Font]\n"
                                 "Style=0\n"
                                 "Pitch=0\n"
                                 "Charset=0\n"
                                 "Color=clBlack\n"
                                 "Size=9\n"
                                 "Name=ＭＳ Ｐゴシック\n"
                                 "[Color]\n"
                                 "Brush=clYellow\n"
                                 "[Color2]\n"
                                 "Brush=$00010000\n"
                                 "[Color3]\n"
                                 "Brush=$00010000\n";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The value of one key line ("Key=...") in a written file, or "<missing>".
std::string WrittenValue(const std::string& text, const std::string& section, const std::string& key) {
    bool inSection = false;
    for (const std::string& line : Lines(text)) {
        if (line.starts_with("[")) {
            inSection = line == "[" + section + "]";
        } else if (inSection && line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return "<missing>";
}

// An option set loaded from a file holding `text`.
struct Loaded {
    TempDir dir;
    OptionSet options{kFolder};
    explicit Loaded(const std::string& text) {
        WriteText(dir / "k.klv", text);
        LoadSettings(options, dir / "k.klv");
    }
};

TEST(SettingsDefaultFile, AFirstSaveWithoutChangesWritesTheDefaultFileLineForLine) {
    TempDir dir;
    OptionSet options(kFolder);
    LoadSettings(options, dir / "missing.ini");
    SaveSettings(options, dir / "kelvo.ini");
    const std::string written = ReadText(dir / "kelvo.ini");
    const std::vector<std::string> expected = Lines(kDefaultFile);
    const std::vector<std::string> actual = Lines(written);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
    }
    EXPECT_EQ(written, kDefaultFile); // and "\n" ends every line, the last one included
}

// The output dialog's options live in [Output], written only once one differs from its start value: the Windows
// version, which ignores the section, reads the rest as ever. A value set back to its start is written in place.
TEST(SettingsOutputSection, WrittenOnceChangedAndReadBack) {
    TempDir dir;
    OptionSet options(kFolder);
    options.SetText("Existing", "スキップする");
    SaveSettings(options, dir / "kelvo.ini");
    EXPECT_EQ(ReadText(dir / "kelvo.ini"), std::string(kDefaultFile) + "[Output]\nExisting=スキップする\n");
    OptionSet loaded(kFolder);
    LoadSettings(loaded, dir / "kelvo.ini");
    EXPECT_EQ(loaded.Text("Existing"), "スキップする");
    EXPECT_EQ(loaded.Text("SameName"), "番号を付ける");
    options.SetText("Existing", "上書きする");
    SaveSettings(options, dir / "kelvo.ini");
    EXPECT_EQ(ReadText(dir / "kelvo.ini"), std::string(kDefaultFile) + "[Output]\nExisting=上書きする\n");
}

TEST(SettingsDefaultFile, LoadingTheDefaultFileGivesTheStartValues) {
    Loaded loaded(kDefaultFile);
    EXPECT_EQ(loaded.options.Snapshot(), loaded.options.StartValues());
}

TEST(SettingsLoad, MissingKeysTakeTheirStartValues) {
    Loaded loaded("[Main]\nSpinEdit1=300\n");
    OptionSet expected(kFolder);
    expected.SetSpinValue("SpinEdit1", 300);
    EXPECT_EQ(loaded.options.SpinValue("SpinEdit1"), 300);
    EXPECT_EQ(loaded.options.Snapshot(), expected.Snapshot());
}

TEST(SettingsLoad, AMissingFilePutsEveryStoredOptionBackToItsStartValue) {
    TempDir dir;
    OptionSet options(kFolder);
    options.SetText("Edit1", "text");
    options.SetSpinValue("SpinEdit7", 9);
    options.SetColour("ColorDialog3", 0x123456);
    options.SetCaseRule(options::CaseRule::Upper);
    LoadSettings(options, dir / "none.klv");
    OptionSet expected(kFolder);
    expected.SetCaseRule(options::CaseRule::Upper); // the case rule is not stored, so loading leaves it
    EXPECT_EQ(options.Snapshot(), expected.Snapshot());
}

TEST(SettingsLoad, IntegerValues) {
    EXPECT_EQ(Loaded("[Main]\nSpinEdit1=0x1F\n").options.SpinValue("SpinEdit1"), 31);
    EXPECT_EQ(Loaded("[Main]\nSpinEdit1=$1F\n").options.SpinValue("SpinEdit1"), 31);
    EXPECT_EQ(Loaded("[Main]\nSpinEdit1=letters\n").options.SpinValue("SpinEdit1"), 200);
    EXPECT_EQ(Loaded("[Main]\nSpinEdit1=\n").options.SpinValue("SpinEdit1"), 200);
    EXPECT_EQ(Loaded("[Main]\nSpinEdit1=9999\n").options.SpinText("SpinEdit1"), "5000");
    EXPECT_EQ(Loaded("[Main]\nSpinEdit3=0\n").options.SpinValue("SpinEdit3"), 1);
    EXPECT_EQ(Loaded("[Main]\nSpinEdit4=-70000\n").options.SpinValue("SpinEdit4"), -70000);
    EXPECT_EQ(Loaded("[main]\nspinedit2= \"77\" \n").options.SpinValue("SpinEdit2"), 77);
}

TEST(SettingsLoad, SwitchesAndLevels) {
    Loaded loaded("[Main]\nCheckBox5=2\nCheckBox6=\nCheckBox1=\nCheckBox7=-1\nCheckBox8=x\n"
                  "TrackBar1=150\nTrackBar2=-5\n");
    EXPECT_TRUE(loaded.options.Checked("CheckBox5"));
    EXPECT_FALSE(loaded.options.Checked("CheckBox6"));
    EXPECT_TRUE(loaded.options.Checked("CheckBox1")); // an empty value gives its start value
    EXPECT_TRUE(loaded.options.Checked("CheckBox7"));
    EXPECT_FALSE(loaded.options.Checked("CheckBox8"));
    EXPECT_EQ(loaded.options.Level("TrackBar1"), 100);
    EXPECT_EQ(loaded.options.Level("TrackBar2"), 0);

    EXPECT_FALSE(Loaded("[Main]\nCheckBox1=0\n").options.Checked("CheckBox1"));
}

// Blanks at the ends of a text are a user's: they are written inside quotes (which any profile reader removes)
// and come back as they were.
TEST(SettingsLoad, TextsKeepTheirOuterBlanksAndAnEmptyFormatStaysEmpty) {
    TempDir dir;
    OptionSet options(kFolder);
    options.SetText("Edit4", "  a");
    options.SetText("Edit5", "b  ");
    SaveSettings(options, dir / "s.klv");
    EXPECT_EQ(WrittenValue(ReadText(dir / "s.klv"), "Main", "Edit4"), "\"  a\"");
    OptionSet reloaded(kFolder);
    LoadSettings(reloaded, dir / "s.klv");
    EXPECT_EQ(reloaded.Text("Edit4"), "  a");
    EXPECT_EQ(reloaded.Text("Edit5"), "b  ");
    // Blanks around a value that a person typed into the file still go.
    EXPECT_EQ(Loaded("[Main]\nEdit4=  a  \n").options.Text("Edit4"), "a");

    EXPECT_EQ(Loaded("[Main]\nComboBox4=\n").options.Text("ComboBox4"), "");
}

TEST(SettingsLoad, OutputFoldersFallBackToTheProgramFolderOfTheOptionSet) {
    TempDir dir;
    WriteText(dir / "k.klv", "[Main]\nEdit2=/data/out\n");
    OptionSet options("/usr/lib/kelvo");
    LoadSettings(options, dir / "k.klv");
    EXPECT_EQ(options.Text("Edit2"), "/data/out");
    EXPECT_EQ(options.Text("Edit6"), "/usr/lib/kelvo/Output");
}

TEST(SettingsLoad, FontAndColours) {
    Loaded loaded("[Font]\nStyle=0x10D\nPitch=258\nCharset=128\nColor=clRed\nSize=14\nName=IPAGothic\n"
                  "[Color]\nBrush=CLYELLOW\n[Color2]\nBrush=65535\n[Color3]\nBrush=$8000000F\n");
    const options::TextFont& font = loaded.options.Font();
    EXPECT_EQ(font.style, options::kFontBold | options::kFontUnderline | options::kFontStrikeOut);
    EXPECT_EQ(font.pitch, options::FontPitch::Fixed); // low byte of 258
    EXPECT_EQ(font.charset, 128);
    EXPECT_EQ(font.colour, 0x000000FFu);
    EXPECT_EQ(font.size, 14);
    EXPECT_EQ(font.name, "IPAGothic");
    EXPECT_EQ(loaded.options.ColourOf("ColorDialog1"), options::kYellow);
    EXPECT_EQ(loaded.options.ColourOf("ColorDialog2"), options::kYellow);
    EXPECT_EQ(loaded.options.ColourOf("ColorDialog3"), options::kButtonFaceColour);

    // Either spelling of yellow is written back by its name.
    SaveSettings(loaded.options, loaded.dir / "out.klv");
    const std::string written = ReadText(loaded.dir / "out.klv");
    EXPECT_EQ(WrittenValue(written, "Color", "Brush"), "clYellow");
    EXPECT_EQ(WrittenValue(written, "Color2", "Brush"), "clYellow");
    EXPECT_EQ(WrittenValue(written, "Color3", "Brush"), "clBtnFace");
    EXPECT_EQ(WrittenValue(written, "Font", "Color"), "clRed");
    EXPECT_EQ(WrittenValue(written, "Font", "Style"), "13");
    EXPECT_EQ(WrittenValue(written, "Font", "Pitch"), "2");
}

TEST(SettingsLoad, AnUnreadableColourStopsTheLoadAfterTheOptionsBeforeIt) {
    TempDir dir;
    WriteText(dir / "k.klv", "[Main]\nEdit1=loaded\nTrackBar1=40\n"
                             "[Font]\nPitch=1\nSize=20\nColor=clPink\nName=Other\n"
                             "[Color]\nBrush=clRed\n");
    OptionSet options(kFolder);
    options.SetColour("ColorDialog1", options::kBlack);
    try {
        LoadSettings(options, dir / "k.klv");
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_STREQ(error.what(), "'clPink' は整数ではありません");
        EXPECT_EQ(error.kind(), SettingsError::Kind::NotAnInteger);
        EXPECT_EQ(error.subject(), "clPink");
    }
    EXPECT_EQ(options.Text("Edit1"), "loaded");
    EXPECT_EQ(options.Level("TrackBar1"), 40);
    EXPECT_EQ(options.Font().pitch, options::FontPitch::Variable);
    EXPECT_EQ(options.Font().size, 20);
    EXPECT_EQ(options.Font().colour, options::kBlack);
    EXPECT_EQ(options.Font().name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(options.ColourOf("ColorDialog1"), options::kBlack); // after the bad colour: kept

    // An empty colour is no number either; its quotes are gone from the message, as from the value.
    Loaded emptyColour("[Color]\nBrush=clAqua\n");
    WriteText(emptyColour.dir / "k.klv", "[Color2]\nBrush=\"\"\n");
    EXPECT_THROW(LoadSettings(emptyColour.options, emptyColour.dir / "k.klv"), SettingsError);
    EXPECT_EQ(emptyColour.options.ColourOf("ColorDialog1"), options::kYellow);
}

TEST(SettingsLoad, ListenersSeeLoadedChangesAsForAUsersChange) {
    TempDir dir;
    WriteText(dir / "k.klv", "[Main]\nCheckBox2=1\nCheckBox3=0\n");
    OptionSet options(kFolder);
    std::vector<std::string> changed;
    const auto subscription = options.SubscribeAll([&](const std::string& key) { changed.push_back(key); });
    LoadSettings(options, dir / "k.klv");
    EXPECT_EQ(changed, std::vector<std::string>{"CheckBox2"});
    EXPECT_TRUE(options.Checked("CheckBox2"));
    changed.clear();
    LoadSettings(options, dir / "k.klv");
    EXPECT_TRUE(changed.empty());
}

// One line in another encoding (a comment in Latin-1) garbles nothing else, and a save writes every line it does
// not change back as it was, byte for byte.
TEST(SettingsMixedFile, EachLineIsDecodedOnItsOwnAndUntouchedLinesStayByteForByte) {
    TempDir dir;
    const std::string file = "; caf\xE9\n[Main]\nEdit1=日本語\nComboBox1=縮小時のみ有効\n; \x93\xFA\x96\x7B\n"
                             "Edit3=  spaced  \n[Font]\nName=ＭＳ 明朝\n";
    WriteText(dir / "mixed.klv", file);
    OptionSet options(kFolder);
    LoadSettings(options, dir / "mixed.klv");
    EXPECT_EQ(options.Text("Edit1"), "日本語");
    EXPECT_EQ(options.Text("ComboBox1"), "縮小時のみ有効");
    EXPECT_EQ(options.Text("Edit3"), "spaced");
    EXPECT_EQ(options.Font().name, "ＭＳ 明朝");

    options.SetText("Edit4", "新しい");
    SaveSettings(options, dir / "mixed.klv");
    const std::string saved = ReadText(dir / "mixed.klv");
    for (const std::string& line : Lines(file))
        EXPECT_NE(saved.find(line + "\n"), std::string::npos) << line;
    EXPECT_NE(saved.find("\nEdit4=新しい\n"), std::string::npos);
    OptionSet reloaded(kFolder);
    LoadSettings(reloaded, dir / "mixed.klv");
    EXPECT_EQ(reloaded.Snapshot(), options.Snapshot());
}

// A file as the Windows version saved it: CP932 text with CRLF line ends.
TEST(SettingsWindowsFile, AShiftJisFileWithCrlfLineEndsLoads) {
    TempDir dir;
    const std::string utf8 =
        "[Main]\nEdit1=日本語の文字列\nEdit2=C:\\Tools\\出力\nComboBox1=常に有効\nComboBox2=縦右\n"
        "ComboBox3=中央\nComboBox4=PNG24\nSpinEdit1=640\nCheckBox8=1\n"
        "[Font]\nCharset=128\nName=ＭＳ 明朝\nColor=clNavy\n[Color]\nBrush=$00C0DCC0\n[Other]\nキー=値\n";
    WriteText(dir / "utf8.txt", utf8);
    ASSERT_EQ(testsupport::Run("iconv -f UTF-8 -t CP932 " + testsupport::Quote(dir / "utf8.txt") + " > " +
                               testsupport::Quote(dir / "sjis.txt")),
              0);
    std::string crlf;
    for (char c : ReadText(dir / "sjis.txt")) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    ASSERT_NE(crlf.find("\x8F\xED\x82\xC9"), std::string::npos); // "常に" really is CP932 now
    WriteText(dir / "windows.klv", crlf);

    OptionSet options(kFolder);
    LoadSettings(options, dir / "windows.klv");
    EXPECT_EQ(options.Text("Edit1"), "日本語の文字列");
    EXPECT_EQ(options.Text("Edit2"), "C:\\Tools\\出力");
    EXPECT_EQ(options.Text("ComboBox1"), "常に有効");
    EXPECT_EQ(options.Text("ComboBox2"), "縦右");
    EXPECT_EQ(options.Text("ComboBox3"), "中央");
    EXPECT_EQ(options.Text("ComboBox4"), "PNG24");
    EXPECT_EQ(options.SpinValue("SpinEdit1"), 640);
    EXPECT_TRUE(options.Checked("CheckBox8"));
    EXPECT_EQ(options.Font().charset, 128);
    EXPECT_EQ(options.Font().name, "ＭＳ 明朝");
    EXPECT_EQ(options.Font().colour, 0x00800000u);
    EXPECT_EQ(options.ColourOf("ColorDialog1"), 0x00C0DCC0u);

    // Saving onto it keeps every line it does not change as the Windows version wrote it (CP932, CRLF, the
    // other program's section); the lines it changes or adds are CP932 too, so the whole file reads as CP932.
    options.SetText("ComboBox2", "横下");
    SaveSettings(options, dir / "windows.klv");
    const std::string saved = ReadText(dir / "windows.klv");
    const std::vector<std::string> original = Lines(crlf);
    for (const std::string& line : original) {
        if (!line.starts_with("ComboBox2=")) {
            EXPECT_NE(saved.find(line + "\n"), std::string::npos) << line;
        }
    }
    EXPECT_NE(saved.find("\r\nComboBox2=\x89\xA1\x89\xBA\r\n"), std::string::npos); // 横下 in CP932
    EXPECT_EQ(settings::Cp932ToUtf8(saved).find("\xEF\xBF\xBD"), std::string::npos) << "all of it is CP932";
    EXPECT_NE(saved.find("\r\nEdit3=\r\n"), std::string::npos); // a key the file did not have
    EXPECT_EQ(saved.find("\n\n"), std::string::npos);
    EXPECT_EQ(Lines(saved).size(), Lines(kDefaultFile).size() + 2);
    OptionSet reloaded(kFolder);
    LoadSettings(reloaded, dir / "windows.klv");
    EXPECT_EQ(reloaded.Snapshot(), options.Snapshot());

    // A value CP932 has no code for is refused with the old file kept; a UTF-8 file takes it.
    const std::string before = ReadText(dir / "windows.klv");
    options.SetText("Edit1", "한국어 😀");
    try {
        SaveSettings(options, dir / "windows.klv");
        ADD_FAILURE() << "saved a value CP932 cannot hold";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.kind(), SettingsError::Kind::NotInCp932);
        EXPECT_NE(std::string(error.what()).find("Edit1=한국어 😀"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ReadText(dir / "windows.klv"), before);
    SaveSettings(options, dir / "utf8.klv");
    OptionSet korean(kFolder);
    LoadSettings(korean, dir / "utf8.klv");
    EXPECT_EQ(korean.Text("Edit1"), "한국어 😀");
}

TEST(SettingsSave, AnExistingFileKeepsItsOtherSectionsCommentsAndLinesWithKeysReplacedInPlace) {
    TempDir dir;
    const std::string path = dir / "k.klv";
    WriteText(path, "; my settings\n"
                    "[Other Program]\n"
                    "Window = 10, 20 \n"
                    "\n"
                    "[Main]\n"
                    "TrackBar2=55\n"
                    "Unknown=kept\n"
                    "Edit1=old\n");
    OptionSet options(kFolder);
    options.SetText("Edit1", "new");
    options.SetLevel("TrackBar2", 30);
    SaveSettings(options, path);
    const std::vector<std::string> lines = Lines(ReadText(path));
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 9),
              (std::vector<std::string>{"; my settings", "[Other Program]", "Window = 10, 20 ", "", "[Main]",
                                        "TrackBar2=30", "Unknown=kept", "Edit1=new", "Edit2=/opt/kelvo/Output"}));
    EXPECT_EQ(lines.size(), Lines(kDefaultFile).size() + 5);
    OptionSet reloaded(kFolder);
    LoadSettings(reloaded, path);
    EXPECT_EQ(reloaded.Snapshot(), options.Snapshot());
}

TEST(SettingsSave, SpinEditsAreWrittenAsTheirValueAsTyped) {
    TempDir dir;
    OptionSet options(kFolder);
    options.SetSpinText("SpinEdit1", "9999"); // typed, not yet range-checked
    options.SetSpinText("SpinEdit2", "abc");  // no number: its minimum
    options.SetColour("ColorDialog2", 0x00123456);
    SaveSettings(options, dir / "k.klv");
    const std::string written = ReadText(dir / "k.klv");
    EXPECT_EQ(WrittenValue(written, "Main", "SpinEdit1"), "9999");
    EXPECT_EQ(WrittenValue(written, "Main", "SpinEdit2"), "1");
    EXPECT_EQ(WrittenValue(written, "Color2", "Brush"), "$00123456");
    EXPECT_EQ(written.find("RadioButton"), std::string::npos);
}

TEST(SettingsRoundTrip, EveryOptionChangedComesBackEqual) {
    TempDir dir;
    OptionSet options("/srv/kelvo/");
    options.SetText("Edit1", "キャプション with \"inner\" quotes and = sign");
    options.SetText("Edit2", "/data/出力 folder");
    options.SetText("Edit3", "コメント");
    options.SetText("Edit4", "pre_");
    options.SetText("Edit5", "_suf");
    options.SetText("Edit6", "/data/rename");
    options.SetText("Edit7", "/data/logo.png");
    options.SetText("ComboBox1", "常に有効");
    options.SetText("ComboBox2", "縦左");
    options.SetText("ComboBox3", "中央");
    options.SetText("ComboBox4", "typed text");
    const int spins[] = {1234, 4321, 75, -42, 99, 20, 12};
    for (int i = 1; i <= 7; ++i)
        options.SetSpinValue("SpinEdit" + std::to_string(i), spins[i - 1]);
    for (int i = 1; i <= 12; ++i)
        options.SetChecked("CheckBox" + std::to_string(i), i != 1);
    options.SetLevel("TrackBar1", 0);
    options.SetLevel("TrackBar2", 73);
    options::TextFont font;
    font.name = "IPAPGothic";
    font.size = 36;
    font.style = options::kFontItalic | options::kFontUnderline;
    font.colour = 0x00123456;
    font.pitch = options::FontPitch::Variable;
    font.charset = 128;
    options.SetFont(font);
    options.SetColour("ColorDialog1", 0x80000005);
    options.SetColour("ColorDialog2", 0x00FFFFFF);
    options.SetColour("ColorDialog3", 0x00ABCDEF);
    options.SetText("SameName", "フォルダー構成を保つ");
    options.SetText("Existing", "スキップする");
    options.SetText("Metadata", "unlisted text");
    for (const auto& d : options.Descriptors()) {
        if (d.kind != options::OptionKind::CaseRule) {
            EXPECT_NE(options.Value(d.key), d.startValue) << d.key << " is left at its start value";
        }
    }

    SaveSettings(options, dir / "all.klv");
    OptionSet reloaded("/srv/kelvo/");
    LoadSettings(reloaded, dir / "all.klv");
    EXPECT_EQ(reloaded.Snapshot(), options.Snapshot());

    // Saving what was loaded writes the same file again.
    SaveSettings(reloaded, dir / "again.klv");
    EXPECT_EQ(ReadText(dir / "again.klv"), ReadText(dir / "all.klv"));
}

TEST(SettingsBadInput, BinaryFilesLongLinesAndFilesWithoutSectionsGiveDefaults) {
    TempDir dir;
    std::mt19937 random(7);
    std::string binary(256 * 1024, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    Loaded fromBinary(binary);
    EXPECT_EQ(fromBinary.options.Snapshot(), fromBinary.options.StartValues());

    const std::string longLine(10 * 1024 * 1024, 'x');
    Loaded fromLongLine("[Main]\nEdit1=" + longLine + "\nSpinEdit1=300\n" + longLine + "\nTrackBar2=5\n");
    EXPECT_EQ(fromLongLine.options.Text("Edit1"), std::string(2047, 'x'));
    EXPECT_EQ(fromLongLine.options.SpinValue("SpinEdit1"), 300);
    EXPECT_EQ(fromLongLine.options.Level("TrackBar2"), 5);

    Loaded withoutSections("Edit1=abc\nSpinEdit1=300\nBrush=nonsense\n");
    EXPECT_EQ(withoutSections.options.Snapshot(), withoutSections.options.StartValues());

    Loaded empty("");
    EXPECT_EQ(empty.options.Snapshot(), empty.options.StartValues());
}

TEST(SettingsBadInput, AFolderIsNoSettingsFile) {
    TempDir dir;
    OptionSet options(kFolder);
    options.SetText("Edit1", "mine");
    try {
        LoadSettings(options, dir.path());
        FAIL() << "no error";
    } catch (const imaging::Error& error) {
        EXPECT_EQ(error.systemError(), EISDIR);
        EXPECT_EQ(error.file(), dir.path().string());
    }
    EXPECT_EQ(options.Text("Edit1"), "mine"); // nothing was loaded

    try {
        SaveSettings(options, dir.path());
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.what(), dir.path().string() + " に書き込めません");
        EXPECT_EQ(error.kind(), SettingsError::Kind::CannotWrite);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

TEST(SettingsBadInput, AReadOnlyFileLoadsButIsNotOverwritten) {
    TempDir dir;
    const std::string path = dir / "ro.klv";
    const std::string original = "[Main]\r\nEdit1=read only\r\n";
    WriteText(path, original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    OptionSet options(kFolder);
    LoadSettings(options, path);
    EXPECT_EQ(options.Text("Edit1"), "read only");
    options.SetText("Edit1", "changed");
    try {
        SaveSettings(options, path);
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.what(), path + " に書き込めません");
    }
    EXPECT_EQ(ReadText(path), original);
}

TEST(SettingsBadInput, AFileInAMissingFolderIsReportedAndNothingIsCreated) {
    TempDir dir;
    const std::string path = dir / "no" / "such.klv";
    OptionSet options(kFolder);
    try {
        SaveSettings(options, path);
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.what(), path + " に書き込めません");
        EXPECT_EQ(error.systemError(), ENOENT);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(SettingsSave, ALinkStaysALinkAndAFileKeepsItsPermissions) {
    TempDir dir;
    const std::string real = dir / "real.klv";
    WriteText(real, "[Other]\nA=1\n");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    std::filesystem::create_symlink("real.klv", dir / "link.klv");
    OptionSet options(kFolder);
    options.SetText("Edit3", "via link");
    SaveSettings(options, dir / "link.klv");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.klv"));
    const std::string written = ReadText(real);
    EXPECT_TRUE(written.starts_with("[Other]\nA=1\n[Main]\n"));
    EXPECT_EQ(WrittenValue(written, "Main", "Edit3"), "via link");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
