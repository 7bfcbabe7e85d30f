#include "imaging/QImageBridge.h"

#include "imaging/Error.h"
#include "imaging/Init.h"

namespace imaging {

QImage ToQImage(Handle handle) {
    EnsureInitialized();
    auto image = ImageStore::Instance().Get(handle);
    try {
        Raster raster = ToRaster(RgbPixels(*image));
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

} // namespace imaging
