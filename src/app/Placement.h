#pragma once
// The main window's placement in the per-user settings store: QSettings("Morrowdene", "Kelvo"), group "Main",
// string values "Top", "Left", "Width", "Height" holding decimal text.
#include <stdexcept>

#include <QString>

namespace app {

struct WindowPlacement {
    int top = 0;
    int left = 0;
    int width = 700;
    int height = 570;
    bool operator==(const WindowPlacement&) const = default;
};

// A stored value that is not a string: what() is "'<name>' のデータ型が不正です".
class PlacementTypeError : public std::runtime_error {
public:
    explicit PlacementTypeError(const QString& name);
};

// Reads the four values into `placement` in the order Top, Left, Width, Height. A missing value, or one whose
// text is not an integer, reads as its default. Throws PlacementTypeError for the first value stored as another
// type than text (a list, a rectangle); the values before it are read already, the others keep what they held.
void ReadPlacement(WindowPlacement& placement);
// Writes the four values as decimal text, in the order Top, Left, Width, Height.
void WritePlacement(const WindowPlacement& placement);
// Whether the preview shows the result ("ShowResult", "1" or "0"; missing or anything else: no).
bool ReadShowResult();
void WriteShowResult(bool shown);

} // namespace app
