#include "imaging/PaletteMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace imaging::palettemap {

namespace {

constexpr int kCellBits = 5; // 32 cells along each channel
constexpr int kCellSide = 256 >> kCellBits;
constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;
// The farthest a colour of a cell lies from the cell's centre.
const double kCellRadius = (kCellSide - 1) / 2.0 * std::sqrt(3.0);

int CellOf(int r, int g, int b) {
    constexpr int shift = 8 - kCellBits;
    return (r >> shift) << (2 * kCellBits) | (g >> shift) << kCellBits | (b >> shift);
}

// How much of a pixel's error is spread on, in 256ths, by the contrast of the pixel with its neighbours (the
// largest sum of the three channels' differences): fully where that stays within kSmooth, falling off beyond.
// Full strength is a little below 1: photos dithered at full strength look no smoother, only noisier.
constexpr int kFullStrength = 218;
constexpr int kSmooth = 32;
constexpr int kMaxContrast = 3 * 255;

const std::array<std::uint8_t, kMaxContrast + 1>& StrengthByContrast() {
    static const auto table = [] {
        std::array<std::uint8_t, kMaxContrast + 1> t{};
        for (int c = 0; c <= kMaxContrast; ++c)
            t[c] = std::uint8_t(c <= kSmooth ? kFullStrength : kFullStrength * kSmooth / c);
        return t;
    }();
    return table;
}

// The largest error a pixel hands on, per channel: beyond it the palette has no colour near enough anyway, and a
// larger error would be dragged along as a streak.
constexpr int kMaxError = 24;

int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

int Contrast(const std::uint8_t* p, const std::uint8_t* q) {
    return std::abs(int(p[0]) - int(q[0])) + std::abs(int(p[1]) - int(q[1])) + std::abs(int(p[2]) - int(q[2]));
}

} // namespace

NearestColour::NearestColour(std::span<const Rgb> palette)
    : palette_(palette.begin(), palette.end()), cellStart_(std::size_t(1) << (3 * kCellBits), kNoCell),
      cellCount_(std::size_t(1) << (3 * kCellBits), 0) {
    // Padding lies far outside the cube: never near anything.
    paddedCount_ = (int(palette_.size()) + kLanes - 1) / kLanes * kLanes;
    red_.fill(-4096.0f);
    green_.fill(-4096.0f);
    blue_.fill(-4096.0f);
    for (std::size_t k = 0; k < palette_.size(); ++k) {
        red_[k] = 2.0f * palette_[k].r;
        green_[k] = 2.0f * palette_[k].g;
        blue_[k] = 2.0f * palette_[k].b;
    }
}

void NearestColour::MakeCell(int cell) {
    // In doubled units the cell's centre lies on whole numbers, and every squared distance is a whole number
    // below 2^24: exact in floats, which the loops below work on several at a time.
    const int mask = (1 << kCellBits) - 1;
    const float centreRed = float(((cell >> (2 * kCellBits)) & mask) * kCellSide * 2 + kCellSide - 1);
    const float centreGreen = float(((cell >> kCellBits) & mask) * kCellSide * 2 + kCellSide - 1);
    const float centreBlue = float((cell & mask) * kCellSide * 2 + kCellSide - 1);
    alignas(32) std::array<float, 256> distance{}; // zeros past the entries (and for an empty palette)
    for (int k = 0; k < paddedCount_; ++k) {
        const float dr = red_[k] - centreRed;
        const float dg = green_[k] - centreGreen;
        const float db = blue_[k] - centreBlue;
        distance[k] = dr * dr + dg * dg + db * db;
    }
    std::array<float, kLanes> least;
    least.fill(distance[0]);
    for (int k = 0; k < paddedCount_; k += kLanes)
        for (int lane = 0; lane < kLanes; ++lane)
            least[lane] = std::min(least[lane], distance[k + lane]);
    const float nearest = *std::min_element(least.begin(), least.end());
    // An entry farther from the centre than the nearest entry is, plus the cell's diameter, is never nearest to a
    // colour of the cell.
    const double reach = std::sqrt(double(nearest)) + 4.0 * kCellRadius; // doubled units
    const float farthest = float(std::ceil(reach * reach));
    std::array<std::uint8_t, 256> chosen{};
    int chosenCount = 0;
    const int count = int(palette_.size());
    for (int k = 0; k < count; ++k) { // without a branch: which entries pass is unpredictable
        chosen[chosenCount] = std::uint8_t(k);
        chosenCount += distance[k] <= farthest ? 1 : 0;
    }
    std::sort(chosen.begin(), chosen.begin() + chosenCount, [&](std::uint8_t a, std::uint8_t b) {
        return distance[a] < distance[b] || (distance[a] == distance[b] && a < b);
    });
    cellStart_[cell] = std::uint32_t(candidates_.size());
    cellCount_[cell] = std::uint16_t(chosenCount);
    for (int i = 0; i < chosenCount; ++i) {
        const double beyond = std::sqrt(double(distance[chosen[i]])) / 2.0 - kCellRadius;
        const std::int32_t bound = beyond > 0 ? std::int32_t(std::floor(beyond * beyond)) : 0;
        candidates_.push_back(Candidate{bound, chosen[i]});
    }
}

std::uint8_t NearestColour::Find(int r, int g, int b) {
    const int cell = CellOf(r, g, b);
    if (cellStart_[cell] == kNoCell) MakeCell(cell);
    const Candidate* c = candidates_.data() + cellStart_[cell];
    const int count = cellCount_[cell];
    int best = c[0].index;
    auto distanceTo = [&](int k) {
        const int dr = r - palette_[k].r;
        const int dg = g - palette_[k].g;
        const int db = b - palette_[k].b;
        return dr * dr + dg * dg + db * db;
    };
    int bestDistance = distanceTo(best);
    for (int i = 1; i < count && c[i].bound <= bestDistance; ++i) {
        const int d = distanceTo(c[i].index);
        if (d < bestDistance) {
            bestDistance = d;
            best = c[i].index;
        }
    }
    return std::uint8_t(best);
}

void MapDithered(const std::uint8_t* rgb, int width, int height, int first, int rows, std::span<const Rgb> palette,
                 std::uint8_t* indices) {
    NearestColour nearest(palette);
    const auto& strengthOf = StrengthByContrast();
    const std::size_t stride = std::size_t(width) * 3;
    // The error waiting for this row and the next, in 16ths, per channel; one spare pixel at either end.
    std::vector<int> here(std::size_t(width + 2) * 3, 0);
    std::vector<int> below(here.size(), 0);
    for (int y = first; y < first + rows; ++y) {
        const bool forward = (y - first) % 2 == 0;
        const int step = forward ? 1 : -1;
        std::fill(below.begin(), below.end(), 0);
        const std::uint8_t* row = rgb + std::size_t(y) * stride;
        std::uint8_t* out = indices + std::size_t(y) * std::size_t(width);
        for (int i = 0, x = forward ? 0 : width - 1; i < width; ++i, x += step) {
            const std::uint8_t* p = row + std::size_t(x) * 3;
            int contrast = 0;
            if (x > 0) contrast = std::max(contrast, Contrast(p, p - 3));
            if (x + 1 < width) contrast = std::max(contrast, Contrast(p, p + 3));
            if (y > 0) contrast = std::max(contrast, Contrast(p, p - stride));
            if (y + 1 < height) contrast = std::max(contrast, Contrast(p, p + stride));
            const int strength = strengthOf[contrast];
            int* e = &here[std::size_t(x + 1) * 3];
            // The error is taken in whole levels, cut toward zero: what is less than one level adds only noise.
            int wanted[3];
            for (int c = 0; c < 3; ++c)
                wanted[c] = Clamp255(int(p[c]) + (e[c] * strength / 4096));
            const std::uint8_t k = nearest.Find(wanted[0], wanted[1], wanted[2]);
            out[x] = k;
            const int got[3] = {palette[k].r, palette[k].g, palette[k].b};
            int* ahead = e + 3 * step;
            int* under = &below[std::size_t(x + 1) * 3];
            for (int c = 0; c < 3; ++c) {
                const int error = std::clamp(wanted[c] - got[c], -kMaxError, kMaxError);
                ahead[c] += error * 7;
                under[c - 3 * step] += error * 3;
                under[c] += error * 5;
                under[c + 3 * step] += error;
            }
        }
        std::swap(here, below);
    }
}

} // namespace imaging::palettemap
