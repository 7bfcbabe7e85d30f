// The options page "　　設　定　　": five group boxes stacked top to bottom, each with its option controls, the
// labels left of their fields and the picker buttons at the right edge of their group.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/MainForm.h"
#include "app/PageBuilder.h"
#include "app/SettingsPage.h"
#include "app/SpinEdit.h"
#include "widgets/CoolBtn.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace app {

namespace {

using namespace build;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Column of the picker buttons inside a full-width group.
constexpr int kPickerX = 682 - kPickerWidth - 8;
// Tops of the two rows of a group, and of the rows of the taller save-options group.
constexpr int kRow1 = 20;
constexpr int kRow2 = 50;
constexpr int kFieldX = 90; // fields right of their labels

} // namespace

SettingsPage::SettingsPage(TForm1& form, QWidget* sheet) : TabSheet2(sheet), form_(form), options_(form.Options()) {
    Build();
    form_.OnClick(CoolBtn1, this, [this] { CoolBtn1Click(); });
    form_.OnClick(CoolBtn2, this, [this] { CoolBtn2Click(); });
    form_.OnClick(CoolBtn3, this, [this] { CoolBtn3Click(); });
    form_.OnClick(CoolBtn8, this, [this] { CoolBtn8Click(); });
    form_.OnClick(CoolBtn9, this, [this] { CoolBtn9Click(); });
    form_.OnClick(CoolBtn10, this, [this] { CoolBtn10Click(); });
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::Build() {
    QWidget* page = TabSheet2;
    auto caption = [this](const char* key) { return Q(options_.Descriptor(key).caption); };
    auto label = [&](QWidget* parent, const char* key, int x, int y) {
        return Label(parent, QStringLiteral("lbl") + QString::fromLatin1(key), caption(key), x, y);
    };

    QGroupBox* size = Group(page, "GroupBox1", "サイズの変更", 1, 0, 682, 84);
    label(size, keys::SizeMode, 12, kRow1);
    ComboBox1 = Combo(size, keys::SizeMode, kFieldX, kRow1, 120);
    label(size, keys::Width, 230, kRow1);
    SpinEdit1 = Spin(size, keys::Width, 250, kRow1, 70);
    label(size, keys::Height, 340, kRow1);
    SpinEdit2 = Spin(size, keys::Height, 360, kRow1, 70);
    CheckBox1 = Check(size, keys::KeepRatio, caption(keys::KeepRatio), kFieldX, kRow2);
    Check(size, keys::ByPercentage, caption(keys::ByPercentage), 230, kRow2);
    SpinEdit3 = Spin(size, keys::Percentage, 400, kRow2, 60);
    label(size, keys::Percentage, 464, kRow2);

    QGroupBox* overlay = Group(page, "GroupBox2", "画像の挿入", 1, 89, 682, 81);
    label(overlay, keys::OverlayImage, 12, kRow1);
    Edit7 = Edit(overlay, keys::OverlayImage, kFieldX, kRow1, 470);
    CoolBtn8 = PickerButton(overlay, "CoolBtn8", "画像の選択", kPickerX, kRow1 - 3);
    label(overlay, keys::OverlayPlace, 12, kRow2);
    ComboBox3 = Combo(overlay, keys::OverlayPlace, kFieldX, kRow2, 80);
    label(overlay, keys::OverlayTransparency, 200, kRow2);
    TrackBar2 = TrackBar(overlay, keys::OverlayTransparency, 255, kRow2 - 3, 200);
    Label23 = Label(overlay, "Label23", "0%", 462, kRow2);
    CoolBtn9 = PickerButton(overlay, "CoolBtn9", "透過色", kPickerX, kRow2 - 3);

    QGroupBox* text = Group(page, "GroupBox3", "文字の挿入", 1, 175, 682, 81);
    label(text, keys::CaptionText, 12, kRow1);
    Edit(text, keys::CaptionText, kFieldX, kRow1, 470);
    CoolBtn1 = PickerButton(text, "CoolBtn1", "フォントの選択", kPickerX, kRow1 - 3);
    label(text, keys::CaptionPlace, 12, kRow2);
    ComboBox2 = Combo(text, keys::CaptionPlace, kFieldX, kRow2, 80);
    Check(text, keys::CaptionFilled, caption(keys::CaptionFilled), 200, kRow2);
    CoolBtn3 = PickerButton(text, "CoolBtn3", "塗りつぶし色", kPickerX, kRow2 - 3);

    QGroupBox* corrections = Group(page, "GroupBox4", "補正", 1, 261, 682, 78);
    Check(corrections, keys::Sharpen, caption(keys::Sharpen), 12, kRow1);
    SpinEdit5 = Spin(corrections, keys::SharpenAmount, 120, kRow1, 60);
    label(corrections, keys::SharpenAmount, 184, kRow1);
    Check(corrections, keys::Blur, caption(keys::Blur), 270, kRow1);
    SpinEdit6 = Spin(corrections, keys::BlurAmount, 370, kRow1, 60);
    label(corrections, keys::BlurAmount, 434, kRow1);
    Check(corrections, keys::Antialias, caption(keys::Antialias), 12, kRow2 - 2);
    Check(corrections, keys::Greyscale, caption(keys::Greyscale), 270, kRow2 - 2);

    QGroupBox* save = Group(page, "GroupBox7", "保存オプション", 2, 345, 681, 127);
    Label(save, "Label6", caption(keys::OutputFormat), 12, 18);
    ComboBox4 = Combo(save, keys::OutputFormat, kFieldX, 18, 80);
    // The progressive and interlace switches share a place; the format shows at most one of them.
    CheckBox7 = Check(save, keys::Progressive, caption(keys::Progressive), 180, 18);
    CheckBox10 = Check(save, keys::Interlace, caption(keys::Interlace), 182, 18);
    CheckBox11 = Check(save, keys::Transparent, caption(keys::Transparent), 330, 18);
    CoolBtn10 = PickerButton(save, "CoolBtn10", "透過色", kPickerX, 15);
    Label8 = Label(save, "Label8", caption(keys::Quality), 12, 44);
    Label14 = Label(save, "Label14", "低", kFieldX, 44);
    TrackBar1 = TrackBar(save, keys::Quality, kFieldX + 16, 41, 200);
    Label15 = Label(save, "Label15", "高", kFieldX + 220, 44);
    Label11 = Label(save, "Label11", "100%", kFieldX + 240, 44);
    label(save, keys::OutputFolder, 12, 72);
    Edit2 = Edit(save, keys::OutputFolder, kFieldX, 72, 470);
    CoolBtn2 = PickerButton(save, "CoolBtn2", "フォルダの選択", kPickerX, 69);
    Check(save, keys::GeneratedNames, caption(keys::GeneratedNames), 12, 99);
    Label7 = Label(save, "Label7", caption(keys::Comment), 234, 99);
    Edit3 = Edit(save, keys::Comment, 300, 99, 248);

    // The transparent-colour switch and button of the output exist for settings files only.
    CheckBox11->setVisible(false);
    CoolBtn10->setVisible(false);
    CheckBox10->setVisible(false);
    // The percentage labels hold up to "100%".
    for (QLabel* percent : {Label11, Label23})
        percent->resize(percent->fontMetrics().horizontalAdvance("100%") + 4, percent->height());
}

} // namespace app
