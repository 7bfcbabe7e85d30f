#include <gtest/gtest.h>

#include <string>

#include "settings/TextEncoding.h"
#include "settings/ValueEncoding.h"

namespace {

using namespace settings;

TEST(StoredInteger, DecimalHexadecimalAndTheirFailures) {
    EXPECT_EQ(ParseStoredInteger("300"), 300);
    EXPECT_EQ(ParseStoredInteger("-5"), -5);
    EXPECT_EQ(ParseStoredInteger("+5"), 5);
    EXPECT_EQ(ParseStoredInteger("0x1F"), 31);
    EXPECT_EQ(ParseStoredInteger("0X1f"), 31);
    EXPECT_EQ(ParseStoredInteger("$1F"), 31);
    EXPECT_EQ(ParseStoredInteger("-$10"), -16);
    EXPECT_EQ(ParseStoredInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseStoredInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseStoredInteger("-2147483648"), -2147483647 - 1);

    for (const char* bad :
         {"", "abc", "0x", "$", "0x$1", "$100000000", "2147483648", "1 2", " 5", "1.5", "$1G", "0x-1", "--1"}) {
        EXPECT_EQ(ParseStoredInteger(bad), std::nullopt) << '"' << bad << '"';
    }
}

TEST(StoredColour, EveryNameRoundTripsAndOtherValuesAreDollarHex) {
    const char* names[] = {"clBlack",        "clMaroon",      "clGreen",         "clOlive",
                           "clNavy",         "clPurple",      "clTeal",          "clGray",
                           "clSilver",       "clRed",         "clLime",          "clYellow",
                           "clBlue",         "clFuchsia",     "clAqua",          "clWhite",
                           "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
                           "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
                           "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
                           "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
                           "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
                           "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
                           "clInfoBk",       "clNone"};
    for (const char* name : names) {
        const auto value = NamedColour(name);
        ASSERT_TRUE(value) << name;
        EXPECT_EQ(ColourText(*value), name);
    }
    EXPECT_EQ(NamedColour("clWindow"), 0x80000005u);
    EXPECT_EQ(NamedColour("clHighlightText"), 0x8000000Eu);
    EXPECT_EQ(NamedColour("clBtnFace"), 0x8000000Fu);
    EXPECT_EQ(NamedColour("clInfoBk"), 0x80000018u);
    EXPECT_EQ(NamedColour("clNone"), 0x1FFFFFFFu);
    EXPECT_EQ(NamedColour("clRed"), 0x000000FFu);
    EXPECT_EQ(NamedColour("clNavy"), 0x00800000u);

    EXPECT_EQ(ColourText(0x000000FFu), "clRed");
    EXPECT_EQ(ColourText(0x00123456u), "$00123456");
    EXPECT_EQ(ColourText(0x00010000u), "$00010000");
    EXPECT_EQ(ColourText(0x80000019u), "$80000019");
    EXPECT_EQ(ColourText(0x00abcdefu), "$00ABCDEF");
}

TEST(StoredColour, ReadingNamesIntegersAndRefusals) {
    EXPECT_EQ(ParseColourText("CLYELLOW"), 0x0000FFFFu);
    EXPECT_EQ(ParseColourText("clyellow"), 0x0000FFFFu);
    EXPECT_EQ(ParseColourText("65535"), 0x0000FFFFu);
    EXPECT_EQ(ParseColourText("$0000ffff"), 0x0000FFFFu);
    EXPECT_EQ(ParseColourText("$8000000F"), 0x8000000Fu);
    EXPECT_EQ(ParseColourText("0"), 0u);
    EXPECT_EQ(ParseColourText("-1"), 0xFFFFFFFFu);
    for (const char* bad : {"", "yellow", "clPink", "0x10", "$", "12abc", "$123456789"}) {
        EXPECT_EQ(ParseColourText(bad), std::nullopt) << '"' << bad << '"';
    }
}

TEST(SettingsText, Utf8IsKeptAndAnythingElseIsReadAsCp932) {
    EXPECT_TRUE(IsValidUtf8("plain ASCII"));
    EXPECT_TRUE(IsValidUtf8("縮小時のみ有効"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE7\xB8"));         // cut short

    EXPECT_EQ(DecodeSettingsText("\xEF\xBB\xBF[Main]"), "[Main]");
    // "左上" and "～" in CP932.
    EXPECT_EQ(DecodeSettingsText("\x8D\xB6\x8F\xE3\x81\x60"), "左上～");
    // Bytes CP932 cannot decode become U+FFFD each, and decoding goes on after them; a lead byte cut off at the
    // end too.
    EXPECT_EQ(DecodeSettingsText("a\xFF"
                                 "b\x8D\xB6\x81"),
              "a\xEF\xBF\xBD"
              "b左\xEF\xBF\xBD");
    const std::string binary("\x00\x80\xA0\xFD\xFE\xFF\x81\x7F", 8);
    EXPECT_TRUE(IsValidUtf8(DecodeSettingsText(binary)));
}

} // namespace
