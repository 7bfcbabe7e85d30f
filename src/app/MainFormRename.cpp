// The rename run from the rename page's "変換実行": every file of the rename list is copied into the output folder
// under its generated name, and each copy is listed in the destination list. The run reports to the window
// through an observer; the rename list and the page's buttons wait while it works.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QProgressBar>

#include "app/MainForm.h"
#include "rename/RenameRun.h"

namespace app {

namespace {

class WindowRenameObserver : public renaming::RenameObserver {
public:
    explicit WindowRenameObserver(TForm1& form) : form_(form) {}

    void OverallRange(int maximum) override {
        // An empty list keeps a plain empty bar (a 0..0 range would draw a busy indicator).
        form_.ProgressBar2->setRange(0, std::max(maximum, 1));
        form_.ProgressBar2->setValue(0);
    }
    void OverallPosition(int position) override { form_.ProgressBar2->setValue(position); }
    void FileProgress(int percent) override { form_.ProgressBar1->setValue(percent); }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    void DestinationAdded(const std::string& path) override { form_.DestinationList().Append(path); }

private:
    TForm1& form_;
};

} // namespace

void TForm1::SetRenaming(bool renaming) {
    renaming_ = renaming;
    // The conversion run's button waits too: both runs show their progress on the same bars.
    for (QWidget* w :
         {static_cast<QWidget*>(ListBox2), static_cast<QWidget*>(CoolBtn4), static_cast<QWidget*>(CoolBtn5),
          static_cast<QWidget*>(CoolBtn6), static_cast<QWidget*>(CoolBtn7), static_cast<QWidget*>(Button2)})
        w->setEnabled(!renaming);
    A1->setEnabled(!renaming);
    D1->setEnabled(!renaming);
}

void TForm1::CoolBtn5Click() {
    if (renaming_ || running_) return;
    SetRenaming(true);
    struct EndRun {
        TForm1& form;
        ~EndRun() {
            form.SetRenaming(false);
            form.ProgressBar1->setValue(0);
            form.Panel5->setText(
                QString::fromStdString(renaming::DestinationCountCaption(form.DestinationList().Count())));
        }
    } endRun{*this};

    WindowRenameObserver observer(*this);
    renaming::RenameRun run(renaming::RenamePageRule(options_), observer);
    run.Run(renameList_.Items());
}

} // namespace app
