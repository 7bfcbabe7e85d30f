#include "app/ConsoleRun.h"

#include <cstdlib>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include "app/CommandLine.h"
#include "widgets/TrayIcon.h"

namespace app {

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
    // A second one ends the process at once (nameless outputs vanish with it; published ones are complete).
    std::signal(signal, SIG_DFL);
}

constexpr std::chrono::milliseconds kTrayDelay{250};
constexpr std::chrono::milliseconds kStopGrace{700};

// The tray icon of the run, when there is a notification area to show it in.
std::unique_ptr<widgets::TRxTrayIcon> MakeTrayIcon() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    auto tray = std::make_unique<widgets::TRxTrayIcon>();
    widgets::LoadProgressFrames(tray->Icons());
    tray->Loaded();
    return tray;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0; // overlong, a surrogate, or beyond U+10FFFF
    return length;
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string JsonNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void JsonLine(const std::string& object) {
    std::fputs(object.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int StopSignal() {
    return stopSignal;
}

StopSignals::StopSignals() {
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
    // A parent may hand its blocked signals down (some job runners block them): they would wait unseen until the
    // run ended. This thread takes them; threads started later inherit the unblocked mask.
    ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}

StopSignals::~StopSignals() {
    for (int signal : {SIGINT, SIGTERM})
        std::signal(signal, SIG_DFL);
}

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

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) {
            json += "\\udc" + Hex4(c).substr(2);
            ++at;
        } else if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
            ++at;
        } else if (c < 0x20) {
            json += "\\u" + Hex4(c);
            ++at;
        } else {
            json.append(text, at, length);
            at += length;
        }
    }
    return json + '"';
}

ConsoleObserver::ConsoleObserver(ConsoleChoices choices, const std::vector<std::string>& list)
    : choices_(choices), list_(list), tty_(!choices.quiet && ::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {}

ConsoleObserver::~ConsoleObserver() = default;

void ConsoleObserver::StopWith(std::function<void()> stop, std::function<void()> overdue) {
    stop_ = std::move(stop);
    overdue_ = std::move(overdue);
}

void ConsoleObserver::TrayProgress(int frame, const std::string& hint, int index, int count) {
    frame_ = frame;
    hint_ = hint;
    ShowTrayWhenDue();
    if (tray_) widgets::TrayProgress(*tray_, frame, hint);
    if (!tty_) return;
    std::fprintf(stderr, "\r\033[K[%d/%d] %s", index + 1, count, hint.c_str());
    std::fflush(stderr);
}

void ConsoleObserver::ProcessMessages() {
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

void ConsoleObserver::RemoveTray() {
    if (tray_) widgets::TrayRemove(*tray_);
}

void ConsoleObserver::FileDone(int, const std::string&, const std::string& output) {
    lastOutput_ = output;
}

void ConsoleObserver::FileSkipped(int, const std::string& source) {
    if (!choices_.json) return;
    JsonLine("{\"source\":" + JsonString(source) +
             ",\"output\":null,\"status\":\"skipped\",\"width\":null,\"height\":null,\"bytes\":null,"
             "\"milliseconds\":null}");
}

void ConsoleObserver::EntryMeasured(int index, int width, int height, double milliseconds) {
    if (!choices_.json) return;
    struct stat info {};
    const std::string bytes = ::stat(lastOutput_.c_str(), &info) == 0 ? std::to_string(info.st_size) : "null";
    JsonLine("{\"source\":" + JsonString(list_[std::size_t(index)]) + ",\"output\":" + JsonString(lastOutput_) +
             ",\"status\":\"converted\",\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) +
             ",\"bytes\":" + bytes + ",\"milliseconds\":" + JsonNumber(milliseconds) + "}");
}

void ConsoleObserver::EntryFailed(int index, const std::string& error) {
    if (!choices_.json || index < 0 || std::size_t(index) >= list_.size()) return;
    JsonLine("{\"source\":" + JsonString(list_[std::size_t(index)]) +
             ",\"output\":null,\"status\":\"failed\",\"width\":null,\"height\":null,\"bytes\":null,"
             "\"milliseconds\":null,\"error\":" +
             JsonString(error) + "}");
}

void ConsoleObserver::FinishLine() {
    if (tty_) std::fputs("\r\033[K", stderr);
}

void ConsoleObserver::ShowTrayWhenDue() {
    if (trayTried_ || hint_.empty() || std::chrono::steady_clock::now() - start_ < kTrayDelay) return;
    trayTried_ = true;
    gui_ = MakeApplication(false);
    tray_ = MakeTrayIcon();
    if (tray_) widgets::TrayProgress(*tray_, frame_, hint_);
}

} // namespace app
