#include "imaging/codecs/LibjpegErrors.h"

#include <cstring>

#include <jerror.h>

namespace imaging::codecs {

namespace {

// Stray bytes before a marker that a writer may leave.
constexpr unsigned long long kFewBytes = 1024;

LibjpegErrors& ErrorsOf(j_common_ptr info) {
    return *reinterpret_cast<LibjpegErrors*>(info->err);
}

[[noreturn]] void Jump(j_common_ptr info, bool truncated) {
    LibjpegErrors& errors = ErrorsOf(info);
    (*info->err->format_message)(info, errors.message);
    errors.truncated = truncated;
    std::longjmp(errors.jump, 1);
}

extern "C" void ExitOnError(j_common_ptr info) {
    // "Premature end of input file": a source that ran dry.
    Jump(info, info->err->msg_code == JERR_INPUT_EOF);
}

extern "C" void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return; // trace messages
    ++info->err->num_warnings;
    const int code = info->err->msg_code;
    switch (ErrorsOf(info).warnings) {
    case LibjpegErrors::Warnings::Fatal:
        Jump(info, code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF);
    case LibjpegErrors::Warnings::WhenDataIsLost:
        if (code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF) Jump(info, true);
        if (code == JWRN_ARITH_BAD_CODE) Jump(info, false);
        if (code == JWRN_EXTRANEOUS_DATA) {
            const auto leftOver = static_cast<unsigned long long>(info->err->msg_parm.i[0]);
            const unsigned long long size = ErrorsOf(info).dataBytes;
            if (size != 0 && leftOver > kFewBytes && leftOver * 16 > size) Jump(info, false);
        }
        return;
    }
}

extern "C" void Silently(j_common_ptr) {}

} // namespace

void InstallLibjpegErrors(LibjpegErrors& errors, LibjpegErrors::Warnings warnings) {
    jpeg_std_error(&errors.base);
    errors.base.error_exit = ExitOnError;
    errors.base.emit_message = OnMessage;
    errors.base.output_message = Silently;
    errors.warnings = warnings;
    errors.message[0] = '\0';
    errors.truncated = false;
}

} // namespace imaging::codecs
