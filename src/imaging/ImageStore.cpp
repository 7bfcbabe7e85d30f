#include "imaging/ImageStore.h"

#include <limits>
#include <string>

#include "imaging/Error.h"

namespace imaging {

ImageStore& ImageStore::Instance() {
    static ImageStore store;
    return store;
}

Handle ImageStore::Add(Image image) {
    auto shared = std::make_shared<const Image>(std::move(image));
    std::lock_guard lock(mutex_);
    // Handles count up and are never reused while the process lives, so a stale handle cannot name a newer
    // image; after wrapping past the largest value they start again at 1, skipping any still in use.
    for (;;) {
        if (next_ <= 0 || next_ == std::numeric_limits<Handle>::max()) next_ = 1;
        if (!images_.count(next_)) break;
        ++next_;
    }
    Handle handle = next_++;
    images_.emplace(handle, std::move(shared));
    return handle;
}

std::shared_ptr<const Image> ImageStore::Get(Handle handle) const {
    std::lock_guard lock(mutex_);
    auto it = images_.find(handle);
    if (it == images_.end()) throw Error({}, "no image with handle " + std::to_string(handle));
    return it->second;
}

void ImageStore::Delete(Handle handle) {
    std::lock_guard lock(mutex_);
    if (images_.erase(handle) == 0) throw Error({}, "no image with handle " + std::to_string(handle));
}

std::size_t ImageStore::Count() const {
    std::lock_guard lock(mutex_);
    return images_.size();
}

Handle WithMetadataOf(Handle image, Handle from) {
    ImageStore& store = ImageStore::Instance();
    const std::shared_ptr<const Image> source = store.Get(from);
    if (!source->metadata) return image;
    Image copy = *store.Get(image);
    copy.metadata = source->metadata;
    store.Delete(image);
    return store.Add(std::move(copy));
}

} // namespace imaging
