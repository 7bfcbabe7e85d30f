#include "options/OptionTable.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string_view>
#include <tuple>

#include "options/OptionKeys.h"

namespace options {

namespace {

constexpr const char* kSettingsPage = "　　設　定　　";
constexpr const char* kRenamePage = "ファイル名変更";
constexpr const char* kOutputDialog = "出力の詳細設定";

class TableBuilder {
public:
    void Group(const char* page, const char* group) {
        page_ = page;
        group_ = group;
    }
    void Text(const char* key, const char* caption) { Add(key, OptionKind::Text, caption, std::string()); }
    void Folder(const char* key, const char* caption) {
        Add(key, OptionKind::Text, caption, std::string("Output")).startInProgramFolder = true;
    }
    void Choice(const char* key, const char* caption, const char* start, std::vector<std::string> items) {
        Add(key, OptionKind::Choice, caption, std::string(start)).items = std::move(items);
    }
    void Number(const char* key, const char* caption, std::int32_t start, std::int32_t minimum, std::int32_t maximum,
                bool captionAfter = false) {
        OptionDescriptor& d = Add(key, OptionKind::Number, caption, std::to_string(start));
        d.minimum = minimum;
        d.maximum = maximum;
        d.captionAfterField = captionAfter;
    }
    void Switch(const char* key, const char* caption, bool start) { Add(key, OptionKind::Switch, caption, start); }
    void Level(const char* key, const char* caption, int start) {
        OptionDescriptor& d = Add(key, OptionKind::Level, caption, start);
        d.minimum = 0;
        d.maximum = 100;
    }
    void Case(const char* key, const char* caption, bool start) { Add(key, OptionKind::CaseRule, caption, start); }
    // A choice of the output dialog, stored in [Output].
    void OutputChoice(const char* key, const char* caption, std::vector<std::string> items) {
        OptionDescriptor& d = Add(key, OptionKind::Choice, caption, items.front());
        d.items = std::move(items);
        d.section = "Output";
        d.writtenOnceChanged = true;
    }
    void Font(const char* key, const char* caption) { Add(key, OptionKind::Font, caption, TextFont{}); }
    void ColourOption(const char* key, const char* caption, options::Colour start) {
        Add(key, OptionKind::ColourValue, caption, start);
    }

    std::vector<OptionDescriptor> Take() { return std::move(table_); }

private:
    OptionDescriptor& Add(const char* key, OptionKind kind, const char* caption, OptionValue start) {
        OptionDescriptor d;
        d.key = key;
        d.kind = kind;
        d.page = page_;
        d.group = group_;
        d.caption = caption;
        d.startValue = std::move(start);
        table_.push_back(std::move(d));
        return table_.back();
    }

    const char* page_ = "";
    const char* group_ = "";
    std::vector<OptionDescriptor> table_;
};

std::vector<OptionDescriptor> BuildTable() {
    TableBuilder t;
    t.Group(kSettingsPage, "サイズの変更");
    t.Choice(keys::SizeMode, "サイズ変更：", "縮小時のみ有効",
             {"しない", "縮小時のみ有効", "拡大時のみ有効", "常に有効"});
    t.Number(keys::Width, "幅:", 200, 1, 5000);
    t.Number(keys::Height, "高:", 100, 1, 5000);
    t.Switch(keys::KeepRatio, "比率を保持(&K)", true);
    t.Switch(keys::ByPercentage, "パーセンテージ指定(&P)", false);
    t.Number(keys::Percentage, "%", 50, 1, 100, true);

    t.Group(kSettingsPage, "画像の挿入");
    t.Text(keys::OverlayImage, "画像：");
    t.Choice(keys::OverlayPlace, "挿入位置：", "右下", {"左上", "右上", "左下", "右下", "中央"});
    t.Level(keys::OverlayTransparency, "透明度：", 0);
    t.ColourOption(keys::OverlayKeyColour, "透過色", kTransparentStart);

    t.Group(kSettingsPage, "文字の挿入");
    t.Text(keys::CaptionText, "文字列：");
    t.Font(keys::CaptionFont, "フォントの選択");
    t.Choice(keys::CaptionPlace, "挿入位置：", "左上",
             {"なし", "左上", "中上", "右上", "左下", "中下", "右下", "縦左", "縦右"});
    t.Switch(keys::CaptionFilled, "文字のバックを塗りつぶす(&B)", false);
    t.ColourOption(keys::CaptionFillColour, "塗りつぶし色", kYellow);

    t.Group(kSettingsPage, "補正");
    t.Switch(keys::Sharpen, "シャープ(&S)", false);
    t.Number(keys::SharpenAmount, "(1～100)", 4, 1, 100, true);
    t.Switch(keys::Blur, "ぼかし(&D)", false);
    t.Number(keys::BlurAmount, "(1～20)", 5, 1, 20, true);
    t.Switch(keys::Antialias, "アンチエイリアス(&A)", false);
    t.Switch(keys::Greyscale, "グレースケール(&G)", false);

    t.Group(kSettingsPage, "保存オプション");
    // WEBP and AVIF come after the seven formats of the Windows version, which reads them as any other text.
    t.Choice(keys::OutputFormat, "形式：", "JPEG",
             {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24", "FPX", "PCX", "WEBP", "AVIF"});
    t.Switch(keys::Progressive, "プログレッシブ(&P)", false);
    t.Switch(keys::Interlace, "インターレース(&I)", false);
    t.Switch(keys::Transparent, "透過する(&T)", false);
    t.ColourOption(keys::TransparentColour, "透過色", kTransparentStart);
    t.Level(keys::Quality, "圧縮品質：", 100);
    t.Folder(keys::OutputFolder, "出力先：");
    t.Switch(keys::GeneratedNames, "ファイル名変更機能を使う(&C)", false);
    t.Text(keys::Comment, "コメント：");

    t.Group(kRenamePage, "設定");
    t.Text(keys::Prefix, "接頭辞：");
    t.Text(keys::Suffix, "接尾辞：");
    t.Number(keys::StartNumber, "開始番号：", 1, 0, 0);
    t.Number(keys::Digits, "桁数：", 4, 1, 99);
    t.Switch(keys::SortList, "リストのソート(&S)", false);
    t.Folder(keys::RenameFolder, "出力先：");

    t.Group(kRenamePage, "大文字・小文字変換");
    t.Case(keys::CaseKept, "しない(&N)", true);
    t.Case(keys::CaseLower, "小文字に変換(&L)", false);
    t.Case(keys::CaseUpper, "大文字に変換(&U)", false);

    t.Group(kOutputDialog, "出力するファイル");
    t.OutputChoice(keys::SameName, "同じ名前の出力(&N)：", {"番号を付ける", "上書きする", "フォルダー構成を保つ"});
    t.OutputChoice(keys::Existing, "既にあるファイル(&E)：", {"上書きする", "スキップする", "番号を付ける"});
    t.OutputChoice(keys::Metadata, "メタデータ(&M)：", {"残さない", "撮影情報を残す", "すべて残す"});
    return t.Take();
}

const std::vector<OptionDescriptor>& BaseTable() {
    static const std::vector<OptionDescriptor> table = BuildTable();
    return table;
}

const std::map<std::string, std::size_t, std::less<>>& IndexByKey() {
    static const std::map<std::string, std::size_t, std::less<>> index = [] {
        std::map<std::string, std::size_t, std::less<>> result;
        const auto& table = BaseTable();
        for (std::size_t i = 0; i < table.size(); ++i) {
            result.emplace(table[i].key, i);
        }
        return result;
    }();
    return index;
}

// Where a stored option goes in a settings file, from the table alone. The Windows version's controls come by
// kind, in the order its files list them, and by the number in their names (Edit1…Edit7, ComboBox1…4, …); the
// options of our own sections follow in table order.
constexpr const char* kSavedKinds[] = {"Edit",     "ComboBox",   "SpinEdit",   "CheckBox",
                                       "TrackBar", "FontDialog", "ColorDialog"};
constexpr int kOwnSection = int(std::size(kSavedKinds));

struct StoredPlace {
    int kind;   // index in kSavedKinds, or kOwnSection
    int number; // the number in the control's name, or the table index
};

StoredPlace PlaceOf(const OptionDescriptor& d, std::size_t tableIndex) {
    if (d.section == "Main") {
        for (int kind = 0; kind < kOwnSection; ++kind) {
            const std::string_view prefix = kSavedKinds[kind];
            if (d.key.size() > prefix.size() && std::string_view(d.key).substr(0, prefix.size()) == prefix)
                return {kind, std::stoi(d.key.substr(prefix.size()))};
        }
    }
    return {kOwnSection, int(tableIndex)};
}

// A save writes the stored options by place. A load reads the combos first, then the edits (the two output
// folders right after the first edit, the caption text), then the rest as a save writes them.
std::vector<std::string> StoredKeys(bool loadOrder) {
    struct Stored {
        std::string key;
        StoredPlace place;
        int loadGroup;
        int editRank;
    };
    std::vector<Stored> stored;
    const auto& table = BaseTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const OptionDescriptor& d = table[i];
        if (d.kind == OptionKind::CaseRule) continue; // the letter-case rule is not stored
        const StoredPlace place = PlaceOf(d, i);
        const bool edit = place.kind == 0, combo = place.kind == 1;
        const int editRank = !edit ? 0 : place.number == 1 ? 0 : d.startInProgramFolder ? 1 : 2;
        stored.push_back({d.key, place, combo ? 0 : edit ? 1 : 2, editRank});
    }
    std::stable_sort(stored.begin(), stored.end(), [](const Stored& a, const Stored& b) {
        return std::tie(a.place.kind, a.place.number) < std::tie(b.place.kind, b.place.number);
    });
    if (loadOrder)
        std::stable_sort(stored.begin(), stored.end(), [](const Stored& a, const Stored& b) {
            return std::tie(a.loadGroup, a.editRank) < std::tie(b.loadGroup, b.editRank);
        });
    std::vector<std::string> keys;
    for (const Stored& option : stored)
        keys.push_back(option.key);
    return keys;
}

} // namespace

const char* KindName(OptionKind kind) {
    switch (kind) {
    case OptionKind::Text:
        return "text";
    case OptionKind::Choice:
        return "choice";
    case OptionKind::Number:
        return "number";
    case OptionKind::Switch:
        return "switch";
    case OptionKind::Level:
        return "level";
    case OptionKind::CaseRule:
        return "case rule";
    case OptionKind::Font:
        return "font";
    case OptionKind::ColourValue:
        return "colour";
    }
    return "unknown";
}

std::vector<OptionDescriptor> OptionTable(std::string_view programFolder) {
    std::vector<OptionDescriptor> table = BaseTable();
    for (OptionDescriptor& d : table) {
        if (d.startInProgramFolder) {
            d.startValue = std::string(programFolder) + std::get<std::string>(d.startValue);
        }
    }
    return table;
}

const std::vector<std::string>& SettingsKeyOrder() {
    static const std::vector<std::string> keys = StoredKeys(false);
    return keys;
}

const std::vector<std::string>& SettingsLoadOrder() {
    static const std::vector<std::string> keys = StoredKeys(true);
    return keys;
}

std::size_t OptionIndex(std::string_view key) {
    const auto& index = IndexByKey();
    const auto found = index.find(key);
    if (found == index.end()) {
        throw std::invalid_argument("no option is named \"" + std::string(key) + "\"");
    }
    return found->second;
}

bool IsOptionKey(std::string_view key) {
    return IndexByKey().contains(key);
}

std::size_t OptionCount() {
    return BaseTable().size();
}

const OptionDescriptor& DescribeOption(std::string_view key) {
    return BaseTable()[OptionIndex(key)];
}

} // namespace options
