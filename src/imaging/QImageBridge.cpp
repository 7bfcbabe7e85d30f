#include "imaging/QImageBridge.h"

#include "imaging/Error.h"
#include "imaging/Init.h"

namespace imaging {

namespace {

QImage Convert(const vips::VImage& pixels) {
    try {
        Raster raster = ToRaster(pixels);
        QImage result(raster.width, raster.height, QImage::Format_RGB888);
        if (result.isNull()) throw Error({}, "not enough memory");
        for (int y = 0; y < raster.height; ++y)
            std::copy_n(raster.Row(y), std::size_t(raster.width) * 3, result.scanLine(y));
        return result;
    } catch (const vips::VError& error) {
        vips_error_clear();
        throw Error({}, error.what());
    }
}

} // namespace

QImage ToQImage(Handle handle) {
    EnsureInitialized();
    return Convert(RgbPixels(*ImageStore::Instance().Get(handle)));
}

QImage ToQImage(Handle handle, QSize bound) {
    EnsureInitialized();
    auto image = ImageStore::Instance().Get(handle);
    const QSize fitted = QSize(image->width, image->height).scaled(bound, Qt::KeepAspectRatio);
    if (!bound.isEmpty() && fitted.width() < image->width) {
        try {
            if (std::optional<vips::VImage> shrunk = ShrunkOnLoad(*image, fitted.width(), fitted.height()))
                return Convert(FlattenToRgb(*shrunk));
        } catch (const vips::VError&) {
            vips_error_clear(); // the loaded pixels say what is wrong with the file
        } catch (const Error&) {
        }
    }
    return Convert(RgbPixels(*image));
}

} // namespace imaging
