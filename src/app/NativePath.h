#pragma once
// The file system's bytes behind a path that a Qt dialog shows. Qt turns every name it lists into text, so a
// name that is not valid UTF-8 (a Shift-JIS name from an old archive) is shown with replacement characters and
// comes back changed; this finds the entry it stands for again.
#include <string>

class QString;

namespace app {

// The path as the file system spells it: the plain encoding of `shown` when that names an entry, else each
// component that only stands for a name (ShownAsOther) matched against its folder's entries (when exactly one
// entry shows as that text, Qt's way or ShownName's). A path that matches nothing comes back plainly encoded.
std::string NativePath(const QString& shown);

// A name of a folder entry as the program shows it: as Qt decodes it; a name that is not UTF-8 but reads as
// CP932 (Shift-JIS, the likely origin: an old archive, a Windows disc) in that reading, marked " (Shift-JIS)".
QString ShownName(const std::string& name);

// True when `shown` holds a name that is not the file's own spelling (a replacement character, the mark above).
bool ShownAsOther(const QString& shown);

} // namespace app
