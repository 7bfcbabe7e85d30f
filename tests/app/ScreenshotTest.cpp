// Pictures of the three pages at the design client size and at one and a half times that size, for looking at the
// layout. Written only when KELVO_SCREENSHOTS names a folder; the checks on the layout run always.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QCheckBox>
#include <QFontInfo>
#include <QMenuBar>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>

#include "FormTestSupport.h"

namespace {

using namespace apptest;

void Save(QWidget& form, const QString& name) {
    const char* folder = std::getenv("KELVO_SCREENSHOTS");
    if (!folder || !*folder) return;
    const QString path = QString::fromUtf8(folder) + QLatin1Char('/') + name;
    EXPECT_TRUE(form.grab().save(path)) << path.toStdString();
}

TEST(Screenshots, ThePagesAtTheDesignSize) {
    FormEnvironment env;
    auto form = env.StartForm();
    ResizeClientArea(*form, QSize(692, 524));
    EXPECT_EQ(form->centralWidget()->size(), QSize(692, 524));
    for (int page = 0; page < 3; ++page) {
        form->PageControl1->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QWidget* sheet = form->PageControl1->widget(page);
        // The pages hold the design layout: the options page's last group ends at 472.
        EXPECT_GE(sheet->height(), 474) << page;
        EXPECT_GE(sheet->width(), 684) << page;
        ExpectNoOverlaps(sheet);
        Save(*form, QStringLiteral("page%1.png").arg(page + 1));
    }
}

TEST(Screenshots, ThePagesAtOneAndAHalfTimesTheDesignSize) {
    FormEnvironment env;
    auto form = env.StartForm();
    ResizeClientArea(*form, QSize(1038, 786));
    EXPECT_EQ(form->centralWidget()->size(), QSize(1038, 786));
    for (int page = 0; page < 3; ++page) {
        form->PageControl1->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QWidget* sheet = form->PageControl1->widget(page);
        // The options page's last group ends at 472 x 1.5 = 708.
        EXPECT_GE(sheet->height(), 710) << page;
        ExpectNoOverlaps(sheet);
        Save(*form, QStringLiteral("page%1-150.png").arg(page + 1));
    }
    ExpectNoOverlaps(form->Status().pnlStatusBar);
    // What the style draws at a fixed size grows with the text: check boxes, radio buttons, the menu bar.
    const auto* box = form->findChild<QCheckBox*>("CheckBox1");
    ASSERT_NE(box, nullptr);
    EXPECT_GE(box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box), 19);
    for (const auto* radio : form->findChildren<QRadioButton*>())
        EXPECT_GE(radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio), 19);
    EXPECT_GE(QFontInfo(form->menuBar()->font()).pixelSize(), QFontInfo(form->font()).pixelSize() * 14 / 10);
}

// At the smallest size the window takes, fonts round up against the widths: no caption of a check box or radio
// button is cut.
TEST(Screenshots, ThePagesAtTheSmallestSize) {
    FormEnvironment env;
    auto form = env.StartForm();
    form->resize(form->minimumSize());
    QCoreApplication::processEvents();
    for (int page = 0; page < 3; ++page) {
        form->PageControl1->setCurrentIndex(page);
        QCoreApplication::processEvents();
        Save(*form, QStringLiteral("page%1-min.png").arg(page + 1));
    }
    for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<const QCheckBox*>(button) && !qobject_cast<const QRadioButton*>(button)) continue;
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    }
}

} // namespace
