#pragma once
// Reports how far libvips has got computing an image (0..100), for the file component's OnProgress.
// The report may come from one of libvips' worker threads.
#include <functional>
#include <vector>

#include <vips/vips8>

namespace imaging {

class ProgressScope {
public:
    explicit ProgressScope(std::function<void(int percent)> report);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    // Returns the image, now reporting its evaluation to this scope until the scope ends.
    vips::VImage Watch(vips::VImage image);

private:
    static void OnEval(VipsImage* image, VipsProgress* progress, void* self);
    std::function<void(int)> report_;
    std::vector<std::pair<vips::VImage, gulong>> watched_;
    int last_ = -1;
};

} // namespace imaging
