// The option controls bound to the option set, the panel's rules, the pickers and the settings menu commands.
#include <gtest/gtest.h>

#include <fstream>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "FormTestSupport.h"
#include "app/SpinEdit.h"

namespace {

using namespace apptest;

void Type(QWidget* target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }
}

void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

void LeaveField(QWidget* target) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(target, &out);
}

class OptionPanelTest : public ::testing::Test {
protected:
    void SetUp() override { form = env.StartForm(); }
    app::TSpinEdit* Spin(const char* name) { return Find<app::TSpinEdit>(*form, name); }

    FormEnvironment env;
    std::unique_ptr<app::TForm1> form;
};

TEST_F(OptionPanelTest, ASpinEditKeepsTypedTextUntilTheFieldIsLeft) {
    app::TSpinEdit* spin = Spin("SpinEdit1");
    QLineEdit* editor = spin->Editor();
    editor->clear();
    options::OptionSet& options = form->Options();

    // Letters are refused as typed; a pasted "abc" is kept as text and its value is the minimum.
    Type(editor, "1a2");
    EXPECT_EQ(spin->Text(), "12");
    editor->selectAll();
    editor->insert("abc");
    EXPECT_EQ(options.SpinText("SpinEdit1"), "abc");
    EXPECT_EQ(options.SpinValue("SpinEdit1"), 1);
    LeaveField(editor);
    EXPECT_EQ(spin->Text(), "abc"); // the minimum passes the range check, so the text stays

    // 9999 stays while the field has the focus (and is what a save stores), then becomes 5000.
    editor->clear();
    Type(editor, "9999");
    EXPECT_EQ(options.SpinValue("SpinEdit1"), 9999);
    LeaveField(editor);
    EXPECT_EQ(spin->Text(), "5000");
    EXPECT_EQ(options.SpinValue("SpinEdit1"), 5000);

    // The arrow keys and the buttons step by one within the range.
    Key(editor, Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "5000");
    Key(editor, Qt::Key_Down);
    EXPECT_EQ(spin->Text(), "4999");
    spin->UpButton()->click();
    EXPECT_EQ(spin->Text(), "5000");
    EXPECT_EQ(spin->UpButton()->autoRepeatDelay(), 400);
    EXPECT_EQ(spin->UpButton()->autoRepeatInterval(), 100);

    // A value set from outside (a settings file) shows in the field.
    options.SetSpinValue("SpinEdit2", 0);
    EXPECT_EQ(Spin("SpinEdit2")->Text(), "1");
}

TEST_F(OptionPanelTest, TheUnboundedStartNumberTakesAnyInteger) {
    QLineEdit* editor = Spin("SpinEdit4")->Editor();
    editor->clear();
    Type(editor, "-7");
    LeaveField(editor);
    EXPECT_EQ(Spin("SpinEdit4")->Text(), "-7");
    EXPECT_EQ(form->Options().SpinValue("SpinEdit4"), -7);
}

TEST_F(OptionPanelTest, EachFormatShowsItsOwnControls) {
    struct Row {
        const char* format;
        bool quality, progressive, comment, interlace;
    };
    const Row rows[] = {
        {"JPEG", true, true, true, false},     {"BMP8", false, false, false, false},
        {"BMP24", false, false, false, false}, {"PNG8", false, false, true, true},
        {"PNG24", false, false, true, true},   {"FPX", true, false, false, false},
        {"PCX", false, false, false, false},
    };
    QComboBox* combo = Find<QComboBox>(*form, "ComboBox4");
    for (const Row& row : rows) {
        combo->setCurrentIndex(combo->findText(row.format));
        ASSERT_EQ(form->Options().Text("ComboBox4"), row.format);
        for (const char* name : {"Label8", "Label14", "Label15", "Label11"})
            EXPECT_EQ(!Find<QWidget>(*form, name)->isHidden(), row.quality) << row.format << " " << name;
        EXPECT_EQ(!form->Settings().TrackBar1->isHidden(), row.quality) << row.format;
        EXPECT_EQ(!form->Settings().CheckBox7->isHidden(), row.progressive) << row.format;
        EXPECT_EQ(!form->Settings().Label7->isHidden(), row.comment) << row.format;
        EXPECT_EQ(!form->Settings().Edit3->isHidden(), row.comment) << row.format;
        EXPECT_EQ(!form->Settings().CheckBox10->isHidden(), row.interlace) << row.format;
        EXPECT_TRUE(form->Settings().CheckBox11->isHidden()) << row.format;
        EXPECT_TRUE(form->Settings().CoolBtn10->isHidden()) << row.format;
    }

    // Typed texts that are no format ("jpeg" in lower case, "GIF") leave the last recognised format's states.
    combo->setCurrentIndex(combo->findText("PNG8"));
    for (const char* typed : {"jpeg", "GIF"}) {
        combo->setEditText(typed);
        EXPECT_EQ(form->Options().Text("ComboBox4"), typed);
        EXPECT_TRUE(form->Settings().TrackBar1->isHidden()) << typed;
        EXPECT_FALSE(form->Settings().CheckBox10->isHidden()) << typed;
        EXPECT_FALSE(form->Settings().Edit3->isHidden()) << typed;
    }
    // Back to JPEG: the hidden quality kept its value and label.
    form->Options().SetLevel("TrackBar1", 42);
    combo->setEditText("JPEG");
    EXPECT_FALSE(form->Settings().TrackBar1->isHidden());
    EXPECT_EQ(form->Settings().TrackBar1->value(), 42);
    EXPECT_EQ(form->Settings().Label11->text(), "42%");
}

TEST_F(OptionPanelTest, TrackBarsShowTheirPercentage) {
    form->Settings().TrackBar2->setValue(0);
    EXPECT_EQ(form->Settings().Label23->text(), "0%");
    form->Settings().TrackBar2->setValue(73);
    EXPECT_EQ(form->Options().Level("TrackBar2"), 73);
    EXPECT_EQ(form->Settings().Label23->text(), "73%");
    form->Settings().TrackBar1->setValue(0);
    EXPECT_EQ(form->Settings().Label11->text(), "0%");
}

TEST_F(OptionPanelTest, PickersChangeTheirOptionOnlyWhenConfirmed) {
    ScriptedDialogs& dialogs = *env.dialogs;

    // Colours: the dialog opens on the present colour.
    form->Settings().CoolBtn9->click();
    EXPECT_EQ(dialogs.colourOffered, options::kTransparentStart);
    EXPECT_EQ(form->Options().ColourOf("ColorDialog2"), options::kTransparentStart); // cancelled
    dialogs.colourAnswer = 0x00123456u;
    form->Settings().CoolBtn3->click();
    EXPECT_EQ(dialogs.colourOffered, options::kYellow);
    EXPECT_EQ(form->Options().ColourOf("ColorDialog1"), 0x00123456u);
    form->Settings().CoolBtn10Click();
    EXPECT_EQ(form->Options().ColourOf("ColorDialog3"), 0x00123456u);

    // The font.
    options::TextFont chosen;
    chosen.name = "IPAGothic";
    chosen.size = 20;
    chosen.style = options::kFontBold;
    chosen.colour = 0x000000FFu;
    dialogs.fontAnswer = chosen;
    form->Settings().CoolBtn1->click();
    EXPECT_EQ(dialogs.fontOffered->name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(form->Options().Font(), chosen);

    // Folders: cancelling keeps the text; a choice replaces it.
    const std::string before = form->Options().Text("Edit2");
    form->Settings().CoolBtn2->click();
    EXPECT_EQ(form->Options().Text("Edit2"), before);
    dialogs.folderAnswer = "/data/out";
    form->Settings().CoolBtn2->click();
    EXPECT_EQ(form->Settings().Edit2->text(), "/data/out");
    dialogs.folderAnswer = "/";
    form->Rename().CoolBtn7->click();
    EXPECT_EQ(form->Rename().Edit6->text(), "/");

    // The overlay image: one file from the picture dialog, with its title and filters.
    dialogs.openAnswers.push_back({"/pics/logo.png"});
    form->Settings().CoolBtn8->click();
    EXPECT_EQ(form->Settings().Edit7->text(), "/pics/logo.png");
    ASSERT_FALSE(dialogs.requests.empty());
    const app::FileDialogRequest& request = dialogs.requests.back();
    EXPECT_EQ(request.title, "画像の選択 (Shiftキーを押しながら複数画像の選択もできます)");
    EXPECT_FALSE(request.multiple);
    // The seven lines of the Windows version, then one per newer format; the first line takes them all.
    ASSERT_EQ(request.filters.size(), 11u);
    EXPECT_EQ(request.filters[0].description,
              "すべての画像ファイル (*.jpg;*.jpeg;*.bmp;*.png;*.pcx;*.fpx;*.heic;*.heif;*.avif;*.webp;*.jxl)");
    EXPECT_EQ(request.filters[6].patterns, "*.fpx");
    EXPECT_EQ(request.filters[7].patterns, "*.heic;*.heif");
    EXPECT_EQ(request.filters[10].patterns, "*.jxl");
}

TEST_F(OptionPanelTest, SettingsMenuCommandsSaveAndLoadAndReapplyTheFormatRules) {
    ScriptedDialogs& dialogs = *env.dialogs;
    form->Settings().ComboBox4->setEditText("PNG24");
    form->Settings().Edit3->setText("note");
    const fs::path saved = env.dir / "set.klv";
    dialogs.saveAnswers.push_back(saved.string());
    form->mnuSaveClick();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].title, "設定ファイルの保存");
    EXPECT_EQ(dialogs.requests[0].defaultExtension, "klv");
    EXPECT_EQ(dialogs.requests[0].filters[0].description, "Kelvo設定ファイル(*.klv)");
    ASSERT_TRUE(fs::exists(saved));

    // Load a file with another format by a name typed without its extension.
    std::ofstream(env.dir / "fpx.klv") << "[Main]\nComboBox4=FPX\nCheckBox4=1\n";
    dialogs.openAnswers.push_back({(env.dir / "fpx").string()});
    form->mnuOpenClick();
    EXPECT_EQ(dialogs.requests[1].title, "設定ファイルを開く");
    EXPECT_EQ(form->Settings().ComboBox4->currentText(), "FPX");
    EXPECT_FALSE(form->Settings().TrackBar1->isHidden());
    EXPECT_TRUE(form->Settings().Edit3->isHidden());
    EXPECT_TRUE(form->Settings().CheckBox10->isHidden());
    EXPECT_TRUE(Find<app::TSpinEdit>(*form, "SpinEdit6")->isEnabled());
    EXPECT_EQ(form->Settings().Edit3->text(), ""); // every option not in the file is back at its start value

    // And the saved one brings its values back.
    dialogs.openAnswers.push_back({saved.string()});
    form->mnuOpenClick();
    EXPECT_EQ(form->Settings().Edit3->text(), "note");
    EXPECT_FALSE(form->Settings().Edit3->isHidden());

    // Cancelled dialogs change nothing; a bad colour is reported.
    form->mnuOpenClick();
    form->mnuSaveClick();
    EXPECT_EQ(form->Settings().Edit3->text(), "note");
    std::ofstream(env.dir / "bad.klv") << "[Font]\nColor=purple-ish\n";
    dialogs.openAnswers.push_back({(env.dir / "bad.klv").string()});
    form->mnuOpenClick();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "'purple-ish' は整数ではありません");
}

} // namespace
