#pragma once
// 32-bit colour values as the options store them. An ordinary colour keeps red in the lowest byte, then green, then
// blue, and a zero top byte; a value with the top bit set names a system colour by its index in the low bits.

#include <cstdint>

namespace options {

using Colour = std::uint32_t;

inline constexpr Colour kSystemColourFlag = 0x80000000u;

inline constexpr Colour kBlack = 0x00000000u;
inline constexpr Colour kYellow = 0x0000FFFFu;
// Start value of both transparent colours: blue 1, green 0, red 0, so that pure black stays opaque.
inline constexpr Colour kTransparentStart = 0x00010000u;
inline constexpr Colour kWindowColour = kSystemColourFlag | 0x05u;     // window background
inline constexpr Colour kButtonFaceColour = kSystemColourFlag | 0x0Fu; // button face

constexpr bool IsSystemColour(Colour colour) {
    return (colour & kSystemColourFlag) != 0;
}
// Index of a system colour (only meaningful when IsSystemColour).
constexpr std::uint32_t SystemColourIndex(Colour colour) {
    return colour & ~kSystemColourFlag;
}

constexpr std::uint8_t Red(Colour colour) {
    return static_cast<std::uint8_t>(colour & 0xFFu);
}
constexpr std::uint8_t Green(Colour colour) {
    return static_cast<std::uint8_t>((colour >> 8) & 0xFFu);
}
constexpr std::uint8_t Blue(Colour colour) {
    return static_cast<std::uint8_t>((colour >> 16) & 0xFFu);
}

constexpr Colour MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) | (static_cast<Colour>(blue) << 16);
}

} // namespace options
