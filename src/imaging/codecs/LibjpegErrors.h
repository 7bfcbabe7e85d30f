#pragma once
// How Kelvo hears libjpeg's errors and warnings. libjpeg reports an error through error_exit, which must not
// return: it longjmps back to the function that called setjmp. Such functions hold only C objects, so nothing
// with a destructor is skipped. Nothing is ever printed: the message is kept for the caller.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace imaging::codecs {

struct LibjpegErrors {
    // Which warnings end the decode.
    enum class Warnings {
        // Every warning: data that only decodes with a repair is refused (a tile of a compound file).
        Fatal,
        // Those after which the picture is no longer what the complete file gives: the data ended before the
        // image did (libjpeg would go on with grey), or the arithmetic decoder gave up on the rest of a scan.
        // So is a scan whose data the decoder did not take up: bytes left over before the next marker that make
        // a sixteenth of the file and more than a kilobyte (data coded another way than the frame says, say).
        // A repair inside complete data (a bad code, a restart marker out of turn, a few stray bytes before a
        // marker, as some cameras write) is passed over.
        WhenDataIsLost,
    };

    jpeg_error_mgr base;
    std::jmp_buf jump;
    Warnings warnings = Warnings::Fatal;
    // The size of the data decoded, for the rule on bytes left over (0: no such rule).
    unsigned long long dataBytes = 0;
    // Set with the jump: the message, and whether the failure is data that ends before the image does.
    char message[JMSG_LENGTH_MAX];
    bool truncated = false;
};

// Makes `errors` the error manager of a libjpeg object (set info.err = &errors.base too).
void InstallLibjpegErrors(LibjpegErrors& errors, LibjpegErrors::Warnings warnings);

} // namespace imaging::codecs
