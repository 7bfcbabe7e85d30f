// The rename run from the rename page's "変換実行": every file of the rename list is copied into the output folder
// under its generated name, and each copy is listed in the destination list. The run reports to the window
// through an observer; the rename list and the page's buttons wait while it works.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QProgressBar>

#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "app/RenamePage.h"
#include "rename/RenameRun.h"

namespace app {

namespace {

class WindowRenameObserver : public renaming::RenameObserver {
public:
    explicit WindowRenameObserver(TForm1& form) : form_(form) {}

    void OverallRange(int maximum) override {
        // An empty list keeps a plain empty bar (a 0..0 range would draw a busy indicator).
        form_.Status().ProgressBar2->setRange(0, std::max(maximum, 1));
        form_.Status().ProgressBar2->setValue(0);
    }
    void OverallPosition(int position) override { form_.Status().ProgressBar2->setValue(position); }
    void FileProgress(int percent) override { form_.Status().ProgressBar1->setValue(percent); }
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    void DestinationAdded(const std::string& path) override { form_.DestinationList().Append(path); }

private:
    TForm1& form_;
};

} // namespace

void RenamePage::CoolBtn5Click() {
    if (form_.Renaming() || form_.Running()) return;
    form_.SetRenaming(true);
    struct EndRun {
        TForm1& form;
        TPanel& caption;
        ~EndRun() {
            form.SetRenaming(false);
            form.Status().ProgressBar1->setValue(0);
            caption.setText(QString::fromStdString(renaming::DestinationCountCaption(form.DestinationList().Count())));
        }
    } endRun{form_, *Panel5};

    WindowRenameObserver observer(form_);
    renaming::RenameRun run(renaming::RenamePageRule(form_.Options()), observer);
    run.Run(form_.RenameList().Items());
}

} // namespace app
