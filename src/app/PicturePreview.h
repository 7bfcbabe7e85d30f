#pragma once
// The preview pane of the picture-open dialog: the selected image, scaled to fit, with its size below it.
// Images are decoded by our imaging component, so every input format previews, on a pool thread.
class QFileDialog;

namespace app {

// Adds the pane to the right of a Qt (non-native) file dialog's file list.
void AttachPicturePreview(QFileDialog& dialog);

} // namespace app
