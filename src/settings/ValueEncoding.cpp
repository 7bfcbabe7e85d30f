#include "settings/ValueEncoding.h"

#include <array>
#include <cstdio>
#include <limits>
#include <utility>

#include "options/SpinValue.h"

namespace settings {

namespace {

using options::Colour;

struct NamedColourEntry {
    std::string_view name;
    Colour value;
};

constexpr std::array<NamedColourEntry, 42> kNamedColours{{
    {"clBlack", 0x00000000u},         {"clMaroon", 0x00000080u},
    {"clGreen", 0x00008000u},         {"clOlive", 0x00008080u},
    {"clNavy", 0x00800000u},          {"clPurple", 0x00800080u},
    {"clTeal", 0x00808000u},          {"clGray", 0x00808080u},
    {"clSilver", 0x00C0C0C0u},        {"clRed", 0x000000FFu},
    {"clLime", 0x0000FF00u},          {"clYellow", 0x0000FFFFu},
    {"clBlue", 0x00FF0000u},          {"clFuchsia", 0x00FF00FFu},
    {"clAqua", 0x00FFFF00u},          {"clWhite", 0x00FFFFFFu},
    {"clScrollBar", 0x80000000u},     {"clBackground", 0x80000001u},
    {"clActiveCaption", 0x80000002u}, {"clInactiveCaption", 0x80000003u},
    {"clMenu", 0x80000004u},          {"clWindow", 0x80000005u},
    {"clWindowFrame", 0x80000006u},   {"clMenuText", 0x80000007u},
    {"clWindowText", 0x80000008u},    {"clCaptionText", 0x80000009u},
    {"clActiveBorder", 0x8000000Au},  {"clInactiveBorder", 0x8000000Bu},
    {"clAppWorkSpace", 0x8000000Cu},  {"clHighlight", 0x8000000Du},
    {"clHighlightText", 0x8000000Eu}, {"clBtnFace", 0x8000000Fu},
    {"clBtnShadow", 0x80000010u},     {"clGrayText", 0x80000011u},
    {"clBtnText", 0x80000012u},       {"clInactiveCaptionText", 0x80000013u},
    {"clBtnHighlight", 0x80000014u},  {"cl3DDkShadow", 0x80000015u},
    {"cl3DLight", 0x80000016u},       {"clInfoText", 0x80000017u},
    {"clInfoBk", 0x80000018u},        {"clNone", 0x1FFFFFFFu},
}};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal with an optional sign, or "$" and up to 32 bits of hexadecimal after the optional sign.
std::optional<std::int32_t> ParseDecimalOrDollarHex(std::string_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size() || text[at] != '$') {
        // No leading blanks here: a stored value has already lost them, and inner ones make it no number.
        if (text.empty() || text.front() == ' ') {
            return std::nullopt;
        }
        return options::ParseSpinInteger(text);
    }
    ++at;
    if (at == text.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (; at < text.size(); ++at) {
        const int digit = HexDigit(text[at]);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (negative) {
        bits = 0u - bits;
    }
    return static_cast<std::int32_t>(bits);
}

} // namespace

std::optional<std::int32_t> ParseStoredInteger(std::string_view text) {
    if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
        std::string dollar(1, '$');
        dollar.append(text.substr(2));
        return ParseDecimalOrDollarHex(dollar);
    }
    return ParseDecimalOrDollarHex(text);
}

std::string IntegerText(std::int64_t value) {
    return std::to_string(value);
}

std::string BooleanText(bool value) {
    return value ? "1" : "0";
}

std::optional<Colour> NamedColour(std::string_view name) {
    for (const NamedColourEntry& entry : kNamedColours) {
        if (EqualsIgnoringCase(entry.name, name)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> ColourName(Colour colour) {
    for (const NamedColourEntry& entry : kNamedColours) {
        if (entry.value == colour) {
            return entry.name;
        }
    }
    return std::nullopt;
}

std::string ColourText(Colour colour) {
    if (const auto name = ColourName(colour)) {
        return std::string(*name);
    }
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(colour));
    return text;
}

std::optional<Colour> ParseColourText(std::string_view text) {
    if (const auto named = NamedColour(text)) {
        return named;
    }
    if (const auto value = ParseDecimalOrDollarHex(text)) {
        return static_cast<Colour>(*value);
    }
    return std::nullopt;
}

} // namespace settings
