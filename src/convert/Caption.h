#pragma once
// The text caption: the image leaves the imaging component as a bitmap in the temporary folder, the caption is
// drawn on it with Qt's painter, and the bitmap is loaded back as the image to save.
#include <string>

#include <QFont>
#include <QImage>

#include "convert/CaptionLayout.h"
#include "convert/RunOptions.h"
#include "options/TextFont.h"

namespace convert {

class BatchRun;

// The bitmap a source's caption is drawn through: the source's name with its extension replaced by "$$$.bmp",
// in the temporary folder (photo.jpg gives <tempFolder>photo$$$.bmp). Sources of the same name share it.
std::string CaptionBitmapPath(const std::string& tempFolder, const std::string& source);

// The installed face that draws a stored face name: the name itself when installed; the stored default
// "ＭＳ Ｐゴシック" and faces that are not installed become an installed Japanese face.
QString CaptionFace(const std::string& storedFace);
// The caption's font at 96 dots per inch: 9 points are 12 pixels.
QFont CaptionFont(const options::TextFont& font);

// The caption's system colours (read from the application's palette) made plain colours. Called on the window's
// thread when a run's options are captured, so that the workers drawing captions never read the palette; without
// a QGuiApplication the colours stay as they are.
void ResolveCaptionColours(RunOptions& options);

// Draws the caption of the options onto the picture (made paintable first when it is paletted) and returns where
// it went. Needs a QGuiApplication for the fonts; raises imaging::Error without one.
CaptionLayout DrawCaption(QImage& picture, const RunOptions& options);

// The caption step of a run: writes the working image to the temporary bitmap, draws the caption on it, and
// loads the result into Ik5File1, which then names the captioned image (the working image stays held for the
// run to release). Outside a command-line run the captioned image is shown in the preview. File errors raise
// imaging::Error naming the bitmap.
void DrawCaptionStep(BatchRun& run, const std::string& source);

} // namespace convert
