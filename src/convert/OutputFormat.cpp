#include "convert/OutputFormat.h"

#include <sys/stat.h>

#include "sources/PathNames.h"

namespace convert {

OutputFormat ChooseOutputFormat(const std::string& text, int quality, bool progressive) {
    OutputFormat f;
    if (text == "BMP8") {
        f = {8, true, false, false, false, ".bmp", "x8 BPP"};
    } else if (text == "BMP24") {
        f = {8, false, false, false, false, ".bmp", "x24 BPP"};
    } else if (text == "PNG8") {
        f = {20, true, true, false, false, ".png", "x8 BPP"};
    } else if (text == "PNG24") {
        f = {20, false, true, false, false, ".png", "x24 BPP"};
    } else if (text == "FPX") {
        bool lossless = quality == 100;
        f = {std::int16_t(lossless ? 21 : 23), false, false, false, !lossless, ".fpx", "x24 BPP"};
    } else if (text == "PCX") {
        f = {24, false, false, false, false, ".pcx", "x24 BPP"};
    } else if (text == "WEBP") {
        f = {30, false, false, false, false, ".webp", "x24 BPP", true};
    } else if (text == "AVIF") {
        f = {31, false, false, false, false, ".avif", "x24 BPP", true};
    } else {
        f = {std::int16_t(progressive ? 11 : 10), false, false, true, false, ".jpg", "x24 BPP"};
    }
    return f;
}

std::string FormatCaption(std::int32_t width, std::int32_t height, const OutputFormat& format) {
    return std::to_string(width) + "x" + std::to_string(height) + format.captionSuffix;
}

std::string OutputPath(const std::string& source, const std::string& outputFolder,
                       const std::string* generatedName, const OutputFormat& format) {
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

} // namespace convert
