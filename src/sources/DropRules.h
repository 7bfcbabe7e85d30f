#pragma once
// Where files and folders dropped onto the main window go. The page showing at the moment of the drop decides,
// not the spot where the names were dropped.
//
// - A folder is walked (every entry, folders marked with a trailing "/", recursively, pre-order). On the list page
//   its image files go to the conversion list; on the options and rename pages every entry goes to the rename list.
// - Anything else (a file, or a name that does not exist): on the list and options pages it goes to the conversion
//   list when it has an image extension; on the rename page it goes to the rename list whatever it is.
// Names are kept whole: a long name is never cut, since a cut name would name another file. Nothing is shown or
// thrown; a folder that cannot be read adds nothing. A single name is appended on its own; the entries of one
// walked folder are appended together (one CountChanged per folder), so a folder of many thousand files does not
// re-sort or repaint the list once per entry.
#include <string>
#include <vector>

#include "sources/FileList.h"

namespace sources {

// The pages of the main window's page control, in their order.
enum class Page { List, Options, Rename };

void HandleDroppedFiles(Page page, const std::vector<std::string>& names, FileList& conversion, FileList& rename);

} // namespace sources
