#include "sources/PathNames.h"

#include <array>
#include <stdexcept>

namespace sources {

namespace {

std::size_t ExtensionStart(std::string_view path) {
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return path.size();
    std::size_t slash = path.rfind(kPathSeparator);
    if (slash != std::string_view::npos && slash > dot) return path.size();
    return dot;
}

std::size_t NameStart(std::string_view path) {
    std::size_t slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? 0 : slash + 1;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

std::string ExtractFileExt(std::string_view path) {
    return std::string(path.substr(ExtensionStart(path)));
}

std::string ExtractFileName(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string ExtractFilePath(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    std::string result(path.substr(0, ExtensionStart(path)));
    result += extension;
    return result;
}

bool IsImageFileName(std::string_view path) {
    // In the order they are tested.
    static constexpr std::array<std::string_view, 11> kImageExtensions = {
        ".jpg", ".png", ".bmp", ".pcx", ".jpeg", ".fpx", ".heic", ".heif", ".avif", ".webp", ".jxl"};
    std::string extension = ExtractFileExt(path);
    for (char& c : extension)
        c = AsciiLower(c);
    for (std::string_view accepted : kImageExtensions) {
        if (extension == accepted) return true;
    }
    return false;
}

bool IsUsablePath(std::string_view path) {
    return !path.empty() && path.find('\0') == std::string_view::npos;
}

std::string AddPathSeparator(std::string_view path) {
    std::string result(path);
    if (result.empty() || result.back() != kPathSeparator) result += kPathSeparator;
    return result;
}

void CheckNameParts(std::string_view prefix, std::string_view suffix) {
    for (std::string_view part : {prefix, suffix})
        if (part.find('/') != std::string_view::npos)
            throw std::invalid_argument("ファイル名に付ける文字に「/」は使えません: " + std::string(part));
}

} // namespace sources
