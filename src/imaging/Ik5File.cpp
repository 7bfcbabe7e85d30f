#include "imaging/Ik5File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include <sys/stat.h>

#include "files/AtomicFile.h"
#include "imaging/ByteSink.h"
#include "imaging/Error.h"
#include "imaging/codecs/Metadata.h"
#include "imaging/Init.h"
#include "imaging/Progress.h"
#include "imaging/codecs/Bmp.h"
#include "imaging/codecs/Fpx.h"
#include "imaging/codecs/Jpeg.h"
#include "imaging/codecs/LibvipsFormats.h"
#include "imaging/codecs/Pcx.h"
#include "imaging/codecs/Png.h"
#include "imaging/codecs/VipsLoad.h"

namespace imaging {

namespace {

// Files beyond this size are refused before they are read into memory.
constexpr std::uint64_t kMaxFileBytes = 4ULL << 30;

bool StartsWith(std::span<const std::uint8_t> head, std::string_view magic) {
    return head.size() >= magic.size() && std::memcmp(head.data(), magic.data(), magic.size()) == 0;
}

Image FromRaster(Raster raster) {
    Image image;
    image.width = raster.width;
    image.height = raster.height;
    image.bitCount = raster.bitCount;
    image.comment = std::move(raster.comment);
    image.pixels = ToVips(std::move(raster));
    return image;
}

// A bitmap of 1, 4 or 8 bits is held as its indices, read through its palette; others as a raster.
Image FromBmp(std::span<const std::uint8_t> bytes) {
    std::optional<Paletted> indexed = codecs::DecodeBmpIndexed(bytes);
    if (!indexed) return FromRaster(codecs::DecodeBmp(bytes));
    Image image;
    image.width = indexed->width;
    image.height = indexed->height;
    image.bitCount = indexed->palette.size() == 2 ? 1 : indexed->palette.size() == 16 ? 4 : 8;
    image.storedIndices = std::make_shared<const Paletted>(std::move(*indexed));
    image.pixels = ToVips(image.storedIndices);
    return image;
}

// The pixels a save encodes: a freshly loaded image is decoded once more for the save alone, a strip of rows
// at a time, rather than held whole (its lazily loaded pixels are then never computed).
vips::VImage SavePixels(const Image& image) {
    if (image.reloadSequential && !image.paletted) {
        std::optional<vips::VImage> fresh = image.reloadSequential();
        if (fresh && fresh->width() == image.width && fresh->height() == image.height &&
            fresh->bands() == image.pixels.bands())
            return FlattenToRgb(*fresh);
    }
    return RgbPixels(image);
}

} // namespace

std::int32_t TIk5File::Execute() {
    EnsureInitialized();
    // A failure names the file it concerns: the file loaded, or for a save the output, except that a failure
    // of the pixels themselves (a source decoded only now, as the save streams it) names their source.
    failureFile_ = FileName;
    try {
        try {
            if (Action == kLoad)
                Load();
            else
                Save();
        } catch (const vips::VError& error) {
            codecs::FailFromVips(error);
        } catch (const std::bad_alloc&) {
            Fail("not enough memory", Problem::NoMemory);
        }
    } catch (const Error& error) {
        if (error.file().empty()) throw error.WithFile(failureFile_);
        throw;
    }
    return 0;
}

void TIk5File::Load() {
    ImgHandle = 0;
    Progress(0);
    // One open serves the format probe and the load: the file read is the file probed.
    const codecs::FileReader file(FileName);
    std::vector<std::uint8_t> head = file.Read(0, 64);
    if (head.empty()) FailTruncated("the file is empty");
    Image image;
    if (codecs::IsJpeg(head)) {
        image = codecs::LoadJpeg(file);
    } else if (codecs::IsPng(head)) {
        image = codecs::LoadPng(file);
    } else if (StartsWith(head, "GIF8")) {
        FailUnsupported("GIF images are not supported");
    } else if (StartsWith(head, "II*\0") || StartsWith(head, "MM\0*")) {
        FailUnsupported("TIFF images are not supported");
    } else if (std::optional<codecs::LibvipsFormat> format = codecs::DetectLibvipsFormat(head)) {
        image = codecs::LoadLibvipsFormat(file, *format);
    } else if (codecs::IsBmp(head) || codecs::IsPcx(head) || codecs::IsFpx(head)) {
        std::vector<std::uint8_t> bytes = file.ReadAll(kMaxFileBytes);
        Progress(30);
        if (codecs::IsBmp(head))
            image = FromBmp(bytes);
        else if (codecs::IsPcx(head))
            image = FromRaster(codecs::DecodePcx(bytes));
        else
            image = FromRaster(codecs::DecodeFpx(bytes));
    } else {
        Fail("not an image file of a known format", Problem::NotImage);
    }
    image.source = FileName;
    // What libvips' loaders attached of the file's EXIF and XMP (the JPEG, PNG, HEIF, WebP and JPEG XL loads).
    if (std::vector<std::uint8_t> exif = codecs::ExifOf(image.pixels);
        !exif.empty() || !codecs::XmpOf(image.pixels).empty())
        image.metadata =
            std::make_shared<const SourceMetadata>(SourceMetadata{std::move(exif), codecs::XmpOf(image.pixels)});
    Comment = image.comment;
    ImgHandle = ImageStore::Instance().Add(std::move(image));
    Progress(100);
}

void TIk5File::Save() {
    std::shared_ptr<const Image> image = ImageStore::Instance().Get(ImgHandle);
    if (!image->source.empty()) failureFile_ = image->source;
    Progress(0);
    // A bad target is refused before anything is computed.
    files::PendingFile pending = files::PendingFileFor(FileName);
    const ByteSink sink = [&pending](std::span<const std::uint8_t> bytes) { pending.Write(bytes); };
    // Pixels are computed (and a lazily loaded source decoded) while they are encoded: report that part.
    ProgressScope scope([this](int percent) { Progress(percent * 90 / 100); });
    auto pixels = [&] { return scope.Watch(SavePixels(*image)); };
    const std::optional<codecs::OutputMetadata> metadata =
        image->metadata ? codecs::MetadataToWrite(image->metadata->exif, image->metadata->xmp,
                                                  codecs::MetadataChoice(std::clamp<int>(Metadata, 0, 2)))
                        : std::nullopt;
    const codecs::OutputMetadata* keep = metadata ? &*metadata : nullptr;
    auto raster = [&] { return ToRaster(pixels()); };
    switch (Action) {
    case kSaveBmp:
        if (image->paletted)
            codecs::WriteBmp(*image->paletted, sink);
        else
            codecs::WriteBmp(raster(), sink);
        break;
    case kSaveJpeg:
    case kSaveProgressiveJpeg:
        codecs::WriteJpeg(pixels(), JpegQuality, Action == kSaveProgressiveJpeg, JpegSubsamp != 0, Comment, sink, keep);
        break;
    case kSavePng: {
        codecs::PngOptions options;
        options.interlace = Interlace != 0;
        options.comment = Comment;
        options.metadata = metadata;
        if (Transparent != 0)
            options.transparent = Rgb{std::uint8_t(PalRed), std::uint8_t(PalGreen), std::uint8_t(PalBlue)};
        if (image->paletted)
            codecs::WritePng(*image->paletted, options, sink);
        else
            codecs::WritePng(pixels(), options, sink);
        break;
    }
    case kSaveFpx:
    case kSaveFpxJpeg:
        sink(codecs::EncodeFpx(raster(), Action == kSaveFpxJpeg, JpegQuality));
        break;
    case kSavePcx:
        if (image->paletted)
            codecs::WritePcx(*image->paletted, sink);
        else
            codecs::WritePcx(raster(), sink);
        break;
    case kSaveWebp:
        codecs::WriteWebp(pixels(), JpegQuality, sink, keep);
        break;
    case kSaveAvif:
        codecs::WriteAvif(pixels(), JpegQuality, sink, keep);
        break;
    default:
        Fail("unknown action " + std::to_string(Action));
    }
    pending.Finish();
    if (PendingSave)
        PendingSave(std::move(pending), FileName);
    else
        pending.Publish(FileName);
    Progress(100);
}

std::int32_t TIk5File::GetImageInfo() {
    std::shared_ptr<const Image> image = ImageStore::Instance().Get(ImgHandle);
    ImgWidth = image->width;
    ImgHeight = image->height;
    ImgBitCount = std::int16_t(image->bitCount);
    return 0;
}

void TIk5File::Progress(int percent) {
    if (OnProgress) OnProgress(*this, std::int16_t(percent));
}

} // namespace imaging
