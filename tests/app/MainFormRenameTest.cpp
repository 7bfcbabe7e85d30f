// The rename page's run from its button: copies under generated names, the destination list and its caption,
// the progress bars, and the page holding still while the run works.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QTimer>

#include "FormTestSupport.h"

namespace {

using namespace apptest;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

class MainFormRenameTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = env.StartForm();
        form->PageControl1->setCurrentIndex(2);
        fs::create_directories(env.dir / "in");
        WriteBytes(env.dir / "in" / "one.JPG", std::vector<std::uint8_t>{1, 2, 3});
        WriteBytes(env.dir / "in" / "two.txt", std::vector<std::uint8_t>(3 << 20, 7)); // several copy chunks
    }
    std::string In(const char* name) const { return (env.dir / "in" / name).string(); }
    std::string Out(const char* name) const { return (env.dir / "out" / name).string(); }
    void SetText(const char* name, const char* text) { Find<QLineEdit>(*form, name)->setText(text); }
    std::vector<std::string> Shown(QListView* view) const {
        std::vector<std::string> rows;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            rows.push_back(view->model()->index(row, 0).data().toString().toStdString());
        return rows;
    }

    FormEnvironment env;
    std::unique_ptr<app::TForm1> form;
};

TEST_F(MainFormRenameTest, TheButtonCopiesTheListUnderItsNewNamesAndListsTheCopies) {
    // Files through the dialog, the output folder through the folder picker.
    env.dialogs->openAnswers.push_back({In("one.JPG"), In("missing.png"), In("two.txt")});
    form->Rename().CoolBtn4->click();
    env.dialogs->folderAnswer = (env.dir / "out").string();
    form->Rename().CoolBtn7->click();
    EXPECT_EQ(Find<QLineEdit>(*form, "Edit6")->text().toStdString(), (env.dir / "out").string());
    SetText("Edit4", "p");
    form->Options().SetSpinText("SpinEdit4", "7");
    form->Options().SetSpinText("SpinEdit7", "3");

    // While the run works the rename page holds still; a second start and a clear are refused. (The run starts
    // once the click has been delivered; the check is queued behind it.)
    form->Rename().CoolBtn5->click();
    std::vector<bool> held;
    QTimer::singleShot(0, form.get(), [&] {
        held = {form->Renaming(),
                !form->Rename().ListBox2->isEnabled(),
                !form->Rename().CoolBtn4->isEnabled(),
                !form->Rename().CoolBtn5->isEnabled(),
                !form->Rename().CoolBtn6->isEnabled(),
                !form->Rename().CoolBtn7->isEnabled(),
                !form->List().Button2->isEnabled(),
                form->Status().ProgressBar2->maximum() == 3};
        form->Rename().CoolBtn5Click();
        form->Rename().CoolBtn6Click();
        form->HandleDroppedFiles({In("one.JPG")});
    });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(held, std::vector<bool>(8, true));

    // The missing entry keeps its number; nothing is said about it.
    EXPECT_EQ(ReadBytes(Out("p007.JPG")), ReadBytes(In("one.JPG")));
    EXPECT_EQ(ReadBytes(Out("p009.txt")), ReadBytes(In("two.txt")));
    EXPECT_FALSE(fs::exists(Out("p008.png")));
    EXPECT_TRUE(env.dialogs->errors.empty());
    EXPECT_EQ(form->RenameList().Count(), 3); // the list is left as it was
    EXPECT_EQ(Shown(form->Rename().ListBox3), (std::vector<std::string>{Out("p007.JPG"), Out("p009.txt")}));
    EXPECT_EQ(form->Rename().Panel5->text(), " 変換先ファイル：2files");
    EXPECT_EQ(form->Status().ProgressBar2->value(), 0);
    EXPECT_EQ(form->Status().ProgressBar1->value(), 0);
    EXPECT_FALSE(form->Renaming());
    for (QWidget* w : {static_cast<QWidget*>(form->Rename().ListBox2), static_cast<QWidget*>(form->Rename().CoolBtn4),
                       static_cast<QWidget*>(form->Rename().CoolBtn5), static_cast<QWidget*>(form->Rename().CoolBtn6),
                       static_cast<QWidget*>(form->Rename().CoolBtn7), static_cast<QWidget*>(form->List().Button2)})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();

    // A second run with another prefix lists its copies too. Sorting orders both lists: the rename list's
    // "missing.png" now comes first, so one.JPG takes the second number.
    SetText("Edit4", "a");
    Find<QCheckBox>(*form, "CheckBox9")->setChecked(true);
    ClickAndWork(form->Rename().CoolBtn5);
    EXPECT_EQ(Shown(form->Rename().ListBox3),
              (std::vector<std::string>{Out("a008.JPG"), Out("a009.txt"), Out("p007.JPG"), Out("p009.txt")}));
    EXPECT_EQ(form->Rename().Panel5->text(), " 変換先ファイル：4files");
    EXPECT_TRUE(fs::exists(Out("a009.txt")));
}

TEST_F(MainFormRenameTest, AnEmptyListStillMakesTheFolderAndRewritesTheCaption) {
    SetText("Edit6", (env.dir / "out").c_str());
    EXPECT_EQ(form->Rename().Panel5->text(), " 変換先ファイル");
    ClickAndWork(form->Rename().CoolBtn5);
    EXPECT_TRUE(fs::is_directory(env.dir / "out"));
    EXPECT_EQ(form->Rename().Panel5->text(), " 変換先ファイル：0files");
    EXPECT_EQ(form->Status().ProgressBar2->value(), 0);

    // A folder whose parent is missing: nothing is copied and nothing is said.
    form->RenameList().Append(In("one.JPG"));
    SetText("Edit6", (env.dir / "no" / "out").c_str());
    ClickAndWork(form->Rename().CoolBtn5);
    EXPECT_FALSE(fs::exists(env.dir / "no"));
    EXPECT_EQ(form->Rename().Panel5->text(), " 変換先ファイル：0files");
    EXPECT_TRUE(env.dialogs->errors.empty());
}

} // namespace
