#pragma once
// TSmoothShow: hides its window and lets a hollow rectangle grow from a small starting rectangle to the
// window's bounds in ten accelerating steps, then shows the window whole. Reverse shrinks it instead.
// Run on a window that is not shown yet, it keeps the window hidden: the owner shows it at OnFinish.
#include <QColor>
#include <QMargins>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <memory>

class QWidget;

namespace widgets {

class TSmoothShow : public QObject {
    Q_OBJECT

public:
    enum TMinLoc { mlCenter, mlTopLeft, mlTopRight, mlBottomLeft, mlBottomRight, mlCustom };
    Q_ENUM(TMinLoc)

    // The owner is the window to show; Run refuses any other kind of owner.
    explicit TSmoothShow(QObject* owner = nullptr);
    ~TSmoothShow() override;

    QColor Color() const { return color_; }
    void SetColor(const QColor& color) { color_ = color; }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width) { borderWidth_ = width < 0 ? 0 : width; }
    int Delay() const { return delay_; }
    void SetDelay(int milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    TMinLoc MinLocation() const { return minLocation_; }
    void SetMinLocation(TMinLoc location) { minLocation_ = location; }
    int MinLeft() const { return minLeft_; }
    void SetMinLeft(int left) { minLeft_ = left; }
    int MinTop() const { return minTop_; }
    void SetMinTop(int top) { minTop_ = top; }
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int width);
    int MinHeight() const { return minHeight_; }
    void SetMinHeight(int height);
    bool Reverse() const { return reverse_; }
    void SetReverse(bool reverse) { reverse_ = reverse; }

    // The starting rectangle on a desktop (the whole virtual screen) for the current MinLocation.
    QRect StartRect(const QRect& desktop) const;

    // Starts the effect on the owner window unless one is running or Enabled is off.
    // Throws std::logic_error "<objectName>: Owner must be a form" when the owner is no window.
    void Run();
    // One step: moves the outline and, at 100 %, ends the effect. The timer calls it every Delay ms;
    // a test may call it directly.
    void Step();

    bool Running() const { return running_; }
    int Progress() const { return progress_; }
    // The outline window while running, else null.
    QWidget* OutlineWindow() const { return outline_.get(); }
    // The rectangle drawn by the last step.
    QRect LastRect() const { return lastRect_; }

Q_SIGNALS:
    void OnFinishing(); // the last step is drawn; the outline is still there
    void OnFinish();    // the window is whole again

private:
    void Finish();

    QColor color_ = Qt::black;
    int borderWidth_ = 1;
    int delay_ = 50;
    bool enabled_ = true;
    TMinLoc minLocation_ = mlCenter;
    int minLeft_ = 0;
    int minTop_ = 0;
    int minWidth_ = 27;
    int minHeight_ = 27;
    bool reverse_ = false;

    bool running_ = false;
    bool ahead_ = false; // the window is not shown yet
    QWidget* target_ = nullptr;
    QRect from_;
    int deltaLeft_ = 0;
    int deltaTop_ = 0;
    int deltaWidth_ = 0;
    int deltaHeight_ = 0;
    int progress_ = 0;
    QRect lastRect_;
    std::unique_ptr<QWidget> outline_;
    std::unique_ptr<QTimer> timer_;
};

// Gives a window a frame-shaped region, or hides it completely when region is empty. Qt takes an empty
// mask as "no mask", so an empty region becomes one that lies outside the window.
void SetWindowRegion(QWidget* window, const QRegion& region);

// The frame a window manager draws around a top-level window, or will draw once it is shown: a hidden window
// reports none, so the one it had when last shown is used, else that of the application's other windows.
QMargins ExpectedFrameMargins(const QWidget& window);

} // namespace widgets
