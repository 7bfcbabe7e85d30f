#include "settings/ProfileFile.h"

#include <algorithm>

#include "settings/TextEncoding.h"

namespace settings {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

// The name of a section line ("[" first among non-blanks), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.starts_with('[')) {
        return std::nullopt;
    }
    std::string_view name = trimmed.substr(1);
    name = name.substr(0, name.find(']'));
    return TrimBlanks(name);
}

// Cuts UTF-8 text after `limit` code points.
std::string_view CutToCharacters(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) { // a character starts here
            if (count == limit) {
                return text.substr(0, i);
            }
            ++count;
        }
    }
    return text;
}

std::string ValueOf(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    raw = TrimBlanks(raw);
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(CutToCharacters(raw, ProfileFile::kMaxValueLength));
}

} // namespace

ProfileFile::Line ProfileFile::MakeLine(std::string text, std::string ending) {
    Line line{std::move(text), std::move(ending), {}, 0, {}};
    const std::string_view view = line.text;
    const std::size_t equals = view.find('=');
    if (equals != std::string_view::npos && !TrimBlanks(view).starts_with(';')) {
        line.key = FoldCase(TrimBlanks(view.substr(0, equals)));
        line.valueStart = equals + 1;
    }
    return line;
}

ProfileFile::ProfileFile(std::string_view text) {
    Parse(text, false);
}

ProfileFile ProfileFile::FromFileBytes(std::string_view bytes) {
    ProfileFile file;
    file.Parse(bytes, true);
    return file;
}

void ProfileFile::Parse(std::string_view text, bool fileBytes) {
    // Line ends are found in the bytes themselves: no CP932 trail byte is a CR or LF.
    std::size_t at = 0;
    // Lines that are not UTF-8, and lines of UTF-8 beyond ASCII: the file's encoding is that of the majority.
    std::size_t cp932Lines = 0;
    std::size_t utf8Lines = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::string_view ending;
        std::string_view body;
        if (end == std::string_view::npos) {
            body = text.substr(at);
            at = text.size();
        } else {
            body = text.substr(at, end - at);
            ending = "\n";
            if (body.ends_with('\r')) {
                body.remove_suffix(1);
                ending = "\r\n";
            }
            at = end + 1;
        }
        std::optional<std::string> bytes;
        std::string decoded;
        if (fileBytes) {
            const bool first = sections_.size() == 1 && sections_[0].lines.empty();
            decoded = DecodeSettingsLine(body, first);
            bytes = std::string(body);
            if (!IsValidUtf8(body))
                ++cp932Lines;
            else if (std::any_of(decoded.begin(), decoded.end(), [](char c) { return (c & 0x80) != 0; }))
                ++utf8Lines;
            body = decoded;
        }
        if (const auto name = SectionName(body)) {
            Section section;
            section.name = FoldCase(*name);
            section.hasHeader = true;
            section.lines.push_back(Line{std::string(body), std::string(ending), {}, 0, std::move(bytes)});
            sections_.push_back(std::move(section));
        } else {
            Line line = MakeLine(std::string(body), std::string(ending));
            line.bytes = std::move(bytes);
            sections_.back().lines.push_back(std::move(line));
        }
    }
    cp932_ = cp932Lines > utf8Lines;
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view folded) const {
    for (const Section& section : sections_) {
        if (section.hasHeader && section.name == folded) {
            return &section;
        }
    }
    return nullptr;
}

ProfileFile::Section* ProfileFile::FindSection(std::string_view folded) {
    return const_cast<Section*>(static_cast<const ProfileFile*>(this)->FindSection(folded));
}

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(FoldCase(TrimBlanks(section)));
    if (!found) {
        return std::nullopt;
    }
    const std::string foldedKey = FoldCase(TrimBlanks(key));
    for (const Line& line : found->lines) {
        if (!line.key.empty() && line.key == foldedKey) {
            return ValueOf(std::string_view(line.text).substr(line.valueStart));
        }
    }
    return std::nullopt;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
    std::optional<std::string> value = Read(section, key);
    return value ? std::move(*value) : std::string(fallback);
}

std::string ProfileFile::NewLineEnding() const {
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            if (!line.ending.empty()) {
                return line.ending;
            }
        }
    }
    return "\n";
}

void ProfileFile::EndLastLine() {
    for (auto section = sections_.rbegin(); section != sections_.rend(); ++section) {
        if (!section->lines.empty()) {
            if (section->lines.back().ending.empty()) {
                section->lines.back().ending = NewLineEnding();
            }
            return;
        }
    }
}

void ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    std::string stored(value);
    for (char& c : stored) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    // A read trims blanks and removes one pair of quotes: a value that begins or ends with a blank, or is
    // itself quoted, is written inside a pair of quotes so that it reads back as it was.
    const bool edgeBlank = !stored.empty() && (kBlanks.find(stored.front()) != std::string_view::npos ||
                                               kBlanks.find(stored.back()) != std::string_view::npos);
    const bool quoted =
        stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') && stored.back() == stored.front();
    if (edgeBlank || quoted) {
        stored = '"' + stored + '"';
    }
    std::string text = std::string(key) + "=" + stored;
    const std::string ending = NewLineEnding();
    Section* target = FindSection(FoldCase(TrimBlanks(section)));
    if (!target) {
        EndLastLine();
        Section added;
        added.name = FoldCase(TrimBlanks(section));
        added.hasHeader = true;
        std::string header(1, '[');
        header.append(section).push_back(']');
        added.lines.push_back(Line{std::move(header), ending, {}, 0, {}});
        added.lines.push_back(MakeLine(std::move(text), ending));
        sections_.push_back(std::move(added));
        return;
    }
    const std::string foldedKey = FoldCase(TrimBlanks(key));
    for (Line& line : target->lines) {
        if (!line.key.empty() && line.key == foldedKey) {
            // A line that already holds the value stays as it is, to the byte.
            if (ValueOf(std::string_view(line.text).substr(line.valueStart)) != ValueOf(stored)) {
                line = MakeLine(std::move(text), std::move(line.ending));
            }
            return;
        }
    }
    // After the last non-blank line of the section, so that blank lines before the next section stay there.
    std::size_t position = target->lines.size();
    while (position > 1 && TrimBlanks(target->lines[position - 1].text).empty()) {
        --position;
    }
    if (target->lines[position - 1].ending.empty()) {
        target->lines[position - 1].ending = ending;
    }
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(position),
                         MakeLine(std::move(text), ending));
}

std::string ProfileFile::Text() const {
    std::size_t size = 0;
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            size += (line.bytes ? line.bytes->size() : line.text.size()) + line.ending.size();
        }
    }
    std::string text;
    text.reserve(size);
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            text += line.bytes ? *line.bytes : line.text;
            text += line.ending;
        }
    }
    return text;
}

std::optional<std::string> ProfileFile::FileBytes(std::string* unencodable) const {
    if (!cp932_) return Text();
    std::string text;
    for (const Section& section : sections_) {
        for (const Line& line : section.lines) {
            if (line.bytes) {
                text += *line.bytes;
            } else if (const std::optional<std::string> encoded = Utf8ToCp932(line.text)) {
                text += *encoded;
            } else {
                if (unencodable) *unencodable = line.text;
                return std::nullopt;
            }
            text += line.ending;
        }
    }
    return text;
}

} // namespace settings
