#include "options/OptionValues.h"

#include <stdexcept>

#include "options/SpinValue.h"
#include "options/OptionKeys.h"

namespace options {

OptionValues::OptionValues(std::string_view programFolder) {
    for (OptionDescriptor& d : OptionTable(programFolder)) {
        values_.push_back(std::move(d.startValue));
    }
}

std::size_t OptionValues::Slot(std::string_view key, OptionKind kind, OptionKind otherKind) {
    const std::size_t index = OptionIndex(key);
    const OptionKind actual = DescribeOption(key).kind;
    if (actual != kind && actual != otherKind) {
        throw std::invalid_argument("option \"" + std::string(key) + "\" is a " + KindName(actual) + " option, not a " +
                                    KindName(kind) + " option");
    }
    return index;
}

const std::string& OptionValues::Text(std::string_view key) const {
    return std::get<std::string>(At(Slot(key, OptionKind::Text, OptionKind::Choice)));
}

const std::string& OptionValues::SpinText(std::string_view key) const {
    return std::get<std::string>(At(Slot(key, OptionKind::Number)));
}

std::int32_t OptionValues::SpinValue(std::string_view key) const {
    return SpinValueOf(SpinText(key), DescribeOption(key).minimum);
}

bool OptionValues::Checked(std::string_view key) const {
    return std::get<bool>(At(Slot(key, OptionKind::Switch, OptionKind::CaseRule)));
}

int OptionValues::Level(std::string_view key) const {
    return std::get<int>(At(Slot(key, OptionKind::Level)));
}

const TextFont& OptionValues::Font() const {
    return std::get<TextFont>(At(Slot(keys::CaptionFont, OptionKind::Font)));
}

Colour OptionValues::ColourOf(std::string_view key) const {
    return std::get<Colour>(At(Slot(key, OptionKind::ColourValue)));
}

CaseRule OptionValues::SelectedCase() const {
    if (Checked(keys::CaseLower)) {
        return CaseRule::Lower;
    }
    if (Checked(keys::CaseUpper)) {
        return CaseRule::Upper;
    }
    return CaseRule::Keep;
}

const OptionValue& OptionValues::Value(std::string_view key) const {
    return At(OptionIndex(key));
}

} // namespace options
