// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/doubletext.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

// Bit-for-bit equality, so that -0 and 0 are told apart.
bool SameReal(TReal a, TReal b)
{
    return std::signbit(a) == std::signbit(b) && a == b;
}

} // namespace

TEST(ShortestText, PrintsWhatAScriptPrints)
{
    const std::vector<std::pair<double, std::string>> cases {
        {7.1, "7.1"},
        {0.2, "0.2"},
        {8, "8"},
        {1e-5, "1e-05"},
        {2e20, "2e+20"},
        {-0.0, "-0"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1234.5, "1234.5"},
        {0.0001, "0.0001"},
        {1e15, "1000000000000000"},
        {1e16, "1e+16"},
        {8.854211379534716e20, "8.854211379534716e+20"},
        {-1.25e-100, "-1.25e-100"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {-std::numeric_limits<double>::infinity(), "-inf"}};
    for (const auto& [x, text] : cases)
        EXPECT_EQ(ShortestText(x), text);
}

TEST(RealOfShortestText, ReadsTypedNumbersAsTheirDecimalValue)
{
    // Each double is the one a script gets for the typed text; the result must be the
    // extended real of that text, not the double's own binary value.
    const std::vector<std::pair<double, TReal>> cases {
        {7.1, 7.1L},
        {0.2, 0.2L},
        {2.2, 2.2L},
        {0.22, 0.22L},
        {1e-3, 1e-3L},
        {4.6426e-05, 4.6426e-05L},
        {6.02214076e23, 6.02214076e23L},
        {1e-300, 1e-300L},
        {1.5e300, 1.5e300L},
        {5e-324, 5e-324L},
        {-0.0, -0.0L},
        {-7.25, -7.25L},
        {123456789012345678.0, 123456789012345680.0L},
        {0.30000000000000004, 0.30000000000000004L}};
    for (const auto& [x, expected] : cases) {
        SCOPED_TRACE(ShortestText(x));
        const auto value = RealOfShortestText(x);
        ASSERT_TRUE(value);
        EXPECT_TRUE(SameReal(*value, expected)) << static_cast<double>(*value - expected);
    }
    EXPECT_NE(*RealOfShortestText(7.1), static_cast<TReal>(7.1));
}

TEST(RealOfShortestText, RejectsNaNAndInfinities)
{
    for (double x :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(RealOfShortestText(x)) << x;
}

TEST(RealOfShortestText, AgreesWithTheTextConversionOnRandomDoubles)
{
    // Random bit patterns cover every exponent (fast path and the text path); short
    // decimals are what scripts and data files hold.
    std::mt19937_64 rng(20260101);
    std::uniform_int_distribution<int> digitsDist(1, 17);
    std::uniform_int_distribution<int> expDist(-40, 40);
    for (int i = 0; i < 200000; ++i) {
        double x = std::bit_cast<double>(rng());
        if (i % 2 == 1) {
            const int digits = digitsDist(rng);
            const auto mantissa = static_cast<double>(
                rng() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
            x = std::stod(ShortestText(mantissa) + "e" + std::to_string(expDist(rng)));
        }
        if (i % 4 == 3) // 15 and 16 digits near a power of ten: where a short way may err
            x = std::stod((i % 8 == 3 ? "9.99999999999999" : "1.000000000000001")
                          + std::to_string(rng() % 10) + "e" + std::to_string(expDist(rng)));
        if (!std::isfinite(x))
            continue;
        const std::string text = ShortestText(x);
        double back = 0; // the text reads back as the same double
        std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(back, x) << text;
        const auto expected = TextToReal(text);
        const auto value = RealOfShortestText(x);
        ASSERT_TRUE(expected && value) << ShortestText(x);
        ASSERT_TRUE(SameReal(*value, *expected)) << ShortestText(x);
    }
}
