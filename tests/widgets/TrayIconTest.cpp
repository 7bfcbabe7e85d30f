// The tray icon's calls to the notification area, its hint, its icon list and its progress frames.
#include <QFile>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "widgets/TrayHint.h"
#include "widgets/TrayIcon.h"

using widgets::TIconList;
using widgets::TrayBackend;
using widgets::TrayRecord;
using widgets::TRxTrayIcon;

namespace {

struct Call {
    char kind; // 'A'dd, 'M'odify, 'D'elete
    qint64 icon = 0;
    std::string tip;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& call) {
    return out << call.kind << "(" << call.icon << ", \"" << call.tip << "\")";
}

class CountingBackend : public TrayBackend {
public:
    explicit CountingBackend(std::vector<Call>* calls, bool addSucceeds = true)
        : calls_(calls), addSucceeds_(addSucceeds) {}
    bool Add(const TrayRecord& record) override {
        calls_->push_back({'A', record.icon.cacheKey(), record.tip});
        return addSucceeds_;
    }
    bool Modify(const TrayRecord& record) override {
        calls_->push_back({'M', record.icon.cacheKey(), record.tip});
        return true;
    }
    void Delete() override { calls_->push_back({'D', 0, ""}); }
    std::vector<Call>* calls_;
    bool addSucceeds_;
};

// A tray with the five progress frames, as the main window sets it up; the calls made so far are dropped.
struct Tray {
    explicit Tray(bool addSucceeds = true) : tray(nullptr, std::make_unique<CountingBackend>(&calls, addSucceeds)) {
        widgets::LoadProgressFrames(tray.Icons());
        calls.clear();
    }
    qint64 Frame(int k) const { return tray.Icons().Item(k).cacheKey(); }
    int Count(char kind) const {
        int n = 0;
        for (const Call& c : calls)
            n += c.kind == kind ? 1 : 0;
        return n;
    }
    std::vector<Call> calls;
    TRxTrayIcon tray;
};

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

} // namespace

TEST(TrayIcon, StartsActiveEnabledAndEmptyAndShowsNothing) {
    Tray t;
    EXPECT_TRUE(t.tray.Active());
    EXPECT_TRUE(t.tray.Enabled());
    EXPECT_FALSE(t.tray.Animated());
    EXPECT_EQ(t.tray.Interval(), 150);
    EXPECT_EQ(t.tray.FrameIndex(), -1);
    EXPECT_TRUE(t.tray.Icon().isNull());
    t.tray.Loaded();
    EXPECT_EQ(t.Count('A'), 0);
    EXPECT_FALSE(t.tray.Added());
}

TEST(TrayIcon, ThreeFileRunAddsOnceModifiesPerFileAndPerTextThenDeletes) {
    Tray t;
    widgets::TrayProgress(t.tray, 1, "33%完了");
    widgets::TrayProgress(t.tray, 3, "66%完了");
    widgets::TrayProgress(t.tray, 4, "100%完了");
    widgets::TrayRemove(t.tray);
    const std::vector<Call> expected = {
        {'D', 0, ""}, // showing hides first; harmless while nothing is there
        {'A', t.Frame(1), ""},
        {'M', t.Frame(1), ""}, // an empty tip is sent again at once
        {'M', t.Frame(1), "33%完了"},
        {'M', t.Frame(3), "33%完了"}, // the icon of the second file
        {'M', t.Frame(3), "66%完了"}, // its text
        {'M', t.Frame(4), "66%完了"},
        {'M', t.Frame(4), "100%完了"},
        {'D', 0, ""},
    };
    EXPECT_EQ(t.calls, expected);
    EXPECT_FALSE(t.tray.Added());
    EXPECT_EQ(t.tray.Hint(), "100%完了"); // the hint stays for the next run
}

TEST(TrayIcon, ASecondRunStartsWithTheLastHintAndSkipsTheEmptyTipModify) {
    Tray t;
    widgets::TrayProgress(t.tray, 4, "100%完了");
    widgets::TrayRemove(t.tray);
    t.calls.clear();
    widgets::TrayProgress(t.tray, 2, "50%完了");
    widgets::TrayProgress(t.tray, 2, "50%完了"); // the same frame again still modifies; the same hint does not
    const std::vector<Call> expected = {
        {'D', 0, ""},
        {'A', t.Frame(2), "100%完了"},
        {'M', t.Frame(2), "50%完了"},
        {'M', t.Frame(2), "50%完了"},
    };
    EXPECT_EQ(t.calls, expected);
}

TEST(TrayIcon, EqualHintMakesNoCall) {
    Tray t;
    widgets::TrayProgress(t.tray, 0, "20%完了");
    t.calls.clear();
    t.tray.SetHint("20%完了");
    EXPECT_TRUE(t.calls.empty());
}

TEST(TrayIcon, HintShowsOnlyItsShortPartCutTo63Bytes) {
    Tray t;
    widgets::TrayProgress(t.tray, 0, "start");
    t.tray.SetHint(std::string(70, 'x'));
    EXPECT_EQ(t.calls.back().tip, std::string(63, 'x'));
    EXPECT_EQ(t.tray.Hint(), std::string(70, 'x'));

    t.tray.SetHint("40%完了|ファイル 3 / 7");
    EXPECT_EQ(t.calls.back().tip, "40%完了");

    // 35 double-byte characters are 70 bytes: 31 fit, the 32nd would straddle byte 63.
    t.tray.SetHint(Repeat("完", 35));
    EXPECT_EQ(t.calls.back().tip, Repeat("完", 31));
    t.tray.SetHint("a" + Repeat("完", 35));
    EXPECT_EQ(t.calls.back().tip, "a" + Repeat("完", 31));
}

TEST(TrayHint, CountsBytesAsTheJapaneseCodePageDoes) {
    EXPECT_EQ(widgets::Cp932Length("40%完了"), 7);
    EXPECT_EQ(widgets::Cp932Length("ｶﾀｶﾅ"), 4); // half-width katakana: one byte each
    EXPECT_EQ(widgets::Cp932Length("カタカナ"), 8);
    EXPECT_EQ(widgets::ShortHint(Repeat("ｱ", 70)), Repeat("ｱ", 63));
    EXPECT_EQ(widgets::ShortHint(std::string(62, 'x') + "漢字"), std::string(62, 'x'));
    EXPECT_EQ(widgets::ShortHint(std::string(61, 'x') + "漢字"), std::string(61, 'x') + "漢");
    EXPECT_EQ(widgets::ShortHint("|after"), "");
    EXPECT_EQ(widgets::ShortHint("a|b|c"), "a");
    EXPECT_LE(widgets::Cp932Length(widgets::ShortHint(Repeat("あa", 50))), 63);
}

TEST(TrayIcon, InactiveTrayShowsNothingUntilActivated) {
    Tray t;
    t.tray.SetActive(false);
    t.calls.clear();
    widgets::TrayProgress(t.tray, 2, "50%完了");
    EXPECT_TRUE(t.calls.empty());
    t.tray.SetActive(true);
    ASSERT_EQ(t.Count('A'), 1);
    EXPECT_TRUE(t.tray.Added());
    t.tray.SetActive(false);
    EXPECT_EQ(t.calls.back().kind, 'D');
    EXPECT_FALSE(t.tray.Added());
}

TEST(TrayIcon, AFailedAddIsTriedAgainAtTheNextChange) {
    Tray t(false);
    widgets::TrayProgress(t.tray, 1, "33%完了");
    EXPECT_FALSE(t.tray.Added());
    EXPECT_EQ(t.Count('A'), 2); // the icon and then the hint each try
    EXPECT_EQ(t.Count('M'), 0);
}

TEST(TrayIcon, WithoutANotificationAreaNothingFails) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()); // the tests run headless
    TRxTrayIcon tray;
    widgets::LoadProgressFrames(tray.Icons());
    for (int i = 0; i < 3; ++i)
        widgets::TrayProgress(tray, i, std::to_string((i + 1) * 33) + "%完了");
    EXPECT_FALSE(tray.Added());
    widgets::TrayRemove(tray);
    EXPECT_FALSE(tray.Added());
}

TEST(TrayIcon, AFrameOutsideTheListIsAnIndexError) {
    Tray t;
    EXPECT_THROW(widgets::TrayProgress(t.tray, 5, "x"), std::out_of_range);
    EXPECT_THROW(widgets::TrayProgress(t.tray, -1, "x"), std::out_of_range);
}

TEST(TrayIcon, AnimationCyclesTheListOnlyWhenItHoldsIcons) {
    std::vector<Call> calls;
    TRxTrayIcon tray(nullptr, std::make_unique<CountingBackend>(&calls));
    tray.SetAnimated(true);
    EXPECT_FALSE(tray.Animated());
    widgets::LoadProgressFrames(tray.Icons());
    calls.clear();
    tray.SetAnimated(true);
    EXPECT_TRUE(tray.Animated());
    EXPECT_EQ(tray.FrameIndex(), 0);
    EXPECT_EQ(tray.ActiveIcon().cacheKey(), tray.Icons().Item(0).cacheKey());
    EXPECT_TRUE(tray.Added()); // the first frame is shown even though Icon is empty
    tray.Icons().Clear();
    EXPECT_FALSE(tray.Animated());
    EXPECT_FALSE(tray.Added());
}

TEST(IconList, ChangesCallBackOnceOrOncePerUpdate) {
    TIconList list;
    int changes = 0;
    list.SetOnChange([&] { ++changes; });
    const QIcon a(QPixmap(16, 16));
    const QIcon b(QPixmap(8, 8));
    list.Add(a);
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.Add(b);
    list.Add(a);
    list.Exchange(0, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.UpdateCount(), 1);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf(b), 0);

    TIconList copy;
    int copyChanges = 0;
    copy.SetOnChange([&] { ++copyChanges; });
    copy.Add(b);
    copyChanges = 0;
    copy.Assign(list);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Count(), 3);

    list.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(IconList, IndexedAccessMoveAndWriteAtTheEnd) {
    TIconList list;
    const QIcon a(QPixmap(16, 16));
    const QIcon b(QPixmap(8, 8));
    const QIcon c(QPixmap(4, 4));
    list.Add(a);
    list.Add(b);
    list.Insert(0, c);
    EXPECT_EQ(list.IndexOf(c), 0);
    list.Move(0, 2);
    EXPECT_EQ(list.IndexOf(a), 0);
    EXPECT_EQ(list.IndexOf(c), 2);
    list.SetItem(3, b); // writing entry Count appends
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Item(3).cacheKey(), b.cacheKey());
    list.Delete(1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_THROW(list.Item(3), std::out_of_range);
    EXPECT_THROW(list.Item(-1), std::out_of_range);
    EXPECT_THROW(list.SetItem(5, a), std::out_of_range);
    EXPECT_THROW(list.Delete(3), std::out_of_range);
    list.Assign(QIcon());
    EXPECT_TRUE(list.IsEmpty());
    list.Assign(a);
    EXPECT_EQ(list.Count(), 1);
    list.AddResource(":/no/such/icon.png");
    EXPECT_TRUE(list.Item(1).isNull());
}
