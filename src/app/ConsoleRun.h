#pragma once
// What a command-line run shows while it works and how it is stopped: one progress line on a terminal, the tray
// icon where the desktop has a notification area, one JSON object a line on standard output (--json), nothing but
// errors with --quiet; SIGINT and SIGTERM ask the run to stop.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/RunObserver.h"

class QGuiApplication;

namespace widgets {
class TRxTrayIcon;
}

namespace app {

// The signal that asked the run to stop (SIGINT, SIGTERM), or 0.
int StopSignal();

// While it lives, SIGINT and SIGTERM ask the run to stop instead of ending the process (a second one ends it).
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

// The application object a run needs: a caption needs Qt's font system, and the tray icon a widget application
// on a display. Without a display the offscreen platform serves the caption and no icon is shown; a run without a
// caption on no display needs none at all (nothing is made then, nor when an application exists already).
std::unique_ptr<QGuiApplication> MakeApplication(bool caption);

// `text` as a JSON string: UTF-8 as it is; a byte that is not part of UTF-8 (a name in another encoding) as the
// escape \udcXX of the byte, as Python's surrogateescape reads it back to the same bytes.
std::string JsonString(const std::string& text);

struct ConsoleChoices {
    bool quiet = false; // no progress line
    bool json = false;  // a JSON object a line on standard output for every entry
};

class ConsoleObserver : public convert::RunObserver {
public:
    ConsoleObserver(ConsoleChoices choices, const std::vector<std::string>& list);
    ~ConsoleObserver() override;

    // `stop` passes a stop signal on to the run; `overdue` ends the program when the run has not ended 0.7 s
    // later (an AV1 or WebP encoder, which cannot be called off, is still at work: what it makes has no name and
    // vanishes with the process).
    void StopWith(std::function<void()> stop, std::function<void()> overdue);

    void TrayProgress(int frame, const std::string& hint, int index, int count) override;
    void ProcessMessages() override;
    void RemoveTray() override;
    void FileDone(int index, const std::string& source, const std::string& output) override;
    void FileSkipped(int index, const std::string& source) override;
    void EntryMeasured(int index, int width, int height, double milliseconds) override;

    // The JSON line of the entry that failed, with the error's text.
    void EntryFailed(int index, const std::string& error);
    // Ends the progress line (a terminal only).
    void FinishLine();
    const std::string& LastOutput() const { return lastOutput_; }

private:
    void ShowTrayWhenDue();

    ConsoleChoices choices_;
    const std::vector<std::string>& list_;
    bool tty_;
    std::chrono::steady_clock::time_point start_;
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

} // namespace app
