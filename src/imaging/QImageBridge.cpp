#include "imaging/QImageBridge.h"

#include "imaging/Error.h"
#include "imaging/Init.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging {

namespace {

// The pixels computed for the display; a failure (a lazily loaded source decoded only now) names the source.
QImage Convert(const vips::VImage& pixels, const Image& image) {
    try {
        try {
            Raster raster = ToRaster(pixels);
            QImage result(raster.width, raster.height, QImage::Format_RGB888);
            if (result.isNull()) Fail("not enough memory", Problem::NoMemory);
            for (int y = 0; y < raster.height; ++y)
                std::copy_n(raster.Row(y), std::size_t(raster.width) * 3, result.scanLine(y));
            return result;
        } catch (const vips::VError& error) {
            codecs::FailFromVips(error);
        }
    } catch (const Error& error) {
        if (error.file().empty()) throw error.WithFile(image.source);
        throw;
    }
}

} // namespace

QImage ToQImage(Handle handle) {
    EnsureInitialized();
    auto image = ImageStore::Instance().Get(handle);
    return Convert(RgbPixels(*image), *image);
}

QImage ToQImage(Handle handle, QSize bound) {
    EnsureInitialized();
    auto image = ImageStore::Instance().Get(handle);
    const QSize fitted = QSize(image->width, image->height).scaled(bound, Qt::KeepAspectRatio);
    if (!bound.isEmpty() && fitted.width() < image->width) {
        try {
            if (std::optional<vips::VImage> shrunk = ShrunkOnLoad(*image, fitted.width(), fitted.height()))
                return Convert(FlattenToRgb(*shrunk), *image);
        } catch (const vips::VError&) {
            vips_error_clear(); // the loaded pixels say what is wrong with the file
        } catch (const Error&) {
        }
    }
    return Convert(RgbPixels(*image), *image);
}

} // namespace imaging
