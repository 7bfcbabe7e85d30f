#pragma once
// Pieces shared by the loaders that decode through libvips (JPEG, PNG): reading a file's header bytes piecewise,
// turning vips failures into imaging::Error, bringing a freshly opened image to the pixels an Image keeps, and
// reading comment text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include <vips/vips8>

#include "files/InputFile.h"
#include "imaging/ByteSink.h"

namespace imaging::codecs {

// Comments longer than this are cut: no caption needs more, and it bounds what a header can make us read.
inline constexpr std::size_t kMaxCommentBytes = 1 << 20;

// A file opened for reading its structure piecewise (marker segments, chunks) without loading it whole.
// Opened through the one opener for files a user names: never blocks, regular files only.
class FileReader {
public:
    // Fails (imaging::Error naming the path) when the file cannot be opened.
    explicit FileReader(const std::string& path);
    // A file already open under that path.
    FileReader(const std::string& path, files::InputFile&& file);

    const std::string& Path() const { return path_; }
    std::uint64_t Size() const { return file_.Size(); }
    const struct stat& Info() const { return file_.Info(); }
    // Up to count bytes from offset; fewer (possibly none) at the end of the file. Fails on a read error.
    std::vector<std::uint8_t> Read(std::uint64_t offset, std::size_t count) const;
    // The whole file; fails when it holds more than `limit` bytes or cannot be read.
    std::vector<std::uint8_t> ReadAll(std::uint64_t limit) const;

private:
    std::string path_;
    files::InputFile file_;
};

// The file a loader read, for decoding it again later (at reduced scale, or a strip at a time for a save): it
// is opened again only while it is still that file (the same file-system object, size and modification time),
// never a file put in its place since.
class SourceFile {
public:
    explicit SourceFile(const FileReader& file) : path_(file.Path()), info_(file.Info()) {}
    const std::string& Path() const { return path_; }
    // The file opened again for libvips; nullopt when it is gone or another file has its name now.
    std::optional<vips::VSource> Reopen() const;
    // The file opened again, under the same condition (closed otherwise).
    files::InputFile Open() const;
    // Its bytes, under the same condition (and nullopt when it cannot be read whole).
    std::optional<std::vector<std::uint8_t>> ReadAll() const;
    // The file opened again for reading, under the same condition.
    std::optional<FileReader> Reader() const;

private:
    std::string path_;
    struct stat info_ {};
};

// Raises imaging::Error with the message vips gave, and clears vips' error buffer.
[[noreturn]] void FailFromVips(const vips::VError& error);

// Runs vips calls, turning their failure into imaging::Error.
template <class Function> auto CallVips(Function&& function) -> decltype(function()) {
    try {
        return function();
    } catch (const vips::VError& error) {
        FailFromVips(error);
    }
}

// Runs a libvips save of `pixels` into a target whose bytes go to `sink` as they are written. The sink's own
// failure (a full disc, say) is the one raised, not libvips' account of it; a libvips failure becomes
// imaging::Error, and so does the failure of a decode that fed the pixels (CheckDecodes), even one libvips lost.
void SaveThroughTarget(const vips::VImage& pixels, const std::function<void(const vips::VTarget&)>& save,
                       const ByteSink& sink);

// The pixels an Image keeps for a freshly opened image: an embedded ICC profile converted to sRGB (CMYK without
// one as device CMYK), grey made RGB, 16 bits brought to 8, 3 bands or 4 with alpha.
// Stays lazy: nothing is decoded here.
vips::VImage ToKeptPixels(const vips::VImage& loaded);

bool IsValidUtf8(std::string_view bytes);
// Text of unknown encoding as UTF-8: kept when it is valid UTF-8, otherwise read as Latin-1 (the encoding older
// writers used for comments; every byte string is valid Latin-1, so nothing is lost or rejected).
std::string TextToUtf8(std::string_view bytes);

} // namespace imaging::codecs
