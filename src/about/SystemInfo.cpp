#include "about/SystemInfo.h"

#include <limits>
#include <utility>

namespace about {

std::int64_t KiloBytes(std::uint64_t bytes) {
    const std::uint64_t units = bytes >> 10;
    const auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(units > largest ? largest : units);
}

TSystemInfo::TSystemInfo(FactsReader reader) : reader_(std::move(reader)) {
    const MachineFacts facts = reader_();
    const ProcessorCodes codes = IdentifyProcessor(facts.machine);
    numberOfProcessors_ = facts.processorCount;
    architecture_ = ArchitectureName(codes.architecture);
    processorType_ = ProcessorTypeName(codes);

    const KernelVersion version = ParseKernelRelease(facts.release);
    majorVersion_ = std::to_string(version.major);
    minorVersion_ = std::to_string(version.minor);
    buildNumber_ = std::to_string(version.build);
    platform_ = facts.systemName;

    regUserName_ = facts.fullName.empty() ? kDefaultRegUserName : facts.fullName;
    regCompanyName_ = kDefaultRegCompanyName; // an account records no company
}

std::int64_t TSystemInfo::TotalPhysMemory() const {
    return KiloBytes(reader_().totalPhysBytes);
}
std::int64_t TSystemInfo::AvailPhysMemory() const {
    return KiloBytes(reader_().availPhysBytes);
}
std::int64_t TSystemInfo::TotalSwapMemory() const {
    return KiloBytes(reader_().totalSwapBytes);
}
std::int64_t TSystemInfo::AvailSwapMemory() const {
    return KiloBytes(reader_().availSwapBytes);
}

std::string TSystemInfo::ComputerName() const {
    return reader_().hostName.value_or(kUnknownName);
}
std::string TSystemInfo::NetworkUserName() const {
    return reader_().loginName.value_or(kUnknownName);
}
std::string TSystemInfo::SystemDirectory() const {
    return "/usr/lib";
}
std::string TSystemInfo::WindowsDirectory() const {
    return "/";
}

std::string TSystemInfo::TempDirectory() const {
    std::string folder = reader_().tempFolder;
    return folder.empty() ? std::string("/tmp") : folder;
}

} // namespace about
