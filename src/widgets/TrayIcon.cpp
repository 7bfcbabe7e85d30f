#include "widgets/TrayIcon.h"

#include <QSystemTrayIcon>
#include <algorithm>

#include "widgets/TrayHint.h"

// The progress frames are compiled into this static library; a static library's resources are registered
// only when something names them.
static void InitWidgetResources() {
    Q_INIT_RESOURCE(widgets);
}

namespace widgets {

namespace {

class SystemTrayBackend : public TrayBackend {
public:
    bool Add(const TrayRecord& record) override {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        if (!icon_) icon_ = std::make_unique<QSystemTrayIcon>();
        Apply(record);
        icon_->show();
        return icon_->isVisible();
    }

    bool Modify(const TrayRecord& record) override {
        if (!icon_ || !icon_->isVisible()) return false;
        Apply(record);
        return true;
    }

    void Delete() override {
        if (icon_) icon_->hide();
    }

private:
    void Apply(const TrayRecord& record) {
        icon_->setIcon(record.icon);
        icon_->setToolTip(QString::fromStdString(record.tip));
    }

    std::unique_ptr<QSystemTrayIcon> icon_;
};

} // namespace

std::unique_ptr<TrayBackend> MakeSystemTrayBackend() {
    return std::make_unique<SystemTrayBackend>();
}

TRxTrayIcon::TRxTrayIcon(QObject* owner, std::unique_ptr<TrayBackend> backend)
    : QObject(owner), backend_(backend ? std::move(backend) : MakeSystemTrayBackend()) {
    icons_.SetOnChange([this] { Refresh(); });
    timer_.setInterval(interval_);
    connect(&timer_, &QTimer::timeout, this, [this] { NextFrame(); });
}

TRxTrayIcon::~TRxTrayIcon() {
    enabled_ = false;
    icons_.SetOnChange(nullptr);
    animated_ = false;
    timer_.stop();
    Hide();
}

void TRxTrayIcon::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active_)
        Show();
    else
        Hide();
}

void TRxTrayIcon::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    Refresh();
}

void TRxTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    Refresh(); // even the same frame again reaches the notification area
}

void TRxTrayIcon::SetAnimated(bool animated) {
    if (animated && icons_.IsEmpty()) return;
    if (animated == animated_) return;
    animated_ = animated;
    frameIndex_ = 0;
    if (animated_ && added_)
        timer_.start();
    else
        timer_.stop();
    Refresh();
}

void TRxTrayIcon::SetInterval(int milliseconds) {
    interval_ = std::clamp(milliseconds, 0, 65535);
    timer_.setInterval(interval_);
}

void TRxTrayIcon::Loaded() {
    if (active_) Show();
}

QIcon TRxTrayIcon::ActiveIcon() const {
    if (animated_ && !icons_.IsEmpty()) return icons_.Item(std::max(0, std::min(frameIndex_, icons_.Count() - 1)));
    return icon_;
}

TrayRecord TRxTrayIcon::Record() const {
    return TrayRecord{ActiveIcon(), ShortHint(hint_)};
}

void TRxTrayIcon::Refresh() {
    if (icons_.IsEmpty()) {
        animated_ = false;
        timer_.stop();
    }
    if (added_) {
        if (ActiveIcon().isNull())
            Hide();
        else
            backend_->Modify(Record());
    } else if (active_) {
        Show();
    }
}

void TRxTrayIcon::Show() {
    Hide();
    const TrayRecord record = Record();
    if (record.icon.isNull()) return;
    added_ = backend_->Add(record);
    if (added_ && record.tip.empty()) backend_->Modify(record);
    if (animated_ && added_) timer_.start();
}

void TRxTrayIcon::Hide() {
    backend_->Delete();
    added_ = false;
    timer_.stop();
}

void TRxTrayIcon::NextFrame() {
    if (!animated_ || icons_.IsEmpty()) return;
    frameIndex_ = (frameIndex_ + 1) % icons_.Count();
    Refresh();
}

QString TrayFrameResource(int frame) {
    InitWidgetResources();
    return QStringLiteral(":/tray/frame%1.png").arg(frame);
}

void LoadProgressFrames(TIconList& icons) {
    icons.BeginUpdate();
    icons.Clear();
    for (int frame = 0; frame < kTrayFrameCount; ++frame)
        icons.AddResource(TrayFrameResource(frame));
    icons.EndUpdate();
}

void TrayProgress(TRxTrayIcon& tray, int frame, const std::string& hint) {
    tray.SetIcon(tray.Icons().Item(frame)); // a frame outside the list is an index error
    tray.SetHint(hint);
}

void TrayRemove(TRxTrayIcon& tray) {
    tray.SetIcon(QIcon());
}

} // namespace widgets
