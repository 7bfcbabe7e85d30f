#pragma once
// The help window: shows the help document "Kelvo.hlp" (HTML) beside the program, opened on its table of
// contents; the links inside it move within the document.
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

class QTextBrowser;

namespace about {

// The anchor of the help document's table of contents.
inline constexpr char kContentsAnchor[] = "contents";

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Loads the document and shows its table of contents. False when the file cannot be read.
    bool OpenContents(const std::string& helpFile);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

// Opens the help document on its table of contents in the help window of `parent` (made on first use, kept
// and raised afterwards). When the file is missing or unreadable, says so in a message box and returns null.
HelpWindow* ShowHelpContents(QWidget* parent, const std::string& helpFile);

// How the missing-file message is shown (a warning box by default); tests replace it.
extern std::function<void(QWidget* parent, const QString& title, const QString& text)> HelpMessageHook;

} // namespace about
