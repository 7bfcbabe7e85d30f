#include "convert/ResultPreview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "convert/BatchRun.h"
#include "convert/Caption.h"
#include "convert/SourceCheck.h"
#include "convert/WorkingImage.h"
#include "files/AtomicFile.h"
#include "imaging/Error.h"

namespace convert {

namespace {

constexpr const char* kFormatNames[] = {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24", "FPX", "PCX", "WEBP", "AVIF"};

// The complete file's bytes. It was opened for writing only: it is opened again for reading through the
// process's own descriptor table, which works for a nameless file too.
std::vector<std::uint8_t> ReadBack(const files::PendingFile& file) {
    const std::string self = "/proc/self/fd/" + std::to_string(file.Descriptor());
    const int fd = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw imaging::Error("", std::strerror(error), error);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw imaging::Error("", std::strerror(error), error);
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return bytes;
}

} // namespace

std::optional<RenderedResult> RenderResult(RunOptions options, const std::string& source, RunStages& stages) {
    if (IsGifOrTiff(source)) return std::nullopt;
    // A folder of its own: the output is made (nameless) there, and a caption's bitmap too.
    options.tempSubfolder = "preview/";
    MakeTempFolder(options.TempRoot());
    MakeTempFolder(options.TempFolder());
    options.outputFolder = options.TempFolder();
    options.outputFolder.pop_back();
    options.generatedNames = false;

    RunComponents components;
    images::HeldImages held(components);
    RunObserver quiet; // no window, tray or sound: the result is only kept
    const std::vector<std::string> list{source};
    BatchRun run(components, options, RunMode::CommandLine, quiet, stages,
                 std::make_shared<const RunPlan>(MakeRunPlan(options, list, stages)));
    std::optional<RenderedResult> result;
    run.DeferOutput([&result](files::PendingFile file, const std::string&) {
        result.emplace();
        result->bytes = ReadBack(file);
    }); // the file goes with `file`: it never had a name
    struct Cleanup {
        std::string bitmap;
        ~Cleanup() { ::unlink(bitmap.c_str()); }
    } cleanup{CaptionBitmapPath(options.TempFolder(), source)};
    if (run.ConvertOrSkip(source, 0) != BatchRun::Outcome::Converted || !result) return std::nullopt;
    const OutputFormat format = ChooseOutputFormat(options.format, options.quality, options.progressive);
    result->formatName = "JPEG";
    for (const char* name : kFormatNames)
        if (options.format == name) result->formatName = name;
    result->extension = format.extension;
    result->width = run.Target().width;
    result->height = run.Target().height;
    return result;
}

std::string ResultCaption(const RenderedResult& result) {
    const std::size_t size = result.bytes.size();
    char amount[32];
    if (size < 1024)
        std::snprintf(amount, sizeof amount, "%zu B", size);
    else if (size < 1024 * 1024)
        std::snprintf(amount, sizeof amount, "%zu KB", (size + 512) / 1024);
    else
        std::snprintf(amount, sizeof amount, "%.1f MB", double(size) / (1024.0 * 1024.0));
    return std::to_string(result.width) + "x" + std::to_string(result.height) + " → " + result.formatName + " " +
           amount;
}

} // namespace convert
