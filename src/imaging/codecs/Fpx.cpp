// FlashPix reading and writing entry points.
//
// Reading takes the full-resolution level only. Monochrome, RGB and PhotoYCC channels are read, optionally
// with an alpha channel: the result has 1 (grey), 2 (grey + alpha), 3 (RGB) or 4 (RGBA, straight alpha) bands.
//
// Writing stores RGB with every level of the pyramid. JPEG quality is libjpeg's own quality scale (1..100,
// jpeg_set_quality): other FlashPix writers scale the standard tables by int(2.55 * (100 - Q)) / 50 instead, so
// their quality 90 gives the tables of libjpeg quality 75.
#include "imaging/codecs/Fpx.h"

#include <algorithm>

#include "imaging/Error.h"
#include "imaging/codecs/FpxColour.h"
#include "imaging/codecs/FpxCompound.h"
#include "imaging/codecs/FpxLayout.h"
#include "imaging/codecs/FpxPropertySet.h"
#include "imaging/codecs/FpxSubimage.h"
#include "imaging/codecs/FpxWriter.h"

namespace imaging::codecs {

namespace {

using namespace fpx;

constexpr std::int64_t kMaxLevels = 64;

std::int64_t RequireInteger(const PropertySet& contents, std::uint32_t id, const char* what) {
    const std::optional<std::int64_t> value = contents.Integer(id);
    if (!value) Fail(std::string("FlashPix image description has no ") + what);
    return *value;
}

Bytes RequireStream(const CompoundReader& file, const CompoundPath& path, std::size_t maxSize) {
    std::optional<Bytes> bytes = file.ReadStream(path, maxSize);
    if (!bytes) Fail("FlashPix file has no stream " + path.back());
    return std::move(*bytes);
}

} // namespace

bool IsFpx(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return head.size() >= sizeof kSignature && std::equal(std::begin(kSignature), std::end(kSignature), head.begin());
}

Raster DecodeFpx(std::span<const std::uint8_t> data) {
    if (!IsFpx(data)) Fail("not a FlashPix file (no compound-file signature)", Problem::NotImage);
    const CompoundReader file(data);
    if (!file.HasStorage({kStoreName})) Fail("not a FlashPix file (no image store)");
    // No stream can hold more than the file.
    const std::size_t maxStream = data.size();
    const PropertySet contents = PropertySet::Parse(RequireStream(file, {kStoreName, kImageContentsName}, maxStream));

    const std::int64_t levels = RequireInteger(contents, kLevelCountProperty, "level count");
    if (levels < 1 || levels > kMaxLevels) Fail("FlashPix level count " + std::to_string(levels) + " is invalid");
    const std::int64_t width = RequireInteger(contents, kWidthProperty, "width");
    const std::int64_t height = RequireInteger(contents, kHeightProperty, "height");
    CheckDimensions(width, height);

    const int full = int(levels - 1);
    const std::optional<ByteSpan> colours = contents.Blob(LevelProperty(full, kLevelColours));
    if (!colours) Fail("FlashPix image description has no colours for its full resolution");
    const ColourLayout layout = ParseColourBlob(*colours);

    const CompoundPath level = {kStoreName, ResolutionName(full)};
    if (!file.HasStorage(level)) Fail("FlashPix file has no " + level.back());
    const Bytes header = RequireStream(file, {kStoreName, level.back(), kSubimageHeaderName}, maxStream);
    const Bytes tiles = RequireStream(file, {kStoreName, level.back(), kSubimageDataName}, maxStream);
    const JpegTablesLookup tables = [&contents](int index) { return contents.Blob(JpegTablesProperty(index)); };
    Raster stored = DecodeSubimage(header, tiles, int(width), int(height), layout.Channels(), tables);
    return ToOutputBands(std::move(stored), layout);
}

std::vector<std::uint8_t> EncodeFpx(const Raster& rgb, bool jpegTiles, int quality) {
    if (rgb.bands != 3) Fail("FlashPix writer needs an RGB raster");
    return WriteFpx(rgb, ColourLayout{kRgb, false, false}, jpegTiles, quality);
}

} // namespace imaging::codecs
