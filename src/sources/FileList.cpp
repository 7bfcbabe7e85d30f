#include "sources/FileList.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace sources {

namespace {

QString ToText(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

bool SortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

} // namespace

FileList::FileList(QObject* parent) : QAbstractListModel(parent) {}

int FileList::SortedRow(const QString& path) const {
    // upper_bound: an item equal to others (ignoring case) goes after them, so equal names keep their arrival order.
    auto it = std::upper_bound(texts_.begin(), texts_.end(), path, SortsBefore);
    return static_cast<int>(it - texts_.begin());
}

void FileList::Append(const std::string& path) {
    QString text = ToText(path);
    const int row = sorted_ ? SortedRow(text) : Count();
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(items_.begin() + row, path);
    texts_.insert(texts_.begin() + row, std::move(text));
    endInsertRows();
    Q_EMIT CountChanged(Count());
}

void FileList::AppendMany(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (!sorted_) {
        const int first = Count();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(paths.size()) - 1);
        items_.insert(items_.end(), paths.begin(), paths.end());
        texts_.reserve(items_.size());
        for (const std::string& path : paths)
            texts_.push_back(ToText(path));
        endInsertRows();
    } else {
        // The present items are in order; the new ones follow them and a stable sort merges them, so items equal
        // ignoring case keep their arrival order, as with Append.
        beginResetModel();
        const std::size_t total = items_.size() + paths.size();
        std::vector<std::string> items = std::move(items_);
        std::vector<QString> texts = std::move(texts_);
        items.insert(items.end(), paths.begin(), paths.end());
        texts.reserve(total);
        for (const std::string& path : paths)
            texts.push_back(ToText(path));
        std::vector<std::size_t> order(total);
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return SortsBefore(texts[a], texts[b]); });
        items_.clear();
        texts_.clear();
        items_.reserve(total);
        texts_.reserve(total);
        for (std::size_t index : order) {
            items_.push_back(std::move(items[index]));
            texts_.push_back(std::move(texts[index]));
        }
        endResetModel();
    }
    Q_EMIT CountChanged(Count());
}

void FileList::DeleteIndices(std::vector<int> selectedRows) {
    std::sort(selectedRows.begin(), selectedRows.end(), std::greater<int>());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    for (int row : selectedRows) {
        if (row < 0 || row >= Count()) continue;
        beginRemoveRows(QModelIndex(), row, row);
        items_.erase(items_.begin() + row);
        texts_.erase(texts_.begin() + row);
        endRemoveRows();
        Q_EMIT CountChanged(Count());
    }
}

int FileList::LongestRow() const {
    int longest = -1;
    for (std::size_t row = 0; row < texts_.size(); ++row)
        if (longest < 0 || texts_[row].size() > texts_[std::size_t(longest)].size()) longest = int(row);
    return longest;
}

void FileList::Clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_.clear();
    texts_.clear();
    endResetModel();
    Q_EMIT CountChanged(0);
}

void FileList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (!sorted_ || items_.size() < 2) return;
    // Reorder the present items; std::stable_sort over positions keeps equal names in their present order.
    std::vector<std::size_t> order(items_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return SortsBefore(texts_[a], texts_[b]); });
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRow(items_.size());
    for (std::size_t row = 0; row < order.size(); ++row)
        newRow[order[row]] = static_cast<int>(row);
    std::vector<std::string> items;
    std::vector<QString> texts;
    items.reserve(order.size());
    texts.reserve(order.size());
    for (std::size_t index : order) {
        items.push_back(std::move(items_[index]));
        texts.push_back(std::move(texts_[index]));
    }
    items_ = std::move(items);
    texts_ = std::move(texts);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newRow[index.row()], 0));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

const std::string& FileList::At(int row) const {
    if (row < 0 || row >= Count()) throw std::out_of_range("FileList::At: row " + std::to_string(row));
    return items_[static_cast<std::size_t>(row)];
}

int FileList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant FileList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= Count() || index.column() != 0) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return texts_[static_cast<std::size_t>(index.row())];
    return {};
}

std::string RenameCountCaption(int count) {
    return " 変換元ファイル：" + std::to_string(count) + "files";
}

} // namespace sources
