#pragma once
// The pixel art of the five tray progress frames. The frames shipped in resources/tray/ are drawn by this
// code; TrayFramesTest checks that they still match it and rewrites them when KELVO_WRITE_TRAY_FRAMES is set.
#include <QImage>

namespace widgettest {

// The gauge's height in rows for frames 0..4.
int TrayGaugeRows(int frame);
// A 16 × 16 image with a 16-colour palette: a small landscape picture with the gauge in its lower middle.
QImage DrawTrayFrame(int frame);

} // namespace widgettest
