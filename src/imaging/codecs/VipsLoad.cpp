#include "imaging/codecs/VipsLoad.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <span>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/Error.h"
#include "imaging/codecs/IccProfile.h"
#include "imaging/codecs/VipsRows.h"
#include "imaging/Image.h"

namespace imaging::codecs {

FileReader::FileReader(const std::string& path) : path_(path), file_(files::InputFile::Open(path)) {
    if (!file_.IsOpen()) throw FileError(path, file_.Why());
}

FileReader::FileReader(const std::string& path, files::InputFile&& file) : path_(path), file_(std::move(file)) {}

std::vector<std::uint8_t> FileReader::Read(std::uint64_t offset, std::size_t count) const {
    std::optional<std::vector<std::uint8_t>> bytes = file_.ReadAt(offset, count);
    if (!bytes) throw Error(path_, std::strerror(errno), errno);
    return std::move(*bytes);
}

std::vector<std::uint8_t> FileReader::ReadAll(std::uint64_t limit) const {
    std::optional<std::vector<std::uint8_t>> bytes = file_.ReadAll(limit);
    if (!bytes) {
        if (errno == EFBIG) throw Error(path_, "the file is too large", Problem::TooLarge);
        throw Error(path_, std::strerror(errno), errno);
    }
    return std::move(*bytes);
}

files::InputFile SourceFile::Open() const {
    return files::InputFile::Reopen(path_, info_);
}

std::optional<vips::VSource> SourceFile::Reopen() const {
    files::InputFile file = Open();
    if (!file.IsOpen()) return std::nullopt;
    // libvips reads from its own duplicate of the descriptor.
    try {
        return vips::VSource::new_from_descriptor(file.Descriptor());
    } catch (const vips::VError&) {
        vips_error_clear();
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SourceFile::ReadAll() const {
    files::InputFile file = files::InputFile::Reopen(path_, info_);
    if (!file.IsOpen()) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes = file.ReadAll(std::uint64_t(info_.st_size));
    if (!bytes || bytes->size() != std::size_t(info_.st_size)) return std::nullopt;
    return bytes;
}

std::optional<FileReader> SourceFile::Reader() const {
    files::InputFile file = files::InputFile::Reopen(path_, info_);
    if (!file.IsOpen()) return std::nullopt;
    return FileReader(path_, std::move(file));
}

void FailFromVips(const vips::VError& error) {
    std::string message = error.what();
    vips_error_clear();
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    for (char& c : message)
        if (c == '\n') c = ' ';
    if (message.empty()) Fail("the image library failed without a message");
    // A failure of one of our own decoders inside the computation keeps the problem it was raised with.
    if (const std::size_t tag = message.find("kelvo["); tag != std::string::npos) {
        const std::size_t close = message.find("]: ", tag);
        if (close != std::string::npos) {
            const int problem = std::atoi(message.c_str() + tag + 6);
            if (problem >= int(Problem::System) && problem <= int(Problem::Stopped) && problem != int(Problem::System))
                Fail(message.substr(close + 3), Problem(problem));
        }
    }
    // The libraries' words for data that ends early, and for memory.
    static constexpr const char* kTruncated[] = {"remature end",   "truncated",  "end of file", "Not enough data",
                                                 "unexpected end", "read error", "EOF"};
    for (const char* words : kTruncated)
        if (message.find(words) != std::string::npos) FailTruncated(message);
    if (message.find("out of memory") != std::string::npos || message.find("Insufficient memory") != std::string::npos)
        Fail(message, Problem::NoMemory);
    Fail(message);
}

namespace {

// The custom target's write signal: hands libvips' bytes on; -1 (after keeping the exception) ends the save.
struct TargetContext {
    const ByteSink* write = nullptr;
    std::exception_ptr error;
};

gint64 OnTargetWrite(VipsTargetCustom*, const void* data, gint64 length, void* context) {
    auto* target = static_cast<TargetContext*>(context);
    if (target->error) return -1;
    try {
        (*target->write)(std::span(static_cast<const std::uint8_t*>(data), std::size_t(length)));
        return length;
    } catch (...) {
        target->error = std::current_exception();
        return -1;
    }
}

} // namespace

void SaveThroughTarget(const vips::VImage& pixels, const std::function<void(const vips::VTarget&)>& save,
                       const ByteSink& sink) {
    TargetContext context;
    context.write = &sink;
    vips::VTarget target(VIPS_TARGET(vips_target_custom_new()));
    g_signal_connect(target.get_target(), "write", G_CALLBACK(OnTargetWrite), &context);
    try {
        save(target);
    } catch (const vips::VError&) {
        if (context.error) std::rethrow_exception(context.error);
        FailComputing(pixels);
    } catch (...) {
        if (context.error) std::rethrow_exception(context.error);
        throw;
    }
    if (context.error) std::rethrow_exception(context.error);
    CheckDecodes(pixels);
}

namespace {

bool HasIccProfile(const vips::VImage& image) {
    return image.get_typeof(VIPS_META_ICC_NAME) != 0;
}

// Most photos carry an sRGB profile: their pixels are sRGB already, and building a colour transform for them
// costs more than decoding a thumbnail.
bool CarriesSrgbProfile(const vips::VImage& image) {
    if (image.format() != VIPS_FORMAT_UCHAR || image.interpretation() != VIPS_INTERPRETATION_sRGB ||
        (image.bands() != 3 && image.bands() != 4))
        return false;
    std::size_t length = 0;
    const void* profile = image.get_blob(VIPS_META_ICC_NAME, &length);
    return IsSrgbProfile(static_cast<const std::uint8_t*>(profile), length);
}

// CMYK without a profile, as most viewers show it: each ink and the black ink darken multiplicatively,
// R = (1 - C)(1 - K) and so on. (A press profile would render such files darker and duller than their writers
// meant; the files that need one carry one.)
vips::VImage DeviceCmykToRgb(const vips::VImage& cmyk) {
    double full = cmyk.format() == VIPS_FORMAT_USHORT ? 65535.0 : 255.0;
    vips::VImage cmy = cmyk.extract_band(0, vips::VImage::option()->set("n", 3));
    vips::VImage k = cmyk.extract_band(3);
    vips::VImage rgb = (full - cmy) * (full - k) * (255.0 / (full * full));
    return rgb.rint()
        .cast(VIPS_FORMAT_UCHAR)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

vips::VImage ToSrgb(const vips::VImage& loaded) {
    using vips::VImage;
    if (vips_icc_present() && HasIccProfile(loaded) && !CarriesSrgbProfile(loaded)) {
        // A profile that does not fit the pixels (say an RGB profile on a grey image) is ignored rather than
        // failing the load.
        try {
            return loaded.icc_transform(
                "srgb", VImage::option()->set("embedded", true)->set("intent", VIPS_INTENT_RELATIVE)->set("depth", 8));
        } catch (const vips::VError&) {
            vips_error_clear();
        }
    }
    if (loaded.interpretation() == VIPS_INTERPRETATION_CMYK && loaded.bands() >= 4) return DeviceCmykToRgb(loaded);
    return loaded.colourspace(VIPS_INTERPRETATION_sRGB);
}

} // namespace

vips::VImage ToKeptPixels(const vips::VImage& loaded) {
    return CallVips([&] {
        vips::VImage image = ToSrgb(loaded);
        if (image.format() != VIPS_FORMAT_UCHAR) {
            // Results a conversion left wide: 16 bits scaled down (not clipped), anything else clipped to 0..255.
            if (image.format() == VIPS_FORMAT_USHORT) image = (image / 257.0).rint();
            image = image.cast(VIPS_FORMAT_UCHAR);
        }
        image = imaging::GreyToRgb(image);
        if (image.bands() > 4) {
            image = image.extract_band(0, vips::VImage::option()->set("n", 4));
        }
        // Metadata that would be misread later (a stale profile, an orientation) is not carried along.
        image = image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        image.remove(VIPS_META_ICC_NAME);
        image.remove(VIPS_META_ORIENTATION);
        return image;
    });
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto byte = std::uint8_t(bytes[i]);
        int length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        std::uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            auto next = std::uint8_t(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += std::size_t(length);
    }
    return true;
}

std::string TextToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto byte = std::uint8_t(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += char(0xC0 | (byte >> 6));
            text += char(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

} // namespace imaging::codecs
