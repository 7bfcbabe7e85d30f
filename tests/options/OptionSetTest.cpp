#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "options/OptionSet.h"

namespace {

using options::CaseRule;
using options::OptionKind;
using options::OptionSet;

constexpr const char* kFolder = "/opt/kelvo/";

// Records every notification as "key" in order.
struct Recorder {
    std::vector<std::string> keys;
    options::ChangeListener Listener() {
        return [this](const std::string& key) { keys.push_back(key); };
    }
};

TEST(OptionSetStart, EveryOptionStartsAtItsTableValue) {
    OptionSet set(kFolder);
    for (const auto& d : set.Descriptors()) {
        EXPECT_EQ(set.Value(d.key), d.startValue) << d.key;
    }
    EXPECT_EQ(set.Snapshot(), set.StartValues());
}

TEST(OptionSetStart, StartValues) {
    OptionSet set(kFolder);
    EXPECT_EQ(set.Text("ComboBox1"), "縮小時のみ有効");
    EXPECT_EQ(set.Text("ComboBox2"), "左上");
    EXPECT_EQ(set.Text("ComboBox3"), "右下");
    EXPECT_EQ(set.Text("ComboBox4"), "JPEG");

    const std::vector<std::int32_t> spins = {200, 100, 50, 1, 4, 5, 4};
    for (int i = 1; i <= 7; ++i) {
        const std::string key = "SpinEdit" + std::to_string(i);
        EXPECT_EQ(set.SpinValue(key), spins[i - 1]) << key;
        EXPECT_EQ(set.SpinText(key), std::to_string(spins[i - 1])) << key;
    }
    for (int i = 1; i <= 12; ++i) {
        const std::string key = "CheckBox" + std::to_string(i);
        EXPECT_EQ(set.Checked(key), i == 1) << key;
    }
    for (int i = 1; i <= 7; ++i) {
        const std::string key = "Edit" + std::to_string(i);
        EXPECT_EQ(set.Text(key), (i == 2 || i == 6) ? "/opt/kelvo/Output" : "") << key;
    }
    EXPECT_EQ(set.Level("TrackBar1"), 100);
    EXPECT_EQ(set.Level("TrackBar2"), 0);
    EXPECT_EQ(set.ColourOf("ColorDialog1"), 0x0000FFFFu);
    EXPECT_EQ(set.ColourOf("ColorDialog2"), 0x00010000u);
    EXPECT_EQ(set.ColourOf("ColorDialog3"), 0x00010000u);
    EXPECT_EQ(set.SelectedCase(), CaseRule::Keep);
    EXPECT_TRUE(set.Checked("RadioButton1"));
    EXPECT_FALSE(set.Checked("RadioButton2"));
    EXPECT_FALSE(set.Checked("RadioButton3"));

    const options::TextFont& font = set.Font();
    EXPECT_EQ(font.name, "ＭＳ Ｐゴシック");
    EXPECT_EQ(font.size, 9);
    EXPECT_EQ(font.style, 0);
    EXPECT_EQ(font.colour, 0u);
    EXPECT_EQ(font.pitch, options::FontPitch::Default);
    EXPECT_EQ(font.charset, 0);
}

TEST(OptionSetStart, OutputFoldersFollowTheProgramFolder) {
    OptionSet set("/home/a b/kelvo/");
    EXPECT_EQ(set.Text("Edit2"), "/home/a b/kelvo/Output");
    EXPECT_EQ(set.Text("Edit6"), "/home/a b/kelvo/Output");
    EXPECT_EQ(std::get<std::string>(set.Descriptor("Edit2").startValue), "/home/a b/kelvo/Output");
    // A folder given without its separator still gives a folder inside it, not a sibling name.
    OptionSet bare("/opt/kelvo");
    EXPECT_EQ(bare.ProgramFolder(), "/opt/kelvo/");
    EXPECT_EQ(bare.Text("Edit6"), "/opt/kelvo/Output");
}

TEST(OptionSetSpin, InvalidTextYieldsTheMinimumAndIsKeptOnLeave) {
    OptionSet set(kFolder);
    set.SetSpinText("SpinEdit1", "abc");
    EXPECT_EQ(set.SpinValue("SpinEdit1"), 1);
    set.LeaveSpin("SpinEdit1");
    EXPECT_EQ(set.SpinText("SpinEdit1"), "abc");

    set.SetSpinText("SpinEdit3", "");
    EXPECT_EQ(set.SpinValue("SpinEdit3"), 1);
    set.LeaveSpin("SpinEdit3");
    EXPECT_EQ(set.SpinText("SpinEdit3"), "");

    set.SetSpinText("SpinEdit6", "2.5"); // the separator can be typed but does not make an integer
    EXPECT_EQ(set.SpinValue("SpinEdit6"), 1);

    set.SetSpinText("SpinEdit4", "abc");
    EXPECT_EQ(set.SpinValue("SpinEdit4"), 0);
    set.LeaveSpin("SpinEdit4");
    EXPECT_EQ(set.SpinText("SpinEdit4"), "abc");
}

TEST(OptionSetSpin, SettingAValueWritesTheRangeCheckedText) {
    OptionSet set(kFolder);
    set.SetSpinValue("SpinEdit1", 9999);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "5000");
    EXPECT_EQ(set.SpinValue("SpinEdit1"), 5000);
    set.SetSpinValue("SpinEdit3", 0);
    EXPECT_EQ(set.SpinText("SpinEdit3"), "1");
    EXPECT_EQ(set.SpinValue("SpinEdit3"), 1);
    set.SetSpinValue("SpinEdit7", -3);
    EXPECT_EQ(set.SpinText("SpinEdit7"), "1");
    set.SetSpinValue("SpinEdit6", 21);
    EXPECT_EQ(set.SpinText("SpinEdit6"), "20");
    set.SetSpinValue("SpinEdit2", std::int64_t{1} << 40);
    EXPECT_EQ(set.SpinText("SpinEdit2"), "5000");
    set.SetSpinValue("SpinEdit5", 37);
    EXPECT_EQ(set.SpinText("SpinEdit5"), "37");
}

TEST(OptionSetSpin, TypedValueIsUncheckedUntilTheFieldIsLeft) {
    OptionSet set(kFolder);
    set.SetSpinText("SpinEdit1", "9999");
    EXPECT_EQ(set.SpinValue("SpinEdit1"), 9999);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "9999");
    set.LeaveSpin("SpinEdit1");
    EXPECT_EQ(set.SpinText("SpinEdit1"), "5000");
    EXPECT_EQ(set.SpinValue("SpinEdit1"), 5000);

    set.SetSpinText("SpinEdit3", "0");
    set.LeaveSpin("SpinEdit3");
    EXPECT_EQ(set.SpinText("SpinEdit3"), "1");

    // A value inside the range keeps its text as typed.
    set.SetSpinText("SpinEdit2", "+0300");
    set.LeaveSpin("SpinEdit2");
    EXPECT_EQ(set.SpinText("SpinEdit2"), "+0300");
    EXPECT_EQ(set.SpinValue("SpinEdit2"), 300);
}

TEST(OptionSetSpin, UnboundedFieldAcceptsAnyValue) {
    OptionSet set(kFolder);
    EXPECT_EQ(set.SpinMinimum("SpinEdit4"), 0);
    EXPECT_EQ(set.SpinMaximum("SpinEdit4"), 0);
    for (std::int32_t value : {0, -7, 123456, std::numeric_limits<std::int32_t>::min()}) {
        set.SetSpinValue("SpinEdit4", value);
        EXPECT_EQ(set.SpinValue("SpinEdit4"), value);
        EXPECT_EQ(set.SpinText("SpinEdit4"), std::to_string(value));
        set.SetSpinText("SpinEdit4", std::to_string(value));
        set.LeaveSpin("SpinEdit4");
        EXPECT_EQ(set.SpinText("SpinEdit4"), std::to_string(value));
    }
}

TEST(OptionSetSpin, StepsStopAtTheLimits) {
    OptionSet set(kFolder);
    set.SetSpinValue("SpinEdit1", 5000);
    set.StepSpin("SpinEdit1", +1);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "5000");
    set.StepSpin("SpinEdit1", -1);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "4999");

    set.SetSpinValue("SpinEdit7", 1);
    set.StepSpin("SpinEdit7", -1);
    EXPECT_EQ(set.SpinText("SpinEdit7"), "1");

    // Stepping from typed text works on its unchecked value, then range-checks.
    set.SetSpinText("SpinEdit1", "9999");
    set.StepSpin("SpinEdit1", -1);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "5000");
    set.SetSpinText("SpinEdit1", "abc");
    set.StepSpin("SpinEdit1", +1);
    EXPECT_EQ(set.SpinText("SpinEdit1"), "2");

    set.SetSpinValue("SpinEdit4", 0);
    set.StepSpin("SpinEdit4", -1);
    EXPECT_EQ(set.SpinText("SpinEdit4"), "-1");
    // At the end of the 32-bit range an unbounded field stays put instead of wrapping round.
    set.SetSpinValue("SpinEdit4", std::numeric_limits<std::int32_t>::max());
    set.StepSpin("SpinEdit4", +1);
    EXPECT_EQ(set.SpinValue("SpinEdit4"), std::numeric_limits<std::int32_t>::max());
}

TEST(OptionSetChoice, TextIsFreeAndCaseSensitive) {
    OptionSet set(kFolder);
    set.SetText("ComboBox4", "jpeg");
    EXPECT_EQ(set.Text("ComboBox4"), "jpeg");
    set.SetText("ComboBox4", "");
    EXPECT_EQ(set.Text("ComboBox4"), "");
    set.SetText("ComboBox2", "  縦右 ");
    EXPECT_EQ(set.Text("ComboBox2"), "  縦右 ");
    EXPECT_EQ(set.Items("ComboBox4").front(), "JPEG");
    EXPECT_EQ(set.Items("ComboBox4").size(), 9u); // the seven formats, then WEBP and AVIF
    set.SetText("Edit1", "Ünïcode テキスト");
    EXPECT_EQ(set.Text("Edit1"), "Ünïcode テキスト");
}

TEST(OptionSetLevel, ClampsToZeroToHundred) {
    OptionSet set(kFolder);
    set.SetLevel("TrackBar2", -5);
    EXPECT_EQ(set.Level("TrackBar2"), 0);
    set.SetLevel("TrackBar1", 150);
    EXPECT_EQ(set.Level("TrackBar1"), 100);
    set.SetLevel("TrackBar1", 37);
    EXPECT_EQ(set.Level("TrackBar1"), 37);
    set.SetLevel("TrackBar2", std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(set.Level("TrackBar2"), 100);
}

TEST(OptionSetCase, ExactlyOneRadioButtonIsSelected) {
    OptionSet set(kFolder);
    auto selected = [&set] {
        return std::vector<bool>{set.Checked("RadioButton1"), set.Checked("RadioButton2"), set.Checked("RadioButton3")};
    };
    set.SetChecked("RadioButton3", true);
    EXPECT_EQ(selected(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(set.SelectedCase(), CaseRule::Upper);
    set.SetChecked("RadioButton3", false); // cannot leave none selected
    EXPECT_EQ(selected(), (std::vector<bool>{false, false, true}));
    set.SetCaseRule(CaseRule::Lower);
    EXPECT_EQ(selected(), (std::vector<bool>{false, true, false}));
    set.SetChecked("RadioButton1", true);
    EXPECT_EQ(selected(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(set.SelectedCase(), CaseRule::Keep);
}

TEST(OptionSetFontAndColour, StoreWhatIsGiven) {
    OptionSet set(kFolder);
    options::TextFont font;
    font.name = "IPAPGothic";
    font.size = 14;
    font.style = options::kFontBold | options::kFontStrikeOut | 0xF0; // bits beyond the four styles are dropped
    font.colour = options::MakeColour(0x12, 0x34, 0x56);
    font.pitch = options::FontPitch::Fixed;
    font.charset = 128;
    set.SetFont(font);
    EXPECT_EQ(set.Font().style, options::kFontBold | options::kFontStrikeOut);
    EXPECT_TRUE(set.Font().Has(options::kFontStrikeOut));
    EXPECT_FALSE(set.Font().Has(options::kFontItalic));
    EXPECT_EQ(set.Font().name, "IPAPGothic");
    EXPECT_EQ(set.Font().colour, 0x00563412u);
    EXPECT_EQ(set.Font().charset, 128);

    set.SetColour("ColorDialog3", options::kButtonFaceColour);
    EXPECT_EQ(set.ColourOf("ColorDialog3"), 0x8000000Fu);
    EXPECT_EQ(set.ColourOf("ColorDialog2"), options::kTransparentStart);
}

TEST(OptionSetErrors, WrongKindsAndUnknownKeysThrow) {
    OptionSet set(kFolder);
    EXPECT_THROW(set.SpinValue("Edit1"), std::invalid_argument);
    EXPECT_THROW(set.SetText("SpinEdit1", "5"), std::invalid_argument);
    EXPECT_THROW(set.SetChecked("TrackBar1", true), std::invalid_argument);
    EXPECT_THROW(set.Level("CheckBox1"), std::invalid_argument);
    EXPECT_THROW(set.Items("Edit1"), std::invalid_argument);
    EXPECT_THROW(set.ColourOf("FontDialog1"), std::invalid_argument);
    EXPECT_THROW(set.Text("Edit8"), std::invalid_argument);
    EXPECT_THROW((void)set.Subscribe("Nope", [](const std::string&) {}), std::invalid_argument);
    EXPECT_THROW((void)set.SubscribeAll(nullptr), std::invalid_argument);
    // Nothing changed on the way.
    EXPECT_EQ(set.Snapshot(), set.StartValues());
}

TEST(OptionSetNotify, FiresOncePerActualChangeWithTheKey) {
    OptionSet set(kFolder);
    Recorder all;
    Recorder spin;
    auto allSub = set.SubscribeAll(all.Listener());
    auto spinSub = set.Subscribe("SpinEdit1", spin.Listener());

    set.SetSpinValue("SpinEdit1", 200); // same text: nothing
    set.SetText("ComboBox4", "JPEG");
    set.SetChecked("CheckBox1", true);
    set.SetLevel("TrackBar1", 500); // clamps to the value it has
    set.SetColour("ColorDialog1", options::kYellow);
    set.SetFont(set.Font());
    set.SetCaseRule(CaseRule::Keep);
    set.LeaveSpin("SpinEdit1");
    EXPECT_TRUE(all.keys.empty());

    set.SetSpinValue("SpinEdit1", 9999);
    set.SetSpinValue("SpinEdit1", 6000); // also 5000
    set.SetSpinText("SpinEdit1", "9999");
    set.LeaveSpin("SpinEdit1");
    set.SetChecked("CheckBox2", true);
    set.SetLevel("TrackBar2", -5); // 0 already
    set.SetLevel("TrackBar2", 30);
    set.SetColour("ColorDialog2", 0);
    EXPECT_EQ(all.keys, (std::vector<std::string>{"SpinEdit1", "SpinEdit1", "SpinEdit1", "CheckBox2", "TrackBar2",
                                                  "ColorDialog2"}));
    EXPECT_EQ(spin.keys, (std::vector<std::string>{"SpinEdit1", "SpinEdit1", "SpinEdit1"}));
}

TEST(OptionSetNotify, ListenersSeeTheNewValue) {
    OptionSet set(kFolder);
    std::vector<bool> seen;
    auto sub = set.Subscribe("CheckBox3", [&](const std::string& key) { seen.push_back(set.Checked(key)); });
    set.SetChecked("CheckBox3", true);
    set.SetChecked("CheckBox3", false);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST(OptionSetNotify, RadioSelectionNotifiesBothChangedButtonsAfterTheChange) {
    OptionSet set(kFolder);
    std::vector<std::string> events;
    auto sub = set.SubscribeAll([&](const std::string& key) {
        events.push_back(key + (set.Checked(key) ? "=1" : "=0") + " case " +
                         std::to_string(static_cast<int>(set.SelectedCase())));
    });
    set.SetChecked("RadioButton2", true);
    EXPECT_EQ(events, (std::vector<std::string>{"RadioButton1=0 case 1", "RadioButton2=1 case 1"}));
}

TEST(OptionSetNotify, UnsubscribeStopsNotifications) {
    OptionSet set(kFolder);
    Recorder recorder;
    {
        auto sub = set.Subscribe("Edit1", recorder.Listener());
        EXPECT_TRUE(sub.Active());
        set.SetText("Edit1", "a");
    }
    set.SetText("Edit1", "b");
    auto sub = set.SubscribeAll(recorder.Listener());
    sub.Reset();
    EXPECT_FALSE(sub.Active());
    set.SetText("Edit1", "c");
    EXPECT_EQ(recorder.keys, (std::vector<std::string>{"Edit1"}));

    // Moving a subscription keeps exactly one registration.
    auto moved = set.Subscribe("Edit1", recorder.Listener());
    options::Subscription target = std::move(moved);
    EXPECT_FALSE(moved.Active());
    set.SetText("Edit1", "d");
    EXPECT_EQ(recorder.keys.size(), 2u);
}

TEST(OptionSetNotify, ListenerRemovedDuringANotificationIsNotCalledAgain) {
    OptionSet set(kFolder);
    int secondCalls = 0;
    options::Subscription second;
    auto first = set.SubscribeAll([&](const std::string&) { second.Reset(); });
    second = set.SubscribeAll([&](const std::string&) { ++secondCalls; });
    set.SetText("Edit3", "x");
    EXPECT_EQ(secondCalls, 0);
}

TEST(OptionSetNotify, ListenerMayChangeAnotherOption) {
    OptionSet set(kFolder);
    Recorder recorder;
    auto rule = set.Subscribe("CheckBox2", [&](const std::string&) { set.SetSpinValue("SpinEdit3", 75); });
    auto all = set.SubscribeAll(recorder.Listener());
    set.SetChecked("CheckBox2", true);
    EXPECT_EQ(set.SpinValue("SpinEdit3"), 75);
    EXPECT_EQ(recorder.keys, (std::vector<std::string>{"SpinEdit3", "CheckBox2"}));
}

TEST(OptionSetNotify, SubscriptionMayOutliveTheSet) {
    options::Subscription sub;
    {
        OptionSet set(kFolder);
        sub = set.SubscribeAll([](const std::string&) {});
        EXPECT_TRUE(sub.Active());
    }
    EXPECT_FALSE(sub.Active());
    sub.Reset();
}

TEST(OptionSetSnapshot, IsACopyThatComparesByValue) {
    OptionSet set(kFolder);
    const options::OptionValues before = set.Snapshot();
    set.SetText("Edit1", "caption");
    set.SetSpinText("SpinEdit1", "9999");
    const options::OptionValues during = set.Snapshot();
    EXPECT_NE(before, during);
    EXPECT_EQ(during.Text("Edit1"), "caption");
    EXPECT_EQ(during.SpinValue("SpinEdit1"), 9999);
    EXPECT_EQ(before.Text("Edit1"), "");

    set.LeaveSpin("SpinEdit1");
    EXPECT_EQ(during.SpinText("SpinEdit1"), "9999"); // the snapshot does not follow the set
    EXPECT_NE(set.Snapshot(), during);

    OptionSet other(kFolder);
    other.SetText("Edit1", "caption");
    other.SetSpinText("SpinEdit1", "9999");
    EXPECT_EQ(other.Snapshot(), during);
    EXPECT_NE(OptionSet("/elsewhere/").Snapshot(), before); // output folders differ
}

TEST(OptionSetSnapshot, AssignAndResetNotifyOnlyTheChangedKeys) {
    OptionSet set(kFolder);
    set.SetText("ComboBox4", "PNG8");
    set.SetCaseRule(CaseRule::Upper);
    set.SetSpinValue("SpinEdit7", 10);
    const options::OptionValues saved = set.Snapshot();

    set.SetText("ComboBox4", "BMP8");
    set.SetCaseRule(CaseRule::Lower);
    Recorder recorder;
    auto sub = set.SubscribeAll(recorder.Listener());
    set.Assign(saved);
    EXPECT_EQ(set.Snapshot(), saved);
    EXPECT_EQ(recorder.keys, (std::vector<std::string>{"ComboBox4", "RadioButton2", "RadioButton3"}));

    recorder.keys.clear();
    set.ResetToStartValues();
    EXPECT_EQ(set.Snapshot(), set.StartValues());
    EXPECT_EQ(set.Text("ComboBox4"), "JPEG");
    EXPECT_EQ(set.SelectedCase(), CaseRule::Keep);
    EXPECT_EQ(recorder.keys, (std::vector<std::string>{"ComboBox4", "SpinEdit7", "RadioButton1", "RadioButton3"}));

    recorder.keys.clear();
    set.ResetToStartValues();
    EXPECT_TRUE(recorder.keys.empty());
}

TEST(Colour, ChannelsAndSystemColours) {
    EXPECT_EQ(options::Red(options::kYellow), 0xFF);
    EXPECT_EQ(options::Green(options::kYellow), 0xFF);
    EXPECT_EQ(options::Blue(options::kYellow), 0x00);
    EXPECT_EQ(options::Red(options::kTransparentStart), 0);
    EXPECT_EQ(options::Green(options::kTransparentStart), 0);
    EXPECT_EQ(options::Blue(options::kTransparentStart), 1);
    EXPECT_EQ(options::MakeColour(1, 2, 3), 0x00030201u);
    EXPECT_FALSE(options::IsSystemColour(options::kYellow));
    EXPECT_FALSE(options::IsSystemColour(0x1FFFFFFFu)); // "no colour" is not a system colour
    EXPECT_TRUE(options::IsSystemColour(options::kWindowColour));
    EXPECT_EQ(options::SystemColourIndex(options::kButtonFaceColour), 15u);
    EXPECT_EQ(options::kSystemColourFlag, 0x80000000u);
}

} // namespace
