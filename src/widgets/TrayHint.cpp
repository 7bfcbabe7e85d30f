#include "widgets/TrayHint.h"

#include <QList>
#include <QString>

namespace widgets {

int Cp932CharBytes(char32_t codePoint) {
    if (codePoint < 0x80) return 1;
    if (codePoint >= 0xFF61 && codePoint <= 0xFF9F) // half-width katakana
        return 1;
    return 2;
}

int Cp932Length(const std::string& utf8) {
    int bytes = 0;
    for (char32_t codePoint : QString::fromStdString(utf8).toUcs4())
        bytes += Cp932CharBytes(codePoint);
    return bytes;
}

std::string ShortHint(const std::string& hint, int maxBytes) {
    const std::string shortPart = hint.substr(0, hint.find('|'));
    std::u32string kept;
    int bytes = 0;
    for (char32_t codePoint : QString::fromStdString(shortPart).toUcs4()) {
        const int size = Cp932CharBytes(codePoint);
        if (bytes + size > maxBytes) break; // a double-byte character that would straddle the limit is left out whole
        bytes += size;
        kept.push_back(codePoint);
    }
    return QString::fromUcs4(kept.data(), static_cast<qsizetype>(kept.size())).toStdString();
}

} // namespace widgets
