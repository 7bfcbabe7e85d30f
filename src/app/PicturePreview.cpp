#include "app/PicturePreview.h"

#include <exception>

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "imaging/Ik5Common.h"
#include "imaging/Ik5File.h"
#include "imaging/QImageBridge.h"
#include "sources/PathNames.h"

namespace app {

namespace {

constexpr int kPaneSize = 180;

// The image at `path` and its size text; a null image when it cannot be read.
QImage LoadPreview(const QString& path, QString& sizeText) {
    const std::string file = path.toStdString();
    if (!QFileInfo(path).isFile() || !sources::IsImageFileName(file)) return {};
    imaging::TIk5File loader;
    loader.FileName = file;
    loader.Action = imaging::TIk5File::kLoad;
    try {
        loader.Execute();
        loader.GetImageInfo();
        // Decoded at reduced scale where the format allows (a large JPEG at an eighth): the pane is small,
        // and the dialog waits for the decode.
        QImage image = imaging::ToQImage(loader.ImgHandle, QSize(kPaneSize, kPaneSize));
        sizeText = QStringLiteral("%1 x %2").arg(loader.ImgWidth).arg(loader.ImgHeight);
        imaging::TIk5Common release;
        release.ImgHandle = loader.ImgHandle;
        release.DeleteImage();
        return image;
    } catch (const std::exception&) {
        if (loader.ImgHandle != 0) {
            imaging::TIk5Common release;
            release.ImgHandle = loader.ImgHandle;
            try { release.DeleteImage(); } catch (const std::exception&) {}
        }
        return {};
    }
}

}  // namespace

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
    column->addStretch();
    grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane, [picture, size](const QString& path) {
        QString sizeText;
        const QImage image = LoadPreview(path, sizeText);
        if (image.isNull()) {
            picture->clear();
            size->clear();
            return;
        }
        picture->setPixmap(QPixmap::fromImage(
            image.scaled(kPaneSize - 4, kPaneSize - 4, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        size->setText(sizeText);
    });
}

}  // namespace app
