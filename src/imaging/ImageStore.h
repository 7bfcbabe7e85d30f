#pragma once
// The image store: images in memory named by 32-bit handles (0 = none). Safe to use from several threads.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "imaging/Image.h"

namespace imaging {

using Handle = std::int32_t;

class ImageStore {
public:
    static ImageStore& Instance();

    Handle Add(Image image);
    // The image named by handle; throws Error for 0, unknown or released handles.
    std::shared_ptr<const Image> Get(Handle handle) const;
    // Releases the image; throws Error for an unknown handle.
    void Delete(Handle handle);
    std::size_t Count() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<Handle, std::shared_ptr<const Image>> images_;
    Handle next_ = 1;
};

// `image` with the source metadata of `from` (a picture made again from a drawn copy keeps its photo's EXIF):
// the handle of the result, `image` released. Raises Error for unknown handles.
Handle WithMetadataOf(Handle image, Handle from);

} // namespace imaging
