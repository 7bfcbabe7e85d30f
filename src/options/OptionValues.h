#pragma once
// The values of every option at one moment: what a batch run takes at its start, and what OptionSet holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionTable.h"

namespace options {

enum class CaseRule { Keep, Lower, Upper }; // RadioButton1, RadioButton2, RadioButton3

class OptionValues {
public:
    // The start values, with the output folders inside `programFolder` (which ends with "/").
    explicit OptionValues(std::string_view programFolder);

    // Readers by key. Each throws std::invalid_argument for an unknown key or one of another kind.
    const std::string& Text(std::string_view key) const;     // Text and Choice
    const std::string& SpinText(std::string_view key) const; // Number: the text as typed
    std::int32_t SpinValue(std::string_view key) const;      // Number: parsed, not range-checked; minimum if invalid
    bool Checked(std::string_view key) const;                // Switch and CaseRule
    int Level(std::string_view key) const;                   // Level: 0..100
    const TextFont& Font() const;                            // FontDialog1
    Colour ColourOf(std::string_view key) const;             // ColorDialog1..ColorDialog3
    CaseRule SelectedCase() const;

    // The value of any option by key, in the alternative its kind holds.
    const OptionValue& Value(std::string_view key) const;

    bool operator==(const OptionValues&) const = default;

protected:
    // Checks that `key` names an option of `kind` (or `otherKind`) and returns its position.
    static std::size_t Slot(std::string_view key, OptionKind kind, OptionKind otherKind);
    static std::size_t Slot(std::string_view key, OptionKind kind) { return Slot(key, kind, kind); }

    const OptionValue& At(std::size_t index) const { return values_[index]; }
    OptionValue& At(std::size_t index) { return values_[index]; }

private:
    std::vector<OptionValue> values_; // parallel to OptionTable()
};

} // namespace options
