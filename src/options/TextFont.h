#pragma once
// The text font of the caption, as the font picker holds it.

#include <cstdint>
#include <string>

#include "options/Colour.h"

namespace options {

// Style set; the bit values are also the settings file's encoding.
using FontStyles = std::uint8_t;
inline constexpr FontStyles kFontBold = 0x01;
inline constexpr FontStyles kFontItalic = 0x02;
inline constexpr FontStyles kFontUnderline = 0x04;
inline constexpr FontStyles kFontStrikeOut = 0x08;
inline constexpr FontStyles kFontStyleMask = 0x0F;

// Pitch as stored: 0 default, 1 variable, 2 fixed. Any other byte is kept as given.
enum class FontPitch : std::uint8_t { Default = 0, Variable = 1, Fixed = 2 };

struct TextFont {
    std::string name = "ＭＳ Ｐゴシック"; // stored face; mapped to an installed Japanese face only when drawing
    int size = 9;                         // points
    FontStyles style = 0;                 // only the kFontStyleMask bits are ever set
    Colour colour = kBlack;
    FontPitch pitch = FontPitch::Default;
    std::uint8_t charset = 0; // character set number; 128 is the Japanese set

    bool Has(FontStyles flag) const { return (style & flag) != 0; }
    bool operator==(const TextFont&) const = default;
};

} // namespace options
