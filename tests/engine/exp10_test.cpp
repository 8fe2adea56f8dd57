// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/exp10.h"
#include "engine/fpcheck.h"

#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <random>

namespace {

// |v - 10^x| in units of the last place of v, against a 113-bit reference.
double UlpError(TReal v, TReal x)
{
    const __float128 exact = expq(static_cast<__float128>(x) * logq(10));
    int exponent;
    std::frexp(v, &exponent);
    const __float128 ulp = ldexpq(1, exponent - 64);
    return static_cast<double>(fabsq((static_cast<__float128>(v) - exact) / ulp));
}

TEST(Exp10, IsWithinAboutHalfAnUlpAcrossTheRangeOfBindingConstants)
{
    // Exponents of apparent constants lie between about -25 and 25; the range is taken
    // wider, with full 64-bit arguments.
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> coarse(-60, 60), fine(-1, 1);
    double worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const TReal x = static_cast<TReal>(coarse(rng)) + static_cast<TReal>(fine(rng)) * 1e-17L;
        worst = std::max(worst, UlpError(Exp10(x), x));
    }
    EXPECT_LT(worst, 0.55);
}

TEST(Exp10, IsExactForRepresentablePowersAndCorrectlyRoundedForNegativeOnes)
{
    TReal power = 1;
    for (int k = 0; k <= 27; ++k, power *= 10)
        EXPECT_EQ(Exp10(k), power) << k;
    for (int k = 1; k <= 27; ++k)
        EXPECT_LE(UlpError(Exp10(-k), -k), 0.5) << -k;
    // Typical log K values: the error stays within half an ulp plus the tiny evaluation
    // error, so these come out correctly rounded.
    for (TReal logK : {6.5L, 4.05L, 10.97L, -1.5L, 2.161L - 8, 12.325L - 7.2L})
        EXPECT_LE(UlpError(Exp10(logK), logK), 0.5) << static_cast<double>(logK);
}

TEST(Exp10, HandsFarArgumentsToTheLibraryAndOverflowBecomesTheCalculationError)
{
    for (TReal x : {300.5L, -300.5L, 1000.25L, -4000.0L})
        EXPECT_EQ(Exp10(x), exp10l(x)) << static_cast<double>(x);
    // Both sides of the switch agree to within the accuracy of each.
    EXPECT_LT(UlpError(Exp10(300), 300), 0.55);
    EXPECT_LT(UlpError(Exp10(-300), -300), 0.55);

    EXPECT_EQ(fpcheck::Pow10(-6000), 0); // underflow passes quietly
    try {
        fpcheck::Pow10(5000);
        FAIL() << "10^5000 must overflow";
    } catch (const TCalcError& e) {
        EXPECT_EQ(e.what(), CalcMessage::Overflow);
    }
}

} // namespace
