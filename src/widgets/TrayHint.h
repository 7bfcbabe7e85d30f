#pragma once
// The notification-area tooltip text: the part before the first "|", no longer than 63 bytes in the
// Japanese ANSI code page (Shift-JIS), cut only between characters.
#include <string>

namespace widgets {

constexpr int kTrayTipBytes = 63;

// Bytes one Unicode character takes in Shift-JIS: 1 for ASCII and half-width katakana, 2 for the rest.
int Cp932CharBytes(char32_t codePoint);
// Bytes of a UTF-8 string in Shift-JIS.
int Cp932Length(const std::string& utf8);
// The shown part of a hint (UTF-8 in, UTF-8 out).
std::string ShortHint(const std::string& hint, int maxBytes = kTrayTipBytes);

} // namespace widgets
