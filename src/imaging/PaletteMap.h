// PaletteMap: every pixel of an RGB picture onto the nearest entry of a palette of at most 256 colours, with
// error diffusion where the picture is smooth. The palette itself is chosen elsewhere (Quantize).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/Image.h"

namespace imaging::palettemap {

// The palette entry nearest to a colour (squared distance in RGB; the first of equals). The colour cube is cut
// into 32 x 32 x 32 cells; a cell's list of the entries that can be nearest to any colour in it is made the first
// time a colour falls into it, sorted so that a search mostly stops after one or two entries.
class NearestColour {
public:
    explicit NearestColour(std::span<const Rgb> palette); // 1 to 256 entries
    std::uint8_t Find(int r, int g, int b);               // each 0..255

private:
    struct Candidate {
        std::int32_t bound; // no colour of the cell is closer to the entry than this (squared)
        std::int32_t index;
    };
    void MakeCell(int cell);

    static constexpr int kLanes = 8;
    std::vector<Rgb> palette_;
    std::array<float, 256> red_, green_, blue_; // doubled, padded to a whole number of lanes
    int paddedCount_ = 0;
    std::vector<std::uint32_t> cellStart_; // into candidates_; kNoCell until made
    std::vector<std::uint16_t> cellCount_;
    std::vector<Candidate> candidates_;
};

// Maps rows [first, first + rows) of a width x height RGB buffer onto `palette` into the same rows of `indices`
// (one byte per pixel). The error of each pixel is spread to its neighbours (Floyd-Steinberg, rows alternately
// left to right and right to left), fully where the picture is smooth and less where it is busy, where banding
// cannot show and spread error only adds noise; the error carried is capped, so that no streak runs from a hard
// edge. The error starts afresh at row `first`: bands of one picture can be mapped at once.
void MapDithered(const std::uint8_t* rgb, int width, int height, int first, int rows, std::span<const Rgb> palette,
                 std::uint8_t* indices);

} // namespace imaging::palettemap
