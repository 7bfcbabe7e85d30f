#include "convert/OutputFormat.h"

#include <sys/stat.h>

#include "imaging/Ik5File.h"
#include "sources/PathNames.h"

namespace convert {

OutputFormat ChooseOutputFormat(const std::string& text, int quality, bool progressive) {
    using File = imaging::TIk5File;
    if (text == "BMP8")
        return {.action = File::kSaveBmp, .reduceTo8Bits = true, .extension = ".bmp", .captionSuffix = "x8 BPP"};
    if (text == "BMP24") return {.action = File::kSaveBmp, .extension = ".bmp"};
    if (text == "PNG8")
        return {.action = File::kSavePng,
                .reduceTo8Bits = true,
                .png = true,
                .extension = ".png",
                .captionSuffix = "x8 BPP"};
    if (text == "PNG24") return {.action = File::kSavePng, .png = true, .extension = ".png"};
    if (text == "FPX") {
        // Quality 100 keeps the tiles uncompressed; anything less stores them as JPEG at that quality.
        if (quality == 100) return {.action = File::kSaveFpx, .extension = ".fpx"};
        return {.action = File::kSaveFpxJpeg, .fpxQuality = true, .extension = ".fpx"};
    }
    if (text == "PCX") return {.action = File::kSavePcx, .extension = ".pcx"};
    if (text == "WEBP") return {.action = File::kSaveWebp, .extension = ".webp", .takesQuality = true};
    if (text == "AVIF") return {.action = File::kSaveAvif, .extension = ".avif", .takesQuality = true};
    return {.action = progressive ? File::kSaveProgressiveJpeg : File::kSaveJpeg, .jpeg = true, .extension = ".jpg"};
}

std::string FormatCaption(std::int32_t width, std::int32_t height, const OutputFormat& format) {
    return std::to_string(width) + "x" + std::to_string(height) + format.captionSuffix;
}

std::string OutputPath(const std::string& source, const std::string& outputFolder, const std::string* generatedName,
                       const OutputFormat& format) {
    if (generatedName) return *generatedName + format.extension;
    return outputFolder + "/" + sources::ChangeFileExt(sources::ExtractFileName(source), format.extension);
}

void CreateOutputFolder(const std::string& path) {
    std::string folder = sources::ExtractFilePath(path);
    if (folder.empty()) return;
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) return;
    ::mkdir(folder.c_str(), 0777);
}

void CreateOutputFolders(const std::string& path, const std::string& outputFolder) {
    const std::string top = sources::AddPathSeparator(outputFolder);
    CreateOutputFolder(top);
    const std::string folder = sources::ExtractFilePath(path);
    if (!folder.starts_with(top)) return;
    for (std::size_t slash = folder.find('/', top.size()); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0777);
}

} // namespace convert
