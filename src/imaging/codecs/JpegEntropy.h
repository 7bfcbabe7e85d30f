#pragma once
// The entropy-coded data of a Huffman-coded JPEG scan, as the DC-only decoder reads it: finding markers, reading
// bits with the stuffing removed, and canonical Huffman tables with a fast path for DC differences.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging::codecs::jpegdc {

inline bool IsRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// The position of the next marker at or after pos (its first 0xFF, fill bytes included), passing over 0xFF00
// stuffing and, when skipRestarts, RST0-7; the size of the data when there is none.
inline std::size_t NextMarker(std::span<const std::uint8_t> data, std::size_t pos, bool skipRestarts) {
    while (pos < data.size()) {
        const void* found = std::memchr(data.data() + pos, 0xFF, data.size() - pos);
        if (!found) break;
        const std::size_t at = std::size_t(static_cast<const std::uint8_t*>(found) - data.data());
        std::size_t code = at + 1;
        while (code < data.size() && data[code] == 0xFF)
            ++code;
        if (code >= data.size()) break;
        if (data[code] != 0x00 && !(skipRestarts && IsRestart(data[code]))) return at;
        pos = code + 1;
    }
    return data.size();
}

// Bits of a scan's entropy-coded data, most significant first, with the stuffing removed. Filling stops at the
// next marker (or the end of the data); what a decoder takes beyond it reads as zeros and marks an overrun.
class BitReader {
public:
    BitReader(std::span<const std::uint8_t> data, std::size_t pos) : data_(data), pos_(pos) {}

    // Just past the last byte taken into the buffer; never past a marker.
    std::size_t position() const { return pos_; }
    bool overrun() const { return count_ < padding_; }

    // The next n bits (1..16) without taking them.
    std::uint32_t Peek(int n) {
        if (count_ < n) Fill();
        return std::uint32_t(acc_ >> (64 - n));
    }
    void Skip(int n) {
        acc_ <<= n;
        count_ -= n;
    }
    std::uint32_t Get(int n) {
        const std::uint32_t value = Peek(n);
        Skip(n);
        return value;
    }
    // Drops the buffered bits (the padding before a restart marker) and goes on reading at pos.
    void Restart(std::size_t pos) {
        acc_ = 0;
        count_ = 0;
        padding_ = 0;
        pos_ = pos;
    }

private:
    void Fill() {
        while (count_ <= 56) {
            std::uint64_t byte = 0;
            const bool data =
                pos_ < data_.size() && (data_[pos_] != 0xFF || (pos_ + 1 < data_.size() && data_[pos_ + 1] == 0x00));
            if (data) {
                byte = data_[pos_];
                pos_ += byte == 0xFF ? 2 : 1;
            } else {
                padding_ += 8;
            }
            acc_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_;
    std::uint64_t acc_ = 0;
    int count_ = 0;   // valid bits at the top of acc_, padding included
    int padding_ = 0; // zero bits supplied at the marker; consuming into them is an overrun
};

constexpr int kLookBits = 9;

// A canonical Huffman table: codes up to kLookBits long through one lookup, longer ones by length.
class HuffmanTable {
public:
    // counts[i]: the number of codes of length i + 1. False when the codes do not fit their lengths (the code
    // of all one bits is reserved).
    bool Build(const std::uint8_t* counts, std::span<const std::uint8_t> symbols) {
        fast_.fill(0);
        std::copy(symbols.begin(), symbols.end(), values_.begin());
        size_ = int(symbols.size());
        int code = 0, k = 0;
        for (int len = 1; len <= 16; ++len) {
            valueOffset_[len] = k - code;
            for (int i = 0; i < counts[len - 1]; ++i, ++code, ++k) {
                if (code + 1 >= (1 << len)) return false;
                if (len > kLookBits) continue;
                const int shift = kLookBits - len;
                for (int low = 0; low < (1 << shift); ++low)
                    fast_[std::size_t((code << shift) | low)] = std::uint16_t(len << 8 | values_[std::size_t(k)]);
            }
            maxCode_[len] = counts[len - 1] ? code - 1 : -1;
            code <<= 1;
        }
        // A DC difference whose code and extra bits fit the lookup together is read in one step.
        for (std::size_t prefix = 0; prefix < fast_.size(); ++prefix) {
            const int len = fast_[prefix] >> 8, category = fast_[prefix] & 0xFF;
            fastDifference_[prefix] = 0;
            if (len == 0 || category > 15 || len + category > kLookBits) continue;
            const int extra = int(prefix >> (kLookBits - len - category)) & ((1 << category) - 1);
            fastDifference_[prefix] = Extend(extra, category) * 256 + len + category;
        }
        defined_ = true;
        return true;
    }
    bool defined() const { return defined_; }
    // Whether every symbol is a DC difference's size (0 to 15), as libjpeg demands of a table a DC scan uses.
    bool HoldsDcSizes() const {
        return std::all_of(values_.begin(), values_.begin() + size_, [](std::uint8_t v) { return v <= 15; });
    }

    // The next DC difference (a category symbol, then that many bits), or false for a bit sequence that is no
    // code or a category beyond 15.
    bool DecodeDifference(BitReader& bits, int& difference) const {
        const int entry = fastDifference_[bits.Peek(kLookBits)];
        if (entry != 0) {
            bits.Skip(entry & 0xFF);
            difference = entry >> 8;
            return true;
        }
        const int category = Decode(bits);
        if (category < 0 || category > 15) return false;
        difference = category ? Extend(int(bits.Get(category)), category) : 0;
        return true;
    }

    // The next symbol, or -1 for a bit sequence that is no code.
    int Decode(BitReader& bits) const {
        const std::uint32_t peek = bits.Peek(16);
        const std::uint16_t entry = fast_[peek >> (16 - kLookBits)];
        if (entry != 0) {
            bits.Skip(entry >> 8);
            return entry & 0xFF;
        }
        for (int len = kLookBits + 1; len <= 16; ++len) {
            const int code = int(peek >> (16 - len));
            if (code > maxCode_[len]) continue;
            const int index = code + valueOffset_[len];
            if (index < 0 || index >= size_) return -1;
            bits.Skip(len);
            return values_[std::size_t(index)];
        }
        return -1;
    }

private:
    // The value of `bits` read as a difference of the category: low values stand for negative ones.
    static int Extend(int bits, int category) {
        return category != 0 && bits < 1 << (category - 1) ? bits - (1 << category) + 1 : bits;
    }

    std::array<std::uint16_t, 1 << kLookBits> fast_{}; // length << 8 | symbol; 0 for longer codes
    std::array<int, 1 << kLookBits> fastDifference_{}; // difference * 256 + bits used; 0 when longer
    std::array<int, 17> maxCode_{};
    std::array<int, 17> valueOffset_{};
    std::array<std::uint8_t, 256> values_{};
    int size_ = 0;
    bool defined_ = false;
};

} // namespace imaging::codecs::jpegdc
