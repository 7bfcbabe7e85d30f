#include "options/OptionTable.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace options {

namespace {

constexpr const char* kSettingsPage = "　　設　定　　";
constexpr const char* kRenamePage = "ファイル名変更";

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
    void Number(const char* key, const char* caption, std::int32_t start, std::int32_t minimum,
                std::int32_t maximum, bool captionAfter = false) {
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
    void Case(const char* key, const char* caption, bool start) {
        Add(key, OptionKind::CaseRule, caption, start).saved = false;
    }
    void Font(const char* key, const char* caption) { Add(key, OptionKind::Font, caption, TextFont{}); }
    void ColourOption(const char* key, const char* caption, options::Colour start) {
        Add(key, OptionKind::Colour, caption, start);
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
    t.Choice("ComboBox1", "サイズ変更：", "縮小時のみ有効", {"しない", "縮小時のみ有効", "拡大時のみ有効", "常に有効"});
    t.Number("SpinEdit1", "幅:", 200, 1, 5000);
    t.Number("SpinEdit2", "高:", 100, 1, 5000);
    t.Switch("CheckBox1", "比率を保持(&K)", true);
    t.Switch("CheckBox2", "パーセンテージ指定(&P)", false);
    t.Number("SpinEdit3", "%", 50, 1, 100, true);

    t.Group(kSettingsPage, "画像の挿入");
    t.Text("Edit7", "画像：");
    t.Choice("ComboBox3", "挿入位置：", "右下", {"左上", "右上", "左下", "右下", "中央"});
    t.Level("TrackBar2", "透明度：", 0);
    t.ColourOption("ColorDialog2", "透過色", kTransparentStart);

    t.Group(kSettingsPage, "文字の挿入");
    t.Text("Edit1", "文字列：");
    t.Font("FontDialog1", "フォントの選択");
    t.Choice("ComboBox2", "挿入位置：", "左上",
             {"なし", "左上", "中上", "右上", "左下", "中下", "右下", "縦左", "縦右"});
    t.Switch("CheckBox8", "文字のバックを塗りつぶす(&B)", false);
    t.ColourOption("ColorDialog1", "塗りつぶし色", kYellow);

    t.Group(kSettingsPage, "補正");
    t.Switch("CheckBox3", "シャープ(&S)", false);
    t.Number("SpinEdit5", "(1～100)", 4, 1, 100, true);
    t.Switch("CheckBox4", "ぼかし(&D)", false);
    t.Number("SpinEdit6", "(1～20)", 5, 1, 20, true);
    t.Switch("CheckBox5", "アンチエイリアス(&A)", false);
    t.Switch("CheckBox6", "グレースケール(&G)", false);

    t.Group(kSettingsPage, "保存オプション");
    // WEBP and AVIF come after the seven formats of the Windows version, which reads them as any other text.
    t.Choice("ComboBox4", "形式：", "JPEG", {"JPEG", "BMP8", "BMP24", "PNG8", "PNG24", "FPX", "PCX", "WEBP", "AVIF"});
    t.Switch("CheckBox7", "プログレッシブ(&P)", false);
    t.Switch("CheckBox10", "インターレース(&I)", false);
    t.Switch("CheckBox11", "透過する(&T)", false);
    t.ColourOption("ColorDialog3", "透過色", kTransparentStart);
    t.Level("TrackBar1", "圧縮品質：", 100);
    t.Folder("Edit2", "出力先：");
    t.Switch("CheckBox12", "ファイル名変更機能を使う(&C)", false);
    t.Text("Edit3", "コメント：");

    t.Group(kRenamePage, "設定");
    t.Text("Edit4", "接頭辞：");
    t.Text("Edit5", "接尾辞：");
    t.Number("SpinEdit4", "開始番号：", 1, 0, 0);
    t.Number("SpinEdit7", "桁数：", 4, 1, 99);
    t.Switch("CheckBox9", "リストのソート(&S)", false);
    t.Folder("Edit6", "出力先：");

    t.Group(kRenamePage, "大文字・小文字変換");
    t.Case("RadioButton1", "しない(&N)", true);
    t.Case("RadioButton2", "小文字に変換(&L)", false);
    t.Case("RadioButton3", "大文字に変換(&U)", false);
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

std::vector<std::string> BuildSettingsKeyOrder() {
    std::vector<std::string> keys;
    auto numbered = [&keys](const char* stem, int count) {
        for (int i = 1; i <= count; ++i) {
            keys.push_back(stem + std::to_string(i));
        }
    };
    numbered("Edit", 7);
    numbered("ComboBox", 4);
    numbered("SpinEdit", 7);
    numbered("CheckBox", 12);
    numbered("TrackBar", 2);
    keys.emplace_back("FontDialog1");
    numbered("ColorDialog", 3);
    return keys;
}

}  // namespace

const char* KindName(OptionKind kind) {
    switch (kind) {
    case OptionKind::Text: return "text";
    case OptionKind::Choice: return "choice";
    case OptionKind::Number: return "number";
    case OptionKind::Switch: return "switch";
    case OptionKind::Level: return "level";
    case OptionKind::CaseRule: return "case rule";
    case OptionKind::Font: return "font";
    case OptionKind::Colour: return "colour";
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
    static const std::vector<std::string> keys = BuildSettingsKeyOrder();
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

bool IsOptionKey(std::string_view key) { return IndexByKey().contains(key); }

std::size_t OptionCount() { return BaseTable().size(); }

const OptionDescriptor& DescribeOption(std::string_view key) { return BaseTable()[OptionIndex(key)]; }

}  // namespace options
