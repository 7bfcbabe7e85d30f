#include "app/OptionBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "app/SpinEdit.h"

namespace app {

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Runs `write` with the binder marked as showing, so the control's change signals are not taken as edits.
template <typename F> void Showing(bool& flag, F write) {
    const bool was = flag;
    flag = true;
    write();
    flag = was;
}
} // namespace

OptionBinding::OptionBinding(QWidget* control, options::OptionSet& options, std::string key)
    : QObject(control), options_(options), key_(std::move(key)) {}

void OptionBinding::Start() {
    Show();
    subscription_ = options_.Subscribe(key_, [this](const std::string&) { Show(); });
}

TextBinding::TextBinding(QLineEdit* edit, options::OptionSet& options, std::string key)
    : OptionBinding(edit, options, std::move(key)), edit_(edit) {
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!showing_) options_.SetText(key_, text.toStdString());
    });
    Start();
}

void TextBinding::Show() {
    const QString text = Q(options_.Text(key_));
    if (edit_->text() != text) Showing(showing_, [&] { edit_->setText(text); });
}

ChoiceBinding::ChoiceBinding(QComboBox* combo, options::OptionSet& options, std::string key)
    : OptionBinding(combo, options, std::move(key)), combo_(combo) {
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    if (combo_->count() == 0) {
        for (const std::string& item : options_.Items(key_))
            combo_->addItem(Q(item));
    }
    connect(combo_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!showing_) options_.SetText(key_, text.toStdString());
    });
    Start();
}

void ChoiceBinding::Show() {
    const QString text = Q(options_.Text(key_));
    if (combo_->currentText() == text) return;
    Showing(showing_, [&] {
        const int index = combo_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0) combo_->setCurrentIndex(index);
        combo_->setEditText(text);
    });
}

SpinBinding::SpinBinding(TSpinEdit* spin, options::OptionSet& options, std::string key)
    : OptionBinding(spin, options, std::move(key)), spin_(spin) {
    connect(spin_, &TSpinEdit::TextEdited, this, [this](const QString& text) {
        if (!showing_) options_.SetSpinText(key_, text.toStdString());
    });
    connect(spin_, &TSpinEdit::FocusLeft, this, [this] { options_.LeaveSpin(key_); });
    connect(spin_, &TSpinEdit::StepRequested, this, [this](int delta) {
        if (spin_->isEnabled()) options_.StepSpin(key_, delta);
    });
    Start();
}

void SpinBinding::Show() {
    Showing(showing_, [&] { spin_->SetText(Q(options_.SpinText(key_))); });
}

SwitchBinding::SwitchBinding(QCheckBox* box, options::OptionSet& options, std::string key)
    : OptionBinding(box, options, std::move(key)), box_(box) {
    connect(box_, &QCheckBox::toggled, this, [this](bool checked) {
        if (!showing_) options_.SetChecked(key_, checked);
    });
    Start();
}

void SwitchBinding::Show() {
    const bool checked = options_.Checked(key_);
    if (box_->isChecked() != checked) Showing(showing_, [&] { box_->setChecked(checked); });
}

LevelBinding::LevelBinding(QSlider* slider, options::OptionSet& options, std::string key)
    : OptionBinding(slider, options, std::move(key)), slider_(slider) {
    slider_->setRange(0, 100);
    slider_->setTickInterval(10);
    slider_->setTickPosition(QSlider::TicksBelow);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (!showing_) options_.SetLevel(key_, value);
    });
    Start();
}

void LevelBinding::Show() {
    const int level = options_.Level(key_);
    if (slider_->value() != level) Showing(showing_, [&] { slider_->setValue(level); });
}

CaseBinding::CaseBinding(QRadioButton* button, options::OptionSet& options, std::string key)
    : OptionBinding(button, options, std::move(key)), button_(button) {
    connect(button_, &QRadioButton::toggled, this, [this](bool checked) {
        if (!showing_ && checked) options_.SetChecked(key_, true);
    });
    Start();
}

void CaseBinding::Show() {
    // Qt unchecks the other buttons of the group when one is checked.
    if (options_.Checked(key_) && !button_->isChecked()) Showing(showing_, [&] { button_->setChecked(true); });
}

int BindOptionControls(QWidget* root, options::OptionSet& options) {
    int bound = 0;
    for (const options::OptionDescriptor& option : options.Descriptors()) {
        const QString name = Q(option.key);
        bool done = false;
        switch (option.kind) {
        case options::OptionKind::Text:
            if (auto* edit = root->findChild<QLineEdit*>(name)) done = (new TextBinding(edit, options, option.key));
            break;
        case options::OptionKind::Choice:
            if (auto* combo = root->findChild<QComboBox*>(name)) done = (new ChoiceBinding(combo, options, option.key));
            break;
        case options::OptionKind::Number:
            if (auto* spin = root->findChild<TSpinEdit*>(name)) done = (new SpinBinding(spin, options, option.key));
            break;
        case options::OptionKind::Switch:
            if (auto* box = root->findChild<QCheckBox*>(name)) done = (new SwitchBinding(box, options, option.key));
            break;
        case options::OptionKind::Level:
            if (auto* slider = root->findChild<QSlider*>(name)) done = (new LevelBinding(slider, options, option.key));
            break;
        case options::OptionKind::CaseRule:
            if (auto* radio = root->findChild<QRadioButton*>(name))
                done = (new CaseBinding(radio, options, option.key));
            break;
        case options::OptionKind::Font:
        case options::OptionKind::ColourValue:
            break;
        }
        if (done) ++bound;
    }
    return bound;
}

} // namespace app
