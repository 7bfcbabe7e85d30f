// libFuzzer target for the settings reader and writer: any bytes, as a settings file, must load (or raise one
// of the reader's errors) and then save; the saved file must load again and save to the very same bytes, and
// the two loads must give the same options.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "files/Error.h"
#include "options/OptionSet.h"
#include "settings/Settings.h"

namespace {

std::string Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/settings-fuzz-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        return std::string(pattern) + "/";
    }();
    return folder;
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The options as a settings file of their own (a save into an empty file).
std::string Saved(const options::OptionSet& options, const std::string& path) {
    ::unlink(path.c_str());
    settings::SaveSettings(options, path);
    return Read(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = Folder() + "input.klv";
    Write(input, data, size);
    options::OptionSet first(Folder());
    try {
        settings::LoadSettings(first, input);
    } catch (const settings::SettingsError&) {
        // A colour that is no integer: the options read before it are set, the rest keep their start values.
    } catch (const files::Error&) {
        return 0; // not readable as a file at all (too large)
    }
    // Saved over the input itself, as the window does at its close: every other line stays.
    settings::SaveSettings(first, input);
    const std::string once = Read(input);

    options::OptionSet second(Folder());
    settings::LoadSettings(second, input); // what Kelvo wrote must load without an error
    settings::SaveSettings(second, input);
    if (const std::string twice = Read(input); twice != once) {
        // Kept for the one who reads the crash: the first save, and the save after loading it.
        std::ofstream(Folder() + "once.klv", std::ios::binary) << once;
        std::ofstream(Folder() + "twice.klv", std::ios::binary) << twice;
        std::abort();
    }
    if (Saved(first, Folder() + "a.klv") != Saved(second, Folder() + "b.klv")) std::abort();
    return 0;
}
