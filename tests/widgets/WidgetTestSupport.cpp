#include "WidgetTestSupport.h"

#include <QApplication>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

namespace widgettest {

QImage Render(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

QRect BoundingBox(const QImage& image, const QRect& area, const std::function<bool(QColor)>& match) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixelColor(x, y))) box = box.united(QRect(x, y, 1, 1));
    return box;
}

bool IsDark(QColor colour) {
    return colour.red() < 80 && colour.green() < 80 && colour.blue() < 80;
}

QFont DesignFont() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(9);
    return font;
}

namespace {

// One application object for the whole test binary.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_widgets";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setFont(DesignFont());
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

} // namespace widgettest
