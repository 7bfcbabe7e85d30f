#pragma once
// Small makers for the main window's controls, each placed at its design position (pixels at the design client
// size) and named by its designer name.
#include <QFrame>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QWidget;

namespace widgets {
class TCoolBtn;
}

namespace app {

class TSpinEdit;

// A sunken strip showing one line of text at its left, vertically centred: the caption bars above the lists
// and the text part of the status bar. Unlike a label it keeps the size it is given whatever its text.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(const QString& text, QWidget* parent = nullptr);
    QString text() const { return text_; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

namespace build {

inline constexpr int kFieldHeight = 20;
inline constexpr int kPickerWidth = 105;
inline constexpr int kPickerHeight = 25;
inline constexpr int kLargeButtonWidth = 93;
inline constexpr int kLargeButtonHeight = 49;

// A label sized to its text, its top placed so its text lines up with a field at `fieldTop`.
QLabel* Label(QWidget* parent, const QString& name, const QString& text, int x, int fieldTop);
// The caption strip above a list.
TPanel* CaptionPanel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h);
QGroupBox* Group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h);
QLineEdit* Edit(QWidget* parent, const QString& name, int x, int y, int w);
QComboBox* Combo(QWidget* parent, const QString& name, int x, int y, int w);
TSpinEdit* Spin(QWidget* parent, const QString& name, int x, int y, int w);
QCheckBox* Check(QWidget* parent, const QString& name, const QString& caption, int x, int y);
QRadioButton* Radio(QWidget* parent, const QString& name, const QString& caption, int x, int y);
QSlider* TrackBar(QWidget* parent, const QString& name, int x, int y, int w);
// The window's buttons all share one face: a vertical gradient from white to silver. The large ones of the
// list and rename pages (93 x 49) are ellipses; the pickers (105 x 25) are rectangles.
widgets::TCoolBtn* LargeButton(QWidget* parent, const QString& name, const QString& caption, int x, int y);
widgets::TCoolBtn* PickerButton(QWidget* parent, const QString& name, const QString& caption, int x, int y);

} // namespace build
} // namespace app
