#pragma once
// Little-endian byte helpers for the FlashPix streams: bounds-checked loads and appends.
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "imaging/Error.h"

namespace imaging::codecs::fpx {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// A class ID (or format ID) as stored: the first three groups little-endian, the rest as written.
using ClassId = std::array<std::uint8_t, 16>;

// The FlashPix class IDs all share the tail -C154-11CE-8553-00AA00A1F95B; only the first group differs.
constexpr ClassId FlashPixId(std::uint32_t first) {
    return {std::uint8_t(first),
            std::uint8_t(first >> 8),
            std::uint8_t(first >> 16),
            std::uint8_t(first >> 24),
            0x54,
            0xC1,
            0xCE,
            0x11,
            0x85,
            0x53,
            0x00,
            0xAA,
            0x00,
            0xA1,
            0xF9,
            0x5B};
}

inline bool Fits(ByteSpan bytes, std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

inline void Need(ByteSpan bytes, std::uint64_t offset, std::uint64_t size, const char* what) {
    if (!Fits(bytes, offset, size)) Fail(std::string("FlashPix ") + what + " is truncated");
}

inline std::uint16_t LoadU16(ByteSpan bytes, std::size_t offset, const char* what) {
    Need(bytes, offset, 2, what);
    return std::uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t LoadU32(ByteSpan bytes, std::size_t offset, const char* what) {
    Need(bytes, offset, 4, what);
    return std::uint32_t(bytes[offset]) | std::uint32_t(bytes[offset + 1]) << 8 |
           std::uint32_t(bytes[offset + 2]) << 16 | std::uint32_t(bytes[offset + 3]) << 24;
}

inline void AppendU16(Bytes& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

inline void AppendU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

inline void AppendBytes(Bytes& out, ByteSpan bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Pads to a multiple of four bytes with zeros.
inline void AlignTo4(Bytes& out) {
    while (out.size() % 4 != 0)
        out.push_back(0);
}

} // namespace imaging::codecs::fpx
