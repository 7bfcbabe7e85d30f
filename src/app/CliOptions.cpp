#include "app/CliOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "options/OptionKeys.h"
#include "options/OptionSet.h"

namespace app {

namespace {

constexpr std::array<const char*, 9> kFormats = {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24",
                                                 "FPX",  "PCX",  "WEBP",  "AVIF"};

// The options that take a value, by every name they answer to.
enum class Valued { Settings, Output, Format, Size, Percent, Quality, Jobs, FilesFrom };
const std::map<std::string, Valued>& ValuedOptions() {
    static const std::map<std::string, Valued> options{
        {"--settings", Valued::Settings}, {"-o", Valued::Output},
        {"--output", Valued::Output},     {"-f", Valued::Format},
        {"--format", Valued::Format},     {"--size", Valued::Size},
        {"--percent", Valued::Percent},   {"-q", Valued::Quality},
        {"--quality", Valued::Quality},   {"-j", Valued::Jobs},
        {"--jobs", Valued::Jobs},         {"--files-from", Valued::FilesFrom}};
    return options;
}

const std::map<std::string, bool CliRequest::*>& Switches() {
    static const std::map<std::string, bool CliRequest::*> switches{
        {"-0", &CliRequest::nulSeparated},  {"--null", &CliRequest::nulSeparated}, {"-n", &CliRequest::dryRun},
        {"--dry-run", &CliRequest::dryRun}, {"--json", &CliRequest::json},         {"--quiet", &CliRequest::quiet}};
    return switches;
}

[[noreturn]] void Fail(const std::string& text) {
    throw UsageError(text);
}

// A whole number from `low` to `high`, all of `text`.
int Number(const std::string& option, const std::string& text, int low, int high) {
    const bool digits = !text.empty() && text.size() <= 9 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long value = digits ? std::stol(text) : -1;
    if (value < low || value > high)
        Fail(option + " には " + std::to_string(low) + "～" + std::to_string(high) + " の整数を指定します: '" + text +
             "'");
    return int(value);
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void Take(CliRequest& request, Valued which, const std::string& option, const std::string& value) {
    switch (which) {
    case Valued::Settings: {
        struct stat info {};
        if (::stat(value.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) Fail("設定ファイルが見つかりません: " + value);
        request.settingsFile = value;
        break;
    }
    case Valued::Output: {
        struct stat info {};
        if (value.empty()) Fail(option + " には出力先のフォルダを指定します");
        if (::stat(value.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
            Fail("出力先がフォルダではありません: " + value);
        request.outputFolder = value;
        break;
    }
    case Valued::Format: {
        const std::string format = Upper(value);
        if (std::find(kFormats.begin(), kFormats.end(), format) == kFormats.end())
            Fail("形式が正しくありません: '" + value + "' (JPEG BMP8 BMP24 PNG8 PNG24 FPX PCX WEBP AVIF)");
        request.format = format;
        break;
    }
    case Valued::Size: {
        const std::size_t x = value.find_first_of("xX");
        if (x == std::string::npos) Fail("--size は 幅x高さ で指定します (例: 800x600): '" + value + "'");
        request.size = {Number("--size の幅", value.substr(0, x), 1, 5000),
                        Number("--size の高さ", value.substr(x + 1), 1, 5000)};
        break;
    }
    case Valued::Percent:
        request.percent = Number(option, value, 1, 100);
        break;
    case Valued::Quality:
        request.quality = Number(option, value, 0, 100);
        break;
    case Valued::Jobs:
        request.jobs = Number(option, value, 1, 64);
        break;
    case Valued::FilesFrom:
        if (value.empty()) Fail(option + " にはファイルか - (標準入力) を指定します");
        request.filesFrom = value;
        break;
    }
}

} // namespace

bool IsRunOption(const std::string& arg) {
    const std::string name = arg.rfind("--", 0) == 0 ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
    return ValuedOptions().count(name) != 0 || Switches().count(arg) != 0;
}

CliRequest ParseCliRequest(const std::vector<std::string>& args) {
    CliRequest request;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            request.names.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (const auto flag = Switches().find(arg); flag != Switches().end()) {
            request.*(flag->second) = true;
            continue;
        }
        // "--name=value", "--name value", "-xvalue", "-x value".
        std::string name = arg;
        std::optional<std::string> value;
        if (arg.rfind("--", 0) == 0) {
            if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
                name = arg.substr(0, equals);
                value = arg.substr(equals + 1);
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            value = arg.substr(2);
        }
        const auto option = ValuedOptions().find(name);
        if (option == ValuedOptions().end()) Fail("不明なオプションです: " + arg + " (kelvo --help)");
        if (!value) {
            if (i + 1 >= args.size()) Fail(name + " に値がありません");
            value = args[++i];
        }
        Take(request, option->second, name, *value);
    }
    if (request.size && request.percent) Fail("--size と --percent は同時に指定できません");
    if (request.nulSeparated && !request.filesFrom) Fail("-0 は --files-from と一緒に指定します");
    if (request.names.empty() && !request.filesFrom) Fail("変換する画像かフォルダを指定します (kelvo --help)");
    return request;
}

void ApplyCliRequest(const CliRequest& request, options::OptionSet& options) {
    namespace keys = options::keys;
    if (request.outputFolder) options.SetText(keys::OutputFolder, *request.outputFolder);
    if (request.format) options.SetText(keys::OutputFormat, *request.format);
    if (request.size) {
        options.SetText(keys::SizeMode, "縮小時のみ有効");
        options.SetChecked(keys::ByPercentage, false);
        options.SetChecked(keys::KeepRatio, true);
        options.SetSpinValue(keys::Width, request.size->first);
        options.SetSpinValue(keys::Height, request.size->second);
    }
    if (request.percent) {
        options.SetText(keys::SizeMode, "常に有効");
        options.SetChecked(keys::ByPercentage, true);
        options.SetSpinValue(keys::Percentage, *request.percent);
    }
    if (request.quality) options.SetLevel(keys::Quality, *request.quality);
}

std::vector<std::string> ReadNameList(const std::string& from, bool nulSeparated) {
    const bool standardInput = from == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("名前の一覧を読めません: " + from + " (" + std::strerror(errno) + ")");
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            if (!standardInput) ::close(fd);
            Fail("名前の一覧を読めません: " + from + " (" + std::strerror(error) + ")");
        }
        bytes.append(buffer, std::size_t(got));
    }
    if (!standardInput) ::close(fd);
    std::vector<std::string> names;
    const char end = nulSeparated ? '\0' : '\n';
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t stop = bytes.find(end, at);
        if (stop == std::string::npos) stop = bytes.size();
        std::string name = bytes.substr(at, stop - at);
        if (!nulSeparated && !name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty()) names.push_back(std::move(name));
        at = stop + 1;
    }
    return names;
}

} // namespace app
