#include "about/HelpWindow.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace about {

std::function<void(QWidget*, const QString&, const QString&)> HelpMessageHook =
    [](QWidget* parent, const QString& title, const QString& text) { QMessageBox::warning(parent, title, text); };

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kelvo ヘルプ"));
    resize(680, 600);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
}

bool HelpWindow::OpenContents(const std::string& helpFile) {
    const QFileInfo file(QString::fromStdString(helpFile));
    if (!file.isFile() || !file.isReadable()) return false;
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    url.setFragment(QString::fromLatin1(kContentsAnchor));
    // The ".hlp" name says nothing about the content: it is HTML.
    browser_->setSource(url, QTextDocument::HtmlResource);
    browser_->scrollToAnchor(QString::fromLatin1(kContentsAnchor));
    return !browser_->document()->isEmpty();
}

HelpWindow* ShowHelpContents(QWidget* parent, const std::string& helpFile) {
    HelpWindow* window =
        parent != nullptr ? parent->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    const bool made = window == nullptr;
    if (made) {
        window = new HelpWindow(parent);
        if (parent == nullptr) window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!window->OpenContents(helpFile)) {
        if (made) delete window;
        HelpMessageHook(parent, QStringLiteral("ヘルプ"),
                        QStringLiteral("ヘルプファイルを開けません。\n%1\nファイルが見つからないか、読み込めません。")
                            .arg(QString::fromStdString(helpFile)));
        return nullptr;
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace about
