// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The bracketing iteration of modes 0, 1, 3 and 6: where it stops, and that its fast and
// checked flavours agree to the bit.
#include "engine/solverdetail.h"
#include "tests/engine/testcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using enum TLigand;
using enum TPartner;
using enum TCalcMode;

namespace {

bool SameBits(TReal a, TReal b)
{
    // The 80-bit format fills 10 of the bytes of a long double.
    return std::memcmp(&a, &b, 10) == 0;
}

// Every value SolveMajors may write, compared to the bit.
void ExpectSameMajors(const TCalcState& a, const TCalcState& b)
{
    const TReal TCalcState::*fields[] = {
        &TCalcState::TotalMg, &TCalcState::FreeMg, &TCalcState::TotalCa, &TCalcState::FreeCa,
        &TCalcState::MgATP,   &TCalcState::MgADP,  &TCalcState::CaATP,   &TCalcState::CaADP};
    for (auto field : fields)
        EXPECT_TRUE(SameBits(a.*field, b.*field))
            << static_cast<double>(a.*field) << " vs " << static_cast<double>(b.*field);
    for (TLigand lig : AllLigands) {
        EXPECT_TRUE(SameBits(a.TotalLigand[lig], b.TotalLigand[lig])) << static_cast<int>(lig);
        EXPECT_TRUE(SameBits(a.FreeLigand[lig], b.FreeLigand[lig])) << static_cast<int>(lig);
    }
    EXPECT_EQ(a.HasResults, b.HasResults);
}

struct TSolveResult {
    long Iterations = -1;
    std::string Error;
};

template <typename F>
TSolveResult RunSolve(F&& solve)
{
    TSolveResult r;
    try {
        r.Iterations = solve();
    } catch (const TCalcError& e) {
        r.Error = e.what();
    }
    return r;
}

// A recipe drawn at random: concentrations spread over six decades, with zeros (absent
// ligands, which the fast flavour leaves out of its sums), now and then a strong or absent
// constant, and in one recipe of eight a negative value that the balances cannot close on.
struct TRecipeMaker {
    std::mt19937_64 Rng {20261208};

    TReal Uniform(double low, double high)
    {
        return static_cast<TReal>(std::uniform_real_distribution<double>(low, high)(Rng));
    }
    TReal Concentration(double zeroChance)
    {
        if (Uniform(0, 1) < zeroChance)
            return 0;
        return std::pow(10.0L, Uniform(-8, -2));
    }

    void Make(TTestCalc& c)
    {
        TCalcState& s = c.State;
        c.Engine.SetpH(Uniform(6, 8.5));
        c.Engine.SetIonStr(Uniform(0, 0.3));
        s.TotalMg = Concentration(0.15);
        s.TotalCa = Concentration(0.15);
        s.FreeMg = Concentration(0.05);
        s.FreeCa = Concentration(0.05);
        for (TLigand lig : AllLigands)
            s.TotalLigand[lig] = Concentration(0.3);
        s.MgATP = Concentration(0.05);
        s.MgADP = Concentration(0.05);
        s.CaATP = Concentration(0.05);
        s.CaADP = Concentration(0.05);
        if (Uniform(0, 1) < 0.2)
            c.Engine.SetBaseEntry(ligEGTA, ptCa, 0, Uniform(0, 16));
        if (Uniform(0, 1) < 0.1)
            c.Engine.SetBaseEntry(ligEDTA, ptMg, 0, Uniform(0, 40));
        if (Uniform(0, 1) < 0.125) {
            TReal* values[] = {&s.TotalMg,
                               &s.TotalCa,
                               &s.FreeMg,
                               &s.FreeCa,
                               &s.TotalLigand[ligEGTA],
                               &s.TotalLigand[ligPO4]};
            *values[Rng() % std::size(values)] *= -1;
        }
    }
};

} // namespace

// The fast flavour leaves faults to the fault flags and absent ligands out of its sums; it
// must write what the checked flavour writes, to the bit, and fail where it fails.
TEST(Bracketing, FastAndCheckedFlavoursAgreeToTheBit)
{
    TRecipeMaker maker;
    int failures = 0;
    for (int recipe = 0; recipe < 4000; ++recipe) {
        TTestCalc c;
        maker.Make(c);
        c.Engine.AdjustConstants();
        c.Engine.MakeApparentConstants();
        for (TCalcMode mode : {cmEveryGiven, cmMgATP_MgADP_Mg, cmCaATP_Ca_CaADP, cmCa}) {
            SCOPED_TRACE(testing::Message()
                         << "recipe " << recipe << ", mode " << static_cast<int>(mode));
            TCalcState fast = c.State;
            TCalcState checked = c.State;
            const TSolveResult f = RunSolve([&] { return c.Engine.SolveMajors(fast, mode); });
            const TSolveResult k = RunSolve(
                [&] { return solverdetail::SolveMajorsChecked(c.Engine, checked, mode); });
            ASSERT_EQ(f.Error, k.Error);
            ASSERT_EQ(f.Iterations, k.Iterations);
            ExpectSameMajors(fast, checked);
            failures += !f.Error.empty();
            if (HasFailure())
                return;
        }
    }
    // The recipes reach the faults and the bounds that do not close, not only solutions.
    EXPECT_GT(failures, 100);
}

// An upper bound at or below Tiny counts as zero: its cation passes at once. Here the Ca
// bounds of the first iteration are Tiny itself (the only ligand, 1e-40 M of EGTA with a
// constant of 1e60, binds too little of it to lower the upper bound) and about 1e-18 of
// it, so free Ca++ is their midpoint, Tiny / 2. One double above Tiny the bounds are
// refined until they meet.
TEST(Bracketing, UpperBoundAtTinyCountsAsZero)
{
    struct Case {
        bool AboveTiny;
        long Iterations;
        double FreeCaOverTiny;
    };
    for (const Case& k : {Case {false, 1, 0.5}, Case {true, 3, 1.0}}) {
        SCOPED_TRACE(k.AboveTiny ? "above Tiny" : "at Tiny");
        TTestCalc c;
        c.State.TotalMg = 0;
        c.State.TotalLigand = {};
        c.State.TotalLigand[ligEGTA] = 1e-40L;
        c.Engine.SetBaseEntry(ligEGTA, ptCa, 0, 60);
        const double tiny = static_cast<double>(c.State.Tiny);
        ASSERT_EQ(TReal {tiny}, c.State.Tiny);
        c.State.TotalCa = k.AboveTiny ? std::nextafter(tiny, 1.0) : tiny;
        EXPECT_EQ(c.Solve(cmEveryGiven), k.Iterations);
        EXPECT_NEAR(static_cast<double>(c.State.FreeCa / c.State.Tiny), k.FreeCaOverTiny, 1e-9);
    }
}

// Equal totals of Ca and of a strong Ca buffer close slowly (the iterations grow with the
// square root of the constant). With a constant of 10^14.3 the relative gap of the Ca
// bounds after the 100,000th iteration is 47753 * 2^-44: a tolerance just above it stops
// there, one equal to it would need iteration 100,001, which the cap refuses, and the
// default tolerance would need some 10,000 more.
TEST(Bracketing, TheIterationCapStopsWithAMessageAndWritesNothing)
{
    constexpr TReal gapAtTheCap = 47753 * 0x1p-44L;
    struct Case {
        const char* Name;
        TReal Tolerance;
        long Iterations; // 0: does not converge
    };
    const Case cases[] = {
        {"just above the gap", std::nextafter(gapAtTheCap, 1.0L), TEngine::MaxIterations},
        {"equal to the gap", gapAtTheCap, 0},
        {"default", 1e-9L, 0},
        {"loose", 3e-9L, 99527},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        TTestCalc c;
        c.Engine.SetpH(7);
        c.Engine.SetIonStr(0.15L);
        c.Engine.SetBaseEntry(ligEGTA, ptCa, 0, 14.3L);
        c.Engine.SetConvergenceTolerance(k.Tolerance);
        c.State.TotalLigand = {};
        c.State.TotalLigand[ligEGTA] = 0.01L;
        c.State.TotalCa = 0.01L;
        c.State.TotalMg = 0;
        const TCalcState before = c.State;
        const TCalcStatus status = c.Engine.Calculate(c.State, cmEveryGiven);
        if (k.Iterations > 0) {
            EXPECT_FALSE(status.Failed()) << status.Error;
            EXPECT_EQ(status.Iterations, k.Iterations);
        } else {
            EXPECT_EQ(status.Error, CalcMessage::NotConverged);
            EXPECT_FALSE(c.State.HasResults);
            EXPECT_EQ(c.State.FreeCa, before.FreeCa);
            EXPECT_EQ(c.State.FreeLigand[ligEGTA], before.FreeLigand[ligEGTA]);
        }
    }
}

// The ratio test skips the division for bounds still far apart. That shortcut may decide
// nothing differently from the plain rule: pass when the upper bound is at or below Tiny,
// else when 1 - low/high, the ratio held as a double, is below the tolerance. Lows are
// placed at and around every multiple of the tolerance that matters, to the last bit.
TEST(Bracketing, RatioTestShortcutDecidesAsThePlainRule)
{
    const TReal tiny = 10 * MachineEpsilon();
    const auto plainRule = [&](double low, double high, TReal tolerance) {
        if (high <= tiny)
            return true;
        const double ratio = static_cast<double>(TReal {low} / high);
        return 1 - static_cast<TReal>(ratio) < tolerance;
    };
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    const TReal tolerances[] = {
        0.3L,  0.25L, 0.1L, 1e-3L, 1e-6L, 1e-9L, 1e-12L, 0x1p-40L, std::nextafter(0x1p-40L, 0.0L),
        1e-14L};
    const double multiples[] = {0, 0.5, 0.9, 0.999, 1, 1.001, 1.1, 2, 3.9, 4, 4.1, 8, 1e3};
    for (TReal tolerance : tolerances) {
        const double rejectBelow = solverdetail::RejectBelow(tolerance);
        for (int trial = 0; trial < 200; ++trial) {
            const double high = std::ldexp(mantissa(rng), -static_cast<int>(rng() % 200));
            for (double multiple : multiples) {
                // Three doubles below high * (1 - multiple * tolerance) up to three above.
                double low = high * static_cast<double>(1 - multiple * tolerance);
                for (int i = 0; i < 3; ++i)
                    low = std::nextafter(low, 0.0);
                for (int step = 0; step < 7; ++step, low = std::nextafter(low, 2.0)) {
                    SCOPED_TRACE(testing::Message()
                                 << "tolerance " << static_cast<double>(tolerance) << ", high "
                                 << high << ", low " << low);
                    const bool expected = plainRule(low, high, tolerance);
                    ASSERT_EQ(solverdetail::Passes<false>(low, high, tiny, tolerance, rejectBelow),
                              expected);
                    ASSERT_EQ(solverdetail::Passes<true>(low, high, tiny, tolerance, rejectBelow),
                              expected);
                }
            }
        }
    }
}
