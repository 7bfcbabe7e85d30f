#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include <csignal>
#include <signal.h>

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "app/ProgramFolder.h"
#include "convert/RunDriver.h"
#include "convert/ErrorText.h"
#include "app/NamingStages.h"
#include "options/OptionSet.h"
#include "settings/Settings.h"
#include "sources/FileAttributes.h"
#include "sources/FolderWalk.h"
#include "sources/PathNamesLong.h"
#include "sources/PathNames.h"
#include "widgets/TrayIcon.h"

#ifndef KELVO_VERSION
#define KELVO_VERSION "0"
#endif

namespace app {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::unique_ptr<QGuiApplication> MakeApplication(bool caption);
std::unique_ptr<widgets::TRxTrayIcon> MakeTrayIcon();

// The signal that asked the run to stop (SIGINT, SIGTERM), or 0.
volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
    // A second one ends the process at once (nameless outputs vanish with it; published ones are complete).
    std::signal(signal, SIG_DFL);
}

// While it lives, SIGINT and SIGTERM ask the run to stop instead of ending the process.
class StopSignals {
public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigset_t stops;
        sigemptyset(&stops);
        for (int signal : {SIGINT, SIGTERM}) {
            ::sigaction(signal, &action, nullptr);
            sigaddset(&stops, signal);
        }
        // A parent may hand its blocked signals down (some job runners block them): they would wait unseen
        // until the run ended. This thread takes them; threads started later inherit the unblocked mask.
        ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    }
    ~StopSignals() {
        for (int signal : {SIGINT, SIGTERM})
            std::signal(signal, SIG_DFL);
    }
};

// Progress for a terminal: one line, rewritten in place, only when stderr is a terminal;
// and the tray icon, where the desktop has a notification area. The icon (and the window system connection
// it needs) is made only once a run has lasted a moment: a short run starts and ends without either. The run
// calls ProcessMessages every 50 ms while it waits, which passes a stop signal on.
class ConsoleObserver : public convert::RunObserver {
public:
    ConsoleObserver() : tty_(::isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}

    // `stop` passes a stop signal on to the run; `overdue` ends the program when the run has not ended 0.7 s
    // later (an AV1 or WebP encoder, which cannot be called off, is still at work: what it makes has no name
    // and vanishes with the process).
    void StopWith(std::function<void()> stop, std::function<void()> overdue) {
        stop_ = std::move(stop);
        overdue_ = std::move(overdue);
    }

    void TrayProgress(int frame, const std::string& hint, int index, int count) override {
        frame_ = frame;
        hint_ = hint;
        ShowTrayWhenDue();
        if (tray_) widgets::TrayProgress(*tray_, frame, hint);
        if (!tty_) return;
        std::fprintf(stderr, "\r\033[K[%d/%d] %s", index + 1, count, hint.c_str());
        std::fflush(stderr);
    }
    void ProcessMessages() override {
        if (stopSignal && stop_) {
            const auto now = std::chrono::steady_clock::now();
            if (!stopSent_) {
                stopSent_ = now;
                stop_();
            } else if (now - *stopSent_ > kStopGrace && overdue_) {
                overdue_();
            }
        }
        ShowTrayWhenDue();
        if (tray_) QCoreApplication::processEvents(); // the icon repaints
    }
    void RemoveTray() override {
        if (tray_) widgets::TrayRemove(*tray_);
    }
    void FileDone(int, const std::string&, const std::string& output) override { lastOutput_ = output; }
    void FinishLine() {
        if (tty_) std::fputs("\r\033[K", stderr);
    }
    const std::string& LastOutput() const { return lastOutput_; }

private:
    void ShowTrayWhenDue() {
        if (trayTried_ || hint_.empty() || std::chrono::steady_clock::now() - start_ < kTrayDelay) return;
        trayTried_ = true;
        gui_ = MakeApplication(false);
        tray_ = MakeTrayIcon();
        if (tray_) widgets::TrayProgress(*tray_, frame_, hint_);
    }

    static constexpr std::chrono::milliseconds kTrayDelay{250};
    bool tty_;
    std::chrono::steady_clock::time_point start_;
    static constexpr std::chrono::milliseconds kStopGrace{700};
    std::function<void()> stop_;
    std::function<void()> overdue_;
    std::optional<std::chrono::steady_clock::time_point> stopSent_;
    bool trayTried_ = false;
    int frame_ = 0;
    std::string hint_;                     // the tray's latest hint ("40%完了"); none before the first entry
    std::unique_ptr<QGuiApplication> gui_; // made here when the run made none (no caption)
    std::unique_ptr<widgets::TRxTrayIcon> tray_;
    std::string lastOutput_;
};

std::string StoppedCounts(int converted, int skipped) {
    return "(" + std::to_string(converted) + " 件変換、" + std::to_string(skipped) + " 件スキップの後で中止)";
}

// A run stopped by a signal: how far it came; returns the exit status for the signal (130, 143).
int SayStopped(const convert::RunDriver& run) {
    std::fprintf(stderr, "kelvo: 中止しました %s\n", StoppedCounts(run.Converted(), run.Skipped()).c_str());
    return 128 + (stopSignal ? int(stopSignal) : SIGINT);
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

void PrintUsage() {
    std::printf("使い方: kelvo [設定ファイル.klv]\n"
                "        kelvo 画像ファイルまたはフォルダ...\n\n"
                "Usage: kelvo                 open the window\n"
                "       kelvo SETTINGS.klv    open the window with the options of a settings file\n"
                "       kelvo FILE|FOLDER...  convert the images (folders: every image below them) with the\n"
                "                             options last saved in the window, without a window\n"
                "       kelvo -- FILE...      the same; arguments after -- are files even when they look like\n"
                "                             options\n"
                "       kelvo --open FILE|FOLDER...\n"
                "                             open the window with the images in the conversion list\n"
                "       kelvo --help | --version\n\n"
                "Images: .jpg .jpeg .png .bmp .pcx .fpx .heic .heif .avif .webp .jxl. Output goes to the output\n"
                "folder set on the settings page (at first: the Output folder beside the program). The program\n"
                "ends when the run is done; the exit status is 0 after a normal end, 1 when the run stopped\n"
                "or failed, and 130 or 143 when Ctrl+C (SIGINT) or SIGTERM stopped it: what was written by then\n"
                "is complete, and nothing else is left.\n");
}

// The application object a run needs: a caption needs Qt's font system, and the tray icon a widget
// application on a display. Without a display (or with one that cannot be reached) the offscreen platform
// serves the caption and no icon is shown; a run without a caption on no display needs none at all.
std::unique_ptr<QGuiApplication> MakeApplication(bool caption) {
    if (QCoreApplication::instance()) return nullptr;
    const bool display = HasDisplay();
    if (!display && !caption) return nullptr;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!(platform && *platform)) ::setenv("QT_QPA_PLATFORM", display ? "wayland;xcb;offscreen" : "offscreen", 1);
    // Qt's notes on the environment (no XDG_RUNTIME_DIR, say) are not the run's business; its critical
    // messages still go to stderr.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    static int argc = 1;
    static char name[] = "kelvo";
    static char* argv[] = {name, nullptr};
    if (display) return std::make_unique<QApplication>(argc, argv);
    return std::make_unique<QGuiApplication>(argc, argv);
}

// The tray icon of the run, when there is a notification area to show it in.
std::unique_ptr<widgets::TRxTrayIcon> MakeTrayIcon() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    auto tray = std::make_unique<widgets::TRxTrayIcon>();
    widgets::LoadProgressFrames(tray->Icons());
    tray->Loaded();
    return tray;
}

} // namespace

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

bool IsSettingsStart(const std::vector<std::string>& args) {
    return !args.empty() && Lower(sources::ExtractFileExt(args.front())) == ".klv";
}

bool IsCommandLineRun(const std::vector<std::string>& args) {
    if (args.empty() || IsSettingsStart(args)) return false;
    return args.front() != "--help" && args.front() != "-h" && args.front() != "--version";
}

bool HandleInformationOptions(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    if (args.front() == "--help" || args.front() == "-h") {
        PrintUsage();
        return true;
    }
    if (args.front() == "--version") {
        std::printf("Kelvo %s\n", KELVO_VERSION);
        return true;
    }
    return false;
}

std::vector<std::string> GatherSources(const std::vector<std::string>& args) {
    std::vector<std::string> list;
    for (const std::string& arg : args) {
        if (sources::IsDirectory(arg))
            sources::ListFolderImages(sources::ExpandLongPath(arg),
                                      {.attributes = 0x3F, .markFolders = true, .recurse = true, .includePlain = true},
                                      list);
        else if (sources::FileAttributes(arg))
            list.push_back(sources::ExpandLongPath(arg));
        else
            // The expansion of a name that does not exist is its parent folder; keep the name itself, made
            // absolute, so the run reports the missing file rather than a folder.
            list.push_back(sources::AbsolutePath(arg));
    }
    return list;
}

int RunCommandLine(const std::vector<std::string>& args) {
    const std::string programFolder = ProgramFolder();
    options::OptionSet optionSet(programFolder);
    try {
        settings::LoadSettings(optionSet, DefaultSettingsFile());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvo: %s\n", convert::DescribeError(error).c_str());
        return 1;
    }

    std::vector<std::string> list = GatherSources(args);
    if (list.empty()) {
        std::fprintf(stderr, "kelvo: 変換する画像がありません (no image files in the arguments)\n");
        return 1;
    }

    convert::RunOptions runOptions = convert::CaptureRunOptions(optionSet, programFolder);
    // Only a caption needs the font system at the start; without it the run starts sooner and holds less.
    const std::unique_ptr<QGuiApplication> gui = runOptions.captionText.empty() ? nullptr : MakeApplication(true);
    convert::RunComponents components;
    ConsoleObserver observer;
    // Generated names when CheckBox12 is ticked; every worker of the run gets stages of its own.
    convert::RunDriver run(components, std::move(runOptions), convert::RunMode::CommandLine, observer,
                           [] { return std::make_unique<NamingStages>(); });
    observer.StopWith([&run] { run.RequestStop(); },
                      [&run, &observer] {
                          observer.FinishLine();
                          std::fflush(stderr);
                          ::_exit(SayStopped(run));
                      });
    const StopSignals signals;
    bool normalEnd = false;
    try {
        normalEnd = run.Run(list);
    } catch (const std::exception& error) {
        observer.FinishLine();
        // One line: the cause and the file it concerns, then how far the run came.
        std::fprintf(stderr, "kelvo: %s %s\n", convert::DescribeError(error).c_str(),
                     StoppedCounts(run.Converted(), run.Skipped()).c_str());
        return 1;
    }
    observer.FinishLine();
    const std::string outputFolder =
        observer.LastOutput().empty() ? run.Options().outputFolder : sources::ExtractFilePath(observer.LastOutput());
    if (run.StopRequested()) return SayStopped(run);
    if (!normalEnd) {
        std::fprintf(stderr, "kelvo: 画像の大きさを %dx%d にできません: %s %s\n", run.Target().width,
                     run.Target().height, OneLine(list[std::size_t(run.Index())]).c_str(),
                     StoppedCounts(run.Converted(), run.Skipped()).c_str());
        return 1;
    }
    std::fprintf(stderr, "kelvo: %d converted, %d skipped; output in %s\n", run.Converted(), run.Skipped(),
                 outputFolder.c_str());
    return 0;
}

} // namespace app
