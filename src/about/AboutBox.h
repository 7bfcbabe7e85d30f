#pragma once
// TForm2, the about box: the product picture, name, version and maker, a link to the web page, and three lines
// about this machine (memory, processor, platform), filled each time the box opens with a growing outline.
#include <QDialog>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

#include "about/SystemInfo.h"

class QLabel;
class QPushButton;

namespace widgets {
class TSmoothShow;
}

namespace about {

// The maker's web page and support address.
inline constexpr char kWebPage[] = "https://morrowdene.example/";
inline constexpr char kSupportAddress[] = "kelvo@morrowdene.example";

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr, FactsReader reader = ReadMachineFacts);
    ~TForm2() override;

    // Centres the box on the screen and shows it modally; returns when it is closed.
    int ShowModal();

    // Runs as the box is shown: starts the opening outline (unless ShowModal ran it before showing the box)
    // and fills the memory, processor and platform lines.
    void FormShow();
    void Button1Click();
    // Opens the web page with the desktop's browser; a failure is ignored.
    void lblURLClick();

    // How the web page is opened; tests replace it.
    std::function<void(const QUrl&)> OpenUrlHook;

    const TSystemInfo& info() const { return *info_; }
    widgets::TSmoothShow* SmoothShow1() const { return smoothShow1_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* AddLabel(const char* name, const QString& text, int left, int top);
    QLabel* AddFixedLabel(const char* name, const QString& text, const QRect& bounds);
    void SetFixedText(QLabel* label, const std::string& text);
    int DesignPixelSize() const;
    void AddSeparator(const char* name, const QRect& bounds);
    void CentreOnScreen();

    std::unique_ptr<TSystemInfo> info_;
    widgets::TSmoothShow* smoothShow1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QLabel* lblURL_ = nullptr;
    QLabel* lblMemory_ = nullptr;
    QLabel* lblCPU_ = nullptr;
    QLabel* lblOS_ = nullptr;
    // The first showing is centred before the window manager has framed the box; once the frame is known, it
    // is centred again, so it sits where every later showing does.
    bool centredWithFrame_ = false;
    bool outlineShown_ = false; // ShowModal ran the opening outline before showing the box
};

} // namespace about
