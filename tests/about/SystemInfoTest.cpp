// The system information component: processor names, memory figures, names with their fallbacks, folders,
// the platform and its version, and the facts read from this machine against the kernel's own files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <pwd.h>
#include <unistd.h>

#include "AboutTestSupport.h"
#include "about/AboutLines.h"
#include "about/SystemInfo.h"

using about::MachineFacts;
using about::TSystemInfo;

namespace {

TSystemInfo MakeInfo(const MachineFacts& facts) {
    return TSystemInfo([facts] { return facts; });
}

MachineFacts WithMachine(const std::string& machine, int processors) {
    MachineFacts facts = abouttest::FixedFacts();
    facts.machine = machine;
    facts.processorCount = processors;
    return facts;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

TEST(SystemInfo, EveryX86ProcessorIsAPentiumOfTheIntelArchitecture) {
    for (const char* machine : {"x86_64", "amd64", "i386", "i486", "i586", "i686"}) {
        const TSystemInfo info = MakeInfo(WithMachine(machine, 4));
        EXPECT_EQ(info.Architecture(), "Intel Processor Architecture") << machine;
        EXPECT_EQ(info.ProcessorType(), "Pentium") << machine;
        EXPECT_EQ(info.NumberOfProcessors(), 4) << machine;
    }
}

TEST(SystemInfo, OtherProcessorsKeepTheirOwnArchitectureAndAnUnknownType) {
    const std::pair<const char*, const char*> cases[] = {
        {"mips64", "MIPS Processor Architecture"},
        {"alpha", "DEC ALPHA Processor Architecture"},
        {"ppc64le", "PPC Processor Architecture"},
        {"powerpc", "PPC Processor Architecture"},
        {"aarch64", ""}, // a known architecture the names do not cover
        {"armv7l", ""},
        {"riscv64", "Unknown Processor Architecture"},
        {"", "Unknown Processor Architecture"},
        {"i786", "Unknown Processor Architecture"},
    };
    for (const auto& [machine, architecture] : cases) {
        const TSystemInfo info = MakeInfo(WithMachine(machine, 1));
        EXPECT_EQ(info.Architecture(), architecture) << machine;
        EXPECT_EQ(info.ProcessorType(), "Unknown") << machine;
    }
}

TEST(SystemInfo, ProcessorTypesOfTheIntelArchitecture) {
    using about::ProcessorTypeName;
    EXPECT_EQ(ProcessorTypeName({0, 386}), "80386");
    EXPECT_EQ(ProcessorTypeName({0, 486}), "80486");
    EXPECT_EQ(ProcessorTypeName({0, 586}), "Pentium");
    EXPECT_EQ(ProcessorTypeName({0, 686}), "Unknown");
    EXPECT_EQ(ProcessorTypeName({0, 0}), "Unknown");
    EXPECT_EQ(ProcessorTypeName({1, 586}), "Unknown"); // only architecture 0 names its types
    EXPECT_EQ(about::ArchitectureName(4), "");
}

TEST(SystemInfo, TwoProcessorsOfAnUnknownType) {
    const TSystemInfo info = MakeInfo(WithMachine("riscv64", 2));
    EXPECT_EQ(about::ReadAboutLines(info).processor, "Unknown, 2Processor(s)");
    EXPECT_EQ(about::ProcessorLine("Pentium", 1), "Pentium, 1Processor(s)");
}

TEST(SystemInfo, MemoryIsCountedInKiloBytesWithoutA32BitCap) {
    MachineFacts facts = abouttest::FixedFacts();
    const std::pair<std::uint64_t, std::int64_t> cases[] = {
        {536870912ull, 524288},     // 512 MiB
        {4294967296ull, 4194304},   // 4 GiB: one more than a 32-bit byte count holds
        {25769803776ull, 25165824}, // 24 GiB
        {1023ull, 0},
        {1025ull, 1},
    };
    for (const auto& [bytes, kiloBytes] : cases) {
        facts.totalPhysBytes = bytes;
        facts.availPhysBytes = bytes / 2;
        facts.totalSwapBytes = bytes * 2;
        facts.availSwapBytes = bytes;
        const TSystemInfo info = MakeInfo(facts);
        EXPECT_EQ(info.TotalPhysMemory(), kiloBytes) << bytes;
        EXPECT_EQ(info.AvailPhysMemory(), about::KiloBytes(bytes / 2)) << bytes;
        EXPECT_EQ(info.TotalSwapMemory(), about::KiloBytes(bytes * 2)) << bytes;
        EXPECT_EQ(info.AvailSwapMemory(), kiloBytes) << bytes;
    }
    EXPECT_EQ(about::KiloBytes(~0ull), static_cast<std::int64_t>(~0ull >> 10));
}

TEST(SystemInfo, MemoryLineDividesKiloBytesByAThousand) {
    EXPECT_EQ(about::MemoryLine(524288), "524 Megabytes");
    EXPECT_EQ(about::MemoryLine(25165824), "25165 Megabytes");
    EXPECT_EQ(about::MemoryLine(999), "0 Megabytes");
    EXPECT_EQ(about::ReadAboutLines(MakeInfo(abouttest::FixedFacts())).memory, "524 Megabytes");
}

TEST(SystemInfo, MemoryAndNamesAreReadAtEveryCallTheRestAtCreation) {
    auto facts = std::make_shared<MachineFacts>(abouttest::FixedFacts());
    const TSystemInfo info([facts] { return *facts; });
    facts->totalPhysBytes = 2147483648ull;
    facts->hostName = "renamed";
    facts->tempFolder = "/scratch";
    facts->processorCount = 16;
    facts->machine = "x86_64";
    facts->release = "7.0.0";
    facts->fullName = "Someone Else";
    EXPECT_EQ(info.TotalPhysMemory(), 2097152);
    EXPECT_EQ(info.ComputerName(), "renamed");
    EXPECT_EQ(info.TempDirectory(), "/scratch");
    EXPECT_EQ(info.NumberOfProcessors(), 2);
    EXPECT_EQ(info.ProcessorType(), "Unknown");
    EXPECT_EQ(info.MajorVersion(), "6");
    EXPECT_EQ(info.RegUserName(), "Hanako Yamada");
}

TEST(SystemInfo, PlatformIsTheKernelWithItsVersionNumbers) {
    struct Case {
        const char* system;
        const char* release;
        const char* major;
        const char* minor;
        const char* build;
        const char* line;
    };
    const Case cases[] = {
        {"Linux", "6.1.0-18-amd64", "6", "1", "0", "Linux\nVersion 6.1"},
        {"Linux", "5.15.146.1-microsoft-standard-WSL2", "5", "15", "146", "Linux\nVersion 5.15"},
        {"Linux", "6.8.12", "6", "8", "12", "Linux\nVersion 6.8"},
        {"FreeBSD", "14.0-RELEASE", "14", "0", "0", "FreeBSD\nVersion 14.0"},
        {"Linux", "6", "6", "0", "0", "Linux\nVersion 6.0"},
        {"Linux", "4294967295.1.4294967295", "4294967295", "1", "4294967295", "Linux\nVersion 4294967295.1"},
        {"Linux", "99999999999.2", "4294967295", "2", "0", "Linux\nVersion 4294967295.2"},
        {"Linux", "rc1", "0", "0", "0", "Linux\nVersion 0.0"},
        // An unreadable system leaves the first line empty; the second still shows the version.
        {"", "", "0", "0", "0", "\nVersion 0.0"},
        {"", "3.2", "3", "2", "0", "\nVersion 3.2"},
    };
    for (const Case& c : cases) {
        MachineFacts facts = abouttest::FixedFacts();
        facts.systemName = c.system;
        facts.release = c.release;
        const TSystemInfo info = MakeInfo(facts);
        EXPECT_EQ(info.Platform(), c.system) << c.release;
        EXPECT_EQ(info.MajorVersion(), c.major) << c.release;
        EXPECT_EQ(info.MinorVersion(), c.minor) << c.release;
        EXPECT_EQ(info.BuildNumber(), c.build) << c.release;
        EXPECT_EQ(about::ReadAboutLines(info).platform, c.line) << c.release;
    }
}

TEST(SystemInfo, ComputerAndUserNamesFallBackToUnknown) {
    MachineFacts facts = abouttest::FixedFacts();
    facts.hostName = "build-server-0042.lab.morrowdene.example"; // far beyond 15 characters: still the name
    EXPECT_EQ(MakeInfo(facts).ComputerName(), "build-server-0042.lab.morrowdene.example");
    facts.hostName = "exactly15chars0";
    EXPECT_EQ(MakeInfo(facts).ComputerName(), "exactly15chars0");
    facts.hostName.reset();
    facts.loginName.reset();
    const TSystemInfo info = MakeInfo(facts);
    EXPECT_EQ(info.ComputerName(), "Unknown");
    EXPECT_EQ(info.NetworkUserName(), "Unknown");
    EXPECT_EQ(MakeInfo(abouttest::FixedFacts()).NetworkUserName(), "hanako");
}

TEST(SystemInfo, RegisteredNamesComeFromTheAccountOrTheDefaults) {
    EXPECT_EQ(about::FullNameFromGecos("Hanako Yamada,Room 301,555-0100,,"), "Hanako Yamada");
    EXPECT_EQ(about::FullNameFromGecos(",Room 301"), "");
    EXPECT_EQ(about::FullNameFromGecos("山田 花子"), "山田 花子");
    MachineFacts facts = abouttest::FixedFacts();
    EXPECT_EQ(MakeInfo(facts).RegUserName(), "Hanako Yamada");
    EXPECT_EQ(MakeInfo(facts).RegCompanyName(), about::kDefaultRegCompanyName);
    facts.fullName.clear();
    EXPECT_EQ(MakeInfo(facts).RegUserName(), about::kDefaultRegUserName);
}

TEST(SystemInfo, FoldersOfThisSystem) {
    MachineFacts facts = abouttest::FixedFacts();
    facts.tempFolder.clear();
    const TSystemInfo info = MakeInfo(facts);
    EXPECT_EQ(info.SystemDirectory(), "/usr/lib");
    EXPECT_EQ(info.WindowsDirectory(), "/");
    EXPECT_EQ(info.TempDirectory(), "/tmp");
    facts.tempFolder = "/var/tmp/kelvo test";
    EXPECT_EQ(MakeInfo(facts).TempDirectory(), "/var/tmp/kelvo test");
}

TEST(SystemInfo, FactsOfThisMachineAgreeWithTheKernelsFiles) {
    const MachineFacts facts = about::ReadMachineFacts();
    EXPECT_GE(facts.processorCount, 1);
    EXPECT_EQ(facts.systemName, ReadFirstLine("/proc/sys/kernel/ostype"));
    EXPECT_EQ(facts.release, ReadFirstLine("/proc/sys/kernel/osrelease"));
    ASSERT_TRUE(facts.hostName.has_value());
    EXPECT_EQ(*facts.hostName, ReadFirstLine("/proc/sys/kernel/hostname"));

    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kiloBytes = 0;
    while (meminfo >> key && key != "MemTotal:")
        meminfo.ignore(1 << 10, '\n');
    meminfo >> kiloBytes;
    ASSERT_GT(kiloBytes, 0u);
    EXPECT_EQ(facts.totalPhysBytes / 1024, kiloBytes);
    EXPECT_LE(facts.availPhysBytes, facts.totalPhysBytes);

    const passwd* account = ::getpwuid(::getuid());
    if (account != nullptr) {
        ASSERT_TRUE(facts.loginName.has_value());
        EXPECT_EQ(*facts.loginName, account->pw_name);
    }
    const char* tmp = std::getenv("TMPDIR");
    EXPECT_EQ(facts.tempFolder, tmp != nullptr ? tmp : "");
}
