#pragma once
// Pictures that a decoder of ours produces a band of rows at a time, from the top, as lazy vips images: nothing
// is decoded until libvips asks for pixels, and a failure of the decoder fails the computation that asked, with
// its problem kept (see codecs::FailFromVips).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <vips/vips8>

#include "imaging/Error.h"

namespace imaging::codecs {

class RowProducer {
public:
    virtual ~RowProducer() = default;
    // Fills rows [y, y + count) of the picture, each of width x pixel bytes, at rows[0] ... rows[count - 1]. The
    // calls come from the top in order: y is where the previous call ended. Raises imaging::Error.
    virtual void Produce(int y, int count, std::uint8_t* const* rows) = 0;
};

// An image over a producer, laid out like `like` (size, bands, sample format, interpretation and metadata, none
// of its pixels), read once from the top (libvips' sequential cache in front keeps the requests in order). Once
// the producer has failed, every later request fails the same way.
// The producer's verdict travels with the pixels: the image carries it as a metadata item, which libvips copies to
// every image computed from it, so CheckDecodes can tell whether any decode that fed a result failed.
// `source`: the file the pixels come from, which the producer's failure names.
vips::VImage SequentialImage(const vips::VImage& like, std::unique_ptr<RowProducer> producer,
                             const std::string& source);

// An image opened by one of libvips' loaders with sequential access, read through a producer of ours so that its
// failure is recorded as a verdict like our own decoders' (libvips can lose a loader's failure in a computation
// on several threads). `anyOrder`: the result may be read in any order (WholeOnDemand), else once from the top.
// `explain`, when given, turns the loader's failure into the one recorded (a loader that says too little about
// what is wrong with the file, say). `quiet`: the loader's library prints its own messages on stderr, which are
// kept from it while it decodes (see QuietStderr).
vips::VImage Watched(const vips::VImage& loaded, const std::string& source, bool anyOrder,
                     std::function<Error(const Error&)> explain = {}, bool quiet = false);

// While one lives, whatever the process writes to its standard error goes nowhere (for libraries that print
// their diagnostics there; Kelvo says what went wrong in one line of its own). Process-wide: concurrent holders
// share one silence, which ends with the last of them.
class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;
};

// An image that computes `sequential` whole the first time any of its pixels is asked for (into memory, or for
// more than 100 MB into a temporary file that is deleted with the image, as libvips' own loaders do for random
// access) and then serves every region from that. For the operations that need the whole picture (a turn by a
// quarter, an upside-down flip) and for callers that read regions in any order.
vips::VImage WholeOnDemand(const vips::VImage& sequential);

// Raises the imaging::Error of the first decode of ours that fed `image` and failed (naming its file). libvips can lose
// a failure of the last rows of a computation (the sink then reports success over rows never filled), so whatever
// computes pixels for a result that is kept or published (a save, pixels copied into memory) checks here afterwards.
void CheckDecodes(const vips::VImage& image);
// For a computation of `image` that libvips reports failed: the failed decode that fed it when there is one (so the
// failure names the file that is damaged, not another that fed the same result), else libvips' account.
[[noreturn]] void FailComputing(const vips::VImage& image);

// The text libvips carries for an imaging::Error raised inside a computation, from which FailFromVips recovers
// the problem.
std::string VipsMessageFor(const Error& error);

} // namespace imaging::codecs
