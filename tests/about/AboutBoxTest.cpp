// The about box: its controls at their places with their texts, the lines filled as it opens, the web-page
// link, the keys, and the modal call. With KELVO_SCREENSHOTS set it writes docs/screenshots/about.png.
#include <functional>

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "AboutTestSupport.h"
#include "TestSupport.h"
#include "about/AboutBox.h"
#include "widgets/SmoothShow.h"

using about::TForm2;
using widgets::TSmoothShow;

namespace {

std::unique_ptr<TForm2> MakeBox(const about::MachineFacts& facts = abouttest::FixedFacts()) {
    return std::make_unique<TForm2>(nullptr, [facts] { return facts; });
}

QLabel* Label(const TForm2& box, const char* name) {
    auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label;
}

// Runs the opening outline to its end by hand.
void FinishOpening(TForm2& box) {
    for (int step = 0; step < 50 && box.SmoothShow1()->Running(); ++step)
        box.SmoothShow1()->Step();
    QApplication::processEvents();
}

void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

// Runs `action` once the modal box is on the screen (after its opening outline).
void WhenShown(TForm2& box, std::function<void()> action) {
    auto* poll = new QTimer(&box);
    QObject::connect(poll, &QTimer::timeout, &box, [&box, poll, action] {
        if (!box.isVisible()) return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(5);
}

} // namespace

TEST(AboutBox, IsAFixedDialogWithItsCaption) {
    auto box = MakeBox();
    EXPECT_EQ(box->windowTitle(), "About Kelvo");
    EXPECT_EQ(box->size(), QSize(436, 189));
    EXPECT_EQ(box->minimumSize(), box->maximumSize());
    const Qt::WindowFlags flags = box->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(box->isVisible()); // made hidden; shown only on request

    TSmoothShow* show = box->findChild<TSmoothShow*>("SmoothShow1");
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(show, box->SmoothShow1());
    EXPECT_EQ(show->MinLocation(), TSmoothShow::mlTopLeft);
    EXPECT_EQ(show->Delay(), 50);
    EXPECT_EQ(show->BorderWidth(), 1);
    EXPECT_EQ(show->Color(), QColor(Qt::black));
}

TEST(AboutBox, ControlsStandAtTheirBoundsWithTheirTexts) {
    auto box = MakeBox();
    struct Fixed {
        const char* name;
        QRect bounds;
        const char* text;
    };
    const Fixed fixed[] = {
        {"Label1", QRect(124, 12, 220, 36),
         "Kelvo for Windows 9x/Me/NT4.0/2000/XP\nVersion 1.2 [Build 252]\nCopyright (C) Morrowdene"},
        {"lblMemory", QRect(231, 93, 187, 12), ""},
        {"lblCPU", QRect(231, 109, 187, 12), ""},
        {"lblOS", QRect(231, 125, 187, 24), ""},
    };
    for (const Fixed& f : fixed) {
        QLabel* label = Label(*box, f.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), f.bounds) << f.name;
        EXPECT_EQ(label->text(), QString::fromUtf8(f.text)) << f.name;
    }
    // The address stands at its design bounds (183, 59, 210 x 12), but never touching its caption: where the
    // face draws "Web page:" wider, it starts after it and keeps its right edge.
    const QLabel* url = Label(*box, "lblURL");
    const QLabel* caption = Label(*box, "Label8");
    ASSERT_NE(url, nullptr);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(url->text(), QString::fromLatin1(about::kWebPage));
    EXPECT_EQ(url->geometry().left(), std::max(183, caption->geometry().right() + 6));
    EXPECT_EQ(url->geometry().right(), QRect(183, 59, 210, 12).right());
    EXPECT_EQ(url->geometry().top(), 59);
    EXPECT_EQ(url->geometry().height(), 12);
    struct Sized {
        const char* name;
        QPoint place;
        QString text;
    };
    const Sized sized[] = {
        {"Label8", QPoint(124, 59), "Web page:"},
        {"Label2", QPoint(129, 93), "Physical memory:"},
        {"Label3", QPoint(129, 109), "Processor:"},
        {"Label4", QPoint(129, 125), "Platform:"},
    };
    for (const Sized& s : sized) {
        QLabel* label = Label(*box, s.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), s.place) << s.name;
        EXPECT_EQ(label->text(), s.text) << s.name;
        // Sized to its text, and inside the box.
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(s.text)) << s.name;
        EXPECT_LE(label->geometry().right(), 435) << s.name;
    }

    // The support line ends where the separator lines end, its whole text inside.
    QLabel* mail = Label(*box, "Label5");
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->text(), QString("E-mail Technical Support: ") + about::kSupportAddress);
    EXPECT_EQ(mail->geometry(), QRect(124, 165, 299, 14));
    EXPECT_LE(mail->fontMetrics().horizontalAdvance(mail->text()), mail->width());

    auto* button = box->findChild<QPushButton*>("Button1");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(354, 11, 70, 22));
    EXPECT_EQ(button->text(), "&OK");
    EXPECT_TRUE(button->isDefault());

    for (const char* name : {"Panel1", "Panel2"}) {
        auto* line = box->findChild<QWidget*>(name);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->geometry(), QRect(124, std::string(name) == "Panel1" ? 85 : 154, 299, 2)) << name;
    }

    QLabel* image = Label(*box, "Image1");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->geometry(), QRect(12, 12, 100, 80));
    EXPECT_EQ(image->pixmap().size(), QSize(100, 80));
}

TEST(AboutBox, TheLinkLooksLikeALinkAndOpensTheWebPage) {
    auto box = MakeBox();
    std::vector<QUrl> opened;
    box->OpenUrlHook = [&opened](const QUrl& url) { opened.push_back(url); };
    QLabel* link = Label(*box, "lblURL");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(link->toolTip().isEmpty());

    const QPointF inside(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, inside, link->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, link->mapToGlobal(inside), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(link, &press);
    QApplication::sendEvent(link, &release);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(about::kWebPage)));

    // The address is the fixed one, whatever the label shows; a right click opens nothing.
    link->setText("changed");
    QMouseEvent right(QEvent::MouseButtonRelease, inside, link->mapToGlobal(inside), Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(link, &right);
    box->lblURLClick();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], QUrl(QString::fromLatin1(about::kWebPage)));
}

TEST(AboutBox, ShowingRunsTheOutlineAndFillsTheThreeLines) {
    auto box = MakeBox();
    box->show();
    EXPECT_TRUE(box->SmoothShow1()->Running());
    EXPECT_FALSE(box->SmoothShow1()->Reverse());
    EXPECT_EQ(Label(*box, "lblMemory")->text(), "524 Megabytes");
    EXPECT_EQ(Label(*box, "lblCPU")->text(), "Unknown, 2Processor(s)");
    EXPECT_EQ(Label(*box, "lblOS")->text(), "Linux\nVersion 6.1");
    FinishOpening(*box);
    EXPECT_FALSE(box->SmoothShow1()->Running());
    EXPECT_TRUE(box->mask().isEmpty()); // whole again
    box->hide();
}

TEST(AboutBox, FixedLabelsShowTheirWholeTextInsideTheirBounds) {
    about::MachineFacts facts = abouttest::FixedFacts();
    facts.totalPhysBytes = 1099511627776ull; // 1 TiB
    facts.machine = "x86_64";
    facts.processorCount = 128;
    auto box = MakeBox(facts);
    box->show();
    FinishOpening(*box);
    EXPECT_EQ(Label(*box, "lblMemory")->text(), "1073741 Megabytes");
    const int designSize = QFontInfo(box->font()).pixelSize();
    for (const char* name : {"Label1", "lblURL", "lblMemory", "lblCPU", "lblOS"}) {
        QLabel* label = Label(*box, name);
        ASSERT_NE(label, nullptr);
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000),
                                                               Qt::AlignLeft | Qt::AlignTop, label->text());
        EXPECT_LE(needed.width(), label->width()) << name;
        EXPECT_LE(needed.height(), label->height()) << name;
        EXPECT_LE(QFontInfo(label->font()).pixelSize(), designSize) << name;
        EXPECT_GE(QFontInfo(label->font()).pixelSize(), 8) << name;
    }
    box->hide();
}

TEST(AboutBox, MemoryIsReadAfreshAtEveryShowingProcessorFactsOnce) {
    auto facts = std::make_shared<about::MachineFacts>(abouttest::FixedFacts());
    facts->machine = "x86_64";
    facts->processorCount = 1;
    TForm2 box(nullptr, [facts] { return *facts; });
    box.show();
    FinishOpening(box);
    EXPECT_EQ(Label(box, "lblMemory")->text(), "524 Megabytes");
    EXPECT_EQ(Label(box, "lblCPU")->text(), "Pentium, 1Processor(s)");
    box.hide();

    facts->totalPhysBytes = 25769803776ull; // 24 GiB
    facts->processorCount = 8;
    box.show();
    FinishOpening(box);
    EXPECT_EQ(Label(box, "lblMemory")->text(), "25165 Megabytes");
    EXPECT_EQ(Label(box, "lblCPU")->text(), "Pentium, 1Processor(s)");
    box.hide();
}

TEST(AboutBox, ShowModalIsCentredAndEnterPressesOkButEscapeDoesNot) {
    auto box = MakeBox();
    bool stillOpenAfterEscape = false;
    QPoint centre;
    WhenShown(*box, [&] {
        centre = box->frameGeometry().center();
        SendKey(box.get(), Qt::Key_Escape);
        QApplication::processEvents();
        stillOpenAfterEscape = box->isVisible();
        SendKey(box->focusWidget() != nullptr ? box->focusWidget() : box.get(), Qt::Key_Return);
    });
    QTimer::singleShot(3000, box.get(), [&] { box->done(-1); }); // a guard, should the keys not work
    const int result = box->ShowModal();
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(box->isVisible());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QPoint expected = screen->availableGeometry().center();
    EXPECT_LE((centre - expected).manhattanLength(), 2)
        << centre.x() << "," << centre.y() << " " << expected.x() << "," << expected.y() << " "
        << box->frameGeometry().x() << "," << box->frameGeometry().y() << " " << box->geometry().x() << ","
        << box->geometry().y();
}

TEST(AboutBox, OkClosesTheBoxAndItOpensAgain) {
    auto box = MakeBox();
    for (int round = 0; round < 2; ++round) {
        WhenShown(*box, [&] { box->findChild<QPushButton*>("Button1")->click(); });
        QTimer::singleShot(3000, box.get(), [&] { box->done(-1); });
        EXPECT_EQ(box->ShowModal(), QDialog::Accepted) << round;
    }
}

TEST(AboutBox, Screenshot) {
    if (std::getenv("KELVO_SCREENSHOTS") == nullptr)
        GTEST_SKIP() << "set KELVO_SCREENSHOTS to write docs/screenshots/about.png";
    TForm2 box(nullptr); // this machine's own facts
    box.show();
    FinishOpening(box);
    QApplication::processEvents();
    const QImage shot = box.grab().toImage();
    EXPECT_EQ(shot.size() / shot.devicePixelRatio(), QSize(436, 189));
    const auto path = testsupport::DataDir().parent_path() / "docs" / "screenshots" / "about.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(path.string())));
    box.hide();
}
