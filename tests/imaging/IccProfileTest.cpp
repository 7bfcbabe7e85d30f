// Recognising an embedded sRGB profile: profiles written by a colour engine and built here tag by tag, profiles
// that differ from sRGB in one point, and profiles cut short or pointing outside themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/codecs/IccProfile.h"

namespace {

using imaging::codecs::IsSrgbProfile;
using testsupport::DataDir;
using Bytes = std::vector<std::uint8_t>;

bool IsSrgb(const Bytes& profile) {
    return IsSrgbProfile(profile.data(), profile.size());
}

Bytes Fixture(const char* name) {
    return testsupport::ReadBytes(DataDir() / "imaging" / "icc" / name);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.at(at + std::size_t(i)) = std::uint8_t(value >> (24 - 8 * i));
}
void Append32(Bytes& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    Put32(out, out.size() - 4, value);
}
void AppendText(Bytes& out, const char* four) {
    out.insert(out.end(), four, four + 4);
}
void AppendFixed(Bytes& out, double value) {
    Append32(out, std::uint32_t(std::int32_t(std::lround(value * 65536.0))));
}

double SrgbCurve(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

struct MatrixProfile {
    const char* colourSpace = "RGB ";
    double colorants[3][3] = {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
    double (*curve)(double) = SrgbCurve;
    int curveEntries = 1024;
    bool withLookupTable = false;

    // A matrix profile laid out as colour engines write one: header, tag table, then each tag's data.
    Bytes Build() const {
        std::vector<std::pair<const char*, Bytes>> tags;
        const char* colorantNames[3] = {"rXYZ", "gXYZ", "bXYZ"};
        for (int c = 0; c < 3; ++c) {
            Bytes xyz;
            AppendText(xyz, "XYZ ");
            Append32(xyz, 0);
            for (double v : colorants[c])
                AppendFixed(xyz, v);
            tags.emplace_back(colorantNames[c], xyz);
        }
        Bytes curv;
        AppendText(curv, "curv");
        Append32(curv, 0);
        Append32(curv, std::uint32_t(curveEntries));
        for (int i = 0; i < curveEntries; ++i) {
            const auto value = std::uint16_t(std::lround(curve(double(i) / (curveEntries - 1)) * 65535.0));
            curv.push_back(std::uint8_t(value >> 8));
            curv.push_back(std::uint8_t(value));
        }
        for (const char* name : {"rTRC", "gTRC", "bTRC"})
            tags.emplace_back(name, curv);
        if (withLookupTable) tags.emplace_back("A2B0", Bytes(64, 0));

        Bytes out(128, 0);
        std::memcpy(&out[12], "mntr", 4);
        std::memcpy(&out[16], colourSpace, 4);
        std::memcpy(&out[20], "XYZ ", 4);
        std::memcpy(&out[36], "acsp", 4);
        Append32(out, std::uint32_t(tags.size()));
        std::size_t offset = out.size() + tags.size() * 12;
        for (const auto& [name, data] : tags) {
            AppendText(out, name);
            Append32(out, std::uint32_t(offset));
            Append32(out, std::uint32_t(data.size()));
            offset += (data.size() + 3) / 4 * 4;
        }
        for (const auto& [name, data] : tags) {
            out.insert(out.end(), data.begin(), data.end());
            out.resize((out.size() + 3) / 4 * 4, 0);
        }
        Put32(out, 0, std::uint32_t(out.size()));
        return out;
    }
};

TEST(IccProfile, RecognisesSrgbAsColourEnginesWriteIt) {
    // Written by Little CMS (parametric curves).
    EXPECT_TRUE(IsSrgb(Fixture("srgb-lcms.icc")));
    // Curves as 1024-entry tables, the common layout of camera and editor profiles.
    EXPECT_TRUE(IsSrgb(MatrixProfile{}.Build()));
    MatrixProfile fine;
    fine.curveEntries = 4096;
    EXPECT_TRUE(IsSrgb(fine.Build()));
}

TEST(IccProfile, RefusesProfilesThatDifferFromSrgb) {
    EXPECT_FALSE(IsSrgb(Fixture("wide.icc")));
    MatrixProfile gamma22;
    gamma22.curve = [](double v) { return std::pow(v, 2.2); };
    EXPECT_FALSE(IsSrgb(gamma22.Build())) << "a plain 2.2 power is not sRGB's curve";
    MatrixProfile adobe; // Adobe RGB's primaries, sRGB's curve
    const double primaries[3][3] = {{0.6097, 0.3111, 0.0195}, {0.2053, 0.6257, 0.0609}, {0.1492, 0.0632, 0.7446}};
    std::memcpy(adobe.colorants, primaries, sizeof primaries);
    EXPECT_FALSE(IsSrgb(adobe.Build()));
    MatrixProfile bluer;
    bluer.colorants[2][2] = 0.7241;
    EXPECT_FALSE(IsSrgb(bluer.Build())) << "one colorant off by 0.01";
    MatrixProfile withTable;
    withTable.withLookupTable = true;
    EXPECT_FALSE(IsSrgb(withTable.Build())) << "its lookup table decides, not its matrix";
    MatrixProfile grey;
    grey.colourSpace = "GRAY";
    EXPECT_FALSE(IsSrgb(grey.Build()));
    MatrixProfile flat;
    flat.curveEntries = 1; // a single entry is a power, here 0
    EXPECT_FALSE(IsSrgb(flat.Build()));
}

TEST(IccProfile, ReadsNothingOutsideTheProfile) {
    const Bytes whole = MatrixProfile{}.Build();
    ASSERT_TRUE(IsSrgb(whole));
    // Every cut leaves a tag (the last curve) reaching past the end.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
        EXPECT_FALSE(IsSrgb(cut)) << size << " bytes";
    }
    Bytes outside = whole;
    Put32(outside, 132 + 4, 0xFFFFFFF0u); // the first tag's offset
    EXPECT_FALSE(IsSrgb(outside));
    Bytes hugeCount = whole;
    Put32(hugeCount, 128, 0x7FFFFFFFu);
    EXPECT_FALSE(IsSrgb(hugeCount));
    Bytes hugeCurve = whole;
    const std::size_t curveTag = 132 + 3 * 12;
    const std::uint32_t curveAt = std::uint32_t(hugeCurve[curveTag + 4]) << 24 |
                                  std::uint32_t(hugeCurve[curveTag + 5]) << 16 |
                                  std::uint32_t(hugeCurve[curveTag + 6]) << 8 | hugeCurve[curveTag + 7];
    Put32(hugeCurve, curveAt + 8, 0xFFFFFFFFu); // entries claimed
    EXPECT_FALSE(IsSrgb(hugeCurve));
    EXPECT_FALSE(IsSrgbProfile(nullptr, 0));
}

} // namespace
