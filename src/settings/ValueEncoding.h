#pragma once
// How single values are written into a settings file and read back: integers, Booleans and colours.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options/Colour.h"

namespace settings {

// A stored integer: decimal with an optional sign ("-12"), or hexadecimal after "$" ("$1F", "-$1F"); a text
// longer than two characters that begins with "0x" or "0X" reads as "$" and the rest. Hexadecimal covers 32 bits,
// so "$FFFFFFFF" is -1. Nothing for an empty text or any other text.
std::optional<std::int32_t> ParseStoredInteger(std::string_view text);
// Decimal digits, "-" in front of a negative number.
std::string IntegerText(std::int64_t value);

std::string BooleanText(bool value); // "1" or "0"

// The colour's name when it has one ("clYellow"), otherwise "$" and eight upper-case hexadecimal digits.
std::string ColourText(options::Colour colour);
// A colour name (any letter case), or an integer: decimal, or hexadecimal after "$". No "0x" form here.
// Nothing for any other text.
std::optional<options::Colour> ParseColourText(std::string_view text);

// The named colour of that name (any letter case) or of that value.
std::optional<options::Colour> NamedColour(std::string_view name);
std::optional<std::string_view> ColourName(options::Colour colour);

} // namespace settings
