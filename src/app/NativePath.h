#pragma once
// The file system's bytes behind a path that a Qt dialog shows. Qt turns every name it lists into text, so a
// name that is not valid UTF-8 (a Shift-JIS name from an old archive) is shown with replacement characters and
// comes back changed; this finds the entry it stands for again.
#include <string>

class QString;

namespace app {

// The path as the file system spells it: the plain encoding of `shown` when that names an entry, else each
// component holding a replacement character matched against its folder's entries (when exactly one entry
// shows as that text). A path that matches nothing comes back plainly encoded.
std::string NativePath(const QString& shown);

} // namespace app
