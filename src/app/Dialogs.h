#pragma once
// Every question the main window asks a person goes through a DialogProvider: the real one shows Qt's dialogs,
// tests install one that answers from a script.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "options/Colour.h"
#include "options/TextFont.h"

class QWidget;

namespace options {
class OptionSet;
}

namespace app {

// One entry of a file dialog's filter list: the text shown and its patterns, separated by ";" ("*.jpg;*.jpeg").
struct FileFilter {
    std::string description;
    std::string patterns;
};

// What an open or save dialog is asked: title, filters (the first one selected at opening), whether several
// files may be chosen, and the extension (without the dot) a typed name without one gets.
struct FileDialogRequest {
    std::string title;
    std::vector<FileFilter> filters;
    bool multiple = false;
    std::string defaultExtension;
};

class DialogProvider {
public:
    virtual ~DialogProvider() = default;
    // The chosen files in the order the dialog returns them; empty when the person cancels.
    virtual std::vector<std::string> OpenFiles(QWidget* parent, const FileDialogRequest& request) = 0;
    // The same with a preview of the selected image beside the file list.
    virtual std::vector<std::string> OpenPictures(QWidget* parent, const FileDialogRequest& request) = 0;
    // The file to write; nothing when cancelled. Never asks before replacing an existing file.
    virtual std::optional<std::string> SaveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // Face, size, style, colour, pitch and character set; nothing when cancelled.
    virtual std::optional<options::TextFont> PickFont(QWidget* parent, const options::TextFont& current) = 0;
    virtual std::optional<options::Colour> PickColour(QWidget* parent, options::Colour current) = 0;
    // A folder's path, without a trailing "/" except for the root itself; nothing when cancelled.
    virtual std::optional<std::string> PickFolder(QWidget* parent, const std::string& prompt,
                                                  const std::string& startFolder) = 0;
    // The error box, and a plain notice.
    virtual void ShowError(QWidget* parent, const std::string& text) = 0;
    virtual void ShowInformation(QWidget* parent, const std::string& text) = 0;
};

// The provider built on Qt's dialogs.
std::shared_ptr<DialogProvider> MakeQtDialogProvider();

// The picture dialog's filter list, and its request (adding images: several files; the overlay image: one).
const std::vector<FileFilter>& PictureFilters();
FileDialogRequest PictureRequest(bool multiple);

// Asks for an output folder, starting at the folder of option `key`; the chosen folder becomes its text.
void PickFolderInto(DialogProvider& dialogs, QWidget* parent, options::OptionSet& options, const char* key);

// A filter as Qt's file dialogs read it: the description, then the patterns in both letter cases (file names on
// this system are case-sensitive, and "x.JPG" must show under "*.jpg").
std::string QtFilterText(const FileFilter& filter);

// A colour value (red in the lowest byte; system colours through the palette) as Qt draws it, and back.
// Converting back always gives an ordinary colour.
unsigned QtRgbOf(options::Colour colour);
options::Colour ColourOfQtRgb(unsigned rgb);

} // namespace app
