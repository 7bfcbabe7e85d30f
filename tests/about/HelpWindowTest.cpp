// The help window and the help document: opening on the table of contents, links that lead somewhere, every
// option of the window explained, and a clear message when the document is missing.
#include <QApplication>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#include "AboutTestSupport.h"
#include "TestSupport.h"
#include "about/HelpWindow.h"

using about::HelpWindow;

namespace {

struct Links {
    QSet<QString> anchors; // names that can be jumped to
    QStringList internal;  // targets of "#name" links, in document order
    QStringList other;     // any other link
};

Links CollectLinks(const QTextDocument& document) {
    Links links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (const QString& name : format.anchorNames())
                links.anchors.insert(name);
            const QString href = format.anchorHref();
            if (href.isEmpty()) continue;
            if (href.startsWith('#'))
                links.internal.append(href.mid(1));
            else
                links.other.append(href);
        }
    links.internal.removeDuplicates();
    return links;
}

// The text of the block shown at the top of the browser's view.
QString TopLine(const QTextBrowser& browser) {
    return browser.cursorForPosition(QPoint(10, 10)).block().text().trimmed();
}

// Records the missing-file message instead of showing a box.
struct MessageRecorder {
    MessageRecorder() {
        saved = about::HelpMessageHook;
        about::HelpMessageHook = [this](QWidget*, const QString& title, const QString& text) {
            ++count;
            lastTitle = title;
            lastText = text;
        };
    }
    ~MessageRecorder() { about::HelpMessageHook = saved; }
    std::function<void(QWidget*, const QString&, const QString&)> saved;
    int count = 0;
    QString lastTitle;
    QString lastText;
};

} // namespace

TEST(HelpWindow, OpensTheDocumentOnItsTableOfContents) {
    MessageRecorder messages;
    QWidget owner;
    HelpWindow* window = about::ShowHelpContents(&owner, abouttest::HelpFile());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(messages.count, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    QTextBrowser* browser = window->Browser();
    EXPECT_EQ(browser->source().fragment(), "contents");
    EXPECT_EQ(browser->source().toLocalFile().toStdString(), abouttest::HelpFile());
    EXPECT_EQ(browser->documentTitle(), "Kelvo ヘルプ");
    EXPECT_TRUE(browser->toPlainText().startsWith("Kelvo ヘルプ 目次"));

    // A link moves down the document; asking for the contents again brings the same window back to the top.
    window->resize(600, 300);
    QApplication::processEvents();
    browser->setSource(QUrl("#save-options"));
    QApplication::processEvents();
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    EXPECT_EQ(browser->source().fragment(), "save-options");
    EXPECT_NE(TopLine(*browser), "Kelvo ヘルプ 目次");
    EXPECT_EQ(about::ShowHelpContents(&owner, abouttest::HelpFile()), window);
    QApplication::processEvents();
    EXPECT_EQ(TopLine(*browser), "Kelvo ヘルプ 目次");
    EXPECT_EQ(browser->source().fragment(), "contents");
    EXPECT_EQ(owner.findChildren<HelpWindow*>().size(), 1);
}

TEST(HelpWindow, EveryLinkOfTheDocumentLeadsToAnAnchorInIt) {
    HelpWindow window;
    ASSERT_TRUE(window.OpenContents(abouttest::HelpFile()));
    const Links links = CollectLinks(*window.Browser()->document());
    EXPECT_TRUE(links.other.isEmpty()) << links.other.join(' ').toStdString();
    EXPECT_TRUE(links.anchors.contains("contents"));
    for (const QString& target : links.internal)
        EXPECT_TRUE(links.anchors.contains(target)) << target.toStdString();
    // One section per page of the window and per option group, all reachable from the table of contents.
    for (const char* section :
         {"page-list", "page-settings", "resize", "image-overlay", "text-overlay", "corrections", "save-options",
          "page-rename", "rename-settings", "rename-case", "rename-run", "settings-file", "command-line"})
        EXPECT_TRUE(links.internal.contains(section)) << section;
    // Every section apart from the contents is linked from somewhere.
    for (const QString& anchor : links.anchors)
        EXPECT_TRUE(anchor == "contents" || links.internal.contains(anchor)) << anchor.toStdString();
}

TEST(HelpWindow, ExplainsEveryOptionOfTheWindowByItsCaption) {
    HelpWindow window;
    ASSERT_TRUE(window.OpenContents(abouttest::HelpFile()));
    const QString text = window.Browser()->toPlainText();
    const char* captions[] = {
        "サイズ変更",
        "しない",
        "縮小時のみ有効",
        "拡大時のみ有効",
        "常に有効",
        "幅",
        "高",
        "比率を保持",
        "パーセンテージ指定",
        "画像の選択",
        "挿入位置",
        "左上",
        "右上",
        "左下",
        "右下",
        "中央",
        "透明度",
        "透過色",
        "文字列",
        "フォントの選択",
        "中上",
        "中下",
        "縦左",
        "縦右",
        "文字のバックを塗りつぶす",
        "塗りつぶし色",
        "シャープ",
        "ぼかし",
        "アンチエイリアス",
        "グレースケール",
        "JPEG",
        "BMP8",
        "BMP24",
        "PNG8",
        "PNG24",
        "FPX",
        "PCX",
        "プログレッシブ",
        "インターレース",
        "圧縮品質",
        "出力先",
        "フォルダの選択",
        "ファイル名変更機能を使う",
        "コメント",
        "接頭辞",
        "接尾辞",
        "開始番号",
        "桁数",
        "リストのソート",
        "大文字・小文字変換",
        "小文字に変換",
        "大文字に変換",
        "ファイル読込",
        "変換実行",
        "リスト消去",
        "ファイルを追加",
        "選択項目を削除",
        "設定ファイルを開く",
        "設定をファイルに保存",
        "バージョン情報",
    };
    for (const char* caption : captions)
        EXPECT_TRUE(text.contains(QString::fromUtf8(caption))) << caption;
}

TEST(HelpWindow, AMissingDocumentIsReportedInJapanese) {
    testsupport::TempDir dir;
    const std::string missing = (dir / "Kelvo.hlp").string();
    MessageRecorder messages;
    QWidget owner;
    EXPECT_EQ(about::ShowHelpContents(&owner, missing), nullptr);
    EXPECT_EQ(messages.count, 1);
    EXPECT_EQ(messages.lastTitle, "ヘルプ");
    EXPECT_TRUE(messages.lastText.contains("ヘルプファイルを開けません"));
    EXPECT_TRUE(messages.lastText.contains(QString::fromStdString(missing)));
    EXPECT_TRUE(owner.findChildren<HelpWindow*>().isEmpty());

    // A folder of that name is no document either.
    std::filesystem::create_directory(missing);
    EXPECT_EQ(about::ShowHelpContents(nullptr, missing), nullptr);
    EXPECT_EQ(messages.count, 2);
}
