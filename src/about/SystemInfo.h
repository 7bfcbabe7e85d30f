#pragma once
// TSystemInfo: facts about the machine for the about box. Processor, version, platform and the registered
// names are fixed when the component is made; memory, names and folders are read afresh at every call.
#include <cstdint>
#include <functional>
#include <string>

#include "about/MachineFacts.h"

namespace about {

// Where the component takes its facts from: the running machine, or a test's fixed machine.
using FactsReader = std::function<MachineFacts()>;

// The registered names when the account says nothing better.
inline constexpr char kDefaultRegUserName[] = "Kelvo User";
inline constexpr char kDefaultRegCompanyName[] = "Personal";
// A name that cannot be read.
inline constexpr char kUnknownName[] = "Unknown";

class TSystemInfo {
public:
    explicit TSystemInfo(FactsReader reader = ReadMachineFacts);

    int NumberOfProcessors() const { return numberOfProcessors_; }
    const std::string& Architecture() const { return architecture_; }
    const std::string& ProcessorType() const { return processorType_; }

    // Memory in units of 1024 bytes, the whole figure (a machine with more than 4 GiB reports all of it).
    std::int64_t TotalPhysMemory() const;
    std::int64_t AvailPhysMemory() const;
    std::int64_t TotalSwapMemory() const;
    std::int64_t AvailSwapMemory() const;

    const std::string& RegUserName() const { return regUserName_; }
    const std::string& RegCompanyName() const { return regCompanyName_; }
    std::string ComputerName() const;     // the host name, whatever its length; "Unknown" when unreadable
    std::string NetworkUserName() const;  // the login name; "Unknown" when the account is not found
    std::string SystemDirectory() const;  // /usr/lib
    std::string WindowsDirectory() const; // /
    std::string TempDirectory() const;    // $TMPDIR, else /tmp

    const std::string& MajorVersion() const { return majorVersion_; }
    const std::string& MinorVersion() const { return minorVersion_; }
    const std::string& BuildNumber() const { return buildNumber_; }
    // The kernel's name ("Linux"); empty when it cannot be read.
    const std::string& Platform() const { return platform_; }

private:
    FactsReader reader_;
    int numberOfProcessors_ = 0;
    std::string architecture_;
    std::string processorType_;
    std::string regUserName_;
    std::string regCompanyName_;
    std::string majorVersion_;
    std::string minorVersion_;
    std::string buildNumber_;
    std::string platform_;
};

// Bytes in units of 1024, truncated.
std::int64_t KiloBytes(std::uint64_t bytes);

} // namespace about
