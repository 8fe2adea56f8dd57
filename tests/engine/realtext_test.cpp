// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/realtext.h"

#include "engine/calcerror.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

TEST(RealToText, GeneralFormatWithFifteenDigits)
{
    struct Case {
        TReal x;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {8, "8"},
        {0.2L, "0.2"},
        {0.0022L, "0.0022"},
        {0.0001L, "0.0001"},
        {0.00002L, "2E-5"},
        {0.00005L, "5E-5"},
        {1.5e-7L, "1.5E-7"},
        {1.5e15L, "1.5E15"},
        {999999999999999.0L, "999999999999999"},
        {12345.678L, "12345.678"},
        {2.0L / 3, "0.666666666666667"},
        {-0.5L, "-0.5"},
        {123456789, "123456789"},
        {1.23456789012e-6L, "1.23456789012E-6"},
        {0.99999999999999999L, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RealToText(c.x), c.text);
    }
    EXPECT_EQ(RealToText(0.0022L, ','), "0,0022");
    EXPECT_EQ(RealToText(std::numeric_limits<TReal>::quiet_NaN()), "NAN");
    EXPECT_EQ(RealToText(-std::numeric_limits<TReal>::infinity()), "-INF");
}

TEST(TextToReal, EntryFieldGrammar)
{
    struct Case {
        const char* text;
        bool ok;
        TReal value;
    };
    const Case cases[] = {
        {"5", true, 5},    {"0.", true, 0},    {"5E-1", true, 0.5L},      {" -2.5e3 ", true, -2500},
        {"+1", true, 1},   {".5", true, 0.5L}, {"0.0022", true, 0.0022L}, {"1e-6000", true, 0},
        {"", false, 0},    {"-", false, 0},    {".", false, 0},           {"1e", false, 0},
        {"1,5", false, 0}, {"abc", false, 0},  {"1e6000", false, 0},      {"nan", false, 0},
        {"inf", false, 0}, {"1 2", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto v = TextToReal(c.text);
        ASSERT_EQ(v.has_value(), c.ok);
        if (c.ok) {
            EXPECT_EQ(*v, c.value);
        }
    }
    EXPECT_EQ(TextToReal("0,0022", ','), 0.0022L);
    EXPECT_FALSE(TextToReal("0.0022", ','));
}

TEST(TextToReal, RaisesTheConversionMessage)
{
    try {
        TextToRealOrRaise("two");
        FAIL() << "no error";
    } catch (const TCalcError& e) {
        EXPECT_STREQ(e.what(), "'two' は浮動小数点数ではありません");
    }
}

TEST(FormatFixed, RoundsAndPads)
{
    struct Case {
        TReal x;
        int width, decimals;
        const char* text;
    };
    const Case cases[] = {
        {6.5L, 10, 3, "     6.500"},
        {10.26L, 10, 3, "    10.260"},
        {2.2L, 8, 3, "   2.200"},
        {-2e9L, 8, 3, "-2000000000.000"},
        {0.0625L, 8, 3, "   0.063"},
        {-0.0625L, 8, 3, "  -0.063"},
        {2.5L, 1, 0, "3"},
        {0.2L, 6, 3, " 0.200"},
        {999.9996L, 8, 3, "1000.000"},
        {8, 5, 2, " 8.00"},
        // Rounding to whole numbers: ties go away from zero, everything else to nearest.
        {0.4999L, 1, 0, "0"},
        {0.5L, 1, 0, "1"},
        {1.5L, 1, 0, "2"},
        {2.5000001L, 1, 0, "3"},
        {-0.5L, 1, 0, "-1"},
        {-0.0004L, 0, 3, "-0.000"},
        {99999999999999.9995L, 0, 3, "99999999999999.999"},
        {123456789012345.5L, 0, 0, "123456789012346"},
        // A negative zero prints as zero, without a sign, as a pMg of -log10(1) must.
        {-0.0L, 6, 3, " 0.000"},
        // 2^-20 = 0.00000095367431640625 is a tie at 19 decimals, beyond the fast way.
        {0x1p-20L, 0, 19, "0.0000009536743164063"},
        {-0x1p-20L, 0, 19, "-0.0000009536743164063"},
        {0x1p-20L + 0x1p-83L, 0, 19, "0.0000009536743164063"},
        {0x1p-20L - 0x1p-84L, 0, 19, "0.0000009536743164062"},
        // Beyond 1e17 the number is whole, and no tie: 2^60 + 0.5 is not representable.
        {0x1p60L, 0, 2, "1152921504606846976.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatFixed(c.x, c.width, c.decimals), c.text);
    }
}

// The longest texts the extended format can need, and the values that are no numbers, at
// any number of decimals.
TEST(FormatFixed, HugeValuesWithManyDecimalsAndNonNumbers)
{
    const TReal huge = std::numeric_limits<TReal>::max(); // 1.19e4932: 4933 whole digits
    for (int decimals : {0, 3, 100, 1000}) {
        SCOPED_TRACE(decimals);
        const std::string text = FormatFixed(-huge, 0, decimals);
        ASSERT_EQ(text.size(), 1 + 4933 + (decimals > 0 ? 1 + decimals : 0));
        EXPECT_EQ(text.substr(0, 6), "-11897");
        EXPECT_EQ(text.find_first_not_of("0123456789.-"), std::string::npos);
        EXPECT_EQ(TextToReal(text), -huge);
        for (TReal x :
             {std::numeric_limits<TReal>::infinity(), std::numeric_limits<TReal>::quiet_NaN()})
            EXPECT_EQ(FormatFixed(x, 5, decimals), std::isnan(x) ? "  nan" : "  inf");
    }
}

TEST(FormatFixed, AgreesWithTheExactConversionOnRandomValues)
{
    // The fast path scales and rounds in extended arithmetic; away from halfway cases it
    // must print exactly what the exact decimal expansion rounds to.
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-20, 13);
    for (int i = 0; i < 20000; ++i) {
        const TReal x = static_cast<TReal>(mantissa(rng)) * std::pow(10.0L, exponent(rng))
            * (i % 2 ? -1 : 1);
        char buf[256];
        auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 3);
        ASSERT_EQ(FormatFixed(x, 0, 3), std::string(buf, res.ptr)) << static_cast<double>(x);
    }
}
