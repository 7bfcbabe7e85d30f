#pragma once
// The three information lines of the about box, from the system information component's values.
#include <cstdint>
#include <string>

namespace about {

class TSystemInfo;

// "<kib div 1000> Megabytes": 524288 units of 1024 bytes (512 MiB) give "524 Megabytes".
std::string MemoryLine(std::int64_t totalPhysKiloBytes);
// "<type>, <count>Processor(s)", with no space before "Processor(s)": "Pentium, 1Processor(s)".
std::string ProcessorLine(const std::string& processorType, int processors);
// The platform, then on a second line "Version <major>.<minor>"; the build number is not shown.
std::string PlatformLine(const std::string& platform, const std::string& major, const std::string& minor);

struct AboutLines {
    std::string memory;
    std::string processor;
    std::string platform;
};
// All three lines; the memory figure is read afresh.
AboutLines ReadAboutLines(const TSystemInfo& info);

} // namespace about
