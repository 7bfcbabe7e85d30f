// The conversion run from the button "変換実行": the run reports to the window through an observer, and the
// window keeps the parts the run depends on still while it works.
#include <QAction>
#include <QApplication>
#include <QListView>
#include <QProgressBar>

#include "app/Ik5Disp.h"
#include "app/MainForm.h"
#include "app/NamingStages.h"
#include "convert/ParallelRun.h"
#include "widgets/TrayIcon.h"

namespace app {

namespace {

// Thrown out of the run between two files when the window was closed meanwhile.
struct RunAbandoned {};

// Shows a run's progress on the window.
class WindowRunObserver : public convert::RunObserver {
public:
    WindowRunObserver(TForm1& form, const bool& abandon) : form_(form), abandon_(abandon) {}

    void OverallRange(int maximum) override {
        // An empty list keeps a plain empty bar (a 0..0 range would draw a busy indicator).
        form_.ProgressBar2->setRange(0, std::max(maximum, 1));
    }
    void OverallPosition(int position) override { form_.ProgressBar2->setValue(position); }
    void FileProgress(int percent) override { form_.ProgressBar1->setValue(percent); }
    void TrayProgress(int frame, const std::string& hint, int, int) override {
        widgets::TrayProgress(*form_.RxTrayIcon1, frame, hint);
    }
    void ProcessMessages() override {
        QCoreApplication::processEvents();
        if (abandon_) throw RunAbandoned{};
    }
    void PanelCaption(const std::string& text) override { form_.Panel2->setText(QString::fromStdString(text)); }
    void ShowPreview(imaging::Handle image) override {
        TIk5Disp& display = *form_.Ik5Disp1;
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
    const bool& abandon_;
};

} // namespace

void TForm1::SetRunning(bool running) {
    running_ = running;
    // The conversion list and its buttons, and the options (taken at the start of the run), wait for the end;
    // so does the rename run, which would share the progress bars.
    for (QWidget* w : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Button1), static_cast<QWidget*>(Button2),
                       static_cast<QWidget*>(Button3)})
        w->setEnabled(!running);
    settings_->Hold(running);
    rename_->HoldRunButton(running);
    N4->setEnabled(!running);
    StopButton->setEnabled(running);
}

void TForm1::StopButtonClick() {
    // The files being converted are finished and saved; no later entry is started, and as for any stop the
    // end-of-run steps do not follow.
    if (activeRun_) activeRun_->RequestStop();
}

void TForm1::Button2Click() {
    if (running_ || renaming_) return;
    SetRunning(true);
    closedDuringRun_ = false;
    struct EndRun {
        TForm1& form;
        ~EndRun() {
            form.activeRun_ = nullptr;
            form.SetRunning(false);
        }
    } endRun{*this};

    WindowRunObserver observer(*this, closedDuringRun_);
    // Every core converts; the observer still sees the entries one after another, in list order.
    convert::ParallelRun run(components_, convert::CaptureRunOptions(options_, programFolder_),
                             convert::RunMode::Window, observer, [] { return std::make_unique<NamingStages>(); });
    activeRun_ = &run;
    try {
        run.Run(conversionList_.Items());
    } catch (const RunAbandoned&) {
        // The window was closed; the settings are saved already and nothing else is left to do.
    }
}

} // namespace app
