#pragma once
// Text encodings of settings files: they are written in UTF-8; files written by the Windows version are in the
// Japanese code page (CP932, Shift-JIS), and their lines are recognised by not being valid UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace settings {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// One line of a settings file (without its line end) as UTF-8: as it is when it is valid UTF-8, otherwise
// converted from CP932, so a single line in another encoding garbles nothing else. Bytes that CP932 cannot
// decode each become U+FFFD, so any input gives valid UTF-8. The first line loses its byte-order marks.
std::string DecodeSettingsLine(std::string_view bytes, bool first);

// The text of a settings file as UTF-8, decoded line by line as above.
std::string DecodeSettingsText(std::string_view bytes);

// `bytes` converted from CP932 to UTF-8, each undecodable byte replaced by U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-8 text in CP932, or nothing when it holds a character CP932 has no code for (or is not UTF-8).
std::optional<std::string> Utf8ToCp932(std::string_view text);

} // namespace settings
