#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "options/OptionSet.h"

namespace {

using options::OptionKind;

std::vector<std::string> Numbered(const std::string& stem, int count) {
    std::vector<std::string> keys;
    for (int i = 1; i <= count; ++i) {
        keys.push_back(stem + std::to_string(i));
    }
    return keys;
}

// The options of 「出力の詳細設定」, beyond the pages', stored in [Output].
const std::set<std::string> kOutputKeys = {"SameName", "Existing", "Metadata"};

OptionKind KindOfStem(const std::string& key) {
    static const std::map<std::string, OptionKind> kinds = {
        {"ComboBox", OptionKind::Choice}, {"Edit", OptionKind::Text},
        {"SpinEdit", OptionKind::Number}, {"CheckBox", OptionKind::Switch},
        {"TrackBar", OptionKind::Level},  {"RadioButton", OptionKind::CaseRule},
        {"FontDialog", OptionKind::Font}, {"ColorDialog", OptionKind::ColourValue},
    };
    if (kOutputKeys.count(key)) return OptionKind::Choice; // the output dialog's
    const std::string stem = key.substr(0, key.find_first_of("0123456789"));
    return kinds.at(stem);
}

TEST(OptionTable, HoldsEveryOptionOnceWithTheKindOfItsControl) {
    std::multiset<std::string> expected;
    for (const auto& [stem, count] : std::vector<std::pair<std::string, int>>{{"ComboBox", 4},
                                                                              {"Edit", 7},
                                                                              {"SpinEdit", 7},
                                                                              {"CheckBox", 12},
                                                                              {"TrackBar", 2},
                                                                              {"RadioButton", 3},
                                                                              {"FontDialog", 1},
                                                                              {"ColorDialog", 3}}) {
        for (const std::string& key : Numbered(stem, count)) {
            expected.insert(key);
        }
    }
    expected.insert(kOutputKeys.begin(), kOutputKeys.end());
    const auto table = options::OptionTable("/opt/kelvo/");
    std::multiset<std::string> actual;
    for (const auto& d : table) {
        actual.insert(d.key);
        EXPECT_EQ(d.kind, KindOfStem(d.key)) << d.key;
        EXPECT_FALSE(d.caption.empty()) << d.key;
        EXPECT_FALSE(d.group.empty()) << d.key;
        EXPECT_EQ(options::OptionIndex(d.key), static_cast<std::size_t>(&d - table.data()));
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(options::OptionCount(), expected.size());
}

TEST(OptionTable, FollowsThePageOrder) {
    const auto table = options::OptionTable("/p/");
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table.front().key, "ComboBox1");
    EXPECT_EQ(table.front().group, "サイズの変更");
    EXPECT_EQ(table.front().page, "　　設　定　　");
    // The pages' options end with the rename page's; the output dialog's follow, stored in their own section.
    const std::size_t last = options::OptionIndex("RadioButton3");
    EXPECT_EQ(table[last].page, "ファイル名変更");
    ASSERT_EQ(table.size(), last + 4);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].section, i > last ? "Output" : "Main") << table[i].key;
        EXPECT_EQ(table[i].writtenOnceChanged, i > last) << table[i].key;
    }
    // The save-options group runs from the format combo to the comment.
    EXPECT_EQ(options::OptionIndex("Edit3") - options::OptionIndex("ComboBox4"), 8u);
    EXPECT_EQ(options::DescribeOption("TrackBar1").group, "保存オプション");
    EXPECT_EQ(options::DescribeOption("SpinEdit3").caption, "%");
    EXPECT_TRUE(options::DescribeOption("SpinEdit3").captionAfterField);
    EXPECT_FALSE(options::DescribeOption("SpinEdit1").captionAfterField);
}

TEST(OptionTable, NumberRangesAndLevelRanges) {
    const std::map<std::string, std::pair<int, int>> ranges = {
        {"SpinEdit1", {1, 5000}}, {"SpinEdit2", {1, 5000}}, {"SpinEdit3", {1, 100}},
        {"SpinEdit4", {0, 0}},    {"SpinEdit5", {1, 100}},  {"SpinEdit6", {1, 20}},
        {"SpinEdit7", {1, 99}},   {"TrackBar1", {0, 100}},  {"TrackBar2", {0, 100}},
    };
    std::size_t seen = 0;
    for (const auto& d : options::OptionTable("/")) {
        if (d.kind == OptionKind::Number || d.kind == OptionKind::Level) {
            ++seen;
            const auto& [minimum, maximum] = ranges.at(d.key);
            EXPECT_EQ(d.minimum, minimum) << d.key;
            EXPECT_EQ(d.maximum, maximum) << d.key;
        }
    }
    EXPECT_EQ(seen, ranges.size());
}

TEST(OptionTable, ChoiceItemsAreTheExactLists) {
    const std::map<std::string, std::vector<std::string>> items = {
        {"ComboBox1", {"しない", "縮小時のみ有効", "拡大時のみ有効", "常に有効"}},
        {"ComboBox2", {"なし", "左上", "中上", "右上", "左下", "中下", "右下", "縦左", "縦右"}},
        {"ComboBox3", {"左上", "右上", "左下", "右下", "中央"}},
        {"ComboBox4", {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24", "FPX", "PCX", "WEBP", "AVIF"}},
        {"SameName", {"番号を付ける", "上書きする", "フォルダー構成を保つ"}},
        {"Existing", {"上書きする", "スキップする", "番号を付ける"}},
        {"Metadata", {"残さない", "撮影情報を残す", "すべて残す"}},
    };
    for (const auto& d : options::OptionTable("/")) {
        if (d.kind == OptionKind::Choice) {
            EXPECT_EQ(d.items, items.at(d.key)) << d.key;
            // Every combo starts on one of its own items.
            const auto& start = std::get<std::string>(d.startValue);
            EXPECT_NE(std::find(d.items.begin(), d.items.end(), start), d.items.end()) << d.key;
        } else {
            EXPECT_TRUE(d.items.empty()) << d.key;
        }
    }
}

TEST(OptionTable, SettingsOrderListsEverySavedOptionOnce) {
    const auto& order = options::SettingsKeyOrder();
    std::vector<std::string> expected;
    for (const auto& [stem, count] : std::vector<std::pair<std::string, int>>{{"Edit", 7},
                                                                              {"ComboBox", 4},
                                                                              {"SpinEdit", 7},
                                                                              {"CheckBox", 12},
                                                                              {"TrackBar", 2},
                                                                              {"FontDialog", 1},
                                                                              {"ColorDialog", 3}}) {
        for (const std::string& key : Numbered(stem, count)) {
            expected.push_back(key);
        }
    }
    expected.insert(expected.end(), {"SameName", "Existing", "Metadata"});
    EXPECT_EQ(order, expected);
    std::size_t saved = 0;
    for (const auto& d : options::OptionTable("/")) {
        saved += d.kind != OptionKind::CaseRule ? 1 : 0;
    }
    EXPECT_EQ(order.size(), saved);
}

TEST(OptionTable, UnknownKeysAreRefused) {
    EXPECT_FALSE(options::IsOptionKey("CheckBox13"));
    EXPECT_FALSE(options::IsOptionKey("edit1")); // keys are exact
    EXPECT_FALSE(options::IsOptionKey(""));
    EXPECT_TRUE(options::IsOptionKey("CheckBox11"));
    EXPECT_THROW(options::OptionIndex("SpinEdit8"), std::invalid_argument);
}

} // namespace
