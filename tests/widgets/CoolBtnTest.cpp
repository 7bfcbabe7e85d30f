// The gradient button painted into images: gradient rows, shapes, edges, caption relief, states.
#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFrame>
#include <QLineEdit>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

#include "WidgetTestSupport.h"
#include "widgets/CoolBtn.h"
#include "widgets/Gradient.h"

using widgets::TCoolBtn;
using widgettest::BoundingBox;
using widgettest::IsDark;
using widgettest::Render;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);

int Grey(const QImage& image, int x, int y) {
    return qRed(image.pixel(x, y));
}

void MakeWindowButton(TCoolBtn& button, bool elliptical) {
    button.SetColorStart(kWhite);
    button.SetColorEnd(kSilver);
    button.SetGradientDirection(TCoolBtn::gdVertical);
    TCoolBtn::TCoolOptions options = TCoolBtn::ocPaintGradiently;
    if (elliptical) options |= TCoolBtn::ocRoundedForm;
    button.SetOptions(options);
    button.resize(elliptical ? QSize(93, 49) : QSize(105, 25));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

} // namespace

TEST(Gradient, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(widgets::MulDiv(1, 1, 2), 1);
    EXPECT_EQ(widgets::MulDiv(3, 1, 2), 2);
    EXPECT_EQ(widgets::MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(widgets::MulDiv(5, -1, 2), -3);
    EXPECT_EQ(widgets::MulDiv(126, -63, 128), -62);
    EXPECT_EQ(widgets::MulDiv(127, 49, 128), 49);             // 48.6
    EXPECT_EQ(widgets::MulDiv(2000000000, 3, 4), 1500000000); // no 32-bit overflow
}

TEST(Gradient, WhiteToSilverEndsOneShortOfSilver) {
    for (int height : {49, 25, 128}) {
        QImage image(10, height, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        widgets::GradientFill(painter, image.rect(), kWhite, kSilver, 128, false);
        painter.end();
        // Short rectangles skip early bands: 25 rows start at band 2 (254), 49 and 128 rows at 255.
        EXPECT_EQ(Grey(image, 5, 0), height == 25 ? 254 : 255) << height;
        const int last = Grey(image, 5, height - 1);
        EXPECT_EQ(last, height == 128 ? 192 : 193) << height; // 128 rows: band 127 is 255 - 63
        for (int y = 1; y < height; ++y) {
            EXPECT_LE(Grey(image, 5, y), Grey(image, 5, y - 1));
            EXPECT_EQ(image.pixelColor(0, y), image.pixelColor(9, y)); // constant across the axis
        }
    }
}

TEST(Gradient, HorizontalRunsAlongTheWidthAndCoversEveryPixel) {
    QImage image(93, 4, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    widgets::GradientFill(painter, image.rect(), QColor(0, 0, 255), QColor(255, 0, 0), 128, true);
    painter.end();
    EXPECT_EQ(image.pixelColor(0, 2), QColor(0, 0, 255));
    for (int x = 0; x < 93; ++x) {
        EXPECT_NE(image.pixelColor(x, 0), QColor(Qt::magenta)) << x;
        EXPECT_EQ(image.pixelColor(x, 0), image.pixelColor(x, 3));
    }
    EXPECT_GT(image.pixelColor(92, 0).red(), 250);
    EXPECT_LT(image.pixelColor(92, 0).blue(), 5);
}

TEST(CoolBtn, StartsWithItsDocumentedProperties) {
    TCoolBtn button;
    EXPECT_EQ(button.Options(), TCoolBtn::TCoolOptions());
    EXPECT_EQ(button.ColorStart(), button.palette().color(QPalette::Button));
    EXPECT_EQ(button.ColorEnd(), button.palette().color(QPalette::Dark));
    EXPECT_EQ(button.ShadowColor(), button.palette().color(QPalette::Light));
    EXPECT_EQ(button.GradientDirection(), TCoolBtn::gdHorizontal);
    EXPECT_EQ(button.ShadowSize(), 1);
    EXPECT_EQ(button.ShadowPos(), TCoolBtn::spLeftTop);
    EXPECT_FALSE(button.SimpleView());
    EXPECT_EQ(button.BtnPaintOptions(), TCoolBtn::bpoDrawFocus | TCoolBtn::bpoDrawDefault);
    EXPECT_EQ(button.Layout(), TCoolBtn::blGlyphLeft);
    EXPECT_EQ(button.Margin(), -1);
    EXPECT_EQ(button.Spacing(), 4);
    EXPECT_EQ(button.TransparencyLevel(), 0);
}

TEST(CoolBtn, OptionsAreTwentyOneBitsInTheirOrder) {
    EXPECT_EQ(static_cast<unsigned>(TCoolBtn::ocPaintWallpaper), 1u);
    EXPECT_EQ(static_cast<unsigned>(TCoolBtn::ocPaintGradiently), 1u << 5);
    EXPECT_EQ(static_cast<unsigned>(TCoolBtn::ocRoundedForm), 1u << 17);
    EXPECT_EQ(static_cast<unsigned>(TCoolBtn::ocFlatBorder), 1u << 18);
    EXPECT_EQ(static_cast<unsigned>(TCoolBtn::ocPaintTransparently), 1u << 20);
}

TEST(CoolBtn, GradientFaceRowsAreWhiteAtTheTopAnd193AtTheBottom) {
    // A flat border hides the edge while the pointer is away, so the face's own rows show.
    for (bool elliptical : {false, true}) {
        TCoolBtn button;
        MakeWindowButton(button, elliptical);
        button.SetOptions(button.Options() | TCoolBtn::ocFlatBorder);
        const QImage image = Render(&button);
        const int x = button.width() / 2;
        EXPECT_EQ(image.pixel(x, 0), qRgb(elliptical ? 255 : 254, elliptical ? 255 : 254, elliptical ? 255 : 254));
        EXPECT_EQ(image.pixel(x, button.height() - 1), qRgb(193, 193, 193)) << elliptical;
    }
}

TEST(CoolBtn, EllipticalCornersShowTheParentAndWhatLiesBehind) {
    QWidget page;
    page.resize(200, 120);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, QColor(200, 0, 0));
    page.setPalette(palette);
    auto* behind = new QFrame(&page); // created first, so it lies under the button
    behind->setGeometry(90, 60, 30, 30);
    behind->setAutoFillBackground(true);
    QPalette green = behind->palette();
    green.setColor(QPalette::Window, QColor(0, 160, 0));
    behind->setPalette(green);
    auto* button = new TCoolBtn("変換実行", &page);
    MakeWindowButton(*button, true);
    button->move(20, 20); // 93 × 49: its bottom-right corner covers the green frame's top-left

    const QImage image = Render(&page);
    EXPECT_EQ(image.pixelColor(20, 20), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(20, 20 + 48), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(20 + 92, 20), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(20 + 92, 20 + 48), QColor(0, 160, 0));
    // Inside the ellipse the gradient paints over the parent and the frame alike.
    const QColor inside = image.pixelColor(20 + 70, 20 + 40); // over the frame's corner, inside the ellipse
    EXPECT_EQ(inside.red(), inside.green());
    EXPECT_GE(inside.red(), 193);
}

TEST(CoolBtn, EllipticalOutlineSwapsItsMiddleAndInnerRingsWhenPressed) {
    TCoolBtn button;
    MakeWindowButton(button, true);
    QPalette palette = button.palette();
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));    // window frame
    palette.setColor(QPalette::Light, QColor(255, 255, 0)); // highlight, told apart from the white face
    palette.setColor(QPalette::Dark, QColor(0, 0, 200));    // button shadow
    button.setPalette(palette);
    const QImage up = Render(&button);
    button.setDown(true);
    const QImage down = Render(&button);

    // The bottom of the middle ring (box 1,1 .. w,h) is the button's last row; the top of the inner ring
    // (box 1,1 .. w-1,h-1) is row 1.
    EXPECT_EQ(up.pixelColor(46, 48), QColor(0, 0, 0));
    EXPECT_EQ(down.pixelColor(46, 48), QColor(255, 255, 0));
    EXPECT_EQ(up.pixelColor(46, 1), QColor(255, 255, 0));
    EXPECT_EQ(down.pixelColor(46, 1), QColor(0, 0, 0));
    // The outer ring (box 0,0 .. w-1,h-1) starts at row 0 in the button shadow colour.
    EXPECT_EQ(up.pixelColor(46, 0), QColor(0, 0, 200));
    // The lower right half of the inner ring is overdrawn in the shadow colour, the upper left is not.
    EXPECT_EQ(up.pixelColor(46, 47), QColor(0, 0, 200));
}

TEST(CoolBtn, PressingMovesTheCaptionOnePixelRightAndDown) {
    for (bool elliptical : {false, true}) {
        TCoolBtn button("変換実行");
        MakeWindowButton(button, elliptical);
        button.SetSimpleView(true);
        // Away from the edge and the outline rings.
        const QRect inside = elliptical ? QRect(12, 8, 93 - 24, 49 - 16) : button.rect().adjusted(3, 3, -3, -3);
        const QRect up = BoundingBox(Render(&button), inside, IsDark);
        button.setDown(true);
        const QRect down = BoundingBox(Render(&button), inside, IsDark);
        ASSERT_FALSE(up.isEmpty());
        EXPECT_EQ(down, up.translated(1, 1)) << elliptical;
    }
}

TEST(CoolBtn, CaptionIsCentredWithTheRoundingOfTheLayout) {
    TCoolBtn button("リスト消去");
    MakeWindowButton(button, false);
    button.SetSimpleView(true);
    const QRect box = BoundingBox(Render(&button), button.rect().adjusted(3, 3, -3, -3), IsDark);
    ASSERT_FALSE(box.isEmpty());
    // The inked part of the text sits within a pixel of the middle on both axes.
    EXPECT_LE(std::abs((box.left() + box.right() + 1) - button.width()), 3);
    EXPECT_LE(std::abs((box.top() + box.bottom() + 1) - button.height()), 4);
}

TEST(CoolBtn, ReliefCopyLiesWhereShadowPosSays) {
    struct Case {
        TCoolBtn::TShadowPosition position;
        QPoint text;
        QPoint relief;
    };
    const int s = 2;
    const Case cases[] = {
        {TCoolBtn::spLeftTop, {s, s}, {0, 0}},
        {TCoolBtn::spLeftBottom, {s, 0}, {0, s}},
        {TCoolBtn::spRightBottom, {0, 0}, {s, s}},
        {TCoolBtn::spRightTop, {0, s}, {s, 0}},
    };
    const QColor face(128, 128, 128);
    // Paints with the given caption and relief colours; a transparent colour leaves that copy out.
    auto render = [&](TCoolBtn& button, const QColor& text, const QColor& relief, bool simple) {
        QPalette palette = button.palette();
        palette.setColor(QPalette::Button, face);
        palette.setColor(QPalette::ButtonText, text);
        button.setPalette(palette);
        button.SetShadowColor(relief);
        if (simple) button.SetSimpleView(true);
        return BoundingBox(Render(&button), button.rect().adjusted(3, 3, -3, -3), IsDark);
    };
    TCoolBtn button("ファイル読込");
    button.resize(105, 25);
    const QRect simple = render(button, Qt::black, Qt::transparent, true);
    ASSERT_FALSE(simple.isEmpty());
    for (const Case& c : cases) {
        button.SetShadowPos(c.position);
        button.SetShadowSize(s);
        const QRect textOnly = render(button, Qt::black, Qt::transparent, false);
        EXPECT_FALSE(button.SimpleView());
        const QRect reliefOnly = render(button, Qt::transparent, Qt::black, false);
        EXPECT_EQ(textOnly, simple.translated(c.text)) << c.position;
        EXPECT_EQ(reliefOnly, simple.translated(c.relief)) << c.position;
    }
}

TEST(CoolBtn, DisabledCaptionIsShadowOverAHighlightCopy) {
    TCoolBtn button("変換実行");
    button.resize(105, 25);
    const QRect area = button.rect().adjusted(3, 3, -3, -3);
    auto render = [&](const QColor& shadow, const QColor& highlight) {
        QPalette palette = button.palette();
        palette.setColor(QPalette::Button, QColor(128, 128, 128));
        palette.setColor(QPalette::ButtonText, Qt::black);
        palette.setColor(QPalette::Dark, shadow);
        palette.setColor(QPalette::Light, highlight);
        button.setPalette(palette);
        return BoundingBox(Render(&button), area, IsDark);
    };
    button.SetSimpleView(true);
    const QRect enabled = render(Qt::transparent, Qt::transparent);
    ASSERT_FALSE(enabled.isEmpty());
    button.setEnabled(false);
    EXPECT_EQ(render(Qt::black, Qt::transparent), enabled);                  // the text in the shadow colour
    EXPECT_EQ(render(Qt::transparent, Qt::black), enabled.translated(1, 1)); // the highlight copy below right
}

TEST(CoolBtn, RectangularEdgeIsRaisedAndSunkenWhenPressed) {
    TCoolBtn button;
    MakeWindowButton(button, false);
    QPalette palette = button.palette();
    palette.setColor(QPalette::Midlight, QColor(10, 200, 10));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    palette.setColor(QPalette::Light, QColor(250, 250, 0));
    palette.setColor(QPalette::Dark, QColor(0, 0, 200));
    button.setPalette(palette);
    const QImage up = Render(&button);
    EXPECT_EQ(up.pixelColor(30, 0), QColor(10, 200, 10)); // outer top: 3-D light
    EXPECT_EQ(up.pixelColor(30, 24), QColor(0, 0, 0));    // outer bottom: dark shadow
    EXPECT_EQ(up.pixelColor(30, 1), QColor(250, 250, 0)); // inner top: highlight
    EXPECT_EQ(up.pixelColor(30, 23), QColor(0, 0, 200));  // inner bottom: shadow
    EXPECT_EQ(up.pixel(30, 2), qRgb(249, 249, 249));      // the face's third row inside the edge
    button.setDown(true);
    const QImage down = Render(&button);
    EXPECT_EQ(down.pixelColor(30, 0), QColor(0, 0, 0));      // sunken: dark top
    EXPECT_EQ(down.pixelColor(30, 24), QColor(10, 200, 10)); // light bottom
    EXPECT_EQ(down.pixel(30, 1), qRgb(252, 252, 252));       // the sunken edge is one pixel thick
}

TEST(CoolBtn, FlatBorderShowsTheEdgeOnlyWhileHovered) {
    TCoolBtn button;
    MakeWindowButton(button, false);
    button.SetOptions(button.Options() | TCoolBtn::ocFlatBorder);
    int entered = 0;
    int left = 0;
    QObject::connect(&button, &TCoolBtn::OnMouseEnter, [&] { ++entered; });
    QObject::connect(&button, &TCoolBtn::OnMouseLeave, [&] { ++left; });
    EXPECT_EQ(Render(&button).pixel(30, 24), qRgb(193, 193, 193));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.Hovered());
    EXPECT_EQ(Render(&button).pixel(30, 24), button.palette().color(QPalette::Shadow).rgb());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.Hovered());
    EXPECT_EQ(Render(&button).pixel(30, 24), qRgb(193, 193, 193));
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST(CoolBtn, FocusedButtonShowsDefaultFrameAndFocusMarkUnfocusedNeither) {
    QWidget window;
    window.resize(300, 100);
    auto* button = new TCoolBtn(&window);
    MakeWindowButton(*button, false);
    auto* other = new QLineEdit(&window);
    other->move(150, 10);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Midlight, QColor(10, 200, 10));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    button->setPalette(palette);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(button->hasFocus());
    const QImage unfocused = Render(button);
    EXPECT_EQ(unfocused.pixelColor(30, 0), QColor(10, 200, 10)); // the raised edge, no frame
    EXPECT_EQ(unfocused.pixelColor(4, 4), unfocused.pixelColor(5, 4));

    button->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button->hasFocus());
    ASSERT_TRUE(button->Active());
    const QImage focused = Render(button);
    EXPECT_EQ(focused.pixelColor(30, 0), QColor(0, 0, 0));     // the default frame
    EXPECT_EQ(focused.pixelColor(30, 1), QColor(10, 200, 10)); // the edge moved one pixel in
    // The dotted mark four pixels in: every other pixel inverted.
    EXPECT_NE(focused.pixelColor(4, 4), unfocused.pixelColor(4, 4));
    EXPECT_EQ(focused.pixelColor(5, 4), unfocused.pixelColor(5, 4));
    EXPECT_NE(focused.pixelColor(6, 4), unfocused.pixelColor(6, 4));

    // Without bpoDrawDefault and bpoDrawFocus the focused button looks unfocused.
    button->SetBtnPaintOptions({});
    const QImage plain = Render(button);
    EXPECT_EQ(plain.pixelColor(30, 0), QColor(10, 200, 10));
    EXPECT_EQ(plain.pixelColor(4, 4), unfocused.pixelColor(4, 4));
}

TEST(CoolBtn, DefaultButtonIsActiveWhileTheFocusIsOnAnotherKindOfControl) {
    QWidget window;
    auto* button = new TCoolBtn(&window);
    auto* other = new QLineEdit(&window);
    auto* second = new TCoolBtn(&window);
    button->setDefault(true);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(button->Active());
    second->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(button->Active());
    EXPECT_TRUE(second->Active());
}

TEST(CoolBtn, GradientColoursRepaintOnlyWhilePaintingGradiently) {
    QWidget window;
    auto* button = new TCoolBtn(&window);
    button->resize(105, 25);
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    PaintCounter counter;
    button->installEventFilter(&counter);

    button->SetColorStart(Qt::red);
    button->SetGradientDirection(TCoolBtn::gdVertical);
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 0);

    button->SetOptions(TCoolBtn::ocPaintGradiently);
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 1);
    button->SetColorEnd(Qt::blue);
    QApplication::processEvents();
    EXPECT_EQ(counter.count, 2);
}

TEST(CoolBtn, ShadowSettingsSwitchSimpleViewOffAndMarginRefusesBelowMinusOne) {
    TCoolBtn button;
    button.SetSimpleView(true);
    button.SetShadowSize(3);
    EXPECT_FALSE(button.SimpleView());
    button.SetSimpleView(true);
    button.SetShadowPos(TCoolBtn::spRightTop);
    EXPECT_FALSE(button.SimpleView());
    button.SetSimpleView(true);
    button.SetShadowColor(Qt::red);
    EXPECT_FALSE(button.SimpleView());

    button.SetMargin(5);
    button.SetMargin(-2);
    EXPECT_EQ(button.Margin(), 5);
    button.SetMargin(-1);
    EXPECT_EQ(button.Margin(), -1);
}

TEST(CoolBtn, MarginPlacesTheCaptionFromTheLayoutsEdge) {
    TCoolBtn button("読込");
    button.resize(105, 25);
    button.SetSimpleView(true);
    button.SetOptions(TCoolBtn::ocFlatBorder);
    const QRect area = button.rect().adjusted(3, 3, -3, -3);
    const QRect centred = BoundingBox(Render(&button), area, IsDark);
    button.SetMargin(10);
    const QRect left = BoundingBox(Render(&button), area, IsDark);
    EXPECT_EQ(left.top(), centred.top());
    EXPECT_LT(left.left(), centred.left() - 20);
    EXPECT_LE(left.left(), 14);
    button.SetLayout(TCoolBtn::blGlyphRight);
    const QRect right = BoundingBox(Render(&button), area, IsDark);
    EXPECT_GT(right.left(), centred.left() + 20);
}

TEST(CoolBtn, DrawButtonIsRaisedAfterEachPainting) {
    TCoolBtn button;
    button.resize(50, 20);
    int calls = 0;
    QRect seen;
    QObject::connect(&button, &TCoolBtn::OnDrawButton, [&](QPainter* painter, const QRect& rect) {
        ++calls;
        seen = rect;
        painter->fillRect(QRect(0, 0, 1, 1), Qt::green); // draws on top of the finished face
    });
    const QImage image = Render(&button);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, QRect(0, 0, 50, 20));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::green));
}
