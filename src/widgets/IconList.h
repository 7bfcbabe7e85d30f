#pragma once
// TIconList: an ordered list of icons it owns, with an update counter and one change callback.
#include <QIcon>
#include <QList>
#include <QString>
#include <functional>

namespace widgets {

class TIconList {
public:
    using ChangeCallback = std::function<void()>;

    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.isEmpty(); }
    // The entry itself (an icon shares its image). Outside 0..Count()-1 throws std::out_of_range.
    const QIcon& Item(int index) const;
    // Writing entry Count() appends an empty entry first.
    void SetItem(int index, const QIcon& icon);

    void Add(const QIcon& icon);
    // Loads an icon from a resource path such as ":/tray/frame0.png"; a missing resource adds an empty entry.
    void AddResource(const QString& resource);
    void Insert(int index, const QIcon& icon);
    void InsertResource(int index, const QString& resource);
    void Delete(int index);
    void Exchange(int i, int j);
    void Move(int from, int to);
    int IndexOf(const QIcon& icon) const;
    void Clear();

    void Assign(const TIconList& other);
    void Assign(const QIcon& icon); // a null icon clears the list

    void SetOnChange(ChangeCallback callback) { onChange_ = std::move(callback); }
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

private:
    void CheckIndex(int index, bool allowEnd) const;
    void Changed();

    QList<QIcon> items_;
    ChangeCallback onChange_;
    int updateCount_ = 0;
};

} // namespace widgets
