#pragma once
// An ordered list of path strings (the conversion list, the rename list, the destination list) as a Qt item model,
// so a list view shows it. Duplicates are allowed. Paths are UTF-8; the view sees them as QString.
//
// Sorted mode keeps the items in a case-insensitive order (QString::compare with Qt::CaseInsensitive, ties broken by
// the order of arrival, so equal names keep their order): switching it on reorders the present items, and each later
// item goes to its sorted place. Switching it off keeps the present order; later items go to the end.
#include <QAbstractListModel>

#include <string>
#include <vector>

namespace sources {

class FileList : public QAbstractListModel {
    Q_OBJECT

public:
    explicit FileList(QObject* parent = nullptr);

    // Adds one item at the end, or at its sorted place when sorted; CountChanged follows.
    void Append(const std::string& path);
    // Adds many items with one model change and one CountChanged (none when `paths` is empty).
    void AppendMany(const std::vector<std::string>& paths);
    // Removes the items at the given rows, from the last row to the first; duplicate and out-of-range rows are
    // ignored. CountChanged follows each removal; nothing happens when no row names an item.
    void DeleteIndices(std::vector<int> selectedRows);
    // Removes every item; CountChanged(0) follows when the list was not empty.
    void Clear();

    void SetSorted(bool sorted);
    bool Sorted() const { return sorted_; }

    int Count() const { return static_cast<int>(items_.size()); }
    // The item at `row`; raises std::out_of_range for a row outside 0..Count()-1.
    const std::string& At(int row) const;
    std::vector<std::string> Items() const { return items_; }
    // The row of the longest path (in characters), -1 when the list is empty: a view that gives every row one
    // size measures this one.
    int LongestRow() const;

    // QAbstractListModel: one column; Qt::DisplayRole (and Qt::ToolTipRole) give the path.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // Emitted after every change of the number of items, with the new number.
    void CountChanged(int count);

private:
    // The row where `path` goes in sorted mode: after every item that does not sort after it.
    int SortedRow(const QString& path) const;

    std::vector<std::string> items_;
    // The items as QString, kept beside items_ for display and comparison.
    std::vector<QString> texts_;
    bool sorted_ = false;
};

// The caption above the rename list: " 変換元ファイル：12files".
std::string RenameCountCaption(int count);

} // namespace sources
