// The option panel's rules: the switches that enable number fields, the percentage labels of the track bars,
// the controls each output format shows, and the pickers for the font, the colours, the overlay image and the
// output folders. The rules listen to the option set, so they follow a settings file as they follow a person.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSlider>

#include <array>
#include <cstring>

#include "app/MainForm.h"
#include "app/SpinEdit.h"
#include "sources/PathNames.h"
#include "options/OptionKeys.h"

namespace keys = options::keys;

namespace app {

namespace {

// Which format-dependent groups a format shows.
struct FormatRow {
    const char* format;
    bool quality;
    bool progressive;
    bool comment;
    bool interlace;
};

constexpr std::array<FormatRow, 9> kFormatRows{{
    {"JPEG", true, true, true, false},
    {"BMP8", false, false, false, false},
    {"BMP24", false, false, false, false},
    {"PNG8", false, false, true, true},
    {"PNG24", false, false, true, true},
    {"FPX", true, false, false, false},
    {"PCX", false, false, false, false},
    {"WEBP", true, false, false, false},
    {"AVIF", true, false, false, false},
}};

QString PercentText(int level) {
    return QString::number(level) + QLatin1Char('%');
}

} // namespace

void TForm1::SubscribeRules() {
    auto on = [this](const char* key, void (TForm1::*rule)()) {
        rules_.push_back(options_.Subscribe(key, [this, rule](const std::string&) { (this->*rule)(); }));
    };
    on(keys::ByPercentage, &TForm1::CheckBox2Click);
    on(keys::Sharpen, &TForm1::CheckBox3Click);
    on(keys::Blur, &TForm1::CheckBox4Click);
    on(keys::Quality, &TForm1::TrackBar1Change);
    on(keys::OverlayTransparency, &TForm1::TrackBar2Change);
    on(keys::OutputFormat, &TForm1::UpdateFormatControls);
    on(keys::SortList, &TForm1::CheckBox9Click);
    // The states the window is built with: the three switches off.
    CheckBox2Click();
    CheckBox3Click();
    CheckBox4Click();
    TrackBar1Change();
    TrackBar2Change();
}

void TForm1::SetSpinEnabled(TSpinEdit* spin, bool enabled) {
    spin->setEnabled(enabled);
    // Enabled fields have the window background, disabled ones the button face.
    spin->SetBackground(palette().color(QPalette::Active, enabled ? QPalette::Base : QPalette::Button));
}

void TForm1::CheckBox2Click() {
    const bool percentage = options_.Checked(keys::ByPercentage);
    SetSpinEnabled(SpinEdit3, percentage);
    SetSpinEnabled(SpinEdit1, !percentage);
    SetSpinEnabled(SpinEdit2, !percentage);
    CheckBox1->setEnabled(!percentage);
}

void TForm1::CheckBox3Click() {
    SetSpinEnabled(SpinEdit5, options_.Checked(keys::Sharpen));
}

void TForm1::CheckBox4Click() {
    SetSpinEnabled(SpinEdit6, options_.Checked(keys::Blur));
}

void TForm1::TrackBar1Change() {
    Label11->setText(PercentText(options_.Level(keys::Quality)));
}

void TForm1::TrackBar2Change() {
    Label23->setText(PercentText(options_.Level(keys::OverlayTransparency)));
}

void TForm1::UpdateFormatControls() {
    const std::string& format = options_.Text(keys::OutputFormat);
    for (const FormatRow& row : kFormatRows) {
        if (format != row.format) continue;
        for (QWidget* w :
             {static_cast<QWidget*>(Label8), static_cast<QWidget*>(Label14), static_cast<QWidget*>(Label15),
              static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(Label11)})
            w->setVisible(row.quality);
        CheckBox7->setVisible(row.progressive);
        Label7->setVisible(row.comment);
        Edit3->setVisible(row.comment);
        CheckBox10->setVisible(row.interlace);
        return;
    }
    // A text that is none of the formats leaves every control as it is.
}

void TForm1::CoolBtn1Click() {
    if (auto font = dialogs_->PickFont(this, options_.Font())) options_.SetFont(*font);
}

void TForm1::PickColourInto(const char* key) {
    if (auto colour = dialogs_->PickColour(this, options_.ColourOf(key))) options_.SetColour(key, *colour);
}

void TForm1::CoolBtn3Click() {
    PickColourInto(keys::CaptionFillColour);
}
void TForm1::CoolBtn9Click() {
    PickColourInto(keys::OverlayKeyColour);
}
void TForm1::CoolBtn10Click() {
    PickColourInto(keys::TransparentColour);
}

void TForm1::CoolBtn8Click() {
    FileDialogRequest request{"画像の選択 (Shiftキーを押しながら複数画像の選択もできます)", PictureFilters(), false,
                              ""};
    const std::vector<std::string> chosen = dialogs_->OpenPictures(this, request);
    if (!chosen.empty()) options_.SetText(keys::OverlayImage, chosen.front());
}

void TForm1::PickFolderInto(const char* key) {
    if (auto folder = dialogs_->PickFolder(this, "出力先フォルダを選択してください", options_.Text(key)))
        options_.SetText(key, *folder);
}

void TForm1::CoolBtn2Click() {
    PickFolderInto(keys::OutputFolder);
}
void TForm1::CoolBtn7Click() {
    PickFolderInto(keys::RenameFolder);
}

const std::vector<FileFilter>& TForm1::PictureFilters() {
    static const std::vector<FileFilter> filters{
        {"すべての画像ファイル (*.jpg;*.jpeg;*.bmp;*.png;*.pcx;*.fpx;*.heic;*.heif;*.avif;*.webp;*.jxl)",
         "*.jpg;*.jpeg;*.bmp;*.png;*.pcx;*.fpx;*.heic;*.heif;*.avif;*.webp;*.jxl"},
        {"JPEG イメージファイル (*.jpg)", "*.jpg"},
        {"JPEG イメージファイル (*.jpeg)", "*.jpeg"},
        {"ビットマップ (*.bmp)", "*.bmp"},
        {"PNG イメージファイル (*.png)", "*.png"},
        {"PCX イメージファイル (*.pcx)", "*.pcx"},
        {"FPX イメージファイル (*.fpx)", "*.fpx"},
        {"HEIF イメージファイル (*.heic;*.heif)", "*.heic;*.heif"},
        {"AVIF イメージファイル (*.avif)", "*.avif"},
        {"WebP イメージファイル (*.webp)", "*.webp"},
        {"JPEG XL イメージファイル (*.jxl)", "*.jxl"},
    };
    return filters;
}

} // namespace app
