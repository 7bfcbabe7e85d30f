#pragma once
// The status bar along the client area's bottom edge: the text panel and the progress bars of the file (at the
// right edge) and of the run, by their designer names.
class QProgressBar;
class QWidget;

namespace app {

class TPanel;

struct StatusBar {
    static constexpr int kHeight = 19; // at the design size

    // Built at its design place at the bottom of a client area of `clientWidth` x `clientHeight`.
    StatusBar(QWidget* client, int clientWidth, int clientHeight);
    // Keeps to the bottom edge of the client area at its (scaled) height; the bars keep their widths.
    void KeepToBottom(int clientWidth, int clientHeight);

    QWidget* pnlStatusBar = nullptr;
    TPanel* Panel3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr; // the file's progress
    QProgressBar* ProgressBar2 = nullptr; // the run's progress
};

} // namespace app
