#pragma once
// Output formats: the save action and properties of each, whether it needs the 8-bit reduction, the
// extension, and the text shown above the preview.
#include <cstdint>
#include <string>

namespace convert {

struct OutputFormat {
    std::int16_t action = 10; // the file component's save action
    bool reduceTo8Bits = false;
    bool png = false;        // takes the PNG properties (comment, interlace, transparent colour)
    bool jpeg = false;       // takes quality, subsampling and comment
    bool fpxQuality = false; // FlashPix with JPEG tiles at the run's quality
    const char* extension = ".jpg";
    const char* captionSuffix = "x24 BPP";
    bool takesQuality = false; // WEBP and AVIF: the run's quality, nothing else
};

// The format for ComboBox4's text, compared exactly; any text that names no other format gives JPEG. Beside the
// seven formats of the settings page's list, "WEBP" and "AVIF" (the two items after them).
// quality decides between the two FlashPix actions; progressive between the two JPEG actions.
OutputFormat ChooseOutputFormat(const std::string& formatText, int quality, bool progressive);

// "<width>x<height><suffix>", e.g. "200x150x24 BPP".
std::string FormatCaption(std::int32_t width, std::int32_t height, const OutputFormat& format);

// The output path for a source: the generated name plus extension when one is given, otherwise
// outputFolder + "/" + the source's file name with its extension replaced.
std::string OutputPath(const std::string& source, const std::string& outputFolder, const std::string* generatedName,
                       const OutputFormat& format);

// Creates the folder part of path when it does not exist, one level only (a missing parent is not created);
// failures are silent, the save then reports them.
void CreateOutputFolder(const std::string& path);
// Creates the output folder (one level, as above) and every folder between it and the folder part of `path`,
// which lies below it.
void CreateOutputFolders(const std::string& path, const std::string& outputFolder);

} // namespace convert
