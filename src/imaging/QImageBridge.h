#pragma once
// Turns a stored image into a QImage for display (the preview pane).
#include <QImage>

#include "imaging/ImageStore.h"

namespace imaging {

// An RGB888 copy of the image (alpha flattened onto white); raises Error for an unknown handle.
QImage ToQImage(Handle handle);

} // namespace imaging
