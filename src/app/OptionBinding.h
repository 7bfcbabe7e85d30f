#pragma once
// Binders between option controls and the option set, one kind each. A binder lives as a child of its control:
// the person's edits go into the option set by the rules of the option's kind, and every change of the option
// (a settings file, a picker, another control) is shown in the control. Nothing echoes back: showing a value the
// control already has does nothing.
#include <string>

#include <QObject>

#include "options/OptionSet.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QWidget;

namespace app {

class TSpinEdit;

class OptionBinding : public QObject {
public:
    OptionBinding(QWidget* control, options::OptionSet& options, std::string key);
    const std::string& Key() const { return key_; }

protected:
    // Shows the option's present value in the control.
    virtual void Show() = 0;
    // Call once the control's signals are connected: shows the value and starts listening.
    void Start();

    options::OptionSet& options_;
    std::string key_;
    bool showing_ = false; // true while Show() writes into the control

private:
    options::Subscription subscription_;
};

// Single-line edit of a Text option.
class TextBinding : public OptionBinding {
public:
    TextBinding(QLineEdit* edit, options::OptionSet& options, std::string key);

private:
    void Show() override;
    QLineEdit* edit_;
};

// Editable combo of a Choice option: the items are offered, any typed text is the value.
class ChoiceBinding : public OptionBinding {
public:
    ChoiceBinding(QComboBox* combo, options::OptionSet& options, std::string key);

private:
    void Show() override;
    QComboBox* combo_;
};

// Number field: typing keeps the text, leaving the field range-checks it, steps go through StepSpin.
class SpinBinding : public OptionBinding {
public:
    SpinBinding(TSpinEdit* spin, options::OptionSet& options, std::string key);

private:
    void Show() override;
    TSpinEdit* spin_;
};

class SwitchBinding : public OptionBinding {
public:
    SwitchBinding(QCheckBox* box, options::OptionSet& options, std::string key);

private:
    void Show() override;
    QCheckBox* box_;
};

// Track bar 0..100 of a Level option.
class LevelBinding : public OptionBinding {
public:
    LevelBinding(QSlider* slider, options::OptionSet& options, std::string key);

private:
    void Show() override;
    QSlider* slider_;
};

// One of the three case-rule radio buttons: checking it selects its rule.
class CaseBinding : public OptionBinding {
public:
    CaseBinding(QRadioButton* button, options::OptionSet& options, std::string key);

private:
    void Show() override;
    QRadioButton* button_;
};

// Binds every option control found under `root` (by object name = option key) with the binder of its kind.
// Font and colour options have no control of their own. Returns how many controls were bound.
int BindOptionControls(QWidget* root, options::OptionSet& options);

} // namespace app
