#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>

#include "options/SpinValue.h"

namespace {

using options::CheckSpinRange;
using options::ParseSpinInteger;

TEST(SpinValue, ParsesDecimalIntegersWithOptionalSignAndLeadingSpaces) {
    EXPECT_EQ(ParseSpinInteger("0"), 0);
    EXPECT_EQ(ParseSpinInteger("5"), 5);
    EXPECT_EQ(ParseSpinInteger("+5"), 5);
    EXPECT_EQ(ParseSpinInteger("-5"), -5);
    EXPECT_EQ(ParseSpinInteger("-0"), 0);
    EXPECT_EQ(ParseSpinInteger("007"), 7);
    EXPECT_EQ(ParseSpinInteger("  42"), 42);
    EXPECT_EQ(ParseSpinInteger(" -42"), -42);
    EXPECT_EQ(ParseSpinInteger("00000000000000000000012"), 12);
}

TEST(SpinValue, AcceptsTheWholeSigned32BitRangeAndNothingBeyond) {
    EXPECT_EQ(ParseSpinInteger("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseSpinInteger("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseSpinInteger("2147483648"), std::nullopt);
    EXPECT_EQ(ParseSpinInteger("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseSpinInteger("4294967301"), std::nullopt); // would wrap to 5 in 32 bits
    EXPECT_EQ(ParseSpinInteger("99999999999999999999999999"), std::nullopt);
}

TEST(SpinValue, RejectsEverythingElse) {
    for (const char* text : {"", " ", "+", "-", "+-1", "--1", "abc", "12a", "a12", "1.5", "1,000", "12 ", "1 2", "$1F",
                             "0x1F", "1e3", "\t7", "１２" /* full-width digits */}) {
        EXPECT_EQ(ParseSpinInteger(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(SpinValue, ValueFallsBackToTheMinimum) {
    EXPECT_EQ(options::SpinValueOf("abc", 1), 1);
    EXPECT_EQ(options::SpinValueOf("", 0), 0);
    EXPECT_EQ(options::SpinValueOf("9999", 1), 9999); // no range check
    EXPECT_EQ(options::SpinValueOf("-7", 1), -7);
}

TEST(SpinValue, RangeCheckLimitsUnlessMinimumEqualsMaximum) {
    EXPECT_EQ(CheckSpinRange(9999, 1, 5000), 5000);
    EXPECT_EQ(CheckSpinRange(0, 1, 100), 1);
    EXPECT_EQ(CheckSpinRange(-50, 1, 100), 1);
    EXPECT_EQ(CheckSpinRange(1, 1, 100), 1);
    EXPECT_EQ(CheckSpinRange(100, 1, 100), 100);
    EXPECT_EQ(CheckSpinRange(37, 1, 100), 37);
    // Unbounded: anything a 32-bit integer holds passes; beyond that it saturates rather than wrapping.
    EXPECT_EQ(CheckSpinRange(-7, 0, 0), -7);
    EXPECT_EQ(CheckSpinRange(123456, 0, 0), 123456);
    EXPECT_EQ(CheckSpinRange(std::int64_t{1} << 31, 0, 0), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(CheckSpinRange(-(std::int64_t{1} << 31) - 1, 0, 0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(CheckSpinRange(std::int64_t{1} << 40, 1, 5000), 5000);
}

TEST(SpinValue, TypingFilterAcceptsDigitsSignsAndDecimalSeparatorOnly) {
    for (char32_t c : {U'0', U'5', U'9', U'+', U'-', U'.'}) {
        EXPECT_TRUE(options::IsAcceptedSpinChar(c)) << static_cast<std::uint32_t>(c);
    }
    for (char32_t c : {U'a', U'e', U'x', U' ', U',', U'$', U'/', U':', U'\0', U'１', U'－'}) {
        EXPECT_FALSE(options::IsAcceptedSpinChar(c)) << static_cast<std::uint32_t>(c);
    }
}

TEST(SpinValue, TextIsPlainDecimal) {
    EXPECT_EQ(options::SpinText(5000), "5000");
    EXPECT_EQ(options::SpinText(-7), "-7");
    EXPECT_EQ(options::SpinText(0), "0");
    EXPECT_EQ(options::SpinText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

} // namespace
