#pragma once
// The display component of the preview pane: shows one stored image, fitted into the widget.
//
// Set the properties, then call Execute. Action 0 clears the display; 1 prepares for a newly loaded image (it
// drops the picture shown so far); 2 shows the image ImgHandle names. The image is converted once per show and
// kept, so the display does not own the handle and keeps showing the picture after the image is released.
// Painting fills the widget with the window background and draws the picture centred, scaled down smoothly to fit
// with its aspect ratio kept; a picture smaller than the widget is shown at its own size, centred, never enlarged.
// Failures (an unknown or released handle, an unknown Action) raise imaging::Error and leave the display blank.
#include <QImage>
#include <QWidget>

#include <cstdint>

#include "imaging/ImageStore.h"

namespace app {

class TIk5Disp : public QWidget {
    Q_OBJECT

public:
    enum ActionCode : std::int16_t { kClear = 0, kPrepare = 1, kShow = 2 };

    explicit TIk5Disp(QWidget* parent = nullptr);

    imaging::Handle ImgHandle = 0;
    std::int16_t Action = kClear;
    std::int16_t DispMode = 0; // 0: fit to the widget (the only mode)

    // Performs Action; returns 0.
    std::int32_t Execute();
    // Shows a picture made elsewhere (the result view's decode), in place of a stored image.
    void ShowPicture(const QImage& picture);
    // Repaints at once (the conversion run calls it after a show, between files).
    void Redraw();
    // Dims the picture shown (it is not the one asked for yet); every show and clear ends the dimming.
    void SetDimmed(bool dimmed);
    bool IsDimmed() const { return dimmed_; }

    // True while a picture is shown; the picture itself (null when blank), for tests and the window.
    bool IsShowing() const { return !picture_.isNull(); }
    const QImage& Picture() const { return picture_; }
    // Where the picture is drawn inside a widget of the given size (empty when blank).
    QRect PictureRect(const QSize& area) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Clear();

    QImage picture_;
    bool dimmed_ = false;
    // The picture scaled for the last painted size (smooth scaling is done once per size, not per paint).
    QImage scaled_;
};

} // namespace app
