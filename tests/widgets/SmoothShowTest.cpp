// The smooth-show outline: its rectangles step by step, the hidden window, the end, and its refusals.
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <vector>

#include "widgets/SmoothShow.h"

using widgets::TSmoothShow;

namespace {

// Runs the effect to its end by stepping it by hand; returns every drawn rectangle.
std::vector<QRect> StepThrough(TSmoothShow& show) {
    std::vector<QRect> rects;
    show.Run();
    while (show.Running()) {
        rects.push_back(show.LastRect());
        show.Step();
        if (rects.size() > 50) break;
    }
    rects.push_back(show.LastRect());
    return rects;
}

bool Hidden(const QWidget& window) {
    return !window.mask().isEmpty() && window.mask().intersected(window.rect()).isEmpty();
}

} // namespace

TEST(SmoothShow, StartsWithItsDocumentedProperties) {
    TSmoothShow show;
    EXPECT_EQ(show.Color(), QColor(Qt::black));
    EXPECT_EQ(show.BorderWidth(), 1);
    EXPECT_EQ(show.Delay(), 50);
    EXPECT_TRUE(show.Enabled());
    EXPECT_EQ(show.MinLocation(), TSmoothShow::mlCenter);
    EXPECT_EQ(show.MinLeft(), 0);
    EXPECT_EQ(show.MinTop(), 0);
    EXPECT_EQ(show.MinWidth(), 27);
    EXPECT_EQ(show.MinHeight(), 27);
    EXPECT_FALSE(show.Reverse());
}

TEST(SmoothShow, StartingRectanglesLieOnTheDesktopsCornersAndCentre) {
    const QRect desktop(-100, 20, 1001, 801);
    TSmoothShow show;
    const std::pair<TSmoothShow::TMinLoc, QRect> cases[] = {
        {TSmoothShow::mlCenter, QRect(400, 420, 0, 0)},      {TSmoothShow::mlTopLeft, QRect(-100, 20, 0, 0)},
        {TSmoothShow::mlTopRight, QRect(901, 20, 0, 0)},     {TSmoothShow::mlBottomLeft, QRect(-100, 821, 0, 0)},
        {TSmoothShow::mlBottomRight, QRect(901, 821, 0, 0)},
    };
    for (const auto& [location, expected] : cases) {
        show.SetMinLocation(location);
        EXPECT_EQ(show.StartRect(desktop), expected) << location;
    }
    show.SetMinLocation(TSmoothShow::mlCustom);
    show.SetMinLeft(7);
    show.SetMinTop(-3);
    EXPECT_EQ(show.StartRect(desktop), QRect(7, -3, 27, 27));
}

TEST(SmoothShow, GrowsInTenAcceleratingStepsToTheWindow) {
    QWidget window;
    window.setGeometry(500, 300, 400, 200);
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetMinLocation(TSmoothShow::mlCustom);
    show->SetMinWidth(0);
    show->SetMinHeight(0);
    const std::vector<QRect> rects = StepThrough(*show);
    const int lefts[] = {0, 10, 25, 45, 75, 120, 190, 295, 450, 500};
    ASSERT_EQ(rects.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(rects[i].left(), lefts[i]) << i;
        EXPECT_EQ(rects[i].width(), lefts[i] * 400 / 500) << i; // the same progress on every component
    }
    EXPECT_EQ(rects.back(), window.frameGeometry());
    EXPECT_FALSE(show->Running());
    EXPECT_EQ(show->Progress(), 100);
}

TEST(SmoothShow, WindowStaysHiddenUntilTheEndAndTheEventsComeInOrder) {
    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    window.show();
    TSmoothShow* show = new TSmoothShow(&window);
    std::vector<std::string> events;
    QObject::connect(show, &TSmoothShow::OnFinishing, [&] {
        events.push_back(show->OutlineWindow() != nullptr ? "finishing with outline" : "finishing without");
        EXPECT_TRUE(Hidden(window));
    });
    QObject::connect(show, &TSmoothShow::OnFinish, [&] {
        events.push_back(show->OutlineWindow() == nullptr ? "finish without outline" : "finish with outline");
        EXPECT_TRUE(window.mask().isEmpty());
        EXPECT_FALSE(show->Running());
    });
    show->Run();
    EXPECT_TRUE(Hidden(window));
    ASSERT_NE(show->OutlineWindow(), nullptr);
    EXPECT_TRUE(show->OutlineWindow()->isVisible());
    for (int i = 0; i < 8; ++i)
        show->Step();
    EXPECT_TRUE(Hidden(window));
    EXPECT_TRUE(events.empty());
    show->Step();
    EXPECT_EQ(events, (std::vector<std::string>{"finishing with outline", "finish without outline"}));
}

TEST(SmoothShow, OutlineIsAFrameOfTheBorderWidth) {
    QWidget window;
    window.setGeometry(0, 0, 300, 200);
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetMinLocation(TSmoothShow::mlCustom);
    show->SetBorderWidth(3);
    show->Run();
    for (int i = 0; i < 8; ++i)
        show->Step(); // progress 90: 272 × 182
    const QWidget* outline = show->OutlineWindow();
    ASSERT_NE(outline, nullptr);
    const QRegion mask = outline->mask();
    EXPECT_EQ(outline->size(), QSize(272, 182));
    EXPECT_TRUE(mask.contains(QPoint(0, 0)));
    EXPECT_TRUE(mask.contains(QPoint(2, 100)));
    EXPECT_FALSE(mask.contains(QPoint(3, 100)));
    EXPECT_TRUE(mask.contains(QPoint(269, 179)));
    EXPECT_FALSE(mask.contains(QPoint(268, 178)));
    EXPECT_FALSE(mask.contains(QPoint(136, 91)));
}

TEST(SmoothShow, ZeroBorderWidthShowsNoOutlineButStillSteps) {
    QWidget window;
    window.setGeometry(0, 0, 300, 200);
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetBorderWidth(0);
    show->Run();
    show->Step();
    ASSERT_NE(show->OutlineWindow(), nullptr);
    EXPECT_TRUE(Hidden(*show->OutlineWindow()));
    EXPECT_EQ(show->Progress(), 5);
}

TEST(SmoothShow, ReverseShrinksWithDifferencesTruncatedTowardZero) {
    QWidget window;
    window.setGeometry(305, 0, 100, 100);
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetMinLocation(TSmoothShow::mlCustom);
    show->SetReverse(true);
    const std::vector<QRect> rects = StepThrough(*show);
    ASSERT_EQ(rects.size(), 10u);
    const int progress[] = {0, 2, 5, 9, 15, 24, 38, 59, 90, 100};
    for (int i = 0; i < 10; ++i) {
        const int truncated = -(progress[i] * 305 / 100); // −305 × p div 100 rounds toward zero
        EXPECT_EQ(rects[i].left(), 305 + truncated) << i;
    }
    EXPECT_EQ(rects[2].left(), 290); // −305 × 5 div 100 = −15
    EXPECT_EQ(rects.back(), QRect(0, 0, 27, 27));
}

TEST(SmoothShow, DisabledOrAlreadyRunningDoesNothing) {
    QWidget window;
    window.setGeometry(0, 0, 300, 200);
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetEnabled(false);
    show->Run();
    EXPECT_FALSE(show->Running());
    EXPECT_EQ(show->OutlineWindow(), nullptr);
    EXPECT_TRUE(window.mask().isEmpty());

    show->SetEnabled(true);
    show->Run();
    show->Step();
    show->Step();
    const int progress = show->Progress();
    show->Run();
    EXPECT_EQ(show->Progress(), progress);
}

TEST(SmoothShow, OwnerThatIsNoWindowIsRefusedWithItsText) {
    QWidget window;
    QWidget child(&window);
    auto expectRefused = [](TSmoothShow& show) {
        try {
            show.Run();
            FAIL() << "no exception";
        } catch (const std::logic_error& e) {
            EXPECT_STREQ(e.what(), "SmoothShow1: Owner must be a form");
        }
        EXPECT_FALSE(show.Running());
    };
    TSmoothShow* onChild = new TSmoothShow(&child);
    onChild->setObjectName("SmoothShow1");
    expectRefused(*onChild);
    TSmoothShow orphan;
    orphan.setObjectName("SmoothShow1");
    expectRefused(orphan);
    EXPECT_TRUE(window.mask().isEmpty());
}

TEST(SmoothShow, TheTimerRunsTheEffectToItsEnd) {
    QWidget window;
    window.setGeometry(50, 50, 200, 100);
    window.show();
    TSmoothShow* show = new TSmoothShow(&window);
    show->SetMinLocation(TSmoothShow::mlTopLeft);
    show->SetDelay(5);
    bool finished = false;
    QObject::connect(show, &TSmoothShow::OnFinish, [&] { finished = true; });
    show->Run();
    QElapsedTimer clock;
    clock.start();
    while (!finished && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(finished);
    EXPECT_EQ(show->LastRect(), window.frameGeometry());
    EXPECT_TRUE(window.mask().isEmpty());
    // The first frame grew from the desktop's top-left corner.
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(show->StartRect(desktop).topLeft(), desktop.topLeft());
}
