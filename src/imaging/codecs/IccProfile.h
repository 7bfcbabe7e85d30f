#pragma once
// What an embedded ICC profile says of the pixels it comes with, read from the profile's own tags.
#include <cstddef>
#include <cstdint>

namespace imaging::codecs {

// True when the profile describes sRGB itself: an RGB matrix profile (no lookup tables) whose colorants are
// sRGB's (adapted to D50, as profiles store them) and whose three tone curves follow sRGB's curve within a
// fraction of one 16-bit step. Converting such pixels to sRGB would change nothing but rounding, so a loader may
// keep them as they are. Anything unreadable, cut short or different is false.
bool IsSrgbProfile(const std::uint8_t* data, std::size_t size);

} // namespace imaging::codecs
