#pragma once
// A number field with up and down buttons that keeps its text exactly as typed: typing accepts only digits,
// "+", "-" and "." besides the editing keys; the buttons and the Up and Down keys step the value, a held
// button first after 400 ms and then every 100 ms. What the text means is the option set's business: the field
// reports edits, steps and the loss of focus, and shows the text it is given.
#include <QLineEdit>
#include <QWidget>

class QToolButton;

namespace app {

class SpinLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void StepRequested(int delta);
    void FocusLeft();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class TSpinEdit : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstRepeatMs = 400;
    static constexpr int kRepeatMs = 100;

    explicit TSpinEdit(QWidget* parent = nullptr);

    QString Text() const;
    // Shows `text`; a text equal to the present one leaves the cursor and selection alone.
    void SetText(const QString& text);
    // The field's background colour (the window colour when enabled, the button face when disabled).
    void SetBackground(const QColor& colour);
    QColor Background() const;

    SpinLineEdit* Editor() const { return editor_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

Q_SIGNALS:
    void TextEdited(const QString& text);
    void StepRequested(int delta);
    void FocusLeft();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    SpinLineEdit* editor_;
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace app
