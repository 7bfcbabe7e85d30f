#pragma once
// TFormResizer keeps every control of a window in place and proportion while the window is resized:
// positions and sizes follow the window's width and height, fonts follow its height.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace widgets {

class EResizerException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
int RoundHalfEven(double value);

// Marks a control as filling its parent's client area: the resizer neither moves it nor changes its font.
// Controls placed by their parent's layout count as filling too, since the layout owns their geometry.
void SetFillsParent(QWidget* control, bool fills = true);
bool FillsParent(const QWidget* control);

// What the resizer remembers of one control at capture time.
class TSingleResizer {
public:
    struct Settings {
        bool resizeFonts = false;
        int minFontSize = 8;
        int maxFontSize = 48;
    };

    TSingleResizer(QWidget* control, QWidget* owner, const Settings& settings);

    // Lays the control out for an owner of the given size with the given ratios.
    void Scale(int ownerHeight, int ownerWidth, double heightRatio, double widthRatio);

    QWidget* Control() const { return control_.data(); }

    bool scaleHeight = true;
    bool scaleLeft = true;
    bool scaleTop = true;
    bool scaleWidth = true; // off for labels: they size themselves to their text

private:
    void SetFontSize(int points);
    void SetBounds(const QRect& bounds);

    QPointer<QWidget> control_;
    QPointer<QWidget> owner_;
    Settings settings_;
    bool hasFont_ = true;
    int designFontSize_ = 0;
    QRect design_;
    int ownerDesignHeight_ = 0;
    int ownerDesignWidth_ = 0;
};

class TFormResizer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool ResizeFonts READ ResizeFonts WRITE SetResizeFonts)
    Q_PROPERTY(int MinFontSize READ MinFontSize WRITE SetMinFontSize)
    Q_PROPERTY(int MaxFontSize READ MaxFontSize WRITE SetMaxFontSize)
    Q_PROPERTY(bool EnforceMinSize READ EnforceMinSize WRITE SetEnforceMinSize)

public:
    // The owner must be a widget (a window or a panel); the resizer becomes its child.
    explicit TFormResizer(QObject* owner);
    ~TFormResizer() override;

    bool ResizeFonts() const { return resizeFonts_; }
    void SetResizeFonts(bool on) { resizeFonts_ = on; }
    int MinFontSize() const { return minFontSize_; }
    void SetMinFontSize(int points) { minFontSize_ = points; }
    int MaxFontSize() const { return maxFontSize_; }
    void SetMaxFontSize(int points) { maxFontSize_ = points; }
    bool EnforceMinSize() const { return enforceMinSize_; }
    void SetEnforceMinSize(bool on) { enforceMinSize_ = on; }

    // Records the owner's size and every control below it with its geometry and font. Only the first call acts.
    virtual void CaptureDesignLayout();
    // Lays every recorded control out for the owner's current size.
    virtual void ScaleToCurrentSize();

    bool Captured() const { return captured_; }
    QSize DesignSize() const { return QSize(designWidth_, designHeight_); }
    int RecordCount() const { return static_cast<int>(records_.size()); }

Q_SIGNALS:
    // Raised after each recorded control has been handled; control is null when it has been destroyed.
    void OnPostResize(QObject* sender, QWidget* control, double heightRatio, double widthRatio);

protected:
    virtual void PostResize(QWidget* control, double heightRatio, double widthRatio);

private:
    QWidget* owner_;
    bool resizeFonts_ = false;
    int minFontSize_ = 8;
    int maxFontSize_ = 48;
    bool enforceMinSize_ = false;
    bool captured_ = false;
    int designHeight_ = 0;
    int designWidth_ = 0;
    std::vector<std::unique_ptr<TSingleResizer>> records_;
};

} // namespace widgets
