#include "about/AboutLines.h"

#include "about/SystemInfo.h"

namespace about {

std::string MemoryLine(std::int64_t totalPhysKiloBytes) {
    return std::to_string(totalPhysKiloBytes / 1000) + " Megabytes";
}

std::string ProcessorLine(const std::string& processorType, int processors) {
    return processorType + ", " + std::to_string(processors) + "Processor(s)";
}

std::string PlatformLine(const std::string& platform, const std::string& major, const std::string& minor) {
    return platform + "\n" + "Version " + major + "." + minor;
}

AboutLines ReadAboutLines(const TSystemInfo& info) {
    return {MemoryLine(info.TotalPhysMemory()), ProcessorLine(info.ProcessorType(), info.NumberOfProcessors()),
            PlatformLine(info.Platform(), info.MajorVersion(), info.MinorVersion())};
}

} // namespace about
