#pragma once
// The preview follows the selection of the window's lists. Every selection change of a watched list is a click,
// and so is a press on an entry that is selected already (it changes no selection); a press that changed the
// selection has loaded the preview already and loads nothing more. A press of the menu button (the right one) opens
// the list's context menu: on an entry that is selected already it is no click at all; one that selects an entry is
// a click of its own kind, whose handler says what went wrong without a message box in front of the menu. A
// handler's own list edits are marked quiet: the selection changes they cause are not a person's clicks.
#include <functional>
#include <vector>

#include <QObject>

class QListView;

namespace app {

// The selected rows of `view`, in list order.
std::vector<int> SelectedRows(QListView* view);

class ListClicks : public QObject {
public:
    enum class Kind { Plain, MenuButton };
    explicit ListClicks(std::function<void(Kind)> click);

    // Takes the selection changes of `view` and the presses on its entries as clicks.
    void Watch(QListView* view);
    // Presses on `widget` begin a new click as presses on a watched list do.
    void WatchPresses(QWidget* widget);

    // The lists' edits during its lifetime are quiet.
    class Quiet {
    public:
        explicit Quiet(ListClicks& clicks) : flag_(clicks.quiet_), was_(flag_) { flag_ = true; }
        ~Quiet() { flag_ = was_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        bool& flag_;
        bool was_;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(Kind)> click_;
    // Set by a selection change that loaded the preview; the press that follows it loads nothing more.
    bool selectionJustLoaded_ = false;
    bool quiet_ = false;
    // The press in progress is one of the menu button.
    bool menuPress_ = false;
};

} // namespace app
