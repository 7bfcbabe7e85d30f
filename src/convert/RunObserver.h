#pragma once
// What a conversion run shows while it works. The run never touches a widget: the window, the command line
// and the tests each supply an observer. Every call comes from the thread that runs the batch.
#include <string>

#include "imaging/ImageStore.h"

namespace convert {

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The overall progress bar: its maximum at the start, its position after each step.
    virtual void OverallRange(int maximum) {}
    virtual void OverallPosition(int position) {}
    // The file progress bar, 0..100, during each load and save.
    virtual void FileProgress(int percent) {}
    // The tray icon: frame 0..4 of the progress icons and its hint ("40%完了"); index i of count entries.
    virtual void TrayProgress(int frame, const std::string& hint, int index, int count) {}
    // Lets the window repaint between files.
    virtual void ProcessMessages() {}
    // The text above the preview, e.g. "200x150x24 BPP".
    virtual void PanelCaption(const std::string& text) {}
    // Shows a converted image in the preview (never called in a command-line run).
    virtual void ShowPreview(imaging::Handle image) {}
    // An entry was written to outputPath, or skipped (GIF/TIFF).
    virtual void FileDone(int index, const std::string& source, const std::string& outputPath) {}
    virtual void FileSkipped(int index, const std::string& source) {}
    // After FileDone: the output's size in pixels and the time its conversion took on its worker.
    virtual void EntryMeasured(int index, int width, int height, double milliseconds) {}
    // End of a normal run: the tray icon goes away, the beep sounds, a command-line run then ends.
    virtual void RemoveTray() {}
    virtual void Beep() {}
    virtual void EndApplication() {}
};

} // namespace convert
