#include "app/ListClicks.h"

#include <algorithm>

#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>

namespace app {

std::vector<int> SelectedRows(QListView* view) {
    std::vector<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

ListClicks::ListClicks(std::function<void()> click) : click_(std::move(click)) {}

void ListClicks::Watch(QListView* view) {
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        selectionJustLoaded_ = true;
        if (!quiet_) click_();
    });
    WatchPresses(view->viewport());
    connect(view, &QAbstractItemView::pressed, this, [this] {
        if (!selectionJustLoaded_ && !quiet_) click_();
        selectionJustLoaded_ = false;
    });
}

void ListClicks::WatchPresses(QWidget* widget) {
    widget->installEventFilter(this);
}

bool ListClicks::eventFilter(QObject* watched, QEvent* event) {
    // A press on a list begins before the selection it may change.
    if (event->type() == QEvent::MouseButtonPress) selectionJustLoaded_ = false;
    return QObject::eventFilter(watched, event);
}

} // namespace app
