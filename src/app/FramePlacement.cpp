#include "app/FramePlacement.h"

#include <algorithm>

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "app/Placement.h"

namespace app {

namespace {
// A stored outer size below these shows no usable window: the default size is taken instead.
constexpr int kMinimumShownWidth = 120;
constexpr int kMinimumShownHeight = 60;
} // namespace

void FramePlacement::Apply() {
    WindowPlacement placement;
    struct Apply {
        FramePlacement& self;
        WindowPlacement& placement;
        ~Apply() {
            const WindowPlacement defaults;
            if (placement.width < kMinimumShownWidth) placement.width = defaults.width;
            if (placement.height < kMinimumShownHeight) placement.height = defaults.height;
            self.window_.move(placement.left, placement.top);
            self.window_.resize(placement.width, placement.height);
            self.pendingOuter_ = QRect(placement.left, placement.top, placement.width, placement.height);
        }
    } apply{*this, placement};
    ReadPlacement(placement);
}

bool FramePlacement::Fit() {
    if (!pendingOuter_) return true;
    const QWindow* window = window_.windowHandle();
    const QMargins frame = window ? window->frameMargins() : QMargins();
    if (frame.isNull()) return false;
    const QRect outer = *pendingOuter_;
    pendingOuter_.reset();
    window_.resize(std::max(outer.width() - frame.left() - frame.right(), 1),
                   std::max(outer.height() - frame.top() - frame.bottom(), 1));
    window_.move(outer.topLeft()); // a window's position is its frame's
    return true;
}

void FramePlacement::Handled(const QEvent& event) {
    if (pendingOuter_ && shownOnce_ &&
        (event.type() == QEvent::Move || event.type() == QEvent::Resize || event.type() == QEvent::Expose))
        Fit();
}

void FramePlacement::Shown() {
    if (shownOnce_) return;
    shownOnce_ = true;
    // Without a window manager no frame comes: give up waiting after a while.
    if (!Fit()) QTimer::singleShot(2000, &window_, [this] { pendingOuter_.reset(); });
}

void FramePlacement::Save() const {
    const QRect outer = window_.frameGeometry();
    WritePlacement({outer.top(), outer.left(), outer.width(), outer.height()});
}

} // namespace app
