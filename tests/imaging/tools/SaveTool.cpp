// Test tool: loads an image and saves it to a target again and again until killed, so a test can kill a
// process in the middle of a save. Usage: imaging_save_tool <source> <target> <action>
#include <cstdio>
#include <cstdlib>

#include "imaging/Error.h"
#include "imaging/Ik5Common.h"
#include "imaging/Ik5Effect.h"
#include "imaging/Ik5File.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: imaging_save_tool <source> <target> <action>\n");
        return 2;
    }
    try {
        imaging::TIk5File file;
        file.FileName = argv[1];
        file.Action = imaging::TIk5File::kLoad;
        file.Execute();
        file.FileName = argv[2];
        file.Action = std::int16_t(std::atoi(argv[3]));
        for (;;) {
            file.Execute();
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
        }
    } catch (const imaging::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
