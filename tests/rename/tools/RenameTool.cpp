// Test tool: the rename run of the window, from the command line, so a test can kill it at any moment.
// Usage: rename_tool <output folder> <prefix> <digits> <source>...   (numbers from 1, extensions kept)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rename/RenameRun.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: rename_tool <output folder> <prefix> <digits> <source>...\n");
        return 2;
    }
    renaming::NameRule rule;
    rule.outputFolder = argv[1];
    rule.prefix = argv[2];
    rule.digits = std::atoi(argv[3]);
    rule.start = 1;
    std::vector<std::string> sources(argv + 4, argv + argc);
    renaming::RenameObserver observer;
    renaming::RenameRun run(rule, observer);
    std::printf("%zu copied\n", run.Run(sources).copied.size());
    return 0;
}
