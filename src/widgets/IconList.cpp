#include "widgets/IconList.h"

#include <QFile>
#include <stdexcept>
#include <string>

namespace widgets {

namespace {

QIcon LoadResourceIcon(const QString& resource) {
    return QFile::exists(resource) ? QIcon(resource) : QIcon();
}

} // namespace

void TIconList::CheckIndex(int index, bool allowEnd) const {
    const int limit = allowEnd ? Count() : Count() - 1;
    if (index < 0 || index > limit) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

void TIconList::Changed() {
    if (updateCount_ == 0 && onChange_) onChange_();
}

const QIcon& TIconList::Item(int index) const {
    CheckIndex(index, false);
    return items_[index];
}

void TIconList::SetItem(int index, const QIcon& icon) {
    CheckIndex(index, true);
    BeginUpdate();
    if (index == Count()) items_.append(QIcon());
    items_[index] = icon;
    EndUpdate();
}

void TIconList::Add(const QIcon& icon) {
    items_.append(icon);
    Changed();
}

void TIconList::AddResource(const QString& resource) {
    Add(LoadResourceIcon(resource));
}

void TIconList::Insert(int index, const QIcon& icon) {
    CheckIndex(index, true);
    items_.insert(index, icon);
    Changed();
}

void TIconList::InsertResource(int index, const QString& resource) {
    Insert(index, LoadResourceIcon(resource));
}

void TIconList::Delete(int index) {
    CheckIndex(index, false);
    items_.removeAt(index);
    Changed();
}

void TIconList::Exchange(int i, int j) {
    CheckIndex(i, false);
    CheckIndex(j, false);
    items_.swapItemsAt(i, j);
    Changed();
}

void TIconList::Move(int from, int to) {
    CheckIndex(from, false);
    CheckIndex(to, false);
    items_.move(from, to);
    Changed();
}

int TIconList::IndexOf(const QIcon& icon) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[i].cacheKey() == icon.cacheKey()) return i;
    return -1;
}

void TIconList::Clear() {
    BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i)
        Delete(i);
    EndUpdate();
}

void TIconList::Assign(const TIconList& other) {
    if (&other == this) return;
    BeginUpdate();
    Clear();
    for (const QIcon& icon : other.items_)
        Add(icon);
    EndUpdate();
}

void TIconList::Assign(const QIcon& icon) {
    Clear();
    if (!icon.isNull()) Add(icon);
}

void TIconList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

} // namespace widgets
