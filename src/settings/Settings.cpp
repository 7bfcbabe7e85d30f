#include "settings/Settings.h"

#include <array>
#include <optional>
#include <string_view>
#include <variant>

#include "settings/ProfileFile.h"
#include "settings/SettingsFile.h"
#include "settings/TextEncoding.h"
#include "settings/ValueEncoding.h"

namespace settings {

namespace {

using options::OptionKind;
using options::OptionSet;
using options::TextFont;

constexpr std::string_view kMain = "Main";
constexpr std::string_view kFont = "Font";
constexpr std::string_view kBrush = "Brush";

std::string MessageFor(SettingsError::Kind kind, const std::string& subject, const std::string& line) {
    switch (kind) {
    case SettingsError::Kind::NotAnInteger:
        return "'" + subject + "' は整数ではありません";
    case SettingsError::Kind::CannotWrite:
        return subject + " に書き込めません";
    case SettingsError::Kind::NotInCp932:
        return subject + " に書き込めません: 「" + line + "」は Shift-JIS (CP932) で書けない文字を含みます";
    }
    return subject;
}

// "ColorDialog1" is stored in "Color", "ColorDialog2" in "Color2", "ColorDialog3" in "Color3".
std::string ColourSection(std::string_view key) {
    const char number = key.back();
    return number == '1' ? std::string("Color") : "Color" + std::string(1, number);
}

// Reads typed values from a parsed file; a missing key gives the fallback.
class Reader {
public:
    explicit Reader(const ProfileFile& file) : file_(file) {}

    std::string Text(std::string_view section, std::string_view key, std::string_view fallback) const {
        return file_.ReadString(section, key, fallback);
    }
    std::int32_t Integer(std::string_view section, std::string_view key, std::int32_t fallback) const {
        const std::optional<std::string> text = file_.Read(section, key);
        return text ? ParseStoredInteger(*text).value_or(fallback) : fallback;
    }
    options::Colour Colour(std::string_view section, std::string_view key, options::Colour fallback) const {
        const std::optional<std::string> text = file_.Read(section, key);
        if (!text) {
            return fallback;
        }
        if (const auto colour = ParseColourText(*text)) {
            return *colour;
        }
        throw SettingsError(SettingsError::Kind::NotAnInteger, *text);
    }

private:
    const ProfileFile& file_;
};

const options::OptionValue& StartValue(const OptionSet& options, std::string_view key) {
    return options.Descriptor(key).startValue;
}

std::int32_t StartNumber(const OptionSet& options, std::string_view key) {
    return options::SpinValueOf(std::get<std::string>(StartValue(options, key)), options.SpinMinimum(key));
}

// Each property is set as soon as it is read, so that a bad colour leaves the ones before it set.
void LoadFont(OptionSet& options, const Reader& reader) {
    const TextFont start;
    const std::int32_t style = reader.Integer(kFont, "Style", start.style);
    const std::int32_t pitch = reader.Integer(kFont, "Pitch", static_cast<std::int32_t>(start.pitch));
    const std::int32_t charset = reader.Integer(kFont, "Charset", start.charset);
    auto change = [&options](auto edit) {
        TextFont font = options.Font();
        edit(font);
        options.SetFont(std::move(font));
    };
    change([&](TextFont& f) { f.pitch = static_cast<options::FontPitch>(pitch & 0xFF); });
    change([&](TextFont& f) { f.style = static_cast<options::FontStyles>(style & 0xFF); });
    change([&](TextFont& f) { f.charset = static_cast<std::uint8_t>(charset & 0xFF); });
    const std::int32_t size = reader.Integer(kFont, "Size", start.size);
    change([&](TextFont& f) { f.size = size; });
    const options::Colour colour = reader.Colour(kFont, "Color", start.colour);
    change([&](TextFont& f) { f.colour = colour; });
    const std::string name = reader.Text(kFont, "Name", start.name);
    change([&](TextFont& f) { f.name = name; });
}

// Reads one stored option, setting it at once (a bad colour leaves the options read before it set). A missing
// or unreadable value gives the option's start value.
void LoadOption(OptionSet& options, const Reader& reader, const std::string& key) {
    const std::string& section = options.Descriptor(key).section;
    switch (options.Descriptor(key).kind) {
    case OptionKind::Text:
    case OptionKind::Choice:
        options.SetText(key, reader.Text(section, key, std::get<std::string>(StartValue(options, key))));
        break;
    case OptionKind::Number:
        options.SetSpinValue(key, reader.Integer(kMain, key, StartNumber(options, key)));
        break;
    case OptionKind::Switch:
        options.SetChecked(key, reader.Integer(kMain, key, std::get<bool>(StartValue(options, key)) ? 1 : 0) != 0);
        break;
    case OptionKind::Level:
        options.SetLevel(key, reader.Integer(kMain, key, std::get<int>(StartValue(options, key))));
        break;
    case OptionKind::Font:
        LoadFont(options, reader);
        break;
    case OptionKind::ColourValue:
        options.SetColour(
            key, reader.Colour(ColourSection(key), kBrush, std::get<options::Colour>(StartValue(options, key))));
        break;
    case OptionKind::CaseRule:
        break; // the case rule is not stored
    }
}

void WriteFont(ProfileFile& file, const TextFont& font) {
    file.Write(kFont, "Style", IntegerText(font.style));
    file.Write(kFont, "Pitch", IntegerText(static_cast<int>(font.pitch)));
    file.Write(kFont, "Charset", IntegerText(font.charset));
    file.Write(kFont, "Color", ColourText(font.colour));
    file.Write(kFont, "Size", IntegerText(font.size));
    file.Write(kFont, "Name", font.name);
}

void WriteOption(ProfileFile& file, const OptionSet& options, const std::string& key) {
    const options::OptionDescriptor& descriptor = options.Descriptor(key);
    switch (descriptor.kind) {
    case OptionKind::Text:
    case OptionKind::Choice:
        if (descriptor.writtenOnceChanged && options.Text(key) == std::get<std::string>(descriptor.startValue) &&
            !file.Read(descriptor.section, key))
            break;
        file.Write(descriptor.section, key, options.Text(key));
        break;
    case OptionKind::Number:
        file.Write(kMain, key, IntegerText(options.SpinValue(key)));
        break;
    case OptionKind::Switch:
        file.Write(kMain, key, BooleanText(options.Checked(key)));
        break;
    case OptionKind::Level:
        file.Write(kMain, key, IntegerText(options.Level(key)));
        break;
    case OptionKind::Font:
        WriteFont(file, options.Font());
        break;
    case OptionKind::ColourValue:
        file.Write(ColourSection(key), kBrush, ColourText(options.ColourOf(key)));
        break;
    case OptionKind::CaseRule:
        break; // the case rule is not stored
    }
}

} // namespace

SettingsError::SettingsError(Kind kind, std::string subject, int systemError, const std::string& line)
    : std::runtime_error(MessageFor(kind, subject, line)), kind_(kind), subject_(std::move(subject)),
      systemError_(systemError) {}

void LoadSettings(OptionSet& options, const std::string& path) {
    const std::optional<std::string> bytes = ReadSettingsBytes(path);
    const ProfileFile file = ProfileFile::FromFileBytes(bytes ? *bytes : std::string());
    const Reader reader(file);
    for (const std::string& key : options::SettingsLoadOrder())
        LoadOption(options, reader, key);
}

void SaveSettings(const OptionSet& options, const std::string& path) {
    ProfileFile file = ProfileFile::FromFileBytes(ExistingSettingsBytes(path));
    for (const std::string& key : options::SettingsKeyOrder()) {
        WriteOption(file, options, key);
    }
    std::string unencodable;
    const std::optional<std::string> bytes = file.FileBytes(&unencodable);
    if (!bytes) throw SettingsError(SettingsError::Kind::NotInCp932, path, 0, unencodable);
    ReplaceSettingsFile(path, *bytes);
}

} // namespace settings
