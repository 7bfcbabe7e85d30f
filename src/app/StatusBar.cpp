#include "app/StatusBar.h"

#include <algorithm>

#include <QProgressBar>

#include "app/PageBuilder.h"

namespace app {

namespace {
constexpr int kProgressWidth = 100;
} // namespace

StatusBar::StatusBar(QWidget* client, int clientWidth, int clientHeight) {
    pnlStatusBar = new QWidget(client);
    pnlStatusBar->setObjectName(QStringLiteral("pnlStatusBar"));
    pnlStatusBar->setGeometry(0, clientHeight - kHeight, clientWidth, kHeight);
    // The text panel fills the width left of the two bars; ProgressBar1 is at the right edge.
    const int textWidth = clientWidth - 2 * kProgressWidth;
    Panel3 = build::CaptionPanel(pnlStatusBar, "Panel3", "F1キーでヘルプが表示されます", 0, 0, textWidth, kHeight);
    int left = textWidth;
    for (QProgressBar** bar : {&ProgressBar2, &ProgressBar1}) {
        *bar = new QProgressBar(pnlStatusBar);
        (*bar)->setObjectName(bar == &ProgressBar1 ? QStringLiteral("ProgressBar1") : QStringLiteral("ProgressBar2"));
        (*bar)->setGeometry(left, 0, kProgressWidth, kHeight);
        (*bar)->setRange(0, 100);
        (*bar)->setValue(0);
        (*bar)->setTextVisible(false);
        left += kProgressWidth;
    }
}

void StatusBar::KeepToBottom(int clientWidth, int clientHeight) {
    const int barHeight = pnlStatusBar->height();
    pnlStatusBar->setGeometry(0, clientHeight - barHeight, clientWidth, barHeight);
    // Inside: ProgressBar1 at the right edge, ProgressBar2 left of it, the text panel the rest.
    int right = clientWidth;
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        right -= bar->width();
        bar->setGeometry(right, 0, bar->width(), barHeight);
    }
    Panel3->setGeometry(0, 0, std::max(right, 0), barHeight);
}

} // namespace app
