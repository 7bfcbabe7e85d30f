// The proportional resizer: positions and sizes follow the window, fonts follow its height.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "WidgetTestSupport.h"
#include "widgets/FormResizer.h"

using widgets::EResizerException;
using widgets::TFormResizer;
using widgets::TSingleResizer;

namespace {

// A 700 × 500 window with a few controls at odd places and a 9-point font.
struct Window {
    Window() {
        owner = std::make_unique<QWidget>();
        owner->setFont(widgettest::DesignFont());
        owner->resize(700, 500);
        a = new QPushButton("A", owner.get());
        a->setGeometry(3, 10, 93, 49);
        b = new QPushButton("B", owner.get());
        b->setGeometry(5, 15, 105, 25);
        group = new QGroupBox("group", owner.get());
        group->setGeometry(1, 89, 682, 81);
        inner = new QPushButton("inner", group);
        inner->setGeometry(20, 30, 60, 21);
        label = new QLabel("ラベル", owner.get());
        label->setGeometry(40, 200, 80, 12);
        resizer = new TFormResizer(owner.get());
    }
    std::unique_ptr<QWidget> owner;
    QPushButton* a;
    QPushButton* b;
    QGroupBox* group;
    QPushButton* inner;
    QLabel* label;
    TFormResizer* resizer;
};

int Points(const QWidget* w) {
    return w->font().pointSize();
}

} // namespace

TEST(FormResizer, StartsWithItsDocumentedSettings) {
    QWidget owner;
    TFormResizer resizer(&owner);
    EXPECT_FALSE(resizer.ResizeFonts());
    EXPECT_EQ(resizer.MinFontSize(), 8);
    EXPECT_EQ(resizer.MaxFontSize(), 48);
    EXPECT_FALSE(resizer.EnforceMinSize());
    EXPECT_FALSE(resizer.Captured());
}

TEST(FormResizer, RefusesAMissingOrNonWidgetOwnerWithItsTexts) {
    try {
        TFormResizer resizer(nullptr);
        FAIL() << "no exception";
    } catch (const EResizerException& e) {
        EXPECT_STREQ(e.what(), "TFormResizer created without an owner");
    }
    QObject notAControl;
    try {
        TFormResizer resizer(&notAControl);
        FAIL() << "no exception";
    } catch (const EResizerException& e) {
        EXPECT_STREQ(e.what(), "TFormResizer owner must be a panel or form");
    }
    QWidget owner;
    QWidget control(&owner);
    try {
        TSingleResizer record(nullptr, &owner, {});
        FAIL() << "no exception";
    } catch (const EResizerException& e) {
        EXPECT_STREQ(e.what(), "TSingleResizer created without a component link");
    }
    try {
        TSingleResizer record(&control, nullptr, {});
        FAIL() << "no exception";
    } catch (const EResizerException& e) {
        EXPECT_STREQ(e.what(), "TSingleResizer created without a parent form link");
    }
}

TEST(FormResizer, RoundsHalvesToEven) {
    EXPECT_EQ(widgets::RoundHalfEven(4.5), 4);
    EXPECT_EQ(widgets::RoundHalfEven(7.5), 8);
    EXPECT_EQ(widgets::RoundHalfEven(0.5), 0);
    EXPECT_EQ(widgets::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(widgets::RoundHalfEven(9.9), 10);
    EXPECT_EQ(widgets::RoundHalfEven(7.2), 7);
    EXPECT_EQ(widgets::RoundHalfEven(-7.6), -8);
}

TEST(FormResizer, OneAndAHalfTimesTheWidthMovesLeftsWithHalvesToEven) {
    Window w;
    w.resizer->CaptureDesignLayout();
    w.owner->resize(1050, 500);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(w.a->x(), 4);       // 3 × 1.5 = 4.5
    EXPECT_EQ(w.b->x(), 8);       // 5 × 1.5 = 7.5
    EXPECT_EQ(w.a->width(), 140); // 93 × 1.5 = 139.5
    EXPECT_EQ(w.b->width(), 158); // 105 × 1.5 = 157.5
    EXPECT_EQ(w.a->y(), 10);
    EXPECT_EQ(w.a->height(), 49);
    // Nested controls scale relative to their own parent.
    EXPECT_EQ(w.inner->geometry(), QRect(30, 30, 90, 21));
}

TEST(FormResizer, DoublingTheWidthLeavesTopsHeightsAndFonts) {
    Window w;
    w.resizer->SetResizeFonts(true);
    w.resizer->CaptureDesignLayout();
    w.owner->resize(1400, 500);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(w.b->geometry(), QRect(10, 15, 210, 25));
    EXPECT_EQ(w.group->geometry(), QRect(2, 89, 1364, 81));
    EXPECT_EQ(Points(w.b), 9);
    EXPECT_EQ(Points(w.inner), 9);
}

TEST(FormResizer, FontsFollowTheHeightWithinTheirBounds) {
    Window w;
    w.resizer->SetResizeFonts(true);
    w.resizer->CaptureDesignLayout();

    w.owner->resize(700, 550); // 10 % taller: round(9.9) = 10
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(Points(w.a), 10);
    EXPECT_EQ(Points(w.inner), 10);
    EXPECT_EQ(w.a->height(), 54); // 49 × 1.1 = 53.9

    w.owner->resize(700, 400); // 20 % lower: round(7.2) = 7, raised to 8
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(Points(w.a), 8);

    w.owner->resize(700, 3000); // 54 points, capped at 48
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(Points(w.a), 48);
}

TEST(FormResizer, TheFloorWinsWhenTheBoundsCross) {
    Window w;
    w.resizer->SetResizeFonts(true);
    w.resizer->SetMinFontSize(20);
    w.resizer->SetMaxFontSize(10);
    w.resizer->CaptureDesignLayout();
    w.owner->resize(700, 600);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(Points(w.a), 20);
}

TEST(FormResizer, FontsStayWhenFontResizingIsOff) {
    Window w;
    w.resizer->CaptureDesignLayout();
    w.owner->resize(1400, 1000);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(Points(w.a), 9);
    EXPECT_EQ(w.a->geometry(), QRect(6, 20, 186, 98));
}

TEST(FormResizer, TheDesignSizeRestoresEveryBoundAndFontExactly) {
    Window w;
    w.resizer->SetResizeFonts(true);
    w.resizer->CaptureDesignLayout();
    std::vector<QRect> design;
    const auto controls = w.owner->findChildren<QWidget*>();
    for (QWidget* c : controls)
        design.push_back(c->geometry());

    for (QSize size : {QSize(913, 677), QSize(351, 263), QSize(1111, 305)}) {
        w.owner->resize(size);
        w.resizer->ScaleToCurrentSize();
    }
    ASSERT_NE(w.a->geometry(), design[0]);
    w.owner->resize(700, 500);
    w.resizer->ScaleToCurrentSize();
    for (int i = 0; i < controls.size(); ++i)
        EXPECT_EQ(controls[i]->geometry(), design[i]) << controls[i]->metaObject()->className();
    for (QWidget* c : controls)
        EXPECT_EQ(Points(c), 9);
}

TEST(FormResizer, LabelsFitTheirTextInsteadOfScalingTheirWidth) {
    Window w;
    w.resizer->SetResizeFonts(true);
    w.resizer->CaptureDesignLayout();
    w.owner->resize(1400, 750);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(w.label->pos(), QPoint(80, 300));
    EXPECT_EQ(Points(w.label), 14); // round(13.5)
    EXPECT_EQ(w.label->size(), w.label->sizeHint());
    EXPECT_NE(w.label->width(), 160); // not the design width times two
}

TEST(FormResizer, ControlsThatFillTheirParentAreLeftAlone) {
    Window w;
    auto* fill = new QWidget(w.group);
    fill->setGeometry(0, 0, 682, 81);
    widgets::SetFillsParent(fill);
    // A control placed by its parent's layout belongs to the layout, not to the resizer.
    auto* panel = new QWidget(w.owner.get());
    panel->setGeometry(0, 300, 200, 40);
    auto* layout = new QHBoxLayout(panel);
    auto* laidOut = new QPushButton("laid out", panel);
    layout->addWidget(laidOut);
    w.resizer->SetResizeFonts(true);
    w.resizer->CaptureDesignLayout();
    const QRect laidOutBefore = laidOut->geometry();

    w.owner->resize(1400, 1000);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(fill->geometry(), QRect(0, 0, 682, 81));
    EXPECT_FALSE(fill->testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(laidOut->geometry(), laidOutBefore);
    EXPECT_FALSE(laidOut->testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(panel->geometry(), QRect(0, 600, 400, 80)); // the panel itself is no layout's
}

TEST(FormResizer, ASecondCaptureKeepsTheFirst) {
    Window w;
    w.resizer->CaptureDesignLayout();
    const int records = w.resizer->RecordCount();
    w.a->setGeometry(50, 60, 70, 80);
    new QPushButton("late", w.owner.get());
    w.owner->resize(800, 600);
    w.resizer->CaptureDesignLayout();
    EXPECT_EQ(w.resizer->RecordCount(), records);
    EXPECT_EQ(w.resizer->DesignSize(), QSize(700, 500));
    w.owner->resize(700, 500);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(w.a->geometry(), QRect(3, 10, 93, 49));
}

TEST(FormResizer, DestroyedControlsAreSkippedButStillReported) {
    Window w;
    w.resizer->CaptureDesignLayout();
    const int records = w.resizer->RecordCount();
    delete w.b;
    int reports = 0;
    int nullReports = 0;
    double lastHeightRatio = 0;
    double lastWidthRatio = 0;
    QObject::connect(w.resizer, &TFormResizer::OnPostResize,
                     [&](QObject* sender, QWidget* control, double heightRatio, double widthRatio) {
                         EXPECT_EQ(sender, w.resizer);
                         ++reports;
                         nullReports += control == nullptr ? 1 : 0;
                         lastHeightRatio = heightRatio;
                         lastWidthRatio = widthRatio;
                     });
    w.owner->resize(1400, 250);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(reports, records);
    EXPECT_EQ(nullReports, 1);
    EXPECT_DOUBLE_EQ(lastHeightRatio, 0.5);
    EXPECT_DOUBLE_EQ(lastWidthRatio, 2.0);
    EXPECT_EQ(w.a->geometry(), QRect(6, 5, 186, 24)); // 24.5 -> 24
}

TEST(FormResizer, EnforcedMinimumSizeGrowsTheOwnerBack) {
    Window w;
    w.resizer->SetEnforceMinSize(true);
    w.resizer->CaptureDesignLayout();
    w.owner->resize(300, 900);
    w.resizer->ScaleToCurrentSize();
    EXPECT_EQ(w.owner->size(), QSize(700, 900));
    EXPECT_EQ(w.a->geometry(), QRect(3, 18, 93, 88)); // 49 × 1.8 = 88.2
}
