#pragma once
// The image overlay: a second image (a logo, a watermark) drawn onto every converted image at one of five
// placements, with an opacity and a key colour that stays transparent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace convert {

class BatchRun;

// Opacity 0..255 for the transparency slider's position t (0..100, in percent): 255 - t * 2.5 truncated, and
// 0 at t = 100, so a fully transparent overlay is invisible.
int OverlayOpacity(int transparency);

// True when the overlay file can be used for a whole run: a name is given, it names a regular file, and the
// file is neither GIF nor TIFF. Raises imaging::Error when the file exists but cannot be opened.
bool OverlayUsable(const std::string& path);

struct OverlayPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const OverlayPoint&) const = default;
};

// Top-left corner of an overlay of overlayWidth x overlayHeight on an image of width x height, for the
// placements "左上", "左下", "右上", "右下" and "中央"; nothing for any other text. In the centre each size is
// halved before the subtraction. An overlay larger than the image gives negative coordinates.
std::optional<OverlayPoint> OverlayPosition(std::string_view placement, std::int32_t width, std::int32_t height,
                                            std::int32_t overlayWidth, std::int32_t overlayHeight);

// The overlay step for the working image of a run: puts the run's overlay picture (read when the run started)
// into Ik5File2 (releasing the previous one), composes it at its placement with the given opacity and commits the
// result. An unknown placement leaves the working image as it is; an overlay that could not be read raises its
// failure.
void DrawOverlay(BatchRun& run, int opacity);

} // namespace convert
