#pragma once
// Shared by the about-box tests: a fixed machine, and the shipped files.
#include <QImage>
#include <filesystem>
#include <string>

#include "about/MachineFacts.h"

namespace abouttest {

// A two-processor RISC-V machine with 512 MiB of memory running Linux 6.1.
about::MachineFacts FixedFacts();
// resources/ of the source tree.
std::filesystem::path ResourcesDir();
// The shipped help document.
std::string HelpFile();

} // namespace abouttest
