#pragma once
// Everything a conversion run reads from the options, taken once at its start, so that a run converts every
// file with the same options even while the window stays usable.
#include <cstdint>
#include <string>

#include "convert/TargetSize.h"
#include "options/OptionSet.h"

namespace convert {

struct RunOptions {
    std::string programFolder; // with its trailing "/"
    TargetSizeInputs size;
    int quality = 100;
    int sharpenLevel = 4;
    int blurLevel = 5;
    bool sharpen = false;
    bool blur = false;
    bool antialias = false;
    bool grayscale = false;
    std::string outputFolder;
    std::string comment;
    bool generatedNames = false;
    // What generated names are made of (only with generatedNames).
    std::string namePrefix;
    std::string nameSuffix;
    std::int32_t nameStart = 1;
    std::int32_t nameDigits = 4;
    options::CaseRule nameCase = options::CaseRule::Keep;
    // Image overlay.
    std::string overlayImage;
    std::string overlayPosition;
    int overlayTransparency = 0;
    std::uint32_t overlayKeyColour = 0x00010000;
    // Text caption.
    std::string captionText;
    std::string captionPosition;
    bool captionFill = false;
    std::uint32_t captionFillColour = 0x0000FFFF;
    options::TextFont captionFont;
    // Output format.
    std::string format;
    bool progressive = false;
    bool interlace = false;
    bool transparent = false;
    std::uint32_t transparentColour = 0x00010000;
    // What a run writes (出力の詳細設定): the texts of SameName, Existing and Metadata (see OutputNames.h).
    std::string sameName = "番号を付ける";
    std::string existing = "上書きする";
    std::string metadata = "残さない";

    // The temporary folder, with its trailing "/" (see ChooseTempRoot); empty: "Temp/" in the program folder.
    std::string tempRoot;
    // A folder of its own inside the temporary folder ("1/"), for each of several workers converting side by
    // side; empty for a run that converts one entry at a time.
    std::string tempSubfolder;

    std::string TempRoot() const { return tempRoot.empty() ? programFolder + "Temp/" : tempRoot; }
    std::string TempFolder() const { return TempRoot() + tempSubfolder; }
};

RunOptions CaptureRunOptions(const options::OptionSet& options, const std::string& programFolder);

} // namespace convert
