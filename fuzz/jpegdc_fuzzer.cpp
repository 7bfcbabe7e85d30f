// libFuzzer target for the DC-only decoder of progressive JPEGs: any input must give an image or nullopt. An
// image must have pixels for all of it, and the size the frame header gives (as our header reader reads it),
// at 1/8 scale with the sides rounded up.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "imaging/codecs/JpegDc.h"
#include "imaging/codecs/JpegFrame.h"

namespace {

// The header reader reads files: it gets the input through an in-memory one.
std::optional<imaging::codecs::JpegFrame> FrameOf(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("jpegdc-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) std::abort();
    return imaging::codecs::ReadJpegFrame("/proc/self/fd/" + std::to_string(fd));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<imaging::Raster> raster = imaging::codecs::DecodeJpegDc({data, size});
    if (!raster) return 0;
    const int bands = raster->bands;
    if ((bands != 1 && bands != 3) || raster->bitCount != bands * 8 || raster->width <= 0 || raster->height <= 0 ||
        raster->pixels.size() != std::size_t(raster->width) * std::size_t(raster->height) * std::size_t(bands))
        std::abort();
    // The header reader gives up after 1000 segments before the frame; the decoder does not.
    const auto frame = FrameOf(data, size);
    if (frame &&
        (!frame->progressive || raster->width != (frame->width + 7) / 8 || raster->height != (frame->height + 7) / 8))
        std::abort();
    return 0;
}
