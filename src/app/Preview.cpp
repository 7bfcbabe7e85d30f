#include "app/Preview.h"

#include <algorithm>

#include "app/Ik5Disp.h"
#include "convert/SourceCheck.h"
#include "convert/WorkingImage.h"
#include "imaging/Error.h"

namespace app {

std::string PreviewInfoLine(int width, int height, int bits, const std::string& comment) {
    return " " + std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bits) + "BPP " + comment;
}

PreviewController::PreviewController(sources::FileList& conversionList, imaging::TIk5File& file, TIk5Disp& display)
    : list_(conversionList), file_(file), display_(display) {}

void PreviewController::Blank() {
    display_.Action = TIk5Disp::kClear;
    display_.Execute();
}

std::optional<std::string> PreviewController::ListBox1Click(const std::vector<int>& selectedRows) {
    convert::images::Release(file_.ImgHandle);
    Blank();

    std::vector<int> rows;
    rows.reserve(selectedRows.size());
    for (int row : selectedRows) {
        if (row >= 0 && row < list_.Count()) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    for (int row : rows) {
        // Copied: the list may change while the load lets the window repaint.
        const std::string path = list_.At(row);
        if (convert::IsGifOrTiff(path)) continue;

        file_.FileName = path;
        if (SetProgress) SetProgress(0);
        file_.Action = imaging::TIk5File::kLoad;
        try {
            file_.Execute();
            display_.ImgHandle = file_.ImgHandle;
            display_.DispMode = 0;
            display_.Action = TIk5Disp::kPrepare;
            display_.Execute();
            // The show is where a lazily loaded file is decoded, and where damage in its data is found.
            display_.Action = TIk5Disp::kShow;
            display_.Execute();
        } catch (...) {
            if (SetProgress) SetProgress(0);
            throw;
        }
        if (SetProgress) SetProgress(0);

        file_.GetImageInfo();
        return PreviewInfoLine(file_.ImgWidth, file_.ImgHeight, file_.ImgBitCount, file_.Comment);
    }
    return std::nullopt;
}

} // namespace app
