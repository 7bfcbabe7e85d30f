#pragma once
// Where a caption goes: the band rectangle and the text's position for each placement, from the image size and
// the measured size of the text. Pure geometry, no drawing.
#include <string_view>

namespace convert {

enum class CaptionPlacement {
    None,
    TopLeft,      // "左上"
    TopCentre,    // "中上"
    TopRight,     // "右上"
    BottomLeft,   // "左下"
    BottomCentre, // "中下"
    BottomRight,  // "右下"
    VerticalLeft, // "縦左": reads upward along the left edge
    VerticalRight // "縦右": reads downward along the right edge
};

// The placement a choice text names; "なし" and every other text give None.
CaptionPlacement ParseCaptionPlacement(std::string_view text);

// A rectangle covering x in [left, right) and y in [top, bottom).
struct CaptionRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const CaptionRect&) const = default;
};

struct CaptionLayout {
    bool draws = false; // false: nothing is filled and nothing is drawn
    CaptionRect band;
    // Top-left corner of the text before rotation; the text is turned about this point.
    int x = 0;
    int y = 0;
    // Counter-clockwise turn of the text in degrees: 0, 90 (reads upward) or 270 (reads downward).
    int rotation = 0;
    bool operator==(const CaptionLayout&) const = default;
};

// The layout on an image of width x height for a text of width textWidth and height textHeight, both measured
// unrotated. The band is one pixel taller than the text (across the text for the vertical placements). Centred
// and right-aligned texts wider than the image start left of x = 0 and are cut at the image's edges.
CaptionLayout LayOutCaption(CaptionPlacement placement, int width, int height, int textWidth, int textHeight);

} // namespace convert
