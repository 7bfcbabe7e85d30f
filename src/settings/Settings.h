#pragma once
// LoadSettings / SaveSettings: the whole stored option set in a settings file (INI form).
//
// Layout: section "Main" with the seven edits, four combos, seven spin edits, twelve check boxes and two track
// bars under their own names; section "Font" with "Style", "Pitch", "Charset", "Color", "Size", "Name"; sections
// "Color", "Color2", "Color3" with one key "Brush" each (the colours of ColorDialog1..ColorDialog3).

#include <stdexcept>
#include <string>

#include "options/OptionSet.h"

namespace settings {

// A settings file that cannot be taken as it is. what() is the message the user sees.
class SettingsError : public std::runtime_error {
public:
    enum class Kind {
        NotAnInteger, // "'%s' は整数ではありません": a stored colour is neither a colour name nor an integer
        CannotWrite,  // "%s に書き込めません": the settings file cannot be written
        NotInCp932, // "%s に書き込めません: 「%s」は Shift-JIS (CP932) で書けない文字を含みます"
    };

    // `subject`: the stored value (NotAnInteger) or the file's path (CannotWrite, NotInCp932). `systemError`:
    // the errno value behind a failed write, 0 when there is none. `line`: the line CP932 cannot hold.
    SettingsError(Kind kind, std::string subject, int systemError = 0, const std::string& line = {});

    Kind kind() const noexcept { return kind_; }
    const std::string& subject() const noexcept { return subject_; }
    int systemError() const noexcept { return systemError_; }

private:
    Kind kind_;
    std::string subject_;
    int systemError_;
};

// Sets every stored option from the file at `path`, in this order: the combos, the edits, the spin edits (range
// checked), the check boxes, the track bars (0..100), the font, the three colours. Each option is set through
// `options`, so listeners see the same changes as for a user's. A missing file, section or key gives the start
// value. A file that is not valid UTF-8 is read as CP932 (files of the Windows version).
//
// Throws SettingsError(NotAnInteger) for a colour that is neither a name nor an integer: the options set before
// it keep their new values, the later ones their old. Throws files::Error(path, cause, errno) when the path
// exists but cannot be read as a file (a folder, no permission, a device); no option is changed then.
void LoadSettings(options::OptionSet& options, const std::string& path);

// Writes every stored option to the file at `path`, creating it when missing. The keys of an existing file are
// replaced where they stand and every other line, section and comment stays; the file is written as UTF-8, in
// one piece: it is replaced only once the new text is complete. A file of the Windows version (a line in CP932)
// stays in CP932: the lines written are encoded in it, and a value it cannot hold throws SettingsError(NotInCp932)
// with the old file left as it was. New lines end with "\n", or like the existing
// file's lines. Throws SettingsError(CannotWrite) when the file cannot be written (read-only file or folder, a
// folder as the path, no space); the previous file is then left as it was.
void SaveSettings(const options::OptionSet& options, const std::string& path);

} // namespace settings
