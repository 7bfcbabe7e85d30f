#pragma once
// OptionSet: every option of the conversion and rename pages under its control name, with the rules of each kind.
// Widgets bind to it both ways; every change of a value notifies the listeners of that key, so that the panel rules
// run alike whether a person changed a control or a settings file was loaded.
//
// Notification: listeners are called after a value actually changed, once per changed key, with the set already
// holding the new value. Setting an option to the value it has (for a number field: to the text it has) calls
// nothing. An operation that changes several options at once (selecting a radio button, Assign, ResetToStartValues)
// first stores every new value and then notifies the changed keys in table order.
//
// Every accessor throws std::invalid_argument for a key that is no option or names an option of another kind.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "options/Colour.h"
#include "options/TextFont.h"
#include "options/Listeners.h"
#include "options/OptionTable.h"
#include "options/OptionValues.h"
#include "options/SpinValue.h"

namespace options {

class OptionSet : private OptionValues {
public:
    // `programFolder` is the folder of the program with its trailing "/" (one is added when missing); the two
    // output folders start as that folder followed by "Output".
    explicit OptionSet(std::string programFolder);
    OptionSet(const OptionSet&) = delete;
    OptionSet& operator=(const OptionSet&) = delete;

    const std::string& ProgramFolder() const { return programFolder_; }

    // Every option in page and group order, with the start values of this program folder.
    const std::vector<OptionDescriptor>& Descriptors() const { return descriptors_; }
    const OptionDescriptor& Descriptor(std::string_view key) const { return descriptors_[OptionIndex(key)]; }

    // Reading (see OptionValues).
    using OptionValues::Checked;
    using OptionValues::ColourOf;
    using OptionValues::Font;
    using OptionValues::Level;
    using OptionValues::SelectedCase;
    using OptionValues::SpinText;
    using OptionValues::SpinValue;
    using OptionValues::Text;
    using OptionValues::Value;

    // Text and Choice: free text, kept exactly.
    void SetText(std::string_view key, std::string text);
    const std::vector<std::string>& Items(std::string_view key) const; // Choice only

    // Number fields.
    void SetSpinText(std::string_view key, std::string text);    // typing: the text is kept as given
    void SetSpinValue(std::string_view key, std::int64_t value); // loading, buttons: writes the range-checked value
    void LeaveSpin(std::string_view key);                        // focus out: writes back the range-checked value
    void StepSpin(std::string_view key, int delta);              // up/down buttons and arrow keys: value + delta
    std::int32_t SpinMinimum(std::string_view key) const;
    std::int32_t SpinMaximum(std::string_view key) const;
    std::int32_t CheckRange(std::string_view key, std::int64_t value) const; // minimum == maximum: unbounded

    // Switch, and CaseRule: setting a radio button to true selects it and clears the other two; setting one to
    // false does nothing, because one of the three is always selected (select another one instead).
    void SetChecked(std::string_view key, bool checked);
    void SetCaseRule(CaseRule rule);

    void SetLevel(std::string_view key, std::int64_t level); // limited to 0..100

    // The font; style bits outside kFontStyleMask are dropped.
    void SetFont(TextFont font);
    void SetColour(std::string_view key, Colour colour); // ColorDialog1..ColorDialog3

    // Values at this moment, as a copy that later changes do not touch.
    OptionValues Snapshot() const { return *this; }
    OptionValues StartValues() const { return OptionValues(programFolder_); }
    // Takes every value of `values`, notifying the changed keys.
    void Assign(const OptionValues& values);
    void ResetToStartValues() { Assign(StartValues()); }

    // Listener of one option, or of every option.
    [[nodiscard]] Subscription Subscribe(std::string_view key, ChangeListener listener);
    [[nodiscard]] Subscription SubscribeAll(ChangeListener listener);

private:
    using Change = std::pair<std::size_t, OptionValue>;
    // Stores the values that differ, then notifies their keys in the order given.
    void Apply(std::vector<Change> changes);
    void Apply(std::size_t index, OptionValue value);

    std::string programFolder_;
    std::vector<OptionDescriptor> descriptors_;
    std::shared_ptr<ListenerRegistry> listeners_ = std::make_shared<ListenerRegistry>();
};

} // namespace options
