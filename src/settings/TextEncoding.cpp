#include "settings/TextEncoding.h"

#include <cerrno>
#include <cstdint>

#include <iconv.h>

namespace settings {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at `at`, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    std::uint32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// Owns an iconv descriptor for the life of one conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return cd_; }

private:
    iconv_t cd_;
};

// Without a CP932 converter (a C library without it): ASCII stays, every other byte becomes U+FFFD.
std::string AsciiOnly(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) {
            text += c;
        } else {
            text += kReplacement;
        }
    }
    return text;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

namespace {

// `input` converted by `converter`. A sequence it cannot convert (or an incomplete one at the end) stands for
// `replacement` and conversion resumes after its first byte; without a replacement the conversion fails instead.
std::optional<std::string> Convert(Converter& converter, std::string_view input,
                                   std::optional<std::string_view> replacement) {
    std::string output;
    output.reserve(input.size() * 3 / 2 + 16);
    char buffer[4096];
    auto* in = const_cast<char*>(input.data()); // iconv's interface is not const-correct; it does not write
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(converter.Get(), &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue; // E2BIG: flushed, go on
        // EILSEQ: a sequence the other encoding has no code for; EINVAL: a sequence cut off at the end.
        if (!replacement) return std::nullopt;
        output += *replacement;
        ++in;
        --inLeft;
        iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    return output;
}

} // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
    Converter converter("UTF-8", "CP932");
    if (!converter.Valid()) return AsciiOnly(bytes);
    // A byte CP932 does not decode, or a lead byte cut off at the end, becomes one replacement character.
    return *Convert(converter, bytes, kReplacement);
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
    if (!IsValidUtf8(text)) return std::nullopt;
    Converter converter("CP932", "UTF-8");
    if (!converter.Valid()) {
        if (AsciiOnly(text) != text) return std::nullopt;
        return std::string(text);
    }
    return Convert(converter, text, std::nullopt);
}

std::string DecodeSettingsLine(std::string_view bytes, bool first) {
    // Every mark at the start (an editor may have added one to a file that had one): a mark left in the text
    // would be taken for the first line's first character.
    while (first && bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    return IsValidUtf8(bytes) ? std::string(bytes) : Cp932ToUtf8(bytes);
}

std::string DecodeSettingsText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at <= bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        text += DecodeSettingsLine(bytes.substr(at, end - at), at == 0);
        if (end < bytes.size()) {
            text += '\n';
        }
        at = end + 1;
    }
    return text;
}

} // namespace settings
