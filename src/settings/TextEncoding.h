#pragma once
// Text encodings of settings files: they are written in UTF-8; files written by the Windows version are in the
// Japanese code page (CP932, Shift-JIS) and are recognised by not being valid UTF-8.

#include <string>
#include <string_view>

namespace settings {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The text of a settings file as UTF-8: a UTF-8 file as it is (without a leading byte-order mark), anything else
// converted from CP932. Bytes that CP932 cannot decode each become U+FFFD, so any input gives valid UTF-8.
std::string DecodeSettingsText(std::string_view bytes);

// `bytes` converted from CP932 to UTF-8, each undecodable byte replaced by U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

}  // namespace settings
