#include "app/NativePath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QString>

namespace app {

namespace {

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
        if (QFile::decodeName(entry->d_name) == name) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(entries);
    return matches == 1 ? found : std::string();
}

} // namespace

std::string NativePath(const QString& shown) {
    const std::string plain = Encoded(shown);
    if (!shown.contains(QChar::ReplacementCharacter) || Exists(plain)) return plain;
    const qsizetype slash = shown.lastIndexOf(u'/');
    const QString name = shown.mid(slash + 1);
    std::string folder = slash < 0 ? std::string() : slash == 0 ? std::string("/") : NativePath(shown.left(slash));
    std::string entry = name.contains(QChar::ReplacementCharacter) ? EntryShownAs(folder, name) : Encoded(name);
    if (entry.empty()) return plain;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + entry;
}

} // namespace app
