// The preview's result view: the toggle, and the requests that follow the selection and the options.
#include <algorithm>

#include <QAction>
#include <QKeySequence>
#include <QTimer>

#include "app/Ik5Disp.h"
#include "app/ListClicks.h"
#include "app/ListPage.h"
#include "app/MainForm.h"
#include "app/Placement.h"
#include "app/ResultView.h"
#include "convert/RunOptions.h"
#include "convert/SourceCheck.h"
#include "app/PageBuilder.h"

namespace app {

void ListPage::MakeResultView() {
    ShowResult = new QAction(QStringLiteral("変換後を表示(&R)"), &form_);
    ShowResult->setObjectName(QStringLiteral("ShowResult"));
    ShowResult->setCheckable(true);
    ShowResult->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    form_.addAction(ShowResult); // the shortcut works on every page
    Ik5Disp1->setContextMenuPolicy(Qt::ActionsContextMenu);
    Ik5Disp1->addAction(ShowResult);
    resultView_ = std::make_unique<ResultView>(this, [this](const QImage& picture, const QString& caption) {
        if (!ShowResult->isChecked() || form_.Running()) return;
        resultPending_->stop();
        if (picture.isNull()) {
            Ik5Disp1->Action = TIk5Disp::kClear;
            Ik5Disp1->Execute();
        } else {
            Ik5Disp1->ShowPicture(picture);
        }
        Panel2->setText(QStringLiteral(" ") + (caption.isEmpty() ? QStringLiteral("プレビュー") : caption));
    });
    // A result of the entry shown, made again for changed options, is marked as being made only when it takes
    // a moment: quick ones replace the picture without a flicker.
    resultPending_ = new QTimer(this);
    resultPending_->setSingleShot(true);
    resultPending_->setInterval(250);
    connect(resultPending_, &QTimer::timeout, this, [this] { ShowResultPending(); });
    // Either view shows the selection again when the toggle changes; the result follows every option.
    connect(ShowResult, &QAction::toggled, this, [this](bool) {
        resultSource_.clear(); // the view shows the source now, not a result
        form_.Guarded([this] { ListBox1Click(); });
    });
    rules_.push_back(form_.Options().SubscribeAll([this](const std::string&) {
        if (ShowResult->isChecked()) RequestResult();
    }));
    ShowResult->setChecked(ReadShowResult());
}

void ListPage::RequestResult() {
    if (form_.Running()) return;
    std::vector<int> rows = SelectedRows(ListBox1);
    std::sort(rows.begin(), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= form_.ConversionList().Count()) continue;
        const std::string path = form_.ConversionList().At(row);
        if (convert::IsGifOrTiff(path)) continue;
        resultView_->Request(convert::CaptureRunOptions(form_.Options(), form_.ProgramFolder()), path);
        // Another entry: what is shown is not its result, which is said at once.
        if (path != resultSource_) {
            resultSource_ = path;
            ShowResultPending();
        } else if (!resultPending_->isActive() && !Ik5Disp1->IsDimmed()) {
            resultPending_->start();
        }
        return;
    }
    resultPending_->stop();
    resultSource_.clear();
    resultView_->Cancel();
    Ik5Disp1->Action = TIk5Disp::kClear;
    Ik5Disp1->Execute();
}

void ListPage::ShowResultPending() {
    Panel2->setText(QStringLiteral(" 変換中…"));
    Ik5Disp1->SetDimmed(true);
}

} // namespace app
