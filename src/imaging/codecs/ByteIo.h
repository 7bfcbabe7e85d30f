#pragma once
// Shared by the codecs: bounds-checked little-endian reading from a file's bytes, big-endian fields, appending
// to an output buffer, and the checks encoders make on their input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/Error.h"
#include "imaging/Image.h"

namespace imaging::codecs {

// Reads fixed-position fields; any read past the end fails with "<what> is truncated".
class LeReader {
public:
    LeReader(std::span<const std::uint8_t> data, std::string what) : data_(data), what_(std::move(what)) {}

    std::size_t size() const { return data_.size(); }

    void Require(std::uint64_t pos, std::uint64_t count) const {
        if (pos > data_.size() || count > data_.size() - pos) FailTruncated(what_ + " is truncated");
    }
    std::uint8_t U8(std::size_t pos) const {
        Require(pos, 1);
        return data_[pos];
    }
    std::uint16_t U16(std::size_t pos) const {
        Require(pos, 2);
        return std::uint16_t(data_[pos] | data_[pos + 1] << 8);
    }
    std::uint32_t U32(std::size_t pos) const {
        Require(pos, 4);
        return std::uint32_t(data_[pos]) | std::uint32_t(data_[pos + 1]) << 8 | std::uint32_t(data_[pos + 2]) << 16 |
               std::uint32_t(data_[pos + 3]) << 24;
    }
    std::int32_t I32(std::size_t pos) const { return std::int32_t(U32(pos)); }
    // count bytes from pos, checked.
    std::span<const std::uint8_t> Bytes(std::size_t pos, std::size_t count) const {
        Require(pos, count);
        return data_.subspan(pos, count);
    }

private:
    std::span<const std::uint8_t> data_;
    std::string what_;
};

// A big-endian field (PNG chunks, ICC profiles) at p; the caller has checked that its bytes are there.
inline std::uint16_t Be16(const std::uint8_t* p) {
    return std::uint16_t(p[0] << 8 | p[1]);
}
inline std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

inline void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

// Encoders take rasters from our own code; a mismatch between the stated size and the pixels is a caller bug
// that must not turn into an out-of-bounds read.
inline void CheckPixelCount(std::size_t have, std::int64_t width, std::int64_t height, int samples) {
    if (width <= 0 || height <= 0 || have != std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(samples))
        Fail("image size does not match its pixels");
}

// A paletted image an encoder can write: 1 to 256 colours and every index inside the palette.
inline void CheckPaletted(const Paletted& image) {
    CheckPixelCount(image.indices.size(), image.width, image.height, 1);
    if (image.palette.empty() || image.palette.size() > 256) Fail("palette must have 1 to 256 colours");
    for (std::uint8_t index : image.indices)
        if (index >= image.palette.size()) Fail("colour index outside the palette");
}

} // namespace imaging::codecs
