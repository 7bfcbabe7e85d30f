// A sample page of gradient buttons at the design size and at one and a half times through the resizer.
// With KELVO_SCREENSHOTS set it writes docs/screenshots/widgets-buttons.png.
#include <QPainter>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WidgetTestSupport.h"
#include "widgets/CoolBtn.h"
#include "widgets/FormResizer.h"

using widgets::TCoolBtn;

namespace {

TCoolBtn* AddButton(QWidget* page, const QString& caption, const QRect& geometry, bool elliptical) {
    auto* button = new TCoolBtn(caption, page);
    button->setObjectName(caption);
    button->SetColorStart(QColor(255, 255, 255));
    button->SetColorEnd(QColor(192, 192, 192));
    button->SetGradientDirection(TCoolBtn::gdVertical);
    TCoolBtn::TCoolOptions options = TCoolBtn::ocPaintGradiently;
    if (elliptical) options |= TCoolBtn::ocRoundedForm;
    button->SetOptions(options);
    button->setGeometry(geometry);
    return button;
}

} // namespace

TEST(Screenshot, SampleButtonsScaleAndKeepTheirFaces) {
    QWidget page;
    page.setFont(widgettest::DesignFont());
    page.resize(460, 150);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, QColor(212, 208, 200));
    page.setPalette(palette);
    TCoolBtn* load = AddButton(&page, "ファイル読込", QRect(20, 12, 93, 49), true);
    AddButton(&page, "変換実行", QRect(160, 12, 93, 49), true);
    AddButton(&page, "リスト消去", QRect(300, 12, 93, 49), true);
    TCoolBtn* folder = AddButton(&page, "参照...", QRect(20, 100, 105, 25), false);
    AddButton(&page, "フォント...", QRect(160, 100, 105, 25), false);
    AddButton(&page, "色の選択...", QRect(300, 100, 105, 25), false);
    folder->setDefault(true);
    widgets::TFormResizer resizer(&page);
    resizer.SetResizeFonts(true);
    resizer.CaptureDesignLayout();

    const QImage design = widgettest::Render(&page);
    page.resize(690, 225);
    resizer.ScaleToCurrentSize();
    const QImage scaled = widgettest::Render(&page);

    EXPECT_EQ(load->geometry(), QRect(30, 18, 140, 74)); // 139.5 and 73.5 round to even
    EXPECT_EQ(folder->geometry(), QRect(30, 150, 158, 38));
    EXPECT_EQ(load->font().pointSize(), 14); // round(13.5)
    // The page shows in the scaled button's corners; its face still runs from light at the top to dark below.
    EXPECT_EQ(scaled.pixelColor(load->x() + 1, load->y() + 1), QColor(212, 208, 200));
    const int x = load->x() + load->width() / 2 + 20;
    const QColor high = scaled.pixelColor(x, load->y() + 4);
    const QColor low = scaled.pixelColor(x, load->y() + load->height() - 5);
    EXPECT_GE(high.red(), 250);
    EXPECT_LE(low.red(), 197);
    EXPECT_GE(low.red(), 193);

    if (std::getenv("KELVO_SCREENSHOTS") == nullptr) return;
    QImage sheet(scaled.width() + 20, design.height() + scaled.height() + 30, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.drawImage(10, 10, design);
    painter.drawImage(10, design.height() + 20, scaled);
    painter.end();
    const auto path = testsupport::DataDir().parent_path() / "docs" / "screenshots" / "widgets-buttons.png";
    ASSERT_TRUE(sheet.save(QString::fromStdString(path.string())));
}
