#pragma once
// Releases images: set ImgHandle, call DeleteImage; the handle is invalid afterwards.
#include <cstdint>

#include "imaging/ImageStore.h"

namespace imaging {

class TIk5Common {
public:
    Handle ImgHandle = 0;
    // Returns 0; raises Error for a handle that names no image.
    std::int32_t DeleteImage() {
        ImageStore::Instance().Delete(ImgHandle);
        return 0;
    }
};

} // namespace imaging
