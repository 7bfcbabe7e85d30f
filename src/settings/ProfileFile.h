#pragma once
// ProfileFile: the text of an INI settings file, read and edited the way profile strings behave.
//
// - Lines: a section line has "[" as its first non-blank character and names the section up to "]"; a key line
//   has the key before its first "=" and the value after it. Lines starting with ";" and lines without "=" are
//   comments. Lines before the first section belong to no section.
// - Section and key names are matched without regard to the case of ASCII letters, blanks around them ignored;
//   when a name occurs twice, the first section of that name and the first key of that name in it count.
// - A value reads without the blanks at either end, then without one pair of enclosing quotation marks ('' or
//   ""); it ends at a NUL character and is cut to kMaxValueLength characters.
// - Writing a key replaces its line where it stands; a new key goes after the last non-blank line of its
//   section; a new section goes to the end of the text. Every other line keeps its exact text and line end; new
//   lines end like the first line of the text ("\n" when it has none).
// - Read from a file's bytes, each line is decoded on its own (UTF-8 when it is valid UTF-8, CP932 otherwise),
//   and every line that no write replaces is written back as the very bytes it was read from; in a file mostly in
//   CP932, lines written anew are written in CP932 (FileBytes). Writing a key
//   its line already holds (the value reads back the same) leaves the line as it was.
//
// The text is parsed once; reads are lookups in memory.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

class ProfileFile {
public:
    // The longest value a read returns, in characters (Unicode code points of the UTF-8 text).
    static constexpr std::size_t kMaxValueLength = 2047;

    ProfileFile() = default;
    // Parses UTF-8 text.
    explicit ProfileFile(std::string_view text);
    // Parses the bytes of a settings file, line by line (see above).
    static ProfileFile FromFileBytes(std::string_view bytes);

    // The value of `key` in `section`, or nothing when the section or the key is missing.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Sets `key` in `section` to `value`. Line breaks in `value` become blanks, so a value always stays on its
    // own line and can never add keys or sections. A value that a read would change (blanks at an end, a pair
    // of quotes around it) is written quoted, so that it reads back unchanged.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // The whole text, ready to be written: lines read from bytes and never replaced as those bytes.
    std::string Text() const;

    // True when the file was read from bytes in which more lines are not UTF-8 (and so CP932) than are UTF-8 beyond
    // ASCII: a file of the Windows version, perhaps with a few lines an older save added in UTF-8.
    bool IsCp932() const { return cp932_; }
    // Text(), except that in a CP932 file every line written since is encoded in CP932 too, so that the file stays
    // in one encoding. Nothing when such a line holds a character CP932 has no code for; `unencodable` (when
    // given) then receives that line's text.
    std::optional<std::string> FileBytes(std::string* unencodable = nullptr) const;

private:
    struct Line {
        std::string text;                 // without its line end
        std::string ending;               // "\n", "\r\n", or empty for a last line without one
        std::string key;                  // key line: the name folded to lower case; empty for other lines
        std::size_t valueStart = 0;       // key line: offset of the text after "="
        std::optional<std::string> bytes; // the bytes it was read from; none for a line written since
    };
    struct Section {
        std::string name; // folded to lower case; the lines before the first section have none
        bool hasHeader = false;
        std::vector<Line> lines; // the section line first, when there is one
    };

    static Line MakeLine(std::string text, std::string ending);
    void Parse(std::string_view text, bool fileBytes);
    const Section* FindSection(std::string_view folded) const;
    Section* FindSection(std::string_view folded);
    std::string NewLineEnding() const;
    void EndLastLine();

    std::vector<Section> sections_ = std::vector<Section>(1); // sections_[0]: lines before the first section
    bool cp932_ = false;
};

} // namespace settings
