#pragma once
// The raw facts about this machine, read in one place from the kernel and the user database, and the
// functions that turn them into the values the system information component reports. Everything but
// ReadMachineFacts is pure, so a test can hand in any machine it likes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace about {

struct MachineFacts {
    std::string machine;              // uname machine: "x86_64", "i686", "aarch64"; empty when unknown
    int processorCount = 0;           // processors online
    std::uint64_t totalPhysBytes = 0; // physical memory
    std::uint64_t availPhysBytes = 0;
    std::uint64_t totalSwapBytes = 0;
    std::uint64_t availSwapBytes = 0;
    std::optional<std::string> hostName;  // none when the host name cannot be read
    std::optional<std::string> loginName; // the account's name; none when the account is not in the database
    std::string fullName;                 // first comma field of the account's comment (gecos); may be empty
    std::string systemName;               // uname sysname: "Linux"; empty when uname fails
    std::string release;                  // uname release: "6.1.0-18-amd64"
    std::string tempFolder;               // $TMPDIR as set; empty when unset
};

// Reads the facts of the running machine: sysinfo, sysconf, uname, gethostname, getpwuid and $TMPDIR.
MachineFacts ReadMachineFacts();

// Processor architecture and type codes as the system information component knows them: every x86 or x86-64
// processor is architecture 0 of type 586 (the Pentium class); the others keep their own architecture code
// and type 0.
struct ProcessorCodes {
    std::uint16_t architecture = 0xFFFF;
    std::uint32_t type = 0;
};
ProcessorCodes IdentifyProcessor(std::string_view machine);

// "Intel Processor Architecture" for 0, "MIPS…" 1, "DEC ALPHA…" 2, "PPC…" 3, "Unknown Processor Architecture"
// for 0xFFFF; empty for any other code.
std::string ArchitectureName(std::uint16_t architecture);
// "80386", "80486" or "Pentium" for those types of architecture 0; "Unknown" for everything else.
std::string ProcessorTypeName(const ProcessorCodes& codes);

// The version numbers at the front of a kernel release ("6.1.0-18-amd64" gives 6, 1, 0); a missing or
// unreadable number is 0.
struct KernelVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
};
KernelVersion ParseKernelRelease(std::string_view release);

// The account's full name: the gecos text up to its first comma.
std::string FullNameFromGecos(std::string_view gecos);

} // namespace about
