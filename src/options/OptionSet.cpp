#include "options/OptionSet.h"

#include <algorithm>
#include "options/OptionKeys.h"

namespace options {

namespace {

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace

OptionSet::OptionSet(std::string programFolder)
    : OptionValues(WithTrailingSeparator(programFolder)),
      programFolder_(WithTrailingSeparator(std::move(programFolder))), descriptors_(OptionTable(programFolder_)) {}

void OptionSet::SetText(std::string_view key, std::string text) {
    Apply(Slot(key, OptionKind::Text, OptionKind::Choice), std::move(text));
}

const std::vector<std::string>& OptionSet::Items(std::string_view key) const {
    return descriptors_[Slot(key, OptionKind::Choice)].items;
}

void OptionSet::SetSpinText(std::string_view key, std::string text) {
    Apply(Slot(key, OptionKind::Number), std::move(text));
}

void OptionSet::SetSpinValue(std::string_view key, std::int64_t value) {
    Apply(Slot(key, OptionKind::Number), options::SpinText(CheckRange(key, value)));
}

void OptionSet::LeaveSpin(std::string_view key) {
    const std::int32_t value = SpinValue(key);
    if (CheckRange(key, value) != value) {
        SetSpinValue(key, value);
    }
}

void OptionSet::StepSpin(std::string_view key, int delta) {
    SetSpinValue(key, static_cast<std::int64_t>(SpinValue(key)) + delta);
}

std::int32_t OptionSet::SpinMinimum(std::string_view key) const {
    return descriptors_[Slot(key, OptionKind::Number)].minimum;
}

std::int32_t OptionSet::SpinMaximum(std::string_view key) const {
    return descriptors_[Slot(key, OptionKind::Number)].maximum;
}

std::int32_t OptionSet::CheckRange(std::string_view key, std::int64_t value) const {
    const OptionDescriptor& d = descriptors_[Slot(key, OptionKind::Number)];
    return CheckSpinRange(value, d.minimum, d.maximum);
}

void OptionSet::SetChecked(std::string_view key, bool checked) {
    const std::size_t index = Slot(key, OptionKind::Switch, OptionKind::CaseRule);
    if (descriptors_[index].kind == OptionKind::Switch) {
        Apply(index, checked);
        return;
    }
    if (!checked) {
        return;
    }
    std::vector<Change> changes;
    for (const char* radio : {keys::CaseKept, keys::CaseLower, keys::CaseUpper}) {
        changes.emplace_back(OptionIndex(radio), radio == key);
    }
    // The one losing its selection is told first, then the newly selected one.
    std::stable_partition(changes.begin(), changes.end(),
                          [](const Change& change) { return !std::get<bool>(change.second); });
    Apply(std::move(changes));
}

void OptionSet::SetCaseRule(CaseRule rule) {
    switch (rule) {
    case CaseRule::Keep:
        SetChecked(keys::CaseKept, true);
        break;
    case CaseRule::Lower:
        SetChecked(keys::CaseLower, true);
        break;
    case CaseRule::Upper:
        SetChecked(keys::CaseUpper, true);
        break;
    }
}

void OptionSet::SetLevel(std::string_view key, std::int64_t level) {
    Apply(Slot(key, OptionKind::Level), static_cast<int>(std::clamp<std::int64_t>(level, 0, 100)));
}

void OptionSet::SetFont(TextFont font) {
    font.style &= kFontStyleMask;
    Apply(Slot(keys::CaptionFont, OptionKind::Font), std::move(font));
}

void OptionSet::SetColour(std::string_view key, Colour colour) {
    Apply(Slot(key, OptionKind::ColourValue), colour);
}

void OptionSet::Assign(const OptionValues& values) {
    std::vector<Change> changes;
    for (const OptionDescriptor& d : descriptors_) {
        changes.emplace_back(OptionIndex(d.key), values.Value(d.key));
    }
    Apply(std::move(changes));
}

Subscription OptionSet::Subscribe(std::string_view key, ChangeListener listener) {
    return listeners_->Add(OptionIndex(key), std::move(listener));
}

Subscription OptionSet::SubscribeAll(ChangeListener listener) {
    return listeners_->Add(std::nullopt, std::move(listener));
}

void OptionSet::Apply(std::size_t index, OptionValue value) {
    std::vector<Change> changes;
    changes.emplace_back(index, std::move(value));
    Apply(std::move(changes));
}

void OptionSet::Apply(std::vector<Change> changes) {
    std::vector<std::size_t> changed;
    for (auto& [index, value] : changes) {
        if (At(index) != value) {
            At(index) = std::move(value);
            changed.push_back(index);
        }
    }
    for (std::size_t index : changed) {
        listeners_->Notify(index, descriptors_[index].key);
    }
}

} // namespace options
