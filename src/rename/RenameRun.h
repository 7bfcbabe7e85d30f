#pragma once
// The rename run: copies every file of the rename list into the output folder under its destination name.
// Sources are copied, never moved or changed. The run shows no message: a missing source, a folder entry and a
// copy that fails are passed over, and the only trace is that the entry's copy does not appear among the
// destinations. It touches no widget; it reports through a RenameObserver.
//
// The window's CoolBtn5Click uses it like this:
//
//     WindowRenameObserver observer(...);   // ProgressBar2 / ProgressBar1, ProcessMessages, ListBox3.Append
//     renaming::RenameRun run(renaming::RenamePageRule(optionSet), observer);
//     DestNames = run.Run(ListBox2.Items()).destNames;
//     Panel5 text = renaming::DestinationCountCaption(ListBox3.Count());
//
// DestinationAdded appends each copy's path to the destination list (ListBox3), which is never emptied: a second
// run lists its copies again. The window should disable CoolBtn5 while Run works, since ProcessMessages lets
// clicks through (Run works on its own copy of the list, so a change of ListBox2 meanwhile does no harm).
//
// A copy never overwrites a source of the same run before that source has been read: every file is copied into
// a nameless file in its destination's folder, which takes its destination name (replacing a file of that name)
// as soon as it is complete, unless that name is the entry of a source not read yet; such copies (and later
// copies to their names) wait until the last source has been read, and are then named in list order. Each copy
// is thus complete or absent, never partial, even when the output folder is the source folder and a
// destination name equals another entry's source; a run killed at any moment leaves only complete copies.
#include <string>
#include <vector>

#include "rename/DestinationNames.h"

namespace renaming {

class RenameObserver {
public:
    virtual ~RenameObserver() = default;
    // The overall progress bar (ProgressBar2): its maximum (the number of entries) at the start, then its
    // position after each entry; 0 at the end.
    virtual void OverallRange(int maximum) {}
    virtual void OverallPosition(int position) {}
    // The per-file bar (ProgressBar1), 0..100: fills while a file is copied, back to 0 after it.
    virtual void FileProgress(int percent) {}
    // Lets the window repaint: after every entry, and every megabyte while a big file is copied.
    virtual void ProcessMessages() {}
    // A copy is in place under `path`; called in list order.
    virtual void DestinationAdded(const std::string& path) {}
};

struct RenameResult {
    DestNames destNames;             // one per entry of the list, whether or not it was copied
    std::vector<std::string> copied; // the destinations written, in list order
};

class RenameRun {
public:
    RenameRun(NameRule rule, RenameObserver& observer);
    // Creates the output folder when it is missing (one level: a missing parent is not created), makes the
    // destination names, and copies every entry that names an existing regular file. A prefix or suffix holding
    // "/" is refused first (std::invalid_argument, see sources::CheckNameParts): nothing is copied.
    RenameResult Run(std::vector<std::string> list);

private:
    NameRule rule_;
    RenameObserver& observer_;
};

// The caption above the destination list: " 変換先ファイル：12files".
std::string DestinationCountCaption(int count);

} // namespace renaming
