#include "app/ListClicks.h"

#include <algorithm>

#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QMouseEvent>

namespace app {

std::vector<int> SelectedRows(QListView* view) {
    std::vector<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

ListClicks::ListClicks(std::function<void(Kind)> click) : click_(std::move(click)) {}

void ListClicks::Watch(QListView* view) {
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        selectionJustLoaded_ = true;
        if (!quiet_) click_(menuPress_ ? Kind::MenuButton : Kind::Plain);
    });
    WatchPresses(view->viewport());
    connect(view, &QAbstractItemView::pressed, this, [this] {
        if (!selectionJustLoaded_ && !quiet_ && !menuPress_) click_(Kind::Plain);
        selectionJustLoaded_ = false;
    });
}

void ListClicks::WatchPresses(QWidget* widget) {
    widget->installEventFilter(this);
}

bool ListClicks::eventFilter(QObject* watched, QEvent* event) {
    // A press on a list begins before the selection it may change.
    if (event->type() == QEvent::MouseButtonPress) {
        selectionJustLoaded_ = false;
        menuPress_ = static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        menuPress_ = false; // selection changes from the keyboard are plain clicks again
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
