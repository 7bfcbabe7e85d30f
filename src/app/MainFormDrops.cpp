// Files dropped onto the window, and files given to it when it opens: the page showing decides which list they
// join.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/MainFormState.h"
#include "sources/DropRules.h"
#include "sources/PathNamesLong.h"

namespace app {

void TForm1::HandleDroppedFiles(const std::vector<std::string>& names) {
    const auto page = static_cast<sources::Page>(PageControl1->currentIndex());
    // During a run its list stays as it is: the first two pages take no drops during a conversion, the rename
    // page none during a rename.
    if (state_->running && page != sources::Page::Rename) return;
    if (state_->renaming && page == sources::Page::Rename) return;
    ListClicks::Quiet quiet(*state_->clicks);
    sources::HandleDroppedFiles(page, names, state_->conversionList, state_->renameList);
}

void TForm1::OpenFilesInList(const std::vector<std::string>& names) {
    ListClicks::Quiet quiet(*state_->clicks);
    // Names relative to where the program was started are listed (and reported) as full paths.
    std::vector<std::string> absolute;
    for (const std::string& name : names)
        absolute.push_back(sources::AbsolutePath(name));
    sources::HandleDroppedFiles(sources::Page::List, absolute, state_->conversionList, state_->renameList);
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
