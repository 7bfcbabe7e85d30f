#include "about/MachineFacts.h"

#include <array>
#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace about {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Architecture codes of the system information component.
constexpr std::uint16_t kIntel = 0;
constexpr std::uint16_t kMips = 1;
constexpr std::uint16_t kAlpha = 2;
constexpr std::uint16_t kPowerPc = 3;
constexpr std::uint16_t kArm = 5;
constexpr std::uint16_t kItanium = 6;
constexpr std::uint16_t kArm64 = 12;
constexpr std::uint16_t kUnknownArchitecture = 0xFFFF;
constexpr std::uint32_t kPentiumClass = 586;

bool IsX86(std::string_view machine) {
    if (machine == "x86_64" || machine == "amd64" || machine == "x86" || machine == "i86pc") return true;
    // i386, i486, i586, i686
    return machine.size() == 4 && machine[0] == 'i' && machine[1] >= '3' && machine[1] <= '6' &&
           machine.substr(2) == "86";
}

std::optional<std::string> HostName() {
    std::array<char, 256> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0) return std::nullopt;
    std::string name(buffer.data());
    if (name.empty()) return std::nullopt;
    return name;
}

void ReadAccount(MachineFacts& facts) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return;
    if (found->pw_name != nullptr && *found->pw_name != '\0') facts.loginName = found->pw_name;
    if (found->pw_gecos != nullptr) facts.fullName = FullNameFromGecos(found->pw_gecos);
}

} // namespace

MachineFacts ReadMachineFacts() {
    MachineFacts facts;
    utsname names{};
    if (::uname(&names) == 0) {
        facts.machine = names.machine;
        facts.systemName = names.sysname;
        facts.release = names.release;
    }
    const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    facts.processorCount = processors > 0 ? static_cast<int>(processors) : 1;

    struct sysinfo memory {};
    if (::sysinfo(&memory) == 0) {
        const std::uint64_t unit = memory.mem_unit > 0 ? memory.mem_unit : 1;
        facts.totalPhysBytes = static_cast<std::uint64_t>(memory.totalram) * unit;
        facts.availPhysBytes = static_cast<std::uint64_t>(memory.freeram) * unit;
        facts.totalSwapBytes = static_cast<std::uint64_t>(memory.totalswap) * unit;
        facts.availSwapBytes = static_cast<std::uint64_t>(memory.freeswap) * unit;
    }
    facts.hostName = HostName();
    ReadAccount(facts);
    if (const char* tmp = std::getenv("TMPDIR")) facts.tempFolder = tmp;
    return facts;
}

ProcessorCodes IdentifyProcessor(std::string_view machine) {
    if (IsX86(machine)) return {kIntel, kPentiumClass};
    if (StartsWith(machine, "mips")) return {kMips, 0};
    if (StartsWith(machine, "alpha")) return {kAlpha, 0};
    if (StartsWith(machine, "ppc") || StartsWith(machine, "powerpc")) return {kPowerPc, 0};
    if (machine == "aarch64" || machine == "arm64") return {kArm64, 0};
    if (StartsWith(machine, "arm")) return {kArm, 0};
    if (machine == "ia64") return {kItanium, 0};
    return {kUnknownArchitecture, 0};
}

std::string ArchitectureName(std::uint16_t architecture) {
    switch (architecture) {
    case kIntel:
        return "Intel Processor Architecture";
    case kMips:
        return "MIPS Processor Architecture";
    case kAlpha:
        return "DEC ALPHA Processor Architecture";
    case kPowerPc:
        return "PPC Processor Architecture";
    case kUnknownArchitecture:
        return "Unknown Processor Architecture";
    default:
        return {};
    }
}

std::string ProcessorTypeName(const ProcessorCodes& codes) {
    if (codes.architecture == kIntel) {
        switch (codes.type) {
        case 386:
            return "80386";
        case 486:
            return "80486";
        case 586:
            return "Pentium";
        default:
            break;
        }
    }
    return "Unknown";
}

KernelVersion ParseKernelRelease(std::string_view release) {
    std::uint32_t numbers[3] = {0, 0, 0};
    std::size_t position = 0;
    for (int field = 0; field < 3; ++field) {
        std::uint64_t value = 0;
        const std::size_t start = position;
        while (position < release.size() && release[position] >= '0' && release[position] <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(release[position] - '0');
            if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;
            ++position;
        }
        if (position == start) break;
        numbers[field] = static_cast<std::uint32_t>(value);
        if (position >= release.size() || release[position] != '.') break;
        ++position;
    }
    return {numbers[0], numbers[1], numbers[2]};
}

std::string FullNameFromGecos(std::string_view gecos) {
    return std::string(gecos.substr(0, gecos.find(',')));
}

} // namespace about
