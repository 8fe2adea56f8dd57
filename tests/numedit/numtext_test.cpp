// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/numtext.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TTextCase {
    std::string In;
    std::string Out;
};

TEST(NumText, SplitAndJoinGiveTheTextBack)
{
    for (std::string s : {"", "-", "12", "-12.", "-.5", "1.2.3", "0.000"}) {
        SCOPED_TRACE(s);
        EXPECT_EQ(JoinNumber(SplitNumber(s)), s);
    }
    EXPECT_EQ(SplitNumber("-1.2.3").Frac, "2.3");
}

TEST(NumText, GroupDigitsByThreeFromTheRight)
{
    const TTextCase cases[] = {{"", ""},
                               {"1", "1"},
                               {"123", "123"},
                               {"1234", "1,234"},
                               {"123456", "123,456"},
                               {"1234567", "1,234,567"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(GroupDigits(c.In), c.Out);
    }
}

TEST(NumText, FilterTextWithDefaultLimits)
{
    const TTextCase cases[] = {
        {"1,234.56789", "1234.567"},
        {"12a3", "12"},
        {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x8E\xEF\xBC\x95", "12.5"}, // full-width 12.5
        {"\xEF\xBC\x8D\xEF\xBC\x93\xEF\xBC\x8C\xEF\xBC\x94", "-34"},  // full-width -3,4
        {"12\xE3\x81\x82"
         "34",
         "12"},               // a kana ends the text
        {"12\xEF\xBC", "12"}, // truncated sequence
        {"12\xBC"
         "3",
         "12"},                       // stray continuation byte
        {"1234567890", ""},           // ten integer digits refuse the whole text
        {"-123456789", "-123456789"}, // the minus does not count
        {"123456789.1234", "123456789.123"},
        {"--5", "-"},
        {"5-3", "5"},
        {",-5", ""},                       // the minus stands at position 2
        {"\xEF\xBC\x8C-5", ""},            // so it does after a full-width comma
        {"\xEF\xBC\x99\xEF\xBC\x9A", "9"}, // U+FF1A (colon) is past the digits
        {"7\xEF\xBC\x8F", "7"},            // U+FF0F (solidus) is before them
        {"1.2.3", "1.2"},
        {"  5", ""},
        {"-", "-"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(FilterText(c.In, {}), c.Out);
    }
}

// Every full-width character an input method gives for a number, and its neighbours in
// the code table, which stay foreign.
TEST(NumText, FoldFullWidthCharKnowsExactlyTheNumberCharacters)
{
    for (char32_t digit = 0; digit < 10; ++digit)
        EXPECT_EQ(FoldFullWidthChar(U'\uFF10' + digit), static_cast<char>('0' + digit));
    EXPECT_EQ(FoldFullWidthChar(U'\uFF0C'), ',');
    EXPECT_EQ(FoldFullWidthChar(U'\uFF0D'), '-');
    EXPECT_EQ(FoldFullWidthChar(U'\uFF0E'), '.');
    for (char32_t other : {U'\uFF0B', U'\uFF0F', U'\uFF1A', U'\uFF21', U'0', U'\u3000'})
        EXPECT_EQ(FoldFullWidthChar(other), '\0') << static_cast<unsigned>(other);
}

TEST(NumText, FilterTextObeysItsLimits)
{
    EXPECT_EQ(FilterText("12.5", {9, 0, true}), "12");
    EXPECT_EQ(FilterText("-12", {9, 3, false}), "");
    EXPECT_EQ(FilterText("12.", {9, 3, true}), "12.");
    EXPECT_EQ(FilterText("0.123456789", {9, 8, true}), "0.12345678");
    EXPECT_EQ(FilterText("123", {2, 3, true}), "");
    EXPECT_EQ(FilterText(".5", {0, 3, true}), ".5");
}

TEST(NumText, NormalizeTextDropsLeadingZeros)
{
    const TTextCase cases[] = {{"007", "7"}, {"000", "0"},  {"00.5", "0.5"},    {".", "0."},
                               {"-0", "-0"}, {"-.", "-0."}, {"-007.0", "-7.0"}, {"-", "-"},
                               {"", ""},     {"100", "100"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(NormalizeText(c.In), c.Out);
    }
}

TEST(NumText, ExpandExponentWritesPlainDecimals)
{
    const TTextCase cases[] = {
        {"1.5e-7", "0.00000015"},
        {"2.5E3", "2500"},
        {"1.2345e2", "123.45"},
        {"12345e-2", "123.45"},
        {"-1.5E-7", "-0.00000015"},
        {"0.5e-2", "0.005"},
        {"1.25E2", "125"},
        {"123e-3", "0.123"},
        {"1e+3", "1000"},
        {"5e0", "5e0"},
        {"e5", "e5"},
        {"2.5e", "2.5e"},
        {"1ex", "1ex"},
        {"1e--3", "1e--3"},
        {"12", "12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(ExpandExponent(c.In), c.Out);
    }
}

TEST(NumText, ExpandExponentKeepsHugeExponentsBounded)
{
    const std::string big = ExpandExponent("1e99999999999999999999");
    EXPECT_LE(big.size(), static_cast<std::size_t>(MaxExpandExponent) + 2);
    EXPECT_EQ(FilterText(big, {}), "");
    const std::string tiny = ExpandExponent("1e-99999999999999999999");
    EXPECT_EQ(FilterText(tiny, {9, 8, true}), "0.00000000");
}

TEST(NumText, ToExponentTextGivesTheNormalisedForm)
{
    const TTextCase cases[] = {
        {"12345.678", "1.2345678E4"},
        {"100", "1E2"},
        {"10.5", "1.05E1"},
        {"-12.5", "-1.25E1"},
        {"7.25", "7.25"},
        {"0.5", "5E-1"},
        {"0.00125", "1.25E-3"},
        {"0.10", "1E-1"},
        {"0.000", "0E-3"},
        {"0", "0"},
        {"0.", "0."},
        {"", ""},
        {"-", "-"},
        {"-0.5", "-5E-1"},
        {"-0.000", "-0E-3"}, // keeps a digit, so a negative zero still reads as a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.In);
        EXPECT_EQ(ToExponentText(c.In), c.Out);
    }
}

} // namespace
