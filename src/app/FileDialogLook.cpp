#include "app/FileDialogLook.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace app {

namespace {

// The columns of Qt's file list.
enum Column { kName = 0, kSize = 1, kType = 2, kDate = 3 };

// A folder is a フォルダー, a file "<EXT> ファイル" after its extension (Qt's own names for the type are English).
class JapaneseFileTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("フォルダー");
        const QString suffix = info.suffix().toUpper();
        return suffix.isEmpty() ? QStringLiteral("ファイル") : suffix + QStringLiteral(" ファイル");
    }
};

// The size and date columns drawn from the file's own size and time rather than Qt's English texts.
class JapaneseColumns : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* files = qobject_cast<const QFileSystemModel*>(index.model());
        if (!files) return;
        if (index.column() == kSize)
            option->text = files->isDir(index) ? QString() : DialogSizeText(std::uint64_t(files->size(index)));
        else if (index.column() == kDate)
            option->text = DialogDateText(files->lastModified(index));
    }
};

int TextWidth(const QFontMetrics& metrics, const QString& text) {
    return metrics.horizontalAdvance(text) + 2 * metrics.averageCharWidth() + 8; // the cell's margins
}

} // namespace

QString DialogSizeText(std::uint64_t bytes) {
    const std::uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    QString digits = QString::number(kilobytes);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u',');
    return digits + QStringLiteral(" KB");
}

QString DialogDateText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

void DressFileDialog(QFileDialog& dialog) {
    static JapaneseFileTypes types;
    dialog.setIconProvider(&types);
    // The box is as wide as its longest filter text; the dialog grows to hold it.
    if (auto* filters = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        filters->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list) return;
    for (int column : {kSize, kDate})
        list->setItemDelegateForColumn(column, new JapaneseColumns(list));
    // Each column as wide as the longest text it can show; the name takes what is left, and the list is kept
    // wide enough to leave it room for a long name.
    const QFontMetrics metrics = list->fontMetrics();
    const int size = TextWidth(metrics, QStringLiteral("99,999,999 KB"));
    const int type = TextWidth(metrics, QStringLiteral("WWWW ファイル"));
    const int date = TextWidth(metrics, QStringLiteral("0000/00/00 00:00"));
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(kName, QHeaderView::Stretch);
    header->resizeSection(kSize, size);
    header->resizeSection(kType, type);
    header->resizeSection(kDate, date);
    const int name = metrics.horizontalAdvance(QLatin1Char('W')) * 18;
    list->setMinimumWidth(size + type + date + name);
}

} // namespace app
