#include "options/SpinValue.h"

#include <limits>

namespace options {

std::optional<std::int32_t> ParseSpinInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    // Magnitude limit: one more than INT32_MAX so that INT32_MIN parses.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t SpinValueOf(std::string_view text, std::int32_t minimum) {
    return ParseSpinInteger(text).value_or(minimum);
}

std::int32_t CheckSpinRange(std::int64_t value, std::int32_t minimum, std::int32_t maximum) {
    if (minimum != maximum) {
        if (value < minimum) {
            return minimum;
        }
        if (value > maximum) {
            return maximum;
        }
        return static_cast<std::int32_t>(value);
    }
    // Unbounded: the value passes, but it still has to be a 32-bit integer.
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

std::string SpinText(std::int32_t value) {
    return std::to_string(value);
}

bool IsAcceptedSpinChar(char32_t c) {
    return (c >= U'0' && c <= U'9') || c == U'+' || c == U'-' || c == U'.';
}

} // namespace options
