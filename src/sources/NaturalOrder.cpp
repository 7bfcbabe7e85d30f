#include "sources/NaturalOrder.h"

namespace sources {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

unsigned char Folded(char c) {
    return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

// The run of digits starting at `at`, without its leading zeros; `at` moves past the run.
std::string_view DigitRun(std::string_view text, std::size_t& at) {
    std::size_t start = at;
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    while (start + 1 < at && text[start] == '0')
        ++start;
    return text.substr(start, at - start);
}

// <0, 0 or >0 as `left` comes before, beside or after `right` in the natural order alone.
int NaturalCompare(std::string_view left, std::string_view right) {
    std::size_t i = 0, j = 0;
    while (i < left.size() && j < right.size()) {
        if (IsDigit(left[i]) && IsDigit(right[j])) {
            const std::string_view a = DigitRun(left, i);
            const std::string_view b = DigitRun(right, j);
            if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
            if (const int digits = a.compare(b); digits != 0) return digits;
            continue;
        }
        const unsigned char a = Folded(left[i++]);
        const unsigned char b = Folded(right[j++]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (i < left.size()) return 1;
    if (j < right.size()) return -1;
    return 0;
}

} // namespace

bool NaturalLess(std::string_view left, std::string_view right) {
    const int natural = NaturalCompare(left, right);
    return natural != 0 ? natural < 0 : left < right;
}

} // namespace sources
