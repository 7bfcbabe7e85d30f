#pragma once
// Rules of a number field (spin edit): it keeps its text as typed, its value is that text parsed without range
// check, and setting a value range-checks it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace options {

// A decimal 32-bit integer: optional leading spaces, an optional "+" or "-", then one or more ASCII digits and
// nothing else. No trailing blanks, no hexadecimal, no decimal point; a value outside the signed 32-bit range is
// not an integer. Returns nothing for any other text.
std::optional<std::int32_t> ParseSpinInteger(std::string_view text);

// The value of a field holding `text`: the parsed integer, or `minimum` when the text is empty or not an integer.
std::int32_t SpinValueOf(std::string_view text, std::int32_t minimum);

// Limits `value` to minimum..maximum; when minimum == maximum the field is unbounded and any value passes.
std::int32_t CheckSpinRange(std::int64_t value, std::int32_t minimum, std::int32_t maximum);

// Decimal text of a value, "-" in front of a negative one.
std::string SpinText(std::int32_t value);

// Characters typing may insert into a number field besides the editing keys: digits, "+", "-" and the decimal
// separator ".". Anything else is refused by the field.
bool IsAcceptedSpinChar(char32_t c);

} // namespace options
