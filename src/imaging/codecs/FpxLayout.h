#pragma once
// Names, class IDs and property IDs of the FlashPix file layout, shared by the reader and the writer.
#include <string>

#include "imaging/codecs/FpxBytes.h"

namespace imaging::codecs::fpx {

inline const std::string kCompObjName = "\001CompObj";
inline const std::string kSummaryName = "\005SummaryInformation";
inline const std::string kGlobalInfoName = "\005Global Info";
inline const std::string kDataObjectName = "\005Data Object 000001";
inline const std::string kStoreName = "Data Object Store 000001";
inline const std::string kImageContentsName = "\005Image Contents";
inline const std::string kIccProfileName = "ICC Profile 0001";
inline const std::string kSubimageHeaderName = "Subimage 0000 Header";
inline const std::string kSubimageDataName = "Subimage 0000 Data";

// "Resolution 0000" is the smallest level.
inline std::string ResolutionName(int level) {
    std::string digits = std::to_string(level);
    return "Resolution " + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

inline constexpr ClassId kRootClass = FlashPixId(0x56616700);
inline constexpr ClassId kStoreClass = FlashPixId(0x56616000);
inline constexpr ClassId kResolutionClass = FlashPixId(0x56616100);
inline constexpr ClassId kImageContentsFormat = FlashPixId(0x56616400);
inline constexpr ClassId kGlobalInfoFormat = FlashPixId(0x56616F00);
inline constexpr ClassId kDataObjectFormat = FlashPixId(0x56616080);
inline constexpr ClassId kIccProfileClass = FlashPixId(0x56616600);
// F29F85E0-4FF9-1068-AB91-08002B27B3D9
inline constexpr ClassId kSummaryFormat = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                           0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

// Image Contents properties.
inline constexpr std::uint32_t kLevelCountProperty = 0x01000000;
inline constexpr std::uint32_t kWidthProperty = 0x01000002;
inline constexpr std::uint32_t kHeightProperty = 0x01000003;
inline constexpr std::uint32_t kDisplayWidthProperty = 0x01000004;
inline constexpr std::uint32_t kDisplayHeightProperty = 0x01000005;
inline constexpr std::uint32_t kDisplayUnitProperty = 0x01000006;
inline constexpr std::uint32_t kMaxTableIndexProperty = 0x03000002;

enum LevelItem : std::uint32_t {
    kLevelWidth = 0,
    kLevelHeight = 1,
    kLevelColours = 2,
    kLevelNumberFormat = 3,
    kLevelDecimation = 4,
};

inline constexpr std::uint32_t LevelProperty(int level, LevelItem item) {
    return 0x02000000u | std::uint32_t(level & 0xFF) << 16 | item;
}

inline constexpr std::uint32_t JpegTablesProperty(int tableIndex) {
    return 0x03000001u | std::uint32_t(tableIndex & 0xFF) << 16;
}

} // namespace imaging::codecs::fpx
