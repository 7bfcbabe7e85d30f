// Program entry.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QMainWindow>

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
    imaging::EnsureInitialized();
    if (argc < 2 && !HasDisplay()) {
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
