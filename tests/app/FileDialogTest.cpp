// The file dialogs: Japanese columns wide enough for their texts, the filter box wide enough for its longest
// filter, and names that are not UTF-8 shown in their likely reading and found again from it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeView>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/FileDialogLook.h"
#include "app/NativePath.h"

namespace {

TEST(FileDialogLook, SizesAndDatesInTheWindowsForm) {
    EXPECT_EQ(app::DialogSizeText(0), "0 KB");
    EXPECT_EQ(app::DialogSizeText(1), "1 KB");
    EXPECT_EQ(app::DialogSizeText(1024), "1 KB");
    EXPECT_EQ(app::DialogSizeText(1025), "2 KB");
    EXPECT_EQ(app::DialogSizeText(std::uint64_t{12345} * 1024), "12,345 KB");
    EXPECT_EQ(app::DialogSizeText(std::uint64_t{1234567} * 1024 - 5), "1,234,567 KB");
    EXPECT_EQ(app::DialogDateText(QDateTime(QDate(2026, 12, 9), QTime(8, 5, 59))), "2026/12/09 08:05");
}

TEST(FileDialogLook, EveryColumnAndTheFilterBoxShowTheirWholeText) {
    apptest::EnsureApplication();
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "photo.jpeg", std::vector<std::uint8_t>(1500000, 1));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    QStringList filters;
    for (const app::FileFilter& filter : app::PictureFilters())
        filters << QString::fromStdString(app::QtFilterText(filter));
    dialog.setNameFilters(filters);
    app::DressFileDialog(dialog);
    auto* files = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    QSignalSpy loaded(files, &QFileSystemModel::directoryLoaded);
    dialog.setDirectory(QString::fromStdString(dir.path().string()));
    dialog.resize(dialog.sizeHint().width(), 480);
    dialog.show();
    ASSERT_TRUE(loaded.wait(5000) || loaded.count() > 0);

    auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->currentText().endsWith("*.jxl)")) << combo->currentText().toStdString();
    EXPECT_GE(combo->width(), combo->fontMetrics().horizontalAdvance(combo->currentText()) + 20);

    auto* list = dialog.findChild<QTreeView*>("treeView");
    ASSERT_NE(list, nullptr);
    const QModelIndex row = files->index(QString::fromStdString((dir / "photo.jpeg").string()));
    ASSERT_TRUE(row.isValid());
    const QFontMetrics metrics = list->fontMetrics();
    const QString texts[] = {QString(), app::DialogSizeText(std::uint64_t(files->size(row))),
                             files->index(row.row(), 2, row.parent()).data().toString(),
                             app::DialogDateText(files->lastModified(row))};
    EXPECT_EQ(texts[1], "1,465 KB");
    EXPECT_EQ(texts[2], "JPEG ファイル");
    for (int column = 1; column <= 3; ++column)
        EXPECT_GE(list->header()->sectionSize(column), metrics.horizontalAdvance(texts[column]) + 12) << column;
    EXPECT_GE(list->header()->sectionSize(0), metrics.horizontalAdvance(QStringLiteral("IMG_20240501_123456.jpg")));
}

// Names from old archives are often Shift-JIS: shown in that reading, marked, and found again from what is shown.
TEST(FileDialogNames, AShiftJisNameIsShownReadAndFoundAgain) {
    testsupport::TempDir dir;
    const std::string folder = dir.path().string();
    testsupport::WriteBytes(dir / "\x93\xFA\x96\x7B.jpg", {1}); // 日本.jpg in Shift-JIS
    testsupport::WriteBytes(dir / "\xFF\xFE.jpg", {1});         // no reading at all
    testsupport::WriteBytes(dir / "x (Shift-JIS).jpg", {1});    // a UTF-8 name that only looks marked
    EXPECT_EQ(app::ShownName("\x93\xFA\x96\x7B.jpg"), "日本.jpg (Shift-JIS)");
    EXPECT_EQ(app::ShownName("plain.jpg"), "plain.jpg");
    EXPECT_TRUE(app::ShownName("\xFF\xFE.jpg").contains(QChar::ReplacementCharacter));
    const QString base = QString::fromStdString(folder) + '/';
    EXPECT_EQ(app::NativePath(base + "日本.jpg (Shift-JIS)"), folder + "/\x93\xFA\x96\x7B.jpg");
    EXPECT_EQ(app::NativePath(base + app::ShownName("\xFF\xFE.jpg")), folder + "/\xFF\xFE.jpg");
    EXPECT_EQ(app::NativePath(base + "x (Shift-JIS).jpg"), folder + "/x (Shift-JIS).jpg");
}

} // namespace
