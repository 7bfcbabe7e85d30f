// Reading an ICC profile's header and tag table far enough to recognise sRGB: the colorant tags (type 'XYZ ')
// and the tone curves (type 'curv' as a table, or 'para'). Every offset is checked against the profile's size.
#include "imaging/codecs/IccProfile.h"

#include "imaging/codecs/ByteIo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace imaging::codecs {

namespace {

constexpr std::uint32_t Signature(const char (&text)[5]) {
    return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
           std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint32_t(std::uint8_t(text[3]));
}

class Profile {
public:
    Profile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::optional<std::uint32_t> U32(std::size_t at) const {
        if (at > size_ || size_ - at < 4) return std::nullopt;
        return Be32(data_ + at);
    }
    std::optional<std::uint16_t> U16(std::size_t at) const {
        if (at > size_ || size_ - at < 2) return std::nullopt;
        return Be16(data_ + at);
    }
    // An s15Fixed16Number.
    std::optional<double> Fixed(std::size_t at) const {
        std::optional<std::uint32_t> raw = U32(at);
        if (!raw) return std::nullopt;
        return double(std::int32_t(*raw)) / 65536.0;
    }

    // Where a tag's data starts and how long it is; nothing when the tag is absent or lies outside the profile.
    struct Tag {
        std::size_t offset;
        std::size_t size;
    };
    std::optional<Tag> Find(std::uint32_t signature) const {
        std::optional<std::size_t> entry = Entry(signature);
        if (!entry) return std::nullopt;
        std::optional<std::uint32_t> offset = U32(*entry + 4);
        std::optional<std::uint32_t> length = U32(*entry + 8);
        if (!offset || !length || *offset > size_ || size_ - *offset < *length || *length < 8) return std::nullopt;
        return Tag{*offset, *length};
    }
    bool Has(std::uint32_t signature) const { return Entry(signature).has_value(); }

private:
    // The tag table entry for `signature`.
    std::optional<std::size_t> Entry(std::uint32_t signature) const {
        std::optional<std::uint32_t> count = U32(128);
        if (!count || *count > (size_ - 132) / 12) return std::nullopt;
        for (std::uint32_t i = 0; i < *count; ++i) {
            const std::size_t entry = 132 + std::size_t(i) * 12;
            if (U32(entry) == signature) return entry;
        }
        return std::nullopt;
    }

    const std::uint8_t* data_;
    std::size_t size_;
};

// sRGB's primaries adapted to D50 with the Bradford transform, as matrix profiles store them.
constexpr std::array<std::array<double, 3>, 3> kSrgbColorants{{
    {0.4360747, 0.2225045, 0.0139322},
    {0.3850649, 0.7168786, 0.0971045},
    {0.1430804, 0.0606169, 0.7141733},
}};
// Profiles round their colorants to 16 fractional bits and often derive them from slightly different figures.
constexpr double kColorantTolerance = 0.002;

double SrgbToLinear(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

bool ColorantIsSrgb(const Profile& profile, std::uint32_t signature, const std::array<double, 3>& expected) {
    std::optional<Profile::Tag> tag = profile.Find(signature);
    if (!tag || tag->size < 20 || profile.U32(tag->offset) != Signature("XYZ ")) return false;
    for (int i = 0; i < 3; ++i) {
        std::optional<double> value = profile.Fixed(tag->offset + 8 + std::size_t(i) * 4);
        if (!value || std::abs(*value - expected[std::size_t(i)]) > kColorantTolerance) return false;
    }
    return true;
}

// The tone curve at v in [0, 1], for the two kinds of curve a matrix profile carries.
std::optional<double> CurveAt(const Profile& profile, const Profile::Tag& tag, double v) {
    std::optional<std::uint32_t> type = profile.U32(tag.offset);
    if (type == Signature("curv")) {
        std::optional<std::uint32_t> count = profile.U32(tag.offset + 8);
        // No entries is the identity and one entry a plain power: neither is sRGB's curve.
        if (!count || *count < 2 || *count > (tag.size - 12) / 2) return std::nullopt;
        const double position = v * double(*count - 1);
        const std::uint32_t below = std::min(std::uint32_t(position), *count - 2);
        std::optional<std::uint16_t> a = profile.U16(tag.offset + 12 + std::size_t(below) * 2);
        std::optional<std::uint16_t> b = profile.U16(tag.offset + 12 + std::size_t(below + 1) * 2);
        if (!a || !b) return std::nullopt;
        const double t = position - double(below);
        return (double(*a) * (1.0 - t) + double(*b) * t) / 65535.0;
    }
    if (type == Signature("para")) {
        std::optional<std::uint16_t> function = profile.U16(tag.offset + 8);
        static constexpr std::array<int, 5> kParameters{1, 3, 4, 5, 7};
        if (!function || *function >= kParameters.size()) return std::nullopt;
        const int wanted = kParameters[*function];
        if (tag.size < 12 + std::size_t(wanted) * 4) return std::nullopt;
        std::array<double, 7> p{1, 1, 0, 0, 0, 0, 0};
        for (int i = 0; i < wanted; ++i) {
            std::optional<double> value = profile.Fixed(tag.offset + 12 + std::size_t(i) * 4);
            if (!value) return std::nullopt;
            p[std::size_t(i)] = *value;
        }
        const double g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
        auto power = [&](double x) { return x > 0 ? std::pow(x, g) : 0.0; };
        switch (*function) {
        case 0:
            return power(v);
        case 1:
            return v >= -b / a ? power(a * v + b) : 0.0;
        case 2:
            return v >= -b / a ? power(a * v + b) + c : c;
        case 3:
            return v >= d ? power(a * v + b) : c * v;
        default:
            return v >= d ? power(a * v + b) + e : c * v + f;
        }
    }
    return std::nullopt;
}

// A curve table rounds to 16 bits, and sRGB's curve is written as 1024 entries or as parameters rounded to
// 16 fractional bits: allow a little more than that, far less than what tells another curve apart (a plain
// 2.2 power is 0.0014 away near black and 0.0036 in the middle).
constexpr double kCurveTolerance = 0.0004;

bool CurveIsSrgb(const Profile& profile, std::uint32_t signature) {
    std::optional<Profile::Tag> tag = profile.Find(signature);
    if (!tag || tag->size < 12) return false;
    constexpr int kPoints = 64;
    for (int i = 0; i <= kPoints; ++i) {
        const double v = double(i) / kPoints;
        std::optional<double> value = CurveAt(profile, *tag, v);
        if (!value || !std::isfinite(*value) || std::abs(*value - SrgbToLinear(v)) > kCurveTolerance) return false;
    }
    return true;
}

} // namespace

bool IsSrgbProfile(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 132) return false;
    Profile profile(data, size);
    if (profile.U32(16) != Signature("RGB ") || profile.U32(20) != Signature("XYZ ")) return false;
    // A profile with lookup tables is converted through them, whatever its matrix says.
    for (const char* lut : {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "D2B0", "B2D0"}) {
        const char text[5] = {lut[0], lut[1], lut[2], lut[3], 0};
        if (profile.Has(Signature(text))) return false;
    }
    return ColorantIsSrgb(profile, Signature("rXYZ"), kSrgbColorants[0]) &&
           ColorantIsSrgb(profile, Signature("gXYZ"), kSrgbColorants[1]) &&
           ColorantIsSrgb(profile, Signature("bXYZ"), kSrgbColorants[2]) && CurveIsSrgb(profile, Signature("rTRC")) &&
           CurveIsSrgb(profile, Signature("gTRC")) && CurveIsSrgb(profile, Signature("bTRC"));
}

} // namespace imaging::codecs
