#include "imaging/DecodeWeight.h"

#include "imaging/codecs/JpegFrame.h"

namespace imaging {

std::int64_t PixelsHeldWhileDecoding(const std::string& path) {
    const auto frame = codecs::ReadJpegFrame(path);
    if (!frame || !frame->progressive) return 0;
    return std::int64_t(frame->width) * frame->height;
}

} // namespace imaging
