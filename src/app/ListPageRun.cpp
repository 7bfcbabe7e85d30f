// The conversion run from the button "変換実行": the run reports to the window through an observer, and the
// window keeps the parts the run depends on still while it works.
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QProgressBar>

#include "app/Ik5Disp.h"
#include "app/ListPage.h"
#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "app/NamingStages.h"
#include "convert/RunDriver.h"
#include "widgets/TrayIcon.h"

namespace app {

namespace {

// Shows a run's progress on the window.
class WindowRunObserver : public convert::RunObserver {
public:
    WindowRunObserver(TForm1& form, ListPage& page) : form_(form), page_(page) {}

    void OverallRange(int maximum) override {
        // An empty list keeps a plain empty bar (a 0..0 range would draw a busy indicator).
        form_.Status().ProgressBar2->setRange(0, std::max(maximum, 1));
    }
    void OverallPosition(int position) override { form_.Status().ProgressBar2->setValue(position); }
    void FileProgress(int percent) override { form_.Status().ProgressBar1->setValue(percent); }
    void TrayProgress(int frame, const std::string& hint, int, int) override {
        widgets::TrayProgress(*form_.RxTrayIcon1, frame, hint);
    }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    void PanelCaption(const std::string& text) override { page_.Panel2->setText(QString::fromStdString(text)); }
    void ShowPreview(imaging::Handle image) override {
        TIk5Disp& display = *page_.Ik5Disp1;
        display.Action = TIk5Disp::kClear;
        display.Execute();
        display.ImgHandle = image;
        display.Action = TIk5Disp::kShow;
        display.Execute();
        display.Redraw();
    }
    void RemoveTray() override { widgets::TrayRemove(*form_.RxTrayIcon1); }
    void Beep() override { QApplication::beep(); }

private:
    TForm1& form_;
    ListPage& page_;
};

} // namespace

void ListPage::StopButtonClick() {
    // Nothing more is published; the conversions in flight are called off and their unnamed outputs vanish. As
    // for any stop, the end-of-run steps do not follow.
    if (activeRun_) activeRun_->RequestStop();
}

void ListPage::AbandonRun() {
    StopButtonClick();
}

void ListPage::Button2Click() {
    if (form_.Running() || form_.Renaming()) return;
    form_.SetRunning(true);
    struct EndRun {
        TForm1& form;
        convert::RunDriver*& activeRun;
        ~EndRun() {
            activeRun = nullptr;
            form.SetRunning(false);
        }
    } endRun{form_, activeRun_};

    WindowRunObserver observer(form_, *this);
    // Every core converts; the observer still sees the entries one after another, in list order.
    convert::RunDriver run(form_.Components(), convert::CaptureRunOptions(form_.Options(), form_.ProgramFolder()),
                           convert::RunMode::Window, observer, [] { return std::make_unique<NamingStages>(); });
    activeRun_ = &run;
    run.Run(form_.ConversionList().Items());
}

} // namespace app
