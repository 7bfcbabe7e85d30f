#include "app/NativePath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QString>

#include "settings/TextEncoding.h"

namespace app {

namespace {

const QString kCp932Mark = QStringLiteral(" (Shift-JIS)");

std::string Encoded(const QString& text) {
    const QByteArray bytes = QFile::encodeName(text);
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The one entry of `folder` whose name shows as `name`, or nothing when none or several do.
std::string EntryShownAs(const std::string& folder, const QString& name) {
    DIR* entries = ::opendir(folder.empty() ? "." : folder.c_str());
    if (entries == nullptr) return {};
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(entries)) {
        if (QFile::decodeName(entry->d_name) == name || ShownName(entry->d_name) == name) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(entries);
    return matches == 1 ? found : std::string();
}

} // namespace

QString ShownName(const std::string& name) {
    const QString qt = QFile::decodeName(QByteArray::fromStdString(name));
    if (!qt.contains(QChar::ReplacementCharacter)) return qt;
    const QString cp932 = QString::fromStdString(settings::Cp932ToUtf8(name));
    return cp932.contains(QChar::ReplacementCharacter) ? qt : cp932 + kCp932Mark;
}

bool ShownAsOther(const QString& shown) {
    return shown.contains(QChar::ReplacementCharacter) || shown.contains(kCp932Mark);
}

std::string NativePath(const QString& shown) {
    const std::string plain = Encoded(shown);
    if (!ShownAsOther(shown) || Exists(plain)) return plain;
    const qsizetype slash = shown.lastIndexOf(u'/');
    const QString name = shown.mid(slash + 1);
    std::string folder = slash < 0 ? std::string() : slash == 0 ? std::string("/") : NativePath(shown.left(slash));
    std::string entry = ShownAsOther(name) ? EntryShownAs(folder, name) : Encoded(name);
    if (entry.empty()) return plain;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + entry;
}

} // namespace app
