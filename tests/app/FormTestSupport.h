#pragma once
// A main window in a temporary program folder, with its placement store in that folder and every dialog
// answered from a script.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "TestSupport.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "widgets/CoolBtn.h"
#include "widgets/TrayIcon.h"

namespace apptest {

namespace fs = std::filesystem;

// A click on a button whose work starts once the click has been delivered (a run): the click, then the work.
inline void ClickAndWork(QAbstractButton* button) {
    button->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

// Answers the window's questions from queues filled by the test; records what was asked and shown.
class ScriptedDialogs : public app::DialogProvider {
public:
    std::deque<std::vector<std::string>> openAnswers; // OpenFiles and OpenPictures; empty queue: cancel
    std::deque<std::optional<std::string>> saveAnswers;
    std::optional<options::TextFont> fontAnswer;
    std::optional<options::Colour> colourAnswer;
    std::optional<std::string> folderAnswer;

    std::vector<app::FileDialogRequest> requests; // every open and save dialog, in order
    std::vector<std::string> pictureTitles;       // titles of the picture dialogs
    std::optional<options::Colour> colourOffered; // the colour the last colour dialog opened on
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

template <typename W> W* Find(QWidget& root, const char* name) {
    return root.findChild<W*>(QString::fromLatin1(name));
}

// What reached the notification area: 'A'dd, 'M'odify or 'D'elete, with the icon's image key and the tip.
struct TrayCall {
    char kind;
    qint64 icon;
    std::string tip;
};

// What reached the notification area, and what to do after each call.
struct TrayLog {
    std::vector<TrayCall> calls;
    std::function<void()> onCall;
};

// A notification area that records every call into a log while the test holds that log (the window outlives
// the test body's locals, and its icon still calls the backend when it is destroyed).
class RecordingTray : public widgets::TrayBackend {
public:
    explicit RecordingTray(const std::shared_ptr<TrayLog>& log) : log_(log) {}
    bool Add(const widgets::TrayRecord& record) override { return Record({'A', record.icon.cacheKey(), record.tip}); }
    bool Modify(const widgets::TrayRecord& record) override {
        return Record({'M', record.icon.cacheKey(), record.tip});
    }
    void Delete() override { Record({'D', 0, ""}); }

private:
    bool Record(TrayCall call) {
        if (auto log = log_.lock()) {
            log->calls.push_back(std::move(call));
            if (log->onCall) log->onCall();
        }
        return true;
    }
    std::weak_ptr<TrayLog> log_;
};

// Every visible child of `parent` lies inside it and no two visible siblings overlap, recursively. Composite
// widgets (spin edits, combos, sliders) are checked as wholes, not by their parts.
inline void ExpectNoOverlaps(QWidget* parent) {
    std::vector<QWidget*> children;
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isHidden() && !child->isWindow()) children.push_back(child);
    }
    for (QWidget* child : children) {
        EXPECT_TRUE(parent->rect().contains(child->geometry()))
            << child->objectName().toStdString() << " leaves " << parent->objectName().toStdString();
        ExpectNoOverlaps(child);
    }
    if (parent->inherits("app::TSpinEdit") || parent->inherits("QComboBox") || parent->inherits("QAbstractSlider"))
        return;
    for (std::size_t i = 0; i < children.size(); ++i)
        for (std::size_t j = i + 1; j < children.size(); ++j)
            EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
                << children[i]->objectName().toStdString() << " overlaps " << children[j]->objectName().toStdString()
                << " in " << parent->objectName().toStdString() << " (" << parent->metaObject()->className() << ")";
}

// Gives the window's client area (below the menu bar) the size `client` and lets the resize arrive; the menu
// bar grows with the window, so the height is set again as a person adjusts it until the client area fits.
inline void ResizeClientArea(app::TForm1& form, QSize client) {
    for (int attempt = 0; attempt < 4 && form.centralWidget()->size() != client; ++attempt) {
        form.resize(client.width(), client.height() + form.menuBar()->height());
        QCoreApplication::processEvents();
    }
}

} // namespace apptest
