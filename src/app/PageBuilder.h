#pragma once
// Small makers for the main window's controls, each placed at its design position (pixels at the design client
// size) and named by its designer name.
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;

namespace app {

class TSpinEdit;

namespace build {

inline constexpr int kFieldHeight = 20;
inline constexpr int kPickerWidth = 105;
inline constexpr int kPickerHeight = 25;
inline constexpr int kLargeButtonWidth = 93;
inline constexpr int kLargeButtonHeight = 49;

// A label sized to its text, its top placed so its text lines up with a field at `fieldTop`.
QLabel* Label(QWidget* parent, const QString& name, const QString& text, int x, int fieldTop);
// The caption strip above a list: sunken, left-aligned text.
QLabel* CaptionPanel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w, int h);
QGroupBox* Group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h);
QLineEdit* Edit(QWidget* parent, const QString& name, int x, int y, int w);
QComboBox* Combo(QWidget* parent, const QString& name, int x, int y, int w);
TSpinEdit* Spin(QWidget* parent, const QString& name, int x, int y, int w);
QCheckBox* Check(QWidget* parent, const QString& name, const QString& caption, int x, int y);
QRadioButton* Radio(QWidget* parent, const QString& name, const QString& caption, int x, int y);
QSlider* TrackBar(QWidget* parent, const QString& name, int x, int y, int w);
QPushButton* Button(QWidget* parent, const QString& name, const QString& caption, int x, int y, int w, int h);

}  // namespace build
}  // namespace app
