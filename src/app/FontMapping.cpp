#include "app/FontMapping.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "convert/Caption.h"

namespace app {

namespace {
constexpr char kWindowFace[] = "ＭＳ Ｐゴシック";
constexpr int kWindowPixelSize = 12; // 9 points at 96 dots per inch
constexpr std::uint8_t kJapaneseCharset = 128;
} // namespace

QFont WindowFont() {
    QFont font(convert::CaptionFace(kWindowFace));
    font.setPixelSize(kWindowPixelSize);
    return font;
}

QFont ToQtFont(const options::TextFont& stored) {
    QFont font(convert::CaptionFace(stored.name));
    font.setPointSize(stored.size > 0 ? stored.size : 9);
    font.setBold(stored.Has(options::kFontBold));
    font.setItalic(stored.Has(options::kFontItalic));
    font.setUnderline(stored.Has(options::kFontUnderline));
    font.setStrikeOut(stored.Has(options::kFontStrikeOut));
    return font;
}

options::TextFont FromQtFont(const QFont& chosen, options::Colour colour, const options::TextFont& previous) {
    options::TextFont font;
    const QString family = chosen.family();
    font.name = family == convert::CaptionFace(previous.name) ? previous.name : family.toStdString();
    font.size = chosen.pointSize() > 0 ? chosen.pointSize() : previous.size;
    font.style = (chosen.bold() ? options::kFontBold : 0) | (chosen.italic() ? options::kFontItalic : 0) |
                 (chosen.underline() ? options::kFontUnderline : 0) |
                 (chosen.strikeOut() ? options::kFontStrikeOut : 0);
    font.colour = colour;
    font.pitch = QFontInfo(chosen).fixedPitch() ? options::FontPitch::Fixed : options::FontPitch::Variable;
    font.charset = QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? kJapaneseCharset : 0;
    return font;
}

} // namespace app
