// Building the page control with its three pages and the status bar, and holding the pages while a run works.
#include <QLayout>
#include <QTabBar>
#include <QTabWidget>

#include "app/MainForm.h"
#include "app/MainFormState.h"
#include "app/OptionBinding.h"
#include "app/PageBuilder.h"

namespace app {

namespace {

using namespace build;

constexpr int kStatusBarTop = kDesignClientHeight - StatusBar::kHeight;

// Tabs drawn as buttons: raised when not chosen, pressed in when chosen. The sheet goes on the tab bar only:
// a style sheet above the pages would stop fonts set on a control from reaching the control's inner parts.
const char* const kTabsAsButtons =
    "QTabBar::tab { border: 1px solid #8a8a8a; border-radius: 3px; padding: 3px 10px; margin: 2px 1px 2px 1px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d4d0c8); }"
    "QTabBar::tab:selected { background: #c8c4bc; border-color: #5a5a5a; }";

} // namespace

void TForm1::BuildPages() {
    // The client area has no layout: its controls sit at their design places and the resizer scales them.
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    central->resize(kDesignClientWidth, kDesignClientHeight);
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->tabBar()->setStyleSheet(QString::fromLatin1(kTabsAsButtons));
    PageControl1->setGeometry(0, 0, kDesignClientWidth, kStatusBarTop);
    setCentralWidget(central);
    // The window may be made smaller than its controls: the stored placement is applied as it is.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    PageControl1->setMinimumSize(1, 1);

    // Each page builds on its sheet once every sheet is in the window, so its controls take the window's font.
    auto* TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, QStringLiteral("　リスト作成　"));
    PageControl1->addTab(TabSheet2, QStringLiteral("　　設　定　　"));
    PageControl1->addTab(TabSheet3, QStringLiteral("ファイル名変更"));
    PageControl1->setCurrentIndex(0);
    state_->list = std::make_unique<ListPage>(*this, TabSheet1, *state_->clicks);
    state_->settings = std::make_unique<SettingsPage>(*this, TabSheet2);
    state_->rename = std::make_unique<RenamePage>(*this, TabSheet3, *state_->clicks);
    BindOptionControls(this, state_->options);
    state_->status = std::make_unique<StatusBar>(central, kDesignClientWidth, kDesignClientHeight);
}

void TForm1::SetRunning(bool running) {
    state_->running = running;
    // The conversion list and its buttons, and the options (taken at the start of the run), wait for the end;
    // so does the rename run, which would share the progress bars.
    state_->list->Hold(running);
    state_->settings->Hold(running);
    state_->rename->HoldRunButton(running);
}

void TForm1::SetRenaming(bool renaming) {
    state_->renaming = renaming;
    state_->rename->Hold(renaming);
    // The conversion run's button waits too: both runs show their progress on the same bars.
    state_->list->HoldRunButton(renaming);
}

} // namespace app
