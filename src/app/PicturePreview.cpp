#include "app/PicturePreview.h"

#include <dirent.h>
#include <sys/stat.h>

#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include <QCoreApplication>
#include <QFileDialog>
#include <QFile>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPointer>
#include <QThreadPool>
#include <QVBoxLayout>

#include "app/NativePath.h"
#include "app/PictureLoad.h"
#include "sources/PathNames.h"

namespace app {

namespace {

constexpr int kPaneSize = 180;

struct Picture {
    QImage image; // null when the file cannot be read
    QString sizeText;
};

// The image at `file`, scaled for the pane, and its size text.
Picture LoadPreview(const std::string& file) {
    if (!sources::IsImageFileName(file)) return {};
    try {
        // Decoded at reduced scale where the format allows (a large JPEG at an eighth): the pane is small.
        const LoadedPicture loaded = LoadPicture(file, QSize(kPaneSize, kPaneSize));
        return {loaded.image.scaled(kPaneSize - 4, kPaneSize - 4, Qt::KeepAspectRatio, Qt::SmoothTransformation),
                QStringLiteral("%1 x %2").arg(loaded.width).arg(loaded.height)};
    } catch (const std::exception&) {
        return {};
    }
}

// Decodes on a pool thread, one file at a time, so the dialog never waits for a large picture. While one
// decode runs, only the newest request is kept (holding an arrow key queues nothing), and the pane shows
// a picture only when it is the one asked for last. The pane may close during a decode: the result then
// finds no labels and is dropped.
class PreviewLoader : public std::enable_shared_from_this<PreviewLoader> {
public:
    PreviewLoader(QLabel* picture, QLabel* size) : picture_(picture), size_(size) {}

    void Request(const std::string& file) {
        std::lock_guard lock(mutex_);
        wanted_ = file;
        if (busy_) return;
        busy_ = true;
        StartLocked();
    }

private:
    void StartLocked() {
        const std::string file = *wanted_;
        wanted_.reset();
        auto self = shared_from_this();
        QThreadPool::globalInstance()->start([self, file] { self->Finished(LoadPreview(file)); });
    }

    void Finished(Picture picture) {
        {
            std::lock_guard lock(mutex_);
            if (wanted_) { // superseded while it decoded: the newer one goes next, this one is dropped
                StartLocked();
                return;
            }
            busy_ = false;
        }
        // The labels belong to the window's thread: they are looked at (and may be gone) only there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self = shared_from_this(), picture = std::move(picture)] {
                if (!self->picture_ || !self->size_) return;
                if (picture.image.isNull()) {
                    self->picture_->clear();
                    self->size_->clear();
                    return;
                }
                self->picture_->setPixmap(QPixmap::fromImage(picture.image));
                self->size_->setText(picture.sizeText);
            },
            Qt::QueuedConnection);
    }

    QPointer<QLabel> picture_;
    QPointer<QLabel> size_;
    std::mutex mutex_;
    std::optional<std::string> wanted_;
    bool busy_ = false;
};

// The image files of `folder` whose names are not valid UTF-8, as ShownName shows them. Qt's file list leaves
// these out: it cannot turn such a name back into the file's bytes.
QStringList UnlistedPictures(const std::string& folder) {
    QStringList names;
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr) return names;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        const QString shown = QFile::decodeName(entry->d_name);
        if (!shown.contains(QChar::ReplacementCharacter) || !sources::IsImageFileName(name)) continue;
        struct stat info {};
        if (::stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) names << ShownName(name);
    }
    ::closedir(entries);
    names.sort();
    return names;
}

// A list under the preview of the pictures Qt's file list cannot show, there only when the folder has some.
// Choosing one puts its name in the name field; the dialog finds the file's bytes again when it is opened.
void AttachUnlistedPictures(QFileDialog& dialog, QVBoxLayout& column, const std::shared_ptr<PreviewLoader>& loader) {
    auto* caption = new QLabel(QStringLiteral("文字コードの異なる名前:"));
    auto* list = new QListWidget;
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setFixedSize(kPaneSize, kPaneSize * 2 / 3);
    caption->setWordWrap(true);
    caption->setFixedWidth(kPaneSize);
    column.addWidget(caption);
    column.addWidget(list);
    auto refill = [caption, list](const QString& folder) {
        list->clear();
        list->addItems(UnlistedPictures(NativePath(folder)));
        caption->setVisible(list->count() > 0);
        list->setVisible(list->count() > 0);
    };
    refill(dialog.directory().absolutePath());
    // Every way into a folder (a click, a typed path, the address box) sets the file model's root.
    if (auto* files = dialog.findChild<QFileSystemModel*>())
        QObject::connect(files, &QFileSystemModel::rootPathChanged, list, refill);
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [&dialog, list, loader] {
        QStringList quoted;
        for (const QListWidgetItem* item : list->selectedItems())
            quoted << '"' + item->text() + '"';
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && !quoted.isEmpty())
            name->setText(quoted.size() == 1 ? list->selectedItems()[0]->text() : quoted.join(' '));
        if (list->currentItem())
            loader->Request(NativePath(dialog.directory().absolutePath() + '/' + list->currentItem()->text()));
    });
}

} // namespace

void AttachPicturePreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return;
    auto* pane = new QWidget(&dialog);
    auto* picture = new QLabel(pane);
    picture->setFixedSize(kPaneSize, kPaneSize);
    picture->setAlignment(Qt::AlignCenter);
    picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* size = new QLabel(pane);
    size->setAlignment(Qt::AlignCenter);
    auto* column = new QVBoxLayout(pane);
    column->addWidget(picture);
    column->addWidget(size);
    auto loader = std::make_shared<PreviewLoader>(picture, size);
    AttachUnlistedPictures(dialog, *column, loader);
    column->addStretch();
    grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane,
                     [loader](const QString& path) { loader->Request(NativePath(path)); });
}

} // namespace app
