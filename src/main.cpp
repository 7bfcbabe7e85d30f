// Program entry: the command-line run converts without a window; otherwise the window opens.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QMainWindow>

#include "app/CommandLine.h"
#include "imaging/Init.h"

namespace {

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (app::HandleInformationOptions(args)) return 0;
    imaging::EnsureInitialized();
    if (app::IsCommandLineRun(args)) return app::RunCommandLine(args);

    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "kelvo: the window needs a display (none found: DISPLAY and WAYLAND_DISPLAY are unset).\n"
                     "To convert without a window, name the images or folders on the command line:\n"
                     "  kelvo photo1.jpg photo2.png folder/\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kelvo for Windows");
    QMainWindow window;
    window.setWindowTitle("Kelvo for Windows");
    window.resize(700, 570);
    window.show();
    return QApplication::exec();
}
