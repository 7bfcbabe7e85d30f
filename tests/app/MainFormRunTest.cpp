// The lists of the main window and the conversion run from its button.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QApplication>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QtTest/QTest>

#include <algorithm>

#include "FormTestSupport.h"
#include "app/Ik5Disp.h"
#include "app/ListClicks.h"

namespace {

using namespace apptest;
using testsupport::Identify;
using testsupport::Quote;

class MainFormRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = env.StartForm();
        fs::create_directories(env.dir / "in");
        testsupport::WritePpm(env.dir / "g.ppm", testsupport::MakeGradient(400, 300));
        for (const char* name : {"in/a.jpg", "in/b.png"})
            ASSERT_EQ(testsupport::Run("convert " + Quote(env.dir / "g.ppm") + " " + Quote(env.dir / name)), 0);
    }
    std::string In(const char* name) const { return (env.dir / "in" / name).string(); }
    fs::path Output(const char* name) const { return env.dir / "prog" / "Output" / name; }
    void Select(QListView* view, std::initializer_list<int> rows) {
        view->selectionModel()->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
    }

    FormEnvironment env;
    std::unique_ptr<app::TForm1> form;
};

TEST_F(MainFormRunTest, AFullRunFromTheButtonConvertsTheListAndLeavesTheWindowUsable) {
    env.dialogs->openAnswers.push_back({In("a.jpg"), In("b.png")});
    form->List().Button1->click();
    ASSERT_EQ(form->ConversionList().Items(), (std::vector<std::string>{In("a.jpg"), In("b.png")}));
    EXPECT_EQ(env.dialogs->pictureTitles.at(0), "画像の選択 (Shiftキーを押しながら複数画像の選択もできます)");
    EXPECT_TRUE(env.dialogs->requests.at(0).multiple);

    // Options through their controls: exact size, PNG output.
    form->Settings().CheckBox1->setChecked(false);
    form->Settings().ComboBox4->setCurrentIndex(form->Settings().ComboBox4->findText("PNG24"));

    // While the run works, the list, its buttons, the options page and the rename run wait.
    std::vector<bool> duringRun;
    auto tray = std::make_shared<TrayLog>();
    form->UseTrayBackend(std::make_unique<RecordingTray>(tray));
    tray->onCall = [&] {
        if (!form->Running()) return;
        duringRun.push_back(!form->List().ListBox1->isEnabled() && !form->List().Button2->isEnabled() &&
                            !form->List().Button1->isEnabled() && !form->Settings().TabSheet2->isEnabled() &&
                            !form->Rename().CoolBtn5->isEnabled());
        // A second start, list changes and a rename run are refused meanwhile.
        form->List().Button2Click();
        form->List().Button3Click();
        form->Rename().CoolBtn5Click();
    };
    tray->calls.clear();
    ClickAndWork(form->List().Button2);

    std::vector<std::string> hints;
    for (const TrayCall& call : tray->calls)
        if (call.kind == 'M' && (hints.empty() || hints.back() != call.tip)) hints.push_back(call.tip);
    EXPECT_EQ(hints, (std::vector<std::string>{"", "50%完了", "100%完了"}));
    ASSERT_FALSE(duringRun.empty());
    EXPECT_EQ(std::count(duringRun.begin(), duringRun.end(), true), std::ptrdiff_t(duringRun.size()));
    EXPECT_EQ(tray->calls.back().kind, 'D');
    EXPECT_FALSE(form->Renaming());
    EXPECT_TRUE(env.dialogs->errors.empty());
    EXPECT_EQ(Identify(Output("a.png"), "%m %wx%h"), "PNG 200x100");
    EXPECT_EQ(Identify(Output("b.png"), "%m %wx%h"), "PNG 200x100");
    EXPECT_EQ(form->ConversionList().Count(), 2);

    // The end: progress back at 0, the last image in the preview, everything enabled again.
    EXPECT_EQ(form->Status().ProgressBar2->value(), 0);
    EXPECT_EQ(form->Status().ProgressBar1->value(), 0);
    EXPECT_TRUE(form->List().Ik5Disp1->IsShowing());
    EXPECT_NE(form->List().Panel2->text(), " プレビュー");
    EXPECT_FALSE(form->Running());
    for (QWidget* w : {static_cast<QWidget*>(form->List().ListBox1), static_cast<QWidget*>(form->List().Button1),
                       static_cast<QWidget*>(form->List().Button2), form->Settings().TabSheet2})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    // The fields disabled by their rules stay disabled after the page is enabled again.
    EXPECT_FALSE(form->findChild<QWidget*>("SpinEdit3")->isEnabled());

    // A preview click works again after the run.
    Select(form->List().ListBox1, {1});
    EXPECT_EQ(form->List().Panel2->text(), " 400x300x24BPP ");
}

TEST_F(MainFormRunTest, AnErrorInTheRunGoesToTheErrorBoxAndTheRunEnds) {
    form->ConversionList().AppendMany({In("a.jpg"), In("missing.jpg"), In("b.png")});
    ClickAndWork(form->List().Button2);
    ASSERT_EQ(env.dialogs->errors.size(), 1u);
    EXPECT_EQ(env.dialogs->errors[0], "ファイルが見つかりません: " + In("missing.jpg"));
    EXPECT_TRUE(fs::exists(Output("a.jpg")));
    EXPECT_FALSE(fs::exists(Output("b.jpg")));
    EXPECT_FALSE(form->Running());
    EXPECT_TRUE(form->List().Button2->isEnabled());
}

TEST_F(MainFormRunTest, ClosingTheWindowDuringARunSavesAndStopsBeforeTheNextFile) {
    form->ConversionList().AppendMany({In("a.jpg"), In("b.png")});
    bool closed = false;
    auto tray = std::make_shared<TrayLog>();
    form->UseTrayBackend(std::make_unique<RecordingTray>(tray));
    tray->onCall = [&] {
        if (form->Running() && !closed) {
            closed = true;
            form->close();
        }
    };
    ClickAndWork(form->List().Button2);
    EXPECT_TRUE(closed);
    // The run left before its first file: the icon keeps the first file's frame.
    EXPECT_NE(tray->calls.back().kind, 'D');
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Running());
    EXPECT_TRUE(fs::is_regular_file(env.SettingsFile()));
    EXPECT_FALSE(fs::exists(Output("a.jpg")));
    EXPECT_TRUE(env.dialogs->errors.empty());
}

TEST_F(MainFormRunTest, ListHandlersDeleteClearAndSort) {
    form->ConversionList().AppendMany({In("a.jpg"), In("b.png"), In("a.jpg")});
    form->List().PopupMenu1Popup();
    EXPECT_TRUE(form->List().Delete1->isEnabled()); // enabled on a non-empty list, selection or not
    form->List().Delete1Click();
    EXPECT_EQ(form->ConversionList().Count(), 3);
    Select(form->List().ListBox1, {0, 2});
    form->List().Delete1->trigger();
    EXPECT_EQ(form->ConversionList().Items(), std::vector<std::string>{In("b.png")});

    // Clearing blanks the preview but keeps the information line.
    Select(form->List().ListBox1, {0});
    ASSERT_TRUE(form->List().Ik5Disp1->IsShowing());
    const QString info = form->List().Panel2->text();
    form->List().Button3->click();
    EXPECT_EQ(form->ConversionList().Count(), 0);
    EXPECT_FALSE(form->List().Ik5Disp1->IsShowing());
    EXPECT_EQ(form->List().Panel2->text(), info);
    form->List().PopupMenu1Popup();
    EXPECT_FALSE(form->List().Delete1->isEnabled());

    // The rename list: the count caption follows every change; the sort switch orders it.
    EXPECT_EQ(form->Rename().Panel4->text(), " 変換元ファイル");
    env.dialogs->openAnswers.push_back({"/x/b.txt", "/x/C.txt", "/x/a.txt"});
    form->Rename().CoolBtn4->click();
    EXPECT_EQ(env.dialogs->requests.back().title, "ファイルを開く");
    EXPECT_EQ(form->Rename().Panel4->text(), " 変換元ファイル：3files");
    form->findChild<QCheckBox*>("CheckBox9")->setChecked(true);
    EXPECT_EQ(form->RenameList().Items(), (std::vector<std::string>{"/x/a.txt", "/x/b.txt", "/x/C.txt"}));
    EXPECT_TRUE(form->DestinationList().Sorted());
    Select(form->Rename().ListBox2, {1});
    form->Rename().D1Click();
    EXPECT_EQ(form->Rename().Panel4->text(), " 変換元ファイル：2files");
    form->Rename().CoolBtn6->click();
    EXPECT_EQ(form->Rename().Panel4->text(), " 変換元ファイル：0files");
}

// A click on the entry that is selected already loads it again; the click that selects an entry loads it once.
TEST_F(MainFormRunTest, ClickingTheSelectedEntryAgainLoadsItAgain) {
    form->show();
    form->ConversionList().AppendMany({In("a.jpg"), In("b.png")});
    QApplication::processEvents();
    imaging::TIk5File& file = form->Components().Ik5File1;
    const auto click = [&](int row) {
        const QPoint at = form->List().ListBox1->visualRect(form->List().ListBox1->model()->index(row, 0)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, form->List().ListBox1->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form->List().ListBox1->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, form->List().ListBox1->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form->List().ListBox1->viewport(), &release);
    };
    click(1);
    const imaging::Handle first = file.ImgHandle;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(file.FileName, In("b.png"));
    const std::size_t held = imaging::ImageStore::Instance().Count();
    click(1);
    EXPECT_NE(file.ImgHandle, first);                         // loaded again...
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), held); // ...after releasing the first one
    click(0);
    const imaging::Handle selected = file.ImgHandle;
    EXPECT_EQ(file.FileName, In("a.jpg"));
    EXPECT_EQ(imaging::ImageStore::Instance().Count(), held); // a selecting click loads once
    EXPECT_NE(selected, first);
}

// Names from old archives are often Shift-JIS: a drop keeps the bytes of every name, for files and for the
// folders it walks.
TEST_F(MainFormRunTest, DroppedNamesKeepTheirBytes) {
    const std::string sjis = "\x93\xFA\x96\x7B"; // 日本 in Shift-JIS: not UTF-8
    const fs::path folder = env.dir / ("old " + sjis);
    fs::create_directories(folder);
    fs::copy_file(In("a.jpg"), folder / (sjis + ".jpg"));
    fs::copy_file(In("b.png"), env.dir / (sjis + "%.png"));
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 "file://" + QByteArray::fromStdString((env.dir / "").string()).toPercentEncoding("/") +
                     "%93%FA%96%7B%25.png\r\n# a comment\r\nfile://localhost" +
                     QByteArray::fromStdString(folder.string()).toPercentEncoding("/") + "\r\n");
    EXPECT_EQ(app::DroppedPaths(data),
              (std::vector<std::string>{(env.dir / (sjis + "%.png")).string(), folder.string()}));
    form->HandleDroppedFiles(app::DroppedPaths(data));
    EXPECT_EQ(form->ConversionList().Items(),
              (std::vector<std::string>{(env.dir / (sjis + "%.png")).string(), (folder / (sjis + ".jpg")).string()}));
}

TEST_F(MainFormRunTest, DropsGoWhereThePageShowingSendsThem) {
    const std::string folder = (env.dir / "in").string();
    form->HandleDroppedFiles({folder, In("x.GIF")});
    EXPECT_EQ(form->ConversionList().Count(), 2); // the folder's two images; the GIF name is no image
    form->PageControl1->setCurrentIndex(2);
    form->HandleDroppedFiles({In("x.GIF")});
    EXPECT_EQ(form->RenameList().Items(), std::vector<std::string>{In("x.GIF")});
    EXPECT_EQ(form->Rename().Panel4->text(), " 変換元ファイル：1files");
}

} // namespace

namespace {

// "中止" ends a run at once: nothing more is published, the end-of-run steps do not follow, and the window is
// ready for the next run.
TEST_F(MainFormRunTest, TheStopButtonEndsARunAtOnce) {
    EXPECT_FALSE(form->List().StopButton->isEnabled());
    std::vector<std::string> list;
    for (int i = 0; i < 24; ++i) {
        fs::path copy = env.dir / "in" / ("p" + std::to_string(i) + ".png");
        fs::copy_file(env.dir / "in" / "b.png", copy);
        list.push_back(copy.string());
    }
    env.dialogs->openAnswers.push_back(list);
    form->List().Button1->click();
    auto tray = std::make_shared<TrayLog>();
    form->UseTrayBackend(std::make_unique<RecordingTray>(tray));
    bool stopWasEnabled = false;
    tray->onCall = [&] {
        if (!form->Running() || stopWasEnabled) return;
        stopWasEnabled = form->List().StopButton->isEnabled();
        form->List().StopButton->click();
    };
    ClickAndWork(form->List().Button2);
    EXPECT_TRUE(stopWasEnabled);
    int written = 0;
    for (int i = 0; i < 24; ++i)
        written += fs::exists(Output(("p" + std::to_string(i) + ".jpg").c_str()));
    EXPECT_LT(written, 24);
    // Entries are published in list order: what was written is a first part of the list.
    for (int i = 0; i < written; ++i)
        EXPECT_TRUE(fs::exists(Output(("p" + std::to_string(i) + ".jpg").c_str()))) << i;
    EXPECT_FALSE(form->List().StopButton->isEnabled());
    EXPECT_TRUE(form->List().Button2->isEnabled());
    EXPECT_NE(tray->calls.back().kind, 'D'); // the tray icon stays: a stop skips the end-of-run steps
}

} // namespace

namespace {

// The result view follows the selection and every option change, without the window waiting for it.
TEST_F(MainFormRunTest, TheResultViewFollowsTheSelectionAndTheOptions) {
    form->show();
    form->ConversionList().AppendMany({In("a.jpg"), In("b.png")});
    QApplication::processEvents();
    const auto captionAfter = [&](const QString& part) {
        for (int i = 0; i < 400 && !form->List().Panel2->text().contains(part); ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 25);
            QThread::msleep(5);
        }
        return form->List().Panel2->text();
    };
    form->List().ShowResult->setChecked(true);
    Select(form->List().ListBox1, {1});
    form->List().ListBox1Click();
    EXPECT_TRUE(captionAfter("→ JPEG").contains("200x150 → JPEG"));
    EXPECT_TRUE(form->List().Ik5Disp1->IsShowing());
    EXPECT_EQ(form->List().Ik5Disp1->Picture().size(), QSize(200, 150)); // the output, not the 400 x 300 source

    // Another entry: at once the caption says the result is being made and the old picture is dimmed.
    Select(form->List().ListBox1, {0});
    form->List().ListBox1Click();
    EXPECT_EQ(form->List().Panel2->text(), " 変換中…");
    EXPECT_TRUE(form->List().Ik5Disp1->IsDimmed());
    EXPECT_TRUE(captionAfter("200x150 → JPEG").contains("200x150 → JPEG"));
    EXPECT_FALSE(form->List().Ik5Disp1->IsDimmed());

    form->Options().SetText("ComboBox4", "PNG8");
    EXPECT_TRUE(captionAfter("→ PNG8").contains("200x150 → PNG8"));
    EXPECT_FALSE(form->List().Ik5Disp1->IsDimmed());
    form->Options().SetSpinValue("SpinEdit1", 100);
    EXPECT_TRUE(captionAfter("100x75").contains("100x75 → PNG8"));
    EXPECT_EQ(form->List().Ik5Disp1->Picture().size(), QSize(100, 75));

    // Off again: the source, with its own information line.
    form->List().ShowResult->setChecked(false);
    EXPECT_TRUE(captionAfter("400x300x24BPP").contains("400x300x24BPP"));
    EXPECT_FALSE(fs::exists(env.dir / "prog" / "Output"));
}

// The toggle shows the selection again: a damaged file selected then goes to the error box as a click on it
// does, and nothing escapes into the event loop.
TEST_F(MainFormRunTest, TogglingTheResultViewOnADamagedFileShowsTheError) {
    const std::string text = "not a picture at all";
    testsupport::WriteBytes(In("bad.jpg"), std::vector<std::uint8_t>(text.begin(), text.end()));
    form->show();
    form->ConversionList().AppendMany({In("bad.jpg")});
    Select(form->List().ListBox1, {0});
    env.dialogs->errors.clear();
    EXPECT_NO_THROW(form->List().ShowResult->setChecked(!form->List().ShowResult->isChecked()));
    EXPECT_NO_THROW(form->List().ShowResult->setChecked(!form->List().ShowResult->isChecked()));
    EXPECT_FALSE(env.dialogs->errors.empty());
}

} // namespace

namespace {

// Names given relative to where the program started (--open photos/x.jpg) are listed as full paths.
TEST_F(MainFormRunTest, OpenedNamesBecomeFullPaths) {
    const fs::path started = fs::current_path();
    fs::current_path(fs::path(In("a.jpg")).parent_path().parent_path());
    form->OpenFilesInList({"in/./b.png", "in/../in/"});
    fs::current_path(started);
    EXPECT_EQ(form->ConversionList().Items(), (std::vector<std::string>{In("b.png"), In("a.jpg"), In("b.png")}));
}

} // namespace

namespace {

// The menu button on a damaged entry selects it and opens the menu without a message box in front; on an entry
// that is selected already it loads nothing again. The Delete key removes the selected entries of either list.
TEST_F(MainFormRunTest, TheMenuButtonAndTheDeleteKey) {
    const std::string text = "not a picture at all";
    testsupport::WriteBytes(In("bad.jpg"), std::vector<std::uint8_t>(text.begin(), text.end()));
    form->show();
    form->ConversionList().AppendMany({In("a.jpg"), In("bad.jpg"), In("b.png")});
    QApplication::processEvents();
    QListView* list = form->List().ListBox1;
    const auto press = [&](int row, Qt::MouseButton button) {
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), button, Qt::NoModifier, at);
    };
    env.dialogs->errors.clear();
    press(1, Qt::RightButton);
    EXPECT_EQ(app::SelectedRows(list), std::vector<int>{1});
    EXPECT_TRUE(env.dialogs->errors.empty());
    EXPECT_FALSE(form->List().Ik5Disp1->IsShowing());
    EXPECT_NE(form->List().Panel2->text().indexOf("bad.jpg"), -1) << form->List().Panel2->text().toStdString();

    press(0, Qt::LeftButton);
    const imaging::Handle shown = form->Components().Ik5File1.ImgHandle;
    press(0, Qt::RightButton);
    EXPECT_EQ(form->Components().Ik5File1.ImgHandle, shown); // not loaded again
    press(1, Qt::LeftButton);
    EXPECT_EQ(env.dialogs->errors.size(), 1u); // a plain click still says it in a box

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(form->ConversionList().Items(), (std::vector<std::string>{In("a.jpg"), In("b.png")}));

    form->PageControl1->setCurrentIndex(2);
    form->RenameList().AppendMany({"/x/a.txt", "/x/b.txt"});
    QListView* renameList = form->Rename().ListBox2;
    Select(renameList, {0});
    renameList->setFocus();
    QTest::keyClick(renameList, Qt::Key_Delete);
    EXPECT_EQ(form->RenameList().Items(), std::vector<std::string>{"/x/b.txt"});
}

} // namespace
