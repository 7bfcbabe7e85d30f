#include "convert/Caption.h"
#include "convert/SourceCheck.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <vector>

#include <sys/stat.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include "convert/BatchRun.h"
#include "files/AtomicFile.h"
#include "imaging/Error.h"
#include "imaging/FileRead.h"
#include "sources/PathNames.h"

namespace convert {

namespace {

constexpr char kStoredDefaultFace[] = "ＭＳ Ｐゴシック";
// Japanese faces that stand in for a face this system does not have, best first.
constexpr const char* kJapaneseFaces[] = {"IPAPGothic", "Noto Sans CJK JP"};
constexpr int kDotsPerInch = 96;
constexpr int kDotsPerMetre = 3780; // 96 dots per inch
// Bounds the glyph size a settings file can ask for; far above any caption on a photo.
constexpr int kMaxPixelSize = 4096;
// Far above any caption bitmap (one gigapixel at 24 bits): the bound on what is read back.
constexpr std::uint64_t kMaxBitmapBytes = 4ULL << 30;

bool HaveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// A colour value as Qt draws it: red in the lowest byte; a system colour (top bit set) is taken from the palette.
QColor ToQColor(options::Colour colour) {
    if (!options::IsSystemColour(colour))
        return QColor(options::Red(colour), options::Green(colour), options::Blue(colour));
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role = QPalette::Window;
    switch (options::SystemColourIndex(colour)) {
    case 2:
    case 13:
        role = QPalette::Highlight;
        break; // active caption, highlight
    case 5:
        role = QPalette::Base;
        break; // window
    case 6:
    case 21:
        role = QPalette::Shadow;
        break; // window frame, dark shadow
    case 7:
    case 19:
        role = QPalette::WindowText;
        break; // menu text, inactive caption text
    case 8:
        role = QPalette::Text;
        break; // window text
    case 9:
    case 14:
        role = QPalette::HighlightedText;
        break; // caption text, highlight text
    case 0:
    case 12:
    case 16:
        role = QPalette::Mid;
        break; // scroll bar, workspace, shadow
    case 15:
        role = QPalette::Button;
        break; // button face
    case 17:
        group = QPalette::Disabled;
        role = QPalette::Text;
        break; // grey text
    case 18:
        role = QPalette::ButtonText;
        break; // button text
    case 20:
        role = QPalette::Light;
        break; // button highlight
    case 22:
        role = QPalette::Midlight;
        break; // 3-D light
    case 23:
        role = QPalette::ToolTipText;
        break; // tooltip text
    case 24:
        role = QPalette::ToolTipBase;
        break; // tooltip background
    default:
        break; // desktop, menu, borders...
    }
    return QGuiApplication::palette().color(group, role);
}

// Whole points at 96 dots per inch, rounded to the nearest pixel. A negative size is taken by its magnitude;
// a zero size falls back to the 9-point default.
int PixelSize(int points) {
    long long magnitude = points < 0 ? -(long long)points : points;
    if (magnitude == 0) magnitude = 9;
    long long pixels = (magnitude * kDotsPerInch + 36) / 72;
    return int(std::clamp<long long>(pixels, 1, kMaxPixelSize));
}

QImage LoadBitmap(const std::string& path) {
    const std::vector<std::uint8_t> bytes = imaging::ReadWholeFile(path, kMaxBitmapBytes);
    QImage picture;
    if (!picture.loadFromData(bytes.data(), int(bytes.size()), "BMP"))
        throw imaging::Error(path, "the bitmap cannot be decoded");
    return picture;
}

void SaveBitmap(const QImage& picture, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "BMP")) throw imaging::Error(path, "the bitmap cannot be encoded");
    files::WriteFileAtomically(path,
                               std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                             std::size_t(bytes.size())));
}

} // namespace

std::string CaptionBitmapPath(const std::string& tempFolder, const std::string& source) {
    return tempFolder + sources::ChangeFileExt(sources::ExtractFileName(source), "$$$.bmp");
}

QString CaptionFace(const std::string& storedFace) {
    const QString face = QString::fromStdString(storedFace);
    if (storedFace != kStoredDefaultFace && !face.isEmpty() && QFontDatabase::hasFamily(face)) return face;
    for (const char* candidate : kJapaneseFaces)
        if (QFontDatabase::hasFamily(QString::fromLatin1(candidate))) return QString::fromLatin1(candidate);
    return face; // nothing better installed: Qt's font matching chooses
}

QFont CaptionFont(const options::TextFont& font) {
    QFont qfont(CaptionFace(font.name));
    qfont.setPixelSize(PixelSize(font.size));
    qfont.setBold(font.Has(options::kFontBold));
    qfont.setItalic(font.Has(options::kFontItalic));
    qfont.setUnderline(font.Has(options::kFontUnderline));
    qfont.setStrikeOut(font.Has(options::kFontStrikeOut));
    return qfont;
}

void ResolveCaptionColours(RunOptions& options) {
    if (!HaveGuiApplication()) return;
    for (std::uint32_t* colour : {&options.captionFillColour, &options.captionFont.colour}) {
        if (!options::IsSystemColour(*colour)) continue;
        const QColor plain = ToQColor(*colour);
        *colour =
            options::MakeColour(std::uint8_t(plain.red()), std::uint8_t(plain.green()), std::uint8_t(plain.blue()));
    }
}

CaptionLayout DrawCaption(QImage& picture, const RunOptions& options) {
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    picture.setDotsPerMeterX(kDotsPerMetre);
    picture.setDotsPerMeterY(kDotsPerMetre);
    const CaptionPlacement placement = ParseCaptionPlacement(options.captionPosition);
    if (placement == CaptionPlacement::None) return {};
    if (!HaveGuiApplication())
        throw imaging::Error({}, "a caption needs the application's font system (no QGuiApplication)");

    const QFont font = CaptionFont(options.captionFont);
    const QFontMetrics metrics(font, &picture);
    const QString text = QString::fromStdString(options.captionText);
    const CaptionLayout layout =
        LayOutCaption(placement, picture.width(), picture.height(), metrics.horizontalAdvance(text), metrics.height());

    QPainter painter(&picture);
    if (options.captionFill) {
        const CaptionRect& band = layout.band;
        painter.fillRect(QRect(band.left, band.top, band.right - band.left, band.bottom - band.top),
                         ToQColor(options.captionFillColour));
    }
    // The text goes without a background; its top-left corner is the layout's point, and a rotated text
    // turns about that point (counter-clockwise on the screen is a negative angle for the painter).
    painter.setFont(font);
    painter.setPen(ToQColor(options.captionFont.colour));
    painter.translate(layout.x, layout.y);
    painter.rotate(-layout.rotation);
    painter.drawText(0, metrics.ascent(), text);
    return layout;
}

void DrawCaptionStep(BatchRun& run, const std::string& source) {
    RunComponents& c = run.Components();
    imaging::TIk5File& file = c.Ik5File1;
    const std::string path = CaptionBitmapPath(run.Options().TempFolder(), source);

    // The working image leaves the component as a bitmap (it stays held: the run releases it afterwards).
    // After every commit it is also the last effect's result; unlike that result it is still valid when no
    // effect has run since the load (a resize that failed).
    const imaging::Handle working = c.Ik5Effect1.InImgHandle;
    file.ImgHandle = working;
    file.Action = imaging::TIk5File::kSaveBmp;
    file.FileName = path;
    MakeTempFolder(run.Options().TempFolder());
    file.Execute();

    QImage picture = LoadBitmap(path);
    DrawCaption(picture, run.Options());
    SaveBitmap(picture, path);

    file.Action = imaging::TIk5File::kLoad;
    try {
        file.Execute();
    } catch (...) {
        file.ImgHandle = working; // a failed load leaves no handle; keep naming the image still held
        throw;
    }
    // The drawn picture is still the photo: its EXIF and XMP stay with it.
    file.ImgHandle = imaging::WithMetadataOf(file.ImgHandle, working);
    if (!run.CommandLineRun()) run.Observer().ShowPreview(file.ImgHandle);
}

} // namespace convert
