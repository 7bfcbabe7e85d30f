#pragma once
// The preview of the conversion list's selection: the first selected file in list order that is not GIF or TIFF
// is loaded through the window's file component and shown in the display; its description goes above it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Ik5Common.h"
#include "imaging/Ik5File.h"
#include "sources/FileList.h"

namespace app {

class TIk5Disp;

// " 640x480x24BPP " followed directly by the comment.
std::string PreviewInfoLine(int width, int height, int bits, const std::string& comment);

class PreviewController {
public:
    // The window owns all three; the controller keeps references. The window sets file.OnProgress to move its
    // file progress bar; the controller sets the bar to 0 before and after each load through `SetProgress`. The
    // image the file component holds is let go through convert::images::Release, the one way the run lets images
    // go too, so whichever of the preview and the run releases first, the other never releases it again.
    PreviewController(sources::FileList& conversionList, imaging::TIk5File& file, TIk5Disp& display);

    // Called with 0 before and after each preview load (the file progress bar). Optional.
    std::function<void(int percent)> SetProgress;

    // The list's selection changed (selectedRows in any order; rows outside the list are ignored):
    //  1. releases the image the file component holds, if it still lives;
    //  2. blanks the display;
    //  3. loads the first selected row in list order whose file is not GIF or TIFF and shows it;
    //  4. returns the information line of the loaded image.
    // When nothing qualifies (nothing selected, only GIF/TIFF selected) nothing is loaded, the display stays blank
    // and the result is empty: the caption keeps its text (there is no image to describe).
    // A file that cannot be read, or a failed load, raises imaging::Error; the display is then blank.
    std::optional<std::string> ListBox1Click(const std::vector<int>& selectedRows);

    // Blanks the display without releasing anything (emptying the conversion list).
    void Blank();

private:
    sources::FileList& list_;
    imaging::TIk5File& file_;
    TIk5Disp& display_;
};

} // namespace app
