#pragma once
// The product picture of the about box, drawn pixel by pixel: a photo card, an arrow and the same card made
// small, over a pale sky. The file shipped in resources/about/ is drawn by this code; ProductPictureTest checks
// that it still matches and rewrites it when KELVO_WRITE_ABOUT_ART is set.
#include <QImage>

namespace abouttest {

// 100 × 80, 8 bits per pixel with a palette of 256 colours: four ramps of 64 shades (grey, sky, green, warm).
QImage DrawProductPicture();

} // namespace abouttest
