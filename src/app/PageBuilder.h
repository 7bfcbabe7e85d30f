#pragma once
// Small makers for the main window's controls, each placed at its design position (pixels at the design client
// size) and named by its designer name.
#include <functional>

#include <QFrame>
#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QRadioButton;
class QSlider;
class QWidget;

namespace sources {
class FileList;
}

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
// The two columns of the list and rename pages, each a list (or the preview) below its caption strip.
inline constexpr int kListWidth = 339;
inline constexpr int kRightColumn = 345;
inline constexpr int kPanelHeight = 20;
// The row of large buttons, at the same place on the list and rename pages.
inline constexpr int kLargeButtonTop = 414;
inline constexpr int kLargeButtonLeft[] = {190, 295, 400};

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
// A list of `model`'s paths, kListWidth wide: several entries may be selected, long paths are shown whole and
// scroll sideways.
QListView* PathList(QWidget* parent, const char* name, sources::FileList& model, int x, int y, int h);
// The context menu of a list: "ファイルを追加(&A)" and "選択項目を削除(&D)", shown where the person asks for it
// after `beforePopup` has set its items.
QMenu* ListPopup(QListView* view, const char* name, const char* addName, const char* deleteName, QAction*& add,
                 QAction*& remove, std::function<void()> beforePopup);

} // namespace build
} // namespace app
