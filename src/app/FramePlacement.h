#pragma once
// A window kept at its stored outer placement: Apply() moves and sizes it as the per-user store has it; once a
// window manager has framed the shown window (the frame's size is not known before), the frame is taken off the
// inner size. Without a window manager there is no frame, and the inner size stays the stored size.
#include <optional>

#include <QRect>

class QEvent;
class QWidget;

namespace app {

class FramePlacement {
public:
    explicit FramePlacement(QWidget& window) : window_(window) {}

    // Values read before a failure (PlacementTypeError) are applied all the same. A size too small to show the
    // window takes its default: the program never runs without a window to end it by. Positions stay as stored,
    // even off the screen.
    void Apply();
    // The window's show event, and every event it handled: the first move, resize or expose after the first show
    // tells the frame.
    void Shown();
    void Handled(const QEvent& event);
    // Writes the window's outer placement.
    void Save() const;

private:
    // Fits the frame to the stored outer placement. True when nothing is left to fit.
    bool Fit();

    QWidget& window_;
    bool shownOnce_ = false;
    // The stored outer placement, until the frame around the window is known and the inner size fitted to it.
    std::optional<QRect> pendingOuter_;
};

} // namespace app
