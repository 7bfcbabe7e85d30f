// Pictures of the three pages at the design client size, for looking at the layout. Written only when
// KELVO_SCREENSHOTS names a folder; the checks on the layout run always.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>

#include "FormTestSupport.h"

namespace {

using namespace apptest;

// Every visible child of `page` lies inside the page and no two visible siblings overlap, except where one
// contains the other's parent (labels inside group boxes are children of the groups).
void ExpectNoOverlaps(QWidget* parent) {
    std::vector<QWidget*> children;
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isHidden() && !child->isWindow()) children.push_back(child);
    }
    for (QWidget* child : children) {
        EXPECT_TRUE(parent->rect().contains(child->geometry()))
            << child->objectName().toStdString() << " leaves " << parent->objectName().toStdString();
        ExpectNoOverlaps(child);
    }
    // Composite widgets (spin edits, combos, sliders) are checked as wholes, not by their parts.
    if (parent->inherits("app::TSpinEdit") || parent->inherits("QComboBox") || parent->inherits("QAbstractSlider"))
        return;
    for (std::size_t i = 0; i < children.size(); ++i)
        for (std::size_t j = i + 1; j < children.size(); ++j)
            EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
                << children[i]->objectName().toStdString() << " overlaps " << children[j]->objectName().toStdString();
}

TEST(Screenshots, ThePagesAtTheDesignSize) {
    FormEnvironment env;
    auto form = env.StartForm();
    form->resize(app::TForm1::kDesignClientWidth, app::TForm1::kDesignClientHeight + form->menuBar()->height());
    QCoreApplication::processEvents();
    EXPECT_EQ(form->centralWidget()->size(), QSize(692, 524));
    const char* folder = std::getenv("KELVO_SCREENSHOTS");
    for (int page = 0; page < 3; ++page) {
        form->PageControl1->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QWidget* sheet = form->PageControl1->widget(page);
        // The pages hold the design layout: the options page's last group ends at 472.
        EXPECT_GE(sheet->height(), 474) << page;
        EXPECT_GE(sheet->width(), 684) << page;
        ExpectNoOverlaps(sheet);
        if (folder && *folder) {
            const QString path = QString::fromUtf8(folder) + QStringLiteral("/page%1.png").arg(page + 1);
            EXPECT_TRUE(form->grab().save(path)) << path.toStdString();
        }
    }
}

}  // namespace
