#pragma once
// Turns a stored image into a QImage for display (the preview pane).
#include <QImage>

#include "imaging/ImageStore.h"

namespace imaging {

// An RGB888 copy of the image (alpha flattened onto white); raises Error for an unknown handle.
QImage ToQImage(Handle handle);
// The same for a display at most `bound` large: a freshly loaded image far larger than that is decoded at
// reduced scale, never below its size fitted into the bound (the display scales it the rest of the way).
QImage ToQImage(Handle handle, QSize bound);

} // namespace imaging
