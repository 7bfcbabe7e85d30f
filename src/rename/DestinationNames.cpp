#include "rename/DestinationNames.h"

#include <algorithm>

#include <QString>
#include <QStringDecoder>

#include "sources/PathNames.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace renaming {

namespace {

std::string AsciiCase(std::string_view name, options::CaseRule rule) {
    std::string result(name);
    for (char& c : result) {
        if (rule == options::CaseRule::Lower && c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (rule == options::CaseRule::Upper && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return result;
}

} // namespace

NameRule NameRuleFromOptions(const options::OptionSet& options, std::string outputFolder, bool appendExtension) {
    NameRule rule;
    rule.prefix = options.Text(keys::Prefix);
    rule.suffix = options.Text(keys::Suffix);
    rule.start = options.SpinValue(keys::StartNumber);
    rule.digits = options.SpinValue(keys::Digits);
    rule.caseRule = options.SelectedCase();
    rule.outputFolder = std::move(outputFolder);
    rule.appendExtension = appendExtension;
    return rule;
}

NameRule RenamePageRule(const options::OptionSet& options) {
    return NameRuleFromOptions(options, options.Text(keys::RenameFolder), true);
}

std::string ZeroPadNumber(std::int64_t number, std::int32_t width) {
    std::string text = std::to_string(number);
    if (std::int64_t(text.size()) < width) text.insert(0, std::size_t(width) - text.size(), '0');
    return text;
}

std::string ApplyNameCase(std::string_view name, options::CaseRule rule) {
    if (rule == options::CaseRule::Keep) return std::string(name);
    // A byte-order mark at the start is an ordinary character of the name, not a marker to drop.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder(QByteArrayView(name.data(), qsizetype(name.size())));
    if (decoder.hasError()) return AsciiCase(name, rule);
    const QByteArray converted = (rule == options::CaseRule::Lower ? text.toLower() : text.toUpper()).toUtf8();
    return std::string(converted.constData(), std::size_t(converted.size()));
}

DestNames MakeDestinationNames(const std::vector<std::string>& files, const NameRule& rule) {
    DestNames names;
    names.reserve(files.size());
    const std::int32_t width = std::min(rule.digits, kMaxDigits);
    // The numbers are counted in 64 bits: a start near the top of the 32-bit range keeps counting upward.
    std::int64_t number = rule.start;
    for (const std::string& file : files) {
        std::string core = rule.prefix + ZeroPadNumber(number++, width) + rule.suffix;
        std::string name = rule.outputFolder + sources::kPathSeparator + ApplyNameCase(core, rule.caseRule);
        if (rule.appendExtension) name += sources::ExtractFileExt(file);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace renaming
