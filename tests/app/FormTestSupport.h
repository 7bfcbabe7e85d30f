#pragma once
// A main window in a temporary program folder, with its placement store in that folder and every dialog
// answered from a script.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QSettings>
#include <QWidget>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"

namespace apptest {

namespace fs = std::filesystem;

// Answers the window's questions from queues filled by the test; records what was asked and shown.
class ScriptedDialogs : public app::DialogProvider {
public:
    std::deque<std::vector<std::string>> openAnswers;  // OpenFiles and OpenPictures; empty queue: cancel
    std::deque<std::optional<std::string>> saveAnswers;
    std::optional<options::TextFont> fontAnswer;
    std::optional<options::Colour> colourAnswer;
    std::optional<std::string> folderAnswer;

    std::vector<app::FileDialogRequest> requests;  // every open and save dialog, in order
    std::vector<std::string> pictureTitles;        // titles of the picture dialogs
    std::optional<options::Colour> colourOffered;  // the colour the last colour dialog opened on
    std::optional<options::TextFont> fontOffered;
    std::vector<std::string> errors;
    std::vector<std::string> notices;

    std::vector<std::string> OpenFiles(QWidget*, const app::FileDialogRequest& request) override {
        requests.push_back(request);
        return Next();
    }
    std::vector<std::string> OpenPictures(QWidget*, const app::FileDialogRequest& request) override {
        requests.push_back(request);
        pictureTitles.push_back(request.title);
        return Next();
    }
    std::optional<std::string> SaveFile(QWidget*, const app::FileDialogRequest& request) override {
        requests.push_back(request);
        if (saveAnswers.empty()) return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<options::TextFont> PickFont(QWidget*, const options::TextFont& current) override {
        fontOffered = current;
        return fontAnswer;
    }
    std::optional<options::Colour> PickColour(QWidget*, options::Colour current) override {
        colourOffered = current;
        return colourAnswer;
    }
    std::optional<std::string> PickFolder(QWidget*, const std::string&, const std::string&) override {
        return folderAnswer;
    }
    void ShowError(QWidget*, const std::string& text) override { errors.push_back(text); }
    void ShowInformation(QWidget*, const std::string& text) override { notices.push_back(text); }

private:
    std::vector<std::string> Next() {
        if (openAnswers.empty()) return {};
        auto answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
};

// A temporary program folder ("<tmp>/prog/") with the settings file "kelvo.ini" in it, and the per-user
// placement store redirected into "<tmp>/config".
class FormEnvironment {
public:
    FormEnvironment() {
        EnsureApplication();
        fs::create_directories(dir / "prog");
        fs::create_directories(dir / "config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString((dir / "config").string()));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString((dir / "config").string()));
        dialogs = std::make_shared<ScriptedDialogs>();
    }

    std::string ProgramFolder() const { return (dir / "prog").string() + "/"; }
    std::string SettingsFile() const { return (dir / "prog" / "kelvo.ini").string(); }
    fs::path PlacementFile() const { return dir / "config" / "Morrowdene" / "Kelvo.conf"; }

    std::unique_ptr<app::TForm1> MakeForm() {
        return std::make_unique<app::TForm1>(ProgramFolder(), SettingsFile(), dialogs);
    }
    // A window after a start with these arguments (plain start without arguments).
    std::unique_ptr<app::TForm1> StartForm(const std::vector<std::string>& args = {}) {
        auto form = MakeForm();
        form->FormCreate(args);
        return form;
    }

    testsupport::TempDir dir;
    std::shared_ptr<ScriptedDialogs> dialogs;
};

template <typename W>
W* Find(QWidget& root, const char* name) {
    return root.findChild<W*>(QString::fromLatin1(name));
}

}  // namespace apptest
