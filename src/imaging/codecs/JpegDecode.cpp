#include "imaging/codecs/JpegDecode.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include <unistd.h>

#include <jerror.h>

#include "imaging/Error.h"
#include "imaging/codecs/LibjpegErrors.h"
#include "imaging/codecs/VipsRows.h"

namespace imaging::codecs {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;

struct JpegLayout {
    int width = 0;
    int height = 0;
    int bands = 0;
};

// libjpeg's data source over a file, read at the size it had when it was opened. Running dry is an error, never
// the fake end marker libjpeg's own sources insert.
struct FileSource {
    jpeg_source_mgr base;
    int descriptor;
    std::uint64_t offset; // of the next byte to read
    std::uint64_t size;
    JOCTET buffer[kReadBytes];
};

FileSource& SourceOf(j_decompress_ptr info) {
    return *reinterpret_cast<FileSource*>(info->src);
}

extern "C" void InitSource(j_decompress_ptr) {}
extern "C" void TermSource(j_decompress_ptr) {}

extern "C" boolean FillInput(j_decompress_ptr info) {
    FileSource& source = SourceOf(info);
    const std::size_t wanted =
        std::size_t(std::min<std::uint64_t>(kReadBytes, source.size - std::min(source.size, source.offset)));
    if (wanted == 0) ERREXIT(info, JERR_INPUT_EOF);
    ssize_t got = 0;
    do {
        got = ::pread(source.descriptor, source.buffer, wanted, off_t(source.offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) ERREXIT(info, JERR_FILE_READ);
    if (got == 0) ERREXIT(info, JERR_INPUT_EOF);
    source.offset += std::uint64_t(got);
    source.base.next_input_byte = source.buffer;
    source.base.bytes_in_buffer = std::size_t(got);
    return TRUE;
}

extern "C" void SkipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    FileSource& source = SourceOf(info);
    if (std::size_t(count) <= source.base.bytes_in_buffer) {
        source.base.next_input_byte += count;
        source.base.bytes_in_buffer -= std::size_t(count);
        return;
    }
    source.offset += std::uint64_t(count) - source.base.bytes_in_buffer;
    source.base.bytes_in_buffer = 0;
}

// Everything a longjmp may cross: C objects only.
struct DecodeState {
    jpeg_decompress_struct info;
    LibjpegErrors errors;
    FileSource source;
};

bool Create(DecodeState* s) {
    InstallLibjpegErrors(s->errors, LibjpegErrors::Warnings::WhenDataIsLost);
    s->info.err = &s->errors.base;
    if (setjmp(s->errors.jump)) return false;
    jpeg_create_decompress(&s->info);
    return true;
}

bool Start(DecodeState* s, int shrink) {
    if (setjmp(s->errors.jump)) return false;
    jpeg_read_header(&s->info, TRUE);
    s->info.scale_num = 1;
    s->info.scale_denom = unsigned(shrink);
    jpeg_start_decompress(&s->info);
    return true;
}

// Rows into `rows`; after the last one, the rest of the file up to its end marker.
bool ReadRows(DecodeState* s, JSAMPARRAY rows, int count) {
    if (setjmp(s->errors.jump)) return false;
    for (int done = 0; done < count;) {
        const JDIMENSION got = jpeg_read_scanlines(&s->info, rows + done, JDIMENSION(count - done));
        if (got == 0) ERREXIT(&s->info, JERR_INPUT_EOF); // a file source never suspends: nothing more to read
        done += int(got);
    }
    if (s->info.output_scanline == s->info.output_height) jpeg_finish_decompress(&s->info);
    return true;
}

class JpegRows : public RowProducer {
public:
    JpegRows(files::InputFile file, int shrink, const JpegLayout& layout)
        : file_(std::move(file)), shrink_(shrink), layout_(layout), state_(std::make_unique<DecodeState>()) {
        DecodeState& s = *state_;
        if (!Create(&s)) Fail("not enough memory for the JPEG decoder", Problem::NoMemory);
        s.source.base.init_source = InitSource;
        s.source.base.fill_input_buffer = FillInput;
        s.source.base.skip_input_data = SkipInput;
        s.source.base.resync_to_restart = jpeg_resync_to_restart;
        s.source.base.term_source = TermSource;
        s.source.base.next_input_byte = nullptr;
        s.source.base.bytes_in_buffer = 0;
        s.source.descriptor = file_.Descriptor();
        s.source.offset = 0;
        s.source.size = file_.Size();
        s.errors.dataBytes = file_.Size();
        s.info.src = &s.source.base;
    }

    ~JpegRows() override { jpeg_destroy_decompress(&state_->info); }

    void Produce(int, int count, std::uint8_t* const* rows) override {
        DecodeState& s = *state_;
        if (!started_) {
            if (!Start(&s, shrink_)) Raise();
            if (int(s.info.output_width) != layout_.width || int(s.info.output_height) != layout_.height ||
                s.info.output_components != layout_.bands)
                Fail("the JPEG decoder's picture differs from the file's header");
            invert_ = s.info.out_color_space == JCS_CMYK && s.info.saw_Adobe_marker;
            started_ = true;
        }
        if (!ReadRows(&s, const_cast<JSAMPARRAY>(rows), count)) Raise();
        if (invert_) {
            // Adobe writes CMYK with inverted inks.
            const std::size_t bytes = std::size_t(layout_.width) * std::size_t(layout_.bands);
            for (int i = 0; i < count; ++i)
                for (std::size_t k = 0; k < bytes; ++k)
                    rows[i][k] = std::uint8_t(255 - rows[i][k]);
        }
    }

private:
    [[noreturn]] void Raise() const {
        const LibjpegErrors& e = state_->errors;
        const int code = state_->errors.base.msg_code;
        if (e.truncated) FailTruncated(std::string("the JPEG data ends early: ") + e.message);
        if (code == JERR_OUT_OF_MEMORY) Fail(e.message, Problem::NoMemory);
        if (code == JERR_BAD_PRECISION) FailUnsupported(e.message);
        Fail(e.message);
    }

    files::InputFile file_;
    int shrink_;
    JpegLayout layout_;
    std::unique_ptr<DecodeState> state_;
    bool started_ = false;
    bool invert_ = false;
};

} // namespace

vips::VImage DecodeJpegRows(files::InputFile file, int shrink, const vips::VImage& header, const std::string& path) {
    const JpegLayout layout{header.width(), header.height(), header.bands()};
    return SequentialImage(header, std::make_unique<JpegRows>(std::move(file), shrink, layout), path);
}

} // namespace imaging::codecs
