// The settings page's rules: the switches that enable number fields, the percentage labels of the track bars,
// the controls each output format shows, and the pickers for the font, the colours, the overlay image and the
// output folder. The rules listen to the option set, so they follow a settings file as they follow a person.
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
#include "app/SettingsPage.h"
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

void SettingsPage::SubscribeRules() {
    auto on = [this](const char* key, void (SettingsPage::*rule)()) {
        rules_.push_back(options_.Subscribe(key, [this, rule](const std::string&) { (this->*rule)(); }));
    };
    on(keys::ByPercentage, &SettingsPage::CheckBox2Click);
    on(keys::Sharpen, &SettingsPage::CheckBox3Click);
    on(keys::Blur, &SettingsPage::CheckBox4Click);
    on(keys::Quality, &SettingsPage::TrackBar1Change);
    on(keys::OverlayTransparency, &SettingsPage::TrackBar2Change);
    on(keys::OutputFormat, &SettingsPage::UpdateFormatControls);
    // The states the window is built with: the three switches off.
    CheckBox2Click();
    CheckBox3Click();
    CheckBox4Click();
    TrackBar1Change();
    TrackBar2Change();
}

void SettingsPage::Hold(bool running) {
    TabSheet2->setEnabled(!running);
}

void SettingsPage::SetSpinEnabled(TSpinEdit* spin, bool enabled) {
    spin->setEnabled(enabled);
    // Enabled fields have the window background, disabled ones the button face.
    spin->SetBackground(form_.palette().color(QPalette::Active, enabled ? QPalette::Base : QPalette::Button));
}

void SettingsPage::CheckBox2Click() {
    const bool percentage = options_.Checked(keys::ByPercentage);
    SetSpinEnabled(SpinEdit3, percentage);
    SetSpinEnabled(SpinEdit1, !percentage);
    SetSpinEnabled(SpinEdit2, !percentage);
    CheckBox1->setEnabled(!percentage);
}

void SettingsPage::CheckBox3Click() {
    SetSpinEnabled(SpinEdit5, options_.Checked(keys::Sharpen));
}

void SettingsPage::CheckBox4Click() {
    SetSpinEnabled(SpinEdit6, options_.Checked(keys::Blur));
}

void SettingsPage::TrackBar1Change() {
    Label11->setText(PercentText(options_.Level(keys::Quality)));
}

void SettingsPage::TrackBar2Change() {
    Label23->setText(PercentText(options_.Level(keys::OverlayTransparency)));
}

void SettingsPage::UpdateFormatControls() {
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

void SettingsPage::CoolBtn1Click() {
    if (auto font = form_.Dialogs().PickFont(&form_, options_.Font())) options_.SetFont(*font);
}

void SettingsPage::PickColourInto(const char* key) {
    if (auto colour = form_.Dialogs().PickColour(&form_, options_.ColourOf(key))) options_.SetColour(key, *colour);
}

void SettingsPage::CoolBtn3Click() {
    PickColourInto(keys::CaptionFillColour);
}
void SettingsPage::CoolBtn9Click() {
    PickColourInto(keys::OverlayKeyColour);
}
void SettingsPage::CoolBtn10Click() {
    PickColourInto(keys::TransparentColour);
}

void SettingsPage::CoolBtn8Click() {
    const std::vector<std::string> chosen = form_.Dialogs().OpenPictures(&form_, PictureRequest(false));
    if (!chosen.empty()) options_.SetText(keys::OverlayImage, chosen.front());
}

void SettingsPage::CoolBtn2Click() {
    PickFolderInto(form_.Dialogs(), &form_, options_, keys::OutputFolder);
}

} // namespace app
