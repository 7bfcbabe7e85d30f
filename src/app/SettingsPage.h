#pragma once
// The options page "　　設　定　　" (TabSheet2): the size, overlay, caption, corrections and save options, with the
// rules that enable fields, show the percentages and choose the controls of the output format, and the pickers
// for the font, the colours, the overlay image and the output folder. SettingsPage.cpp builds the page,
// OptionPanel.cpp holds its rules and pickers. The rules listen to the option set, so they follow a settings
// file as they follow a person.
#include <vector>

#include <QObject>

#include "options/OptionSet.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace widgets {
class TCoolBtn;
}

namespace app {

class TForm1;
class TSpinEdit;

class SettingsPage : public QObject {
public:
    // Builds the page's controls on `sheet` (TabSheet2, in the page control already) and connects the pickers to their
    // handlers.
    SettingsPage(TForm1& form, QWidget* sheet);
    ~SettingsPage() override;

    // Starts the rules (once the option controls are bound) and gives the controls their first states.
    void SubscribeRules();
    // The options are taken at the start of a run: the page waits for its end.
    void Hold(bool running);

    // Handlers (public so tests can call them as the controls do).
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void TrackBar1Change();
    void TrackBar2Change();
    void UpdateFormatControls();
    void CoolBtn1Click();
    void CoolBtn2Click();
    void CoolBtn3Click();
    void CoolBtn8Click();
    void CoolBtn9Click();
    void CoolBtn10Click();

    // Controls, by their designer names.
    QWidget* TabSheet2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    TSpinEdit* SpinEdit1 = nullptr;
    TSpinEdit* SpinEdit2 = nullptr;
    TSpinEdit* SpinEdit3 = nullptr;
    TSpinEdit* SpinEdit5 = nullptr;
    TSpinEdit* SpinEdit6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox10 = nullptr;
    QCheckBox* CheckBox11 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLabel* Label7 = nullptr;  // "コメント："
    QLabel* Label8 = nullptr;  // "圧縮品質："
    QLabel* Label11 = nullptr; // TrackBar1's percentage
    QLabel* Label14 = nullptr; // "低"
    QLabel* Label15 = nullptr; // "高"
    QLabel* Label23 = nullptr; // TrackBar2's percentage
    widgets::TCoolBtn* CoolBtn1 = nullptr;
    widgets::TCoolBtn* CoolBtn2 = nullptr;
    widgets::TCoolBtn* CoolBtn3 = nullptr;
    widgets::TCoolBtn* CoolBtn8 = nullptr;
    widgets::TCoolBtn* CoolBtn9 = nullptr;
    widgets::TCoolBtn* CoolBtn10 = nullptr;

private:
    void Build();
    void SetSpinEnabled(TSpinEdit* spin, bool enabled);
    void PickColourInto(const char* key);

    TForm1& form_;
    options::OptionSet& options_;
    std::vector<options::Subscription> rules_;
};

} // namespace app
