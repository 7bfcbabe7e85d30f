#include "imaging/Progress.h"

namespace imaging {

ProgressScope::ProgressScope(std::function<void(int)> report) : report_(std::move(report)) {}

ProgressScope::~ProgressScope() {
    for (auto& [image, id] : watched_)
        g_signal_handler_disconnect(image.get_image(), id);
}

vips::VImage ProgressScope::Watch(vips::VImage image) {
    // A fresh copy, so the signal is connected to an image of our own and not to a shared one.
    vips::VImage watched = image.copy();
    vips_image_set_progress(watched.get_image(), TRUE);
    gulong id = g_signal_connect(watched.get_image(), "eval", G_CALLBACK(&ProgressScope::OnEval), this);
    watched_.emplace_back(watched, id);
    return watched;
}

void ProgressScope::OnEval(VipsImage*, VipsProgress* progress, void* self) {
    auto* scope = static_cast<ProgressScope*>(self);
    // Several tiles can finish at once; report each whole percent once, in rising order.
    if (progress->percent > scope->last_) {
        scope->last_ = progress->percent;
        if (scope->report_) scope->report_(progress->percent);
    }
}

} // namespace imaging
