#pragma once
// TRxTrayIcon: one icon with a tooltip in the desktop's notification area, shown, changed and removed
// through a small backend so that tests can count what reaches the platform.
#include <QIcon>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "widgets/IconList.h"

namespace widgets {

// What is handed to the notification area on every add and modify.
struct TrayRecord {
    QIcon icon;      // the active icon; null when there is none
    std::string tip; // the short hint, at most 63 Shift-JIS bytes, UTF-8 here
};

class TrayBackend {
public:
    virtual ~TrayBackend() = default;
    virtual bool Add(const TrayRecord& record) = 0; // true when the icon is now in the notification area
    virtual bool Modify(const TrayRecord& record) = 0;
    virtual void Delete() = 0; // harmless when nothing was added
};

// The desktop's notification area through QSystemTrayIcon; without one (headless) every add fails quietly.
std::unique_ptr<TrayBackend> MakeSystemTrayBackend();

class TRxTrayIcon : public QObject {
    Q_OBJECT

public:
    // Without a backend the desktop's notification area is used.
    explicit TRxTrayIcon(QObject* owner = nullptr, std::unique_ptr<TrayBackend> backend = nullptr);
    ~TRxTrayIcon() override;

    bool Active() const { return active_; }
    void SetActive(bool active);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    const QIcon& Icon() const { return icon_; }
    // Copies the icon's image; a null icon empties it, which takes the icon out of the notification area.
    void SetIcon(const QIcon& icon);
    TIconList& Icons() { return icons_; }
    const TIconList& Icons() const { return icons_; }
    void SetIcons(const TIconList& icons) { icons_.Assign(icons); }
    // Cycling through Icons every Interval ms; takes effect only while Icons holds something.
    bool Animated() const { return animated_; }
    void SetAnimated(bool animated);
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);

    // Called by the owner once its properties are set: shows the icon when Active and not empty.
    void Loaded();

    bool Added() const { return added_; }
    int FrameIndex() const { return frameIndex_; }
    // The icon the notification area shows: the current animation frame, or Icon.
    QIcon ActiveIcon() const;

private:
    void Refresh();
    void Show();
    void Hide();
    void NextFrame();
    TrayRecord Record() const;

    std::unique_ptr<TrayBackend> backend_;
    QIcon icon_;
    TIconList icons_;
    std::string hint_;
    bool active_ = true;
    bool enabled_ = true;
    bool animated_ = false;
    int interval_ = 150;
    int frameIndex_ = -1;
    bool added_ = false;
    QTimer timer_;
};

// The progress frames drawn for the conversion run, from empty (0) to nearly full (4).
constexpr int kTrayFrameCount = 5;
QString TrayFrameResource(int frame); // ":/tray/frame<k>.png"
void LoadProgressFrames(TIconList& icons);

// One step of a run: show progress frame `frame` (0..4) from the icon list and the hint, e.g. "40%完了".
void TrayProgress(TRxTrayIcon& tray, int frame, const std::string& hint);
// End of a run: the icon leaves the notification area.
void TrayRemove(TRxTrayIcon& tray);

} // namespace widgets
