// Program entry: a command-line run converts without a window; otherwise the main window opens, plainly or with
// the settings file named first.
#include <malloc.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/CommandLine.h"
#include "app/FontMapping.h"
#include "app/MainForm.h"
#include "app/ProgramFolder.h"
#include "imaging/Init.h"

int main(int argc, char** argv) {
    // Pixel buffers of a megabyte or more are mapped for themselves and go back to the system when freed. By
    // default the allocator raises that bound after each large free and keeps later buffers in its heaps, so
    // a run over many photos would hold on to memory it no longer uses.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // A write beyond the file-size limit (ulimit -f) fails with EFBIG, reported like a full disc, rather than
    // killing the process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    // Finished outputs wait, open and nameless, for their turn (and renamed copies for their sources to be
    // read): the open-file limit is raised as far as the system allows.
    if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    // "--" ends the options: every argument after it is a file or folder to convert. "--open": the window
    // opens with the files and folders after it in the conversion list (what a file manager's "open with" does).
    const bool openInWindow = !args.empty() && args.front() == "--open";
    if (openInWindow) args.erase(args.begin());
    // The command-line run reads "--" itself: names after it that look like options stay names.
    const bool endOfOptions = !openInWindow && !args.empty() && args.front() == "--";
    if (!endOfOptions && !openInWindow && app::HandleInformationOptions(args)) return 0;
    imaging::EnsureInitialized();
    if (!openInWindow && (endOfOptions ? args.size() > 1 : app::IsCommandLineRun(args)))
        return app::RunCommandLine(args);
    if (endOfOptions) args.erase(args.begin());

    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!app::HasDisplay() && !(platform && *platform)) {
        std::fprintf(stderr, "kelvo: ウィンドウを開くにはディスプレイが必要です (DISPLAY も WAYLAND_DISPLAY も"
                             "設定されていません)。\n"
                             "ウィンドウなしで変換するには、画像かフォルダを指定します:\n"
                             "  kelvo 写真1.jpg 写真2.png フォルダ/\n");
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvo for Windows"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kelvo.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("kelvo")); // Wayland takes the icon from the entry
    QApplication::setFont(app::WindowFont());
    // Qt's own dialogs and buttons (file dialogs, "OK", "キャンセル") speak Japanese like the rest of the window.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // The window is shown by its start-up, never on its own; closing it ends the program.
    app::TForm1 form(app::ProgramFolder(), app::DefaultSettingsFile());
    form.SetResourceFolder(app::ResourceFolder());
    if (openInWindow) {
        form.FormCreate({});
        form.OpenFilesInList(args);
    } else {
        form.FormCreate(args);
    }
    return QApplication::exec();
}
