#include "convert/CaptionLayout.h"

namespace convert {

CaptionPlacement ParseCaptionPlacement(std::string_view text) {
    struct Entry {
        std::string_view text;
        CaptionPlacement placement;
    };
    static constexpr Entry kPlacements[] = {
        {"左上", CaptionPlacement::TopLeft},      {"中上", CaptionPlacement::TopCentre},
        {"右上", CaptionPlacement::TopRight},     {"左下", CaptionPlacement::BottomLeft},
        {"中下", CaptionPlacement::BottomCentre}, {"右下", CaptionPlacement::BottomRight},
        {"縦左", CaptionPlacement::VerticalLeft}, {"縦右", CaptionPlacement::VerticalRight},
    };
    for (const Entry& entry : kPlacements)
        if (entry.text == text) return entry.placement;
    return CaptionPlacement::None;
}

CaptionLayout LayOutCaption(CaptionPlacement placement, int width, int height, int textWidth, int textHeight) {
    const int band = textHeight + 1;
    const int left = 1;
    const int centre = (width - textWidth) / 2; // truncates toward zero, also when the text is wider
    const int right = width - textWidth - 1;
    const CaptionRect top{0, 0, width, band};
    const CaptionRect bottom{0, height - band, width, height};
    switch (placement) {
    case CaptionPlacement::TopLeft:
        return {true, top, left, 0, 0};
    case CaptionPlacement::TopCentre:
        return {true, top, centre, 0, 0};
    case CaptionPlacement::TopRight:
        return {true, top, right, 0, 0};
    case CaptionPlacement::BottomLeft:
        return {true, bottom, left, height - band, 0};
    case CaptionPlacement::BottomCentre:
        return {true, bottom, centre, height - band, 0};
    case CaptionPlacement::BottomRight:
        return {true, bottom, right, height - band, 0};
    case CaptionPlacement::VerticalLeft:
        return {true, {0, 0, band, height}, 0, height - 1, 90};
    case CaptionPlacement::VerticalRight:
        return {true, {width - band, 0, width, height}, width, 1, 270};
    case CaptionPlacement::None:
        break;
    }
    return {};
}

} // namespace convert
