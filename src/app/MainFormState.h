#pragma once
// What the main window holds besides its controls, for its own implementation files (MainForm*.cpp).
#include <memory>
#include <string>

#include <QPointer>

#include "about/AboutBox.h"
#include "app/FramePlacement.h"
#include "app/ListClicks.h"
#include "app/MainForm.h"
#include "app/OutputDialog.h"

namespace app {

// The client area's design size: controls are placed in it, and the resizer scales them from it.
inline constexpr int kDesignClientWidth = 692;
inline constexpr int kDesignClientHeight = 524;

struct TForm1::State {
    State(TForm1& form, std::string folder, std::string file, std::shared_ptr<DialogProvider> provider)
        : programFolder(std::move(folder)), settingsFile(std::move(file)),
          dialogs(provider ? std::move(provider) : MakeQtDialogProvider()), options(programFolder), placement(form) {}

    std::string programFolder;
    std::string resourceFolder;
    std::string settingsFile;
    std::shared_ptr<DialogProvider> dialogs;
    options::OptionSet options;
    sources::FileList conversionList;
    sources::FileList renameList;
    sources::FileList destinationList;
    convert::RunComponents components;
    std::unique_ptr<ListClicks> clicks;
    // The pages are destroyed before the options and lists they show.
    std::unique_ptr<ListPage> list;
    std::unique_ptr<SettingsPage> settings;
    std::unique_ptr<RenamePage> rename;
    std::unique_ptr<StatusBar> status;
    QPointer<OutputDialog> outputDialog; // made at its first use, a child of the window
    QPointer<about::TForm2> aboutBox;    // likewise
    bool running = false;
    bool renaming = false;
    FramePlacement placement;
    int designMenuHeight = 0; // the menu bar's height at the design font
};

} // namespace app
