#include "imaging/codecs/FpxWriter.h"

#include <algorithm>
#include <optional>

#include "imaging/codecs/FpxCompound.h"
#include "imaging/codecs/FpxLayout.h"
#include "imaging/codecs/FpxPropertySet.h"
#include "imaging/codecs/FpxSubimage.h"

namespace imaging::codecs::fpx {

namespace {

constexpr std::int16_t kUnicodeCodePage = 1200;
constexpr std::int16_t kWesternCodePage = 1252;
constexpr std::uint32_t kNumberFormatByte = 17; // unsigned 8-bit samples
constexpr std::int32_t kDecimationFull = 0, kDecimationReduced = 4;

Raster HalveRaster(const Raster& source) {
    Raster half;
    half.width = (source.width + 1) / 2;
    half.height = (source.height + 1) / 2;
    half.bands = source.bands;
    half.bitCount = source.bitCount;
    const std::size_t bands = std::size_t(source.bands);
    half.pixels.resize(std::size_t(half.width) * std::size_t(half.height) * bands);
    for (int y = 0; y < half.height; ++y) {
        const std::uint8_t* top = source.Row(2 * y);
        const std::uint8_t* bottom = source.Row(std::min(2 * y + 1, source.height - 1));
        std::uint8_t* out = half.Row(y);
        for (int x = 0; x < half.width; ++x) {
            const std::size_t left = std::size_t(2 * x) * bands;
            const std::size_t right = std::size_t(std::min(2 * x + 1, source.width - 1)) * bands;
            for (std::size_t b = 0; b < bands; ++b)
                out[std::size_t(x) * bands + b] =
                    std::uint8_t((top[left + b] + top[right + b] + bottom[left + b] + bottom[right + b] + 2) / 4);
        }
    }
    return half;
}

// A compound-object stream naming the class: header, a user type, no clipboard format, no program ID.
Bytes CompObjStream(const ClassId& classId, const std::string& userType) {
    Bytes out;
    AppendU32(out, 0xFFFE0001);
    AppendU32(out, 0x00000A03);
    AppendU32(out, 0xFFFFFFFF);
    AppendBytes(out, classId);
    AppendU32(out, std::uint32_t(userType.empty() ? 0 : userType.size() + 1));
    if (!userType.empty()) {
        AppendBytes(out, ByteSpan(reinterpret_cast<const std::uint8_t*>(userType.data()), userType.size()));
        out.push_back(0);
    }
    AppendU32(out, 0); // no clipboard format
    AppendU32(out, 0); // no program ID
    return out;
}

Bytes SummaryStream() {
    PropertySet summary(kSummaryFormat);
    summary.SetI2(kCodePageProperty, kWesternCodePage);
    return summary.Serialize();
}

// An identifier for this image, derived from its pixels so that the same image always writes the same file.
ClassId ContentId(const Raster& raster) {
    std::uint64_t hashes[2] = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL};
    for (std::uint8_t byte : raster.pixels) {
        hashes[0] = (hashes[0] ^ byte) * 0x100000001b3ULL;
        hashes[1] = (hashes[1] ^ byte) * 0x100000001b3ULL + 1;
    }
    ClassId id{};
    for (int i = 0; i < 16; ++i)
        id[std::size_t(i)] = std::uint8_t(hashes[i / 8] >> (8 * (i % 8)));
    id[7] = std::uint8_t((id[7] & 0x0F) | 0x40); // a version-4 style identifier
    id[8] = std::uint8_t((id[8] & 0x3F) | 0x80);
    return id;
}

Bytes DataObjectStream(const Raster& full) {
    PropertySet object(kDataObjectFormat);
    object.SetI2(kCodePageProperty, kUnicodeCodePage);
    object.SetClsid(0x00010000, ContentId(full));
    object.SetUI4(0x00010100, 0x00010001);
    object.SetUI4(0x00010101, 0);
    object.SetUI4Vector(0x00010102, {});
    object.SetUI4(0x10000000, std::uint32_t(full.height)); // cached size
    object.SetUI4(0x10000001, std::uint32_t(full.width));
    return object.Serialize();
}

Bytes GlobalInfoStream() {
    PropertySet info(kGlobalInfoFormat);
    info.SetI2(kCodePageProperty, kUnicodeCodePage);
    info.SetUI4Vector(0x00010100, {1});
    info.SetUI4(0x00010101, 1);
    info.SetUI4(0x00010102, 0);
    info.SetUI4(0x00010103, 0);
    return info.Serialize();
}

Bytes ImageContentsStream(const std::vector<const Raster*>& levels, const ColourLayout& layout,
                          const std::optional<JpegTileEncoder>& jpeg) {
    const Raster& full = *levels.back();
    const int count = int(levels.size());
    PropertySet contents(kImageContentsFormat);
    contents.SetI2(kCodePageProperty, kUnicodeCodePage);
    contents.SetUI4(kLevelCountProperty, std::uint32_t(count));
    contents.SetUI4(kWidthProperty, std::uint32_t(full.width));
    contents.SetUI4(kHeightProperty, std::uint32_t(full.height));
    // The display size is informative only; these are the values other FlashPix writers store.
    const float displayWidth = float(1.0 / 25.4);
    contents.SetR4(kDisplayWidthProperty, displayWidth);
    contents.SetR4(kDisplayHeightProperty, float(displayWidth * double(full.width) / full.height));
    contents.SetUI4(kDisplayUnitProperty, 0);
    const Bytes colours = ColourBlob(layout);
    for (int level = 0; level < count; ++level) {
        contents.SetUI4(LevelProperty(level, kLevelWidth), std::uint32_t(levels[std::size_t(level)]->width));
        contents.SetUI4(LevelProperty(level, kLevelHeight), std::uint32_t(levels[std::size_t(level)]->height));
        contents.SetBlob(LevelProperty(level, kLevelColours), colours);
        contents.SetUI4Vector(LevelProperty(level, kLevelNumberFormat), {kNumberFormatByte});
        contents.SetI4(LevelProperty(level, kLevelDecimation),
                       level == count - 1 ? kDecimationFull : kDecimationReduced);
    }
    if (jpeg) {
        // One identical copy of the tables per level: level n uses table index n + 1.
        contents.SetUI4(kMaxTableIndexProperty, std::uint32_t(count));
        for (int level = 0; level < count; ++level)
            contents.SetBlob(JpegTablesProperty(level + 1), jpeg->Tables());
    }
    return contents.Serialize();
}

} // namespace

std::vector<Raster> ReducedLevels(const Raster& full) {
    std::vector<Raster> levels;
    for (const Raster* above = &full; above->width > kTileSide || above->height > kTileSide; above = &levels.back())
        levels.push_back(HalveRaster(*above));
    std::reverse(levels.begin(), levels.end());
    return levels;
}

Bytes WriteFpx(const Raster& stored, const ColourLayout& layout, bool jpegTiles, int quality) {
    CheckDimensions(stored.width, stored.height);
    if (stored.bands != layout.Channels() ||
        stored.pixels.size() != std::size_t(stored.width) * std::size_t(stored.height) * std::size_t(stored.bands))
        Fail("FlashPix writer was given an inconsistent raster");
    const std::vector<Raster> reduced = ReducedLevels(stored);
    std::vector<const Raster*> levels;
    for (const Raster& level : reduced)
        levels.push_back(&level);
    levels.push_back(&stored);
    std::optional<JpegTileEncoder> jpeg;
    if (jpegTiles) jpeg.emplace(stored.bands, quality);

    CompoundEntry store = CompoundEntry::Storage(kStoreName, kStoreClass);
    store.children.push_back(CompoundEntry::Stream(kCompObjName, CompObjStream(kStoreClass, "")));
    store.children.push_back(CompoundEntry::Stream(kImageContentsName, ImageContentsStream(levels, layout, jpeg)));
    store.children.push_back(CompoundEntry::Stream(kSummaryName, SummaryStream()));
    store.children.push_back(CompoundEntry::Stream(kIccProfileName, StreamHeader(kIccProfileClass)));
    for (std::size_t level = 0; level < levels.size(); ++level) {
        EncodedSubimage subimage = EncodeSubimage(*levels[level], jpeg ? &*jpeg : nullptr, int(level) + 1);
        CompoundEntry resolution = CompoundEntry::Storage(ResolutionName(int(level)), kResolutionClass);
        resolution.children.push_back(CompoundEntry::Stream(kSubimageHeaderName, std::move(subimage.header)));
        resolution.children.push_back(CompoundEntry::Stream(kSubimageDataName, std::move(subimage.data)));
        store.children.push_back(std::move(resolution));
    }

    CompoundEntry root = CompoundEntry::Storage("Root Entry", kRootClass);
    root.children.push_back(CompoundEntry::Stream(kCompObjName, CompObjStream(kRootClass, "FlashPix Image")));
    root.children.push_back(CompoundEntry::Stream(kSummaryName, SummaryStream()));
    root.children.push_back(CompoundEntry::Stream(kGlobalInfoName, GlobalInfoStream()));
    root.children.push_back(CompoundEntry::Stream(kDataObjectName, DataObjectStream(stored)));
    root.children.push_back(std::move(store));
    return WriteCompoundFile(root);
}

} // namespace imaging::codecs::fpx
