#pragma once
// A file decoded for showing, by the imaging component (every format it reads), on any thread.
#include <string>

#include <QImage>
#include <QSize>

namespace app {

struct LoadedPicture {
    QImage image;  // fitted within the bounds (decoded at reduced scale where the format allows)
    int width = 0; // the image's own size
    int height = 0;
};

// Raises imaging::Error when the file cannot be read; the stored image is released either way.
LoadedPicture LoadPicture(const std::string& file, QSize bounds);

} // namespace app
