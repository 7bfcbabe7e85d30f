// The main window's interface parts: the gradient buttons, the proportional resizer of the client area and the
// notification-area progress icon driven by a conversion run.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QScrollBar>
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

#include "FormTestSupport.h"
#include "widgets/FormResizer.h"

namespace {

using namespace apptest;
using widgets::TCoolBtn;

TEST(MainFormWidgets, EveryButtonIsAGradientButtonOfItsKind) {
    FormEnvironment env;
    auto form = env.StartForm();
    ResizeClientArea(*form, QSize(692, 524));
    const auto large = {"Button1", "Button2", "Button3", "CoolBtn4", "CoolBtn5", "CoolBtn6"};
    const auto small = {"CoolBtn1", "CoolBtn2", "CoolBtn3", "CoolBtn7", "CoolBtn8", "CoolBtn9", "CoolBtn10"};
    auto expectFace = [&](const char* name, TCoolBtn::TCoolOptions options, QSize size) {
        auto* button = Find<TCoolBtn>(*form, name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->Options(), options) << name;
        EXPECT_EQ(button->ColorStart(), QColor(255, 255, 255)) << name;
        EXPECT_EQ(button->ColorEnd(), QColor(192, 192, 192)) << name;
        EXPECT_EQ(button->GradientDirection(), TCoolBtn::gdVertical) << name;
        EXPECT_EQ(button->size(), size) << name;
    };
    for (const char* name : large)
        expectFace(name, TCoolBtn::ocPaintGradiently | TCoolBtn::ocRoundedForm, QSize(93, 49));
    for (const char* name : small)
        expectFace(name, TCoolBtn::TCoolOptions(TCoolBtn::ocPaintGradiently), QSize(105, 25));
    // Besides them only the stop button of a running conversion, in the same face.
    expectFace("StopButton", TCoolBtn::TCoolOptions(TCoolBtn::ocPaintGradiently), QSize(60, 25));
    EXPECT_EQ(form->findChildren<QPushButton*>().size(), 14);

    // The large buttons are ellipses: their corners show the page behind them; the face is grey, lighter at
    // the top.
    const QImage window = form->grab().toImage();
    const QPoint origin = form->List().Button2->mapTo(form.get(), QPoint(0, 0));
    EXPECT_EQ(window.pixelColor(origin), window.pixelColor(origin - QPoint(3, 3)));
    const QColor top = window.pixelColor(origin + QPoint(46, 6));
    const QColor bottom = window.pixelColor(origin + QPoint(46, 42));
    EXPECT_EQ(top.red(), top.blue());
    EXPECT_GT(top.red(), bottom.red());
    EXPECT_NE(window.pixelColor(origin + QPoint(46, 42)), window.pixelColor(origin - QPoint(3, 3)));
}

TEST(MainFormWidgets, TheClientAreaScalesWithTheWindowAndComesBackExactly) {
    FormEnvironment env;
    auto form = env.StartForm();
    ASSERT_TRUE(form->FormResizer1->Captured());
    EXPECT_EQ(form->FormResizer1->DesignSize(), QSize(692, 524));
    QLabel* label = Find<QLabel>(*form, "lblEdit6");
    QGroupBox* group = Find<QGroupBox>(*form, "GroupBox5");
    ResizeClientArea(*form, QSize(692, 524));
    const QRect labelAtDesign = label->geometry();

    ResizeClientArea(*form, QSize(1038, 786)); // 1.5 times in both directions
    // Design 295, 414, 93 x 49: halves go to the even neighbour (442.5 -> 442, 139.5 -> 140, 73.5 -> 74).
    EXPECT_EQ(form->Rename().CoolBtn5->geometry(), QRect(442, 621, 140, 74));
    EXPECT_EQ(group->geometry(), QRect(0, 441, 1023, 172));
    // 9 points times 1.5 is 13.5, which rounds to 14.
    EXPECT_EQ(form->Rename().CoolBtn5->font().pointSize(), 14);
    EXPECT_EQ(form->Rename().ListBox3->font().pointSize(), 14);
    EXPECT_EQ(form->PageControl1->font().pointSize(), 14);
    // A label moves and fits its text at the new font.
    EXPECT_EQ(label->pos(), QPoint(18, widgets::RoundHalfEven(labelAtDesign.y() * 1.5)));
    EXPECT_GT(label->width(), labelAtDesign.width());
    // The status bar stays at the bottom edge, taller with its font; the page control fills the rest.
    EXPECT_EQ(form->Status().pnlStatusBar->geometry().bottom(), 785);
    EXPECT_EQ(form->Status().pnlStatusBar->height(), 28); // 19 x 1.5 = 28.5 -> 28
    EXPECT_EQ(form->PageControl1->geometry(), QRect(0, 0, 1038, 786 - 28));
    EXPECT_EQ(form->Status().ProgressBar1->geometry().right(), 1037);
    EXPECT_EQ(form->Status().ProgressBar1->width(), 150);
    EXPECT_EQ(form->Status().Panel3->geometry().right() + 1, form->Status().ProgressBar2->x());

    // Only the window's width grows: lefts and widths follow, tops, heights and fonts stay.
    ResizeClientArea(*form, QSize(1384, 524));
    EXPECT_EQ(form->Rename().CoolBtn5->geometry(), QRect(590, 414, 186, 49));
    EXPECT_EQ(form->Rename().CoolBtn5->font().pointSize(), 9);

    // Smaller than designed: the font does not go below 8 points.
    ResizeClientArea(*form, QSize(553, 419));
    EXPECT_EQ(form->Rename().CoolBtn5->font().pointSize(), 8);

    ResizeClientArea(*form, QSize(692, 524));
    EXPECT_EQ(form->Rename().CoolBtn5->geometry(), QRect(295, 414, 93, 49));
    EXPECT_EQ(form->Rename().CoolBtn5->font().pointSize(), 9);
    EXPECT_EQ(group->geometry(), QRect(0, 294, 682, 115));
    EXPECT_EQ(label->geometry(), labelAtDesign);
    EXPECT_EQ(form->Status().pnlStatusBar->geometry(), QRect(0, 505, 692, 19));
    EXPECT_EQ(form->Status().ProgressBar2->geometry(), QRect(492, 0, 100, 19));
    EXPECT_EQ(form->Status().Panel3->geometry(), QRect(0, 0, 492, 19));
}

// Every row of a list has one size, measured for speed; a long path added after short ones must still be
// reachable by the sideways scroll.
TEST(MainFormWidgets, TheSidewaysScrollReachesTheEndOfTheLongestPath) {
    FormEnvironment env;
    auto form = env.StartForm();
    const std::string longest = "/photos/" + std::string(300, 'w') + "/end.jpg";
    form->ConversionList().Append("/a.jpg");
    form->ConversionList().Append(longest);
    form->ConversionList().Append("/b.jpg");
    QApplication::processEvents();
    QScrollBar* bar = form->List().ListBox1->horizontalScrollBar();
    const int textWidth = form->List().ListBox1->fontMetrics().horizontalAdvance(QString::fromStdString(longest));
    EXPECT_GE(bar->maximum() + form->List().ListBox1->viewport()->width(), textWidth);
    form->ConversionList().Clear();
    form->ConversionList().Append("/a.jpg");
    QApplication::processEvents();
    EXPECT_EQ(bar->maximum(), 0);
}

TEST(MainFormWidgets, AConversionRunDrivesTheTrayIconFrameByFrameAndRemovesIt) {
    FormEnvironment env;
    auto form = env.StartForm();
    auto tray = std::make_shared<TrayLog>();
    form->UseTrayBackend(std::make_unique<RecordingTray>(tray));
    std::vector<TrayCall>& calls = tray->calls;
    // Nothing is in the notification area before the first run.
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const TrayCall& c) { return c.kind == 'A'; }));
    EXPECT_FALSE(form->RxTrayIcon1->Added());
    calls.clear();

    testsupport::WritePpm(env.dir / "g.ppm", testsupport::MakeGradient(64, 48));
    std::vector<std::string> files;
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        ASSERT_EQ(testsupport::Run("convert " + testsupport::Quote(env.dir / "g.ppm") + " " +
                                   testsupport::Quote(env.dir / name)),
                  0);
        files.push_back((env.dir / name).string());
    }
    form->ConversionList().AppendMany(files);
    ClickAndWork(form->List().Button2);
    ASSERT_TRUE(env.dialogs->errors.empty());

    // 33, 66 and 100 percent: frames 1, 3 and 4, each file one icon change and one hint change.
    const widgets::TIconList& frames = form->RxTrayIcon1->Icons();
    auto frame = [&](int k) { return frames.Item(k).cacheKey(); };
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const TrayCall& c) { return c.kind == 'A'; }), 1);
    std::vector<std::pair<qint64, std::string>> shown;
    for (const TrayCall& call : calls)
        if (call.kind != 'D') shown.emplace_back(call.icon, call.tip);
    const std::vector<std::pair<qint64, std::string>> expected{
        {frame(1), ""},        {frame(1), ""},        {frame(1), "33%完了"}, {frame(3), "33%完了"},
        {frame(3), "66%完了"}, {frame(4), "66%完了"}, {frame(4), "100%完了"}};
    EXPECT_EQ(shown, expected);
    // At the normal end the icon leaves the notification area.
    EXPECT_EQ(calls.back().kind, 'D');
    EXPECT_FALSE(form->RxTrayIcon1->Added());
    EXPECT_TRUE(form->RxTrayIcon1->Icon().isNull());
}

} // namespace
