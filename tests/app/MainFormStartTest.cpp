// Start-up and closing of the main window: start values, the settings file of each mode, the placement store,
// and the errors on the way.
#include <gtest/gtest.h>

#include <fstream>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "FormTestSupport.h"
#include "about/HelpWindow.h"
#include "app/SpinEdit.h"

namespace {

using namespace apptest;

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QString Text(app::TForm1& form, const char* name) {
    if (auto* edit = Find<QLineEdit>(form, name)) return edit->text();
    if (auto* combo = Find<QComboBox>(form, name)) return combo->currentText();
    if (auto* spin = Find<app::TSpinEdit>(form, name)) return spin->Text();
    ADD_FAILURE() << "no text control " << name;
    return {};
}

class MainFormStartTest : public ::testing::Test {
protected:
    FormEnvironment env;
};

TEST_F(MainFormStartTest, APlainStartWithoutSettingsShowsEveryStartValue) {
    auto form = env.StartForm();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "Kelvo for Windows");
    EXPECT_EQ(env.dialogs->errors.size(), 0u);

    const QString output = QString::fromStdString(env.ProgramFolder() + "Output");
    const std::vector<std::pair<const char*, QString>> texts{{"ComboBox1", "縮小時のみ有効"},
                                                             {"ComboBox2", "左上"},
                                                             {"ComboBox3", "右下"},
                                                             {"ComboBox4", "JPEG"},
                                                             {"Edit1", ""},
                                                             {"Edit2", output},
                                                             {"Edit3", ""},
                                                             {"Edit4", ""},
                                                             {"Edit5", ""},
                                                             {"Edit6", output},
                                                             {"Edit7", ""},
                                                             {"SpinEdit1", "200"},
                                                             {"SpinEdit2", "100"},
                                                             {"SpinEdit3", "50"},
                                                             {"SpinEdit4", "1"},
                                                             {"SpinEdit5", "4"},
                                                             {"SpinEdit6", "5"},
                                                             {"SpinEdit7", "4"}};
    for (const auto& [name, text] : texts)
        EXPECT_EQ(Text(*form, name), text) << name;
    for (int i = 1; i <= 12; ++i) {
        const std::string name = "CheckBox" + std::to_string(i);
        auto* box = Find<QCheckBox>(*form, name.c_str());
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ(box->isChecked(), i == 1) << name;
    }
    EXPECT_EQ(Find<QSlider>(*form, "TrackBar1")->value(), 100);
    EXPECT_EQ(Find<QSlider>(*form, "TrackBar2")->value(), 0);
    EXPECT_EQ(Find<QLabel>(*form, "Label11")->text(), "100%");
    EXPECT_EQ(Find<QLabel>(*form, "Label23")->text(), "0%");
    EXPECT_TRUE(Find<QRadioButton>(*form, "RadioButton1")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(*form, "RadioButton2")->isChecked());

    // The fields governed by the three switches start disabled and grey; the others are enabled and white.
    for (const char* name : {"SpinEdit3", "SpinEdit5", "SpinEdit6"}) {
        auto* spin = Find<app::TSpinEdit>(*form, name);
        EXPECT_FALSE(spin->isEnabled()) << name;
        EXPECT_EQ(spin->Background(), form->palette().color(QPalette::Button)) << name;
    }
    for (const char* name : {"SpinEdit1", "SpinEdit2", "SpinEdit4", "SpinEdit7"}) {
        auto* spin = Find<app::TSpinEdit>(*form, name);
        EXPECT_TRUE(spin->isEnabled()) << name;
        EXPECT_EQ(spin->Background(), form->palette().color(QPalette::Base)) << name;
    }
    EXPECT_TRUE(Find<QCheckBox>(*form, "CheckBox1")->isEnabled());
    // The first page shows first; the status bar holds its text and two empty bars.
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form->Status().Panel3->text(), "F1キーでヘルプが表示されます");
    EXPECT_EQ(form->Status().ProgressBar1->value(), 0);
    EXPECT_EQ(form->Status().ProgressBar2->maximum(), 100);
}

TEST_F(MainFormStartTest, PagesMenusAndButtonsCarryTheirCaptions) {
    auto form = env.MakeForm();
    QTabWidget* pages = form->PageControl1;
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "　リスト作成　");
    EXPECT_EQ(pages->tabText(1), "　　設　定　　");
    EXPECT_EQ(pages->tabText(2), "ファイル名変更");

    const std::vector<std::pair<const char*, const char*>> buttons{
        {"Button1", "ファイル読込"},    {"Button2", "変換実行"},        {"Button3", "リスト消去"},
        {"CoolBtn4", "ファイル読込"},   {"CoolBtn5", "変換実行"},       {"CoolBtn6", "リスト消去"},
        {"CoolBtn1", "フォントの選択"}, {"CoolBtn2", "フォルダの選択"}, {"CoolBtn3", "塗りつぶし色"},
        {"CoolBtn7", "フォルダの選択"}, {"CoolBtn8", "画像の選択"},     {"CoolBtn9", "透過色"},
        {"CoolBtn10", "透過色"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = Find<QPushButton>(*form, name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(caption)) << name;
    }
    for (const char* name : {"Button1", "Button2", "Button3", "CoolBtn4", "CoolBtn5", "CoolBtn6"})
        EXPECT_EQ(Find<QPushButton>(*form, name)->size(), QSize(93, 49)) << name;
    EXPECT_EQ(Find<QPushButton>(*form, "CoolBtn2")->size(), QSize(105, 25));

    QStringList menuItems;
    for (QAction* menu : form->menuBar()->actions()) {
        menuItems << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            menuItems << item->text() + "|" + item->shortcut().toString(QKeySequence::PortableText);
        }
    }
    EXPECT_EQ(menuItems.join(u','), "ファイル(&F),設定ファイルを開く(&O)...|Ctrl+O,設定をファイルに保存(&S)...|Ctrl+S,"
                                    "出力の詳細設定(&D)...|Ctrl+D,終了(&X)|,"
                                    "ヘルプ(&H),ヘルプ目次(&C)|F1,バージョン情報(&A)...|");
}

TEST_F(MainFormStartTest, LoadingASwitchedOnPercentageFlipsTheEnabledFields) {
    WriteText(env.SettingsFile(), "[Main]\nCheckBox2=1\nCheckBox3=1\nTrackBar1=35\nSpinEdit1=9999\n");
    auto form = env.StartForm();
    for (const char* name : {"SpinEdit1", "SpinEdit2"}) {
        EXPECT_FALSE(Find<app::TSpinEdit>(*form, name)->isEnabled()) << name;
        EXPECT_EQ(Find<app::TSpinEdit>(*form, name)->Background(), form->palette().color(QPalette::Button));
    }
    EXPECT_FALSE(Find<QCheckBox>(*form, "CheckBox1")->isEnabled());
    EXPECT_TRUE(Find<app::TSpinEdit>(*form, "SpinEdit3")->isEnabled());
    EXPECT_TRUE(Find<app::TSpinEdit>(*form, "SpinEdit5")->isEnabled());
    EXPECT_FALSE(Find<app::TSpinEdit>(*form, "SpinEdit6")->isEnabled());
    EXPECT_EQ(Find<QLabel>(*form, "Label11")->text(), "35%");
    EXPECT_EQ(Text(*form, "SpinEdit1"), "5000");

    // Switching it off by a click turns the states back.
    Find<QCheckBox>(*form, "CheckBox2")->setChecked(false);
    EXPECT_TRUE(Find<app::TSpinEdit>(*form, "SpinEdit1")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(*form, "CheckBox1")->isEnabled());
    EXPECT_FALSE(Find<app::TSpinEdit>(*form, "SpinEdit3")->isEnabled());
}

TEST_F(MainFormStartTest, ASettingsStartInCapitalsLoadsThatFileInsteadOfTheDefault) {
    WriteText(env.SettingsFile(), "[Main]\nEdit1=from default\n");
    const fs::path klv = env.dir / "mine.KLV";
    WriteText(klv, "[Main]\nEdit4=pre\nComboBox4=PNG8\n");
    auto form = env.StartForm({klv.string(), "ignored.jpg"});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(Text(*form, "Edit4"), "pre");
    EXPECT_EQ(Text(*form, "Edit1"), ""); // the default settings file is not read
    EXPECT_EQ(form->ConversionList().Count(), 0);
    // Shown with the loaded format's controls.
    EXPECT_TRUE(form->Settings().TrackBar1->isHidden());
    EXPECT_FALSE(form->Settings().CheckBox10->isHidden());

    // A ".klv" name that does not exist gives the start values.
    auto second = env.StartForm({(env.dir / "missing.klv").string()});
    EXPECT_EQ(Text(*second, "Edit4"), "");
    EXPECT_EQ(env.dialogs->errors.size(), 0u);
}

TEST_F(MainFormStartTest, ClosingWritesTheSettingsFileAndThePlacement) {
    auto form = env.StartForm();
    // A clean store places the window at 0, 0, 700 x 570.
    EXPECT_EQ(form->frameGeometry(), QRect(0, 0, 700, 570));
    Find<QLineEdit>(*form, "Edit4")->setText("prefix");
    form->move(30, 40);
    form->resize(640, 480);
    // The store holds the outer geometry, frame included.
    const QRect outer = form->frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(30, 40));
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());

    const std::string ini = ReadText(env.SettingsFile());
    EXPECT_NE(ini.find("Edit4=prefix\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Edit2=" + env.ProgramFolder() + "Output\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Color3]\nBrush=$00010000"), std::string::npos) << ini;

    QSettings store("Morrowdene", "Kelvo");
    store.beginGroup("Main");
    for (const auto& [key, value] :
         std::vector<std::pair<QString, QString>>{{"Top", "40"},
                                                  {"Left", "30"},
                                                  {"Width", QString::number(outer.width())},
                                                  {"Height", QString::number(outer.height())}}) {
        EXPECT_EQ(store.value(key).typeId(), QMetaType::QString) << key.toStdString();
        EXPECT_EQ(store.value(key).toString(), value) << key.toStdString();
    }

    // The next start applies the stored placement as it is and reads the options back.
    auto next = env.StartForm();
    EXPECT_EQ(next->frameGeometry(), outer);
    EXPECT_EQ(Text(*next, "Edit4"), "prefix");
}

TEST_F(MainFormStartTest, AFailedSaveKeepsTheWindowOpenAndWritesNoPlacement) {
    auto form = env.StartForm();
    fs::create_directories(env.SettingsFile()); // a folder where the file should go cannot be written
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    ASSERT_EQ(env.dialogs->errors.size(), 1u);
    EXPECT_EQ(env.dialogs->errors[0], env.SettingsFile() + " に書き込めません");
    EXPECT_FALSE(fs::exists(env.PlacementFile()));

    // The menu's "終了(&X)" asks the same way.
    fs::remove(env.SettingsFile());
    form->Exit1Click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(fs::is_regular_file(env.SettingsFile()));
}

TEST_F(MainFormStartTest, PlacementValuesOfTheWrongKindAreReportedAndTheWindowStillOpens) {
    fs::create_directories(env.PlacementFile().parent_path());
    // Text that is no integer reads as the default; a list is a value of another type.
    WriteText(env.PlacementFile(), "[Main]\nTop=abc\nLeft=25\nWidth=1, 2\nHeight=300\n");
    auto form = env.StartForm();
    ASSERT_EQ(env.dialogs->errors.size(), 1u);
    EXPECT_EQ(env.dialogs->errors[0], "'Width' のデータ型が不正です");
    EXPECT_TRUE(form->isVisible());
    // The values read before the bad one are applied.
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(25, 0));
}

TEST_F(MainFormStartTest, AnUnreadableColourInTheDefaultFileIsShownAndTheWindowOpens) {
    WriteText(env.SettingsFile(), "[Main]\nEdit1=caption\n[Color]\nBrush=notacolour\n[Color2]\nBrush=clRed\n");
    auto form = env.StartForm();
    ASSERT_EQ(env.dialogs->errors.size(), 1u);
    EXPECT_EQ(env.dialogs->errors[0], "'notacolour' は整数ではありません");
    EXPECT_TRUE(form->isVisible());
    // What came before the bad value is loaded; what comes after keeps its value.
    EXPECT_EQ(Text(*form, "Edit1"), "caption");
    EXPECT_EQ(form->Options().ColourOf("ColorDialog2"), options::kTransparentStart);
}

TEST_F(MainFormStartTest, TheHelpItemOpensTheHelpFileInTheProgramFolder) {
    auto form = env.MakeForm();
    // A missing help file is reported with its path, not silently ignored.
    std::vector<QString> messages;
    const auto keep = about::HelpMessageHook;
    about::HelpMessageHook = [&](QWidget*, const QString&, const QString& text) { messages.push_back(text); };
    form->herupu2Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(env.ProgramFolder() + "Kelvo.hlp")));
    // Present, it opens in the help window of the main window.
    fs::copy_file(fs::path(KELVO_SUITE_DATA) / ".." / ".." / "resources" / "help" / "Kelvo.hlp",
                  fs::path(env.ProgramFolder()) / "Kelvo.hlp");
    form->herupu2Click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_NE(form->findChild<about::HelpWindow*>(), nullptr);
    about::HelpMessageHook = keep;
}

} // namespace
