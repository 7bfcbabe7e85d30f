#pragma once
// Destination names for a list of files: the output folder, "/", then prefix + zero-padded sequence number +
// suffix under the case rule, and (for the rename run) the source's own extension. Entry i of a list gets the
// number start + i, whatever later happens to that entry, so a skipped entry leaves a gap.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "options/OptionSet.h"

namespace renaming {

// Everything the names are made of. `digits` is the minimum width of the number.
struct NameRule {
    std::string prefix;
    std::string suffix;
    std::int32_t start = 1;
    std::int32_t digits = 4;
    options::CaseRule caseRule = options::CaseRule::Keep;
    std::string outputFolder;
    bool appendExtension = true;
};

// Widths beyond the width field's range are taken as its maximum, so a typed absurd width cannot make names
// of millions of characters.
inline constexpr std::int32_t kMaxDigits = 99;

// The destination paths, entry i for entry i of the list they were made for.
using DestNames = std::vector<std::string>;

// The rule of the rename page's settings (Edit4, Edit5, SpinEdit4, SpinEdit7, the case radio buttons) with the
// given output folder.
NameRule NameRuleFromOptions(const options::OptionSet& options, std::string outputFolder, bool appendExtension);
// The rename run's rule: the folder of Edit6, the source extensions appended.
NameRule RenamePageRule(const options::OptionSet& options);

// One name per entry of `files`, in the list's order. The folder is joined with one "/" whatever it ends with;
// the case rule touches prefix, number and suffix only, never the folder or the extension. With
// appendExtension, the source's extension (from its last "." after the last "/", letter case kept) follows.
DestNames MakeDestinationNames(const std::vector<std::string>& files, const NameRule& rule);

// The decimal text of `number` ("-" in front when negative), with "0"s put in front (before the "-") until it
// is `width` long. Never cut: 10000 at width 4 stays "10000"; -1 at width 4 is "00-1".
std::string ZeroPadNumber(std::int64_t number, std::int32_t width);

// `name` in lower or upper case, or unchanged for CaseRule::Keep. Every letter with a case changes (Latin with
// accents, Greek, Cyrillic, full-width letters), by the Unicode case mappings; kana, kanji and other characters
// without case stay. Text that is not valid UTF-8 changes in its ASCII letters only, and no byte is lost.
std::string ApplyNameCase(std::string_view name, options::CaseRule rule);

} // namespace renaming
