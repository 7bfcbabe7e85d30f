#pragma once
// The fixed table of every option: key, kind, caption, start value, range or items, section. Every option but the
// letter-case rule is stored; where in a settings file follows from its key (SettingsKeyOrder).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "options/Colour.h"
#include "options/TextFont.h"

namespace options {

enum class OptionKind {
    Text,        // single-line edit: std::string
    Choice,      // editable combo: std::string, free text; `items` offers the list
    Number,      // spin edit: std::string (the text as typed); `minimum`/`maximum` give the range
    Switch,      // check box: bool
    Level,       // track bar: int 0..100
    CaseRule,    // one of three radio buttons: bool, exactly one of them true; not saved
    Font,        // the caption font: TextFont
    ColourValue, // a colour dialog's colour: Colour
};

const char* KindName(OptionKind kind);

// One option's value. Which alternative an option holds follows from its kind (see OptionKind).
using OptionValue = std::variant<std::string, bool, int, TextFont, Colour>;

struct OptionDescriptor {
    std::string key; // control name, also the settings key
    OptionKind kind = OptionKind::Text;
    std::string page;               // page caption, ideographic spaces included
    std::string group;              // group caption
    std::string caption;            // label or own caption as shown
    bool captionAfterField = false; // the label sits right of the field ("%", "(1～100)")
    OptionValue startValue;
    bool startInProgramFolder = false; // start text is the program folder followed by "Output"
    std::int32_t minimum = 0;          // Number and Level; a Number with minimum == maximum is unbounded
    std::int32_t maximum = 0;
    std::vector<std::string> items; // Choice
    // The settings file's section that holds the option ("Main" for the options of the pages). An option of a
    // section of ours beside the Windows version's is written only once its value differs from its start value
    // (or the file holds it already), so a file of start values stays as the Windows version writes it.
    std::string section = "Main";
    bool writtenOnceChanged = false;
};

// Every option in the order of its page and group. `programFolder` (with its trailing "/") completes the start
// text of the two output folders.
std::vector<OptionDescriptor> OptionTable(std::string_view programFolder);

// Keys of the saved options in the order a settings file lists them: the seven edits, the four combos, the seven
// spin edits, the twelve check boxes, the two track bars, the font, then the three colours.
const std::vector<std::string>& SettingsKeyOrder();
// The same keys in the order a load reads them: the four combos, the seven edits (the two output folders after
// the first), then as saved. Both orders follow from the table: the kind and number in each key.
const std::vector<std::string>& SettingsLoadOrder();

// Position of `key` in OptionTable(); throws std::invalid_argument for a key that is no option.
std::size_t OptionIndex(std::string_view key);
bool IsOptionKey(std::string_view key);
std::size_t OptionCount();

// The table entry of `key` with its start text not yet completed by a program folder (range, items, kind).
const OptionDescriptor& DescribeOption(std::string_view key);

} // namespace options
