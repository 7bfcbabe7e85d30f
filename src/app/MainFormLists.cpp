// The list handlers: adding through the dialogs, deleting, clearing, sorting, dropping, and the preview of the
// conversion list's selection.
#include <algorithm>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QListView>
#include <QMimeData>
#include <QProgressBar>
#include <QTabWidget>
#include <QUrl>

#include "app/Ik5Disp.h"
#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/Preview.h"
#include "sources/DropRules.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace app {

void TForm1::Button1Click() {
    if (running_) return;
    const std::vector<std::string> chosen = dialogs_->OpenPictures(this, PictureRequest(true));
    if (!chosen.empty()) conversionList_.AppendMany(chosen);
}

void TForm1::Delete1Click() {
    if (running_) return;
    ListClicks::Quiet quiet(*clicks_);
    conversionList_.DeleteIndices(SelectedRows(ListBox1));
}

void TForm1::Button3Click() {
    if (running_) return;
    ListClicks::Quiet quiet(*clicks_);
    conversionList_.Clear();
    preview_->Blank();
}

void TForm1::PopupMenu1Popup() {
    Delete1->setEnabled(conversionList_.Count() > 0 && !running_);
}

void TForm1::ListBox1Click() {
    // The run works with the same file component and display; the preview waits until it ends.
    if (running_) return;
    if (ShowResult->isChecked()) return RequestResult();
    if (auto line = preview_->ListBox1Click(SelectedRows(ListBox1))) Panel2->setText(QString::fromStdString(*line));
}

void TForm1::HandleDroppedFiles(const std::vector<std::string>& names) {
    const auto page = static_cast<sources::Page>(PageControl1->currentIndex());
    // During a run its list stays as it is: the first two pages take no drops during a conversion, the rename
    // page none during a rename.
    if (running_ && page != sources::Page::Rename) return;
    if (renaming_ && page == sources::Page::Rename) return;
    ListClicks::Quiet quiet(*clicks_);
    sources::HandleDroppedFiles(page, names, conversionList_, renameList_);
}

void TForm1::OpenFilesInList(const std::vector<std::string>& names) {
    ListClicks::Quiet quiet(*clicks_);
    sources::HandleDroppedFiles(sources::Page::List, names, conversionList_, renameList_);
}

std::vector<std::string> DroppedPaths(const QMimeData& data) {
    std::vector<std::string> names;
    // The URI list as the drag source wrote it: its percent-encoded bytes are the names' own bytes, whatever
    // their encoding (QUrl would read them as UTF-8 and replace what is not).
    const QByteArray list = data.data(QStringLiteral("text/uri-list"));
    if (!list.isEmpty()) {
        for (QByteArray line : list.split('\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith('#') || !line.toLower().startsWith("file://")) continue;
            QByteArray path = line.mid(7);
            const qsizetype slash = path.indexOf('/'); // after an empty host or "localhost"
            if (slash < 0) continue;
            const QByteArray host = path.left(slash);
            if (!host.isEmpty() && host.toLower() != "localhost") continue;
            path = QByteArray::fromPercentEncoding(path.mid(slash));
            if (!path.isEmpty()) names.emplace_back(path.constData(), std::size_t(path.size()));
        }
        return names;
    }
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) names.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return names;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const std::vector<std::string> names = DroppedPaths(*event->mimeData());
    if (names.empty()) return;
    event->acceptProposedAction();
    Guarded([&] { HandleDroppedFiles(names); });
}

} // namespace app
