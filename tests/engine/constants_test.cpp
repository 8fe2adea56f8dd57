// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"

#include <gtest/gtest.h>

#include <cmath>

using enum TLigand;
using enum TPartner;

namespace {

TEngine DefaultEngine(TReal ionStr, TReal pH)
{
    TEngine e;
    e.LoadDefaultConstants();
    e.SetIonStr(ionStr);
    e.SetpH(pH);
    e.AdjustConstants();
    e.MakeApparentConstants();
    return e;
}

} // namespace

TEST(MachineEpsilon, IsTwoToTheMinus63)
{
    EXPECT_EQ(MachineEpsilon(), std::ldexp(1.0L, -63));
}

TEST(ActivityTerm, PiecesAndJumps)
{
    struct Case {
        TReal I;
        double expected;
    };
    const Case cases[] = {
        {0, 0},
        {0.000999999L, 0.016099},
        {0.001L, 0.015606},
        {0.0999999L, 0.122313},
        {0.1L, 0.112131},
        {0.2L, 0.136957},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.I));
        EXPECT_NEAR(static_cast<double>(ActivityTerm(c.I)), c.expected, 5e-7);
    }
}

TEST(ActivityTerm, NegativeIonicStrengthIsAnInvalidOperation)
{
    try {
        ActivityTerm(-0.01L);
        FAIL() << "no error";
    } catch (const TCalcError& e) {
        EXPECT_EQ(e.what(), CalcMessage::InvalidOp);
    }
}

TEST(LoadDefaultConstants, TableAndComputedPhosphate)
{
    TEngine e;
    e.SetBaseEntry(ligATP, ptCa, 3, 7); // a user entry that Default must remove
    e.LoadDefaultConstants();
    EXPECT_EQ(e.BaseConst()[ligATP][ptH][0], 6.50L);
    EXPECT_EQ(e.BaseConst()[ligEGTA][ptCa][0], 10.97L);
    EXPECT_EQ(e.BaseConst()[ligEDTA][ptH][3], 1.99L);
    EXPECT_EQ(e.BaseConst()[ligATP][ptCa][3], 0);
    EXPECT_EQ(e.BaseConst()[ligPO4][ptMg][0], 0);
    EXPECT_NEAR(static_cast<double>(e.BaseConst()[ligPO4][ptH][0]), 11.652, 5e-4);
    EXPECT_NEAR(static_cast<double>(e.BaseConst()[ligPO4][ptH][1]), 6.758, 5e-4);
    EXPECT_NEAR(static_cast<double>(e.BaseConst()[ligPO4][ptH][2]), 1.937, 5e-4);
    EXPECT_NEAR(static_cast<double>(e.BaseConst()[ligPO4][ptMg][1]), 2.079, 5e-4);
    EXPECT_NEAR(static_cast<double>(e.BaseConst()[ligPO4][ptCa][1]), 1.899, 5e-4);
    // A is rounded to double before use.
    const double a = static_cast<double>(ActivityTerm(0.1L));
    EXPECT_EQ(e.BaseConst()[ligPO4][ptH][0], 12.325L - 6 * static_cast<TReal>(a));

    int present = 0;
    for (const auto& block : e.BaseConst())
        for (const auto& row : block)
            for (TReal v : row)
                present += v > 0;
    EXPECT_EQ(present, 33);
}

TEST(LoadDefaultConstants, LeavesDerivedTablesAlone)
{
    TEngine e = DefaultEngine(0.2L, 8);
    const TConstTable corr = e.CorrConst();
    const TConstTable app = e.AppConst();
    e.SetBaseConst({});
    e.LoadDefaultConstants();
    EXPECT_EQ(e.CorrConst(), corr);
    EXPECT_EQ(e.AppConst(), app);
}

TEST(AdjustConstants, ReferenceIonicStrengthChangesNothing)
{
    TEngine e = DefaultEngine(0.1L, 7);
    EXPECT_EQ(e.CorrConst(), e.BaseConst());
}

TEST(AdjustConstants, ChargeFactorsAtZeroIonicStrength)
{
    TEngine e = DefaultEngine(0, 7);
    EXPECT_NEAR(static_cast<double>(e.CorrConst()[ligATP][ptH][0]), 7.397, 5e-4);
    EXPECT_NEAR(static_cast<double>(e.CorrConst()[ligATP][ptMg][0]), 5.794, 5e-4);
    const double d = static_cast<double>(ActivityTerm(0) - ActivityTerm(0.1L));
    // EGTA-H steps 1..4 move by 2c*d with c = 4, 3, 2, 1.
    for (std::size_t step = 0; step < 4; ++step) {
        SCOPED_TRACE(step);
        const TReal c = 4 - static_cast<TReal>(step);
        EXPECT_EQ(e.CorrConst()[ligEGTA][ptH][step], e.BaseConst()[ligEGTA][ptH][step] - c * d * 2);
    }
}

TEST(AdjustConstants, JumpsOfTheActivityTermShowInTheConstants)
{
    const TReal pairs[][2] = {{0.0999999L, 0.1L}, {0.000999L, 0.001L}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(static_cast<double>(pair[1]));
        const TEngine below = DefaultEngine(pair[0], 7);
        const TEngine at = DefaultEngine(pair[1], 7);
        EXPECT_GT(std::fabs(static_cast<double>(below.CorrConst()[ligATP][ptMg][0]
                                                - at.CorrConst()[ligATP][ptMg][0])),
                  1e-3);
    }
}

TEST(AdjustConstants, AbsentStepsStayAbsentAndTrivalentFourthStepIsNotCorrected)
{
    TEngine e;
    e.LoadDefaultConstants();
    e.SetBaseEntry(ligADP, ptH, 3, 1.5L);
    e.SetIonStr(0);
    e.SetpH(7.5L);
    e.AdjustConstants();
    e.MakeApparentConstants();
    EXPECT_EQ(e.CorrConst()[ligADP][ptH][3], 1.5L);
    EXPECT_EQ(e.AppConst()[ligADP][ptH][3], std::pow(10.0L, 1.5L - 7.5L));
    EXPECT_EQ(e.CorrConst()[ligATP][ptH][2], 0);
    EXPECT_EQ(e.AppConst()[ligATP][ptH][2], 0);
    EXPECT_EQ(e.AppConst()[ligPO4][ptMg][0], 0);
}

TEST(AdjustConstants, NegativeIonicStrengthIsRejectedBeforeAnyTableChanges)
{
    TEngine e = DefaultEngine(0.2L, 8);
    const TConstTable corr = e.CorrConst();
    e.SetIonStr(-0.1L);
    try {
        e.AdjustConstants();
        FAIL() << "no error";
    } catch (const TCalcError& err) {
        EXPECT_EQ(err.what(), CalcMessage::NegativeIonStr);
    }
    EXPECT_EQ(e.CorrConst(), corr);
}

TEST(MakeApparentConstants, PhMovesOnlyProtonationRows)
{
    const TEngine a = DefaultEngine(0.15L, 7);
    const TEngine b = DefaultEngine(0.15L, 8);
    for (TLigand lig : AllLigands) {
        SCOPED_TRACE(static_cast<int>(lig));
        EXPECT_EQ(a.AppConst()[lig][ptMg], b.AppConst()[lig][ptMg]);
        EXPECT_EQ(a.AppConst()[lig][ptCa], b.AppConst()[lig][ptCa]);
        EXPECT_NE(a.AppConst()[lig][ptH][0], b.AppConst()[lig][ptH][0]);
        EXPECT_NE(a.BindSums()[lig][ptH], b.BindSums()[lig][ptH]);
    }
}

TEST(MakeApparentConstants, BindingSums)
{
    const TEngine e = DefaultEngine(0.2L, 7.2L);
    const auto& h = e.AppConst()[ligEGTA][ptH];
    const TReal expectedH = 1 + h[0] + h[0] * h[1] + h[0] * h[1] * h[2] + h[0] * h[1] * h[2] * h[3];
    EXPECT_NEAR(static_cast<double>(e.BindSums()[ligEGTA][ptH] / expectedH), 1.0, 1e-15);
    // Phosphate binds the metals only as HPO4(2-).
    EXPECT_EQ(e.BindSums()[ligPO4][ptMg], e.AppConst()[ligPO4][ptH][0] * e.AppConst()[ligPO4][ptMg][1]);
    // A ligand without protonation constants has a proton sum of 1.
    TEngine bare = DefaultEngine(0.2L, 7.2L);
    for (std::size_t step = 0; step < StepCount; ++step)
        bare.SetBaseEntry(ligADP, ptH, step, 0);
    bare.AdjustConstants();
    bare.MakeApparentConstants();
    EXPECT_EQ(bare.BindSums()[ligADP][ptH], 1);
}

TEST(MakeApparentConstants, OverflowOfTenToTheConstant)
{
    TEngine e;
    e.LoadDefaultConstants();
    e.SetBaseEntry(ligEDTA, ptCa, 1, 6000);
    e.SetIonStr(0.1L);
    e.SetpH(7);
    e.AdjustConstants();
    try {
        e.MakeApparentConstants();
        FAIL() << "no error";
    } catch (const TCalcError& err) {
        EXPECT_EQ(err.what(), CalcMessage::Overflow);
    }
    // Ligands before EDTA were finished before the fault.
    EXPECT_GT(e.BindSums()[ligEGTA][ptCa], 0);
    EXPECT_EQ(e.BindSums()[ligADP][ptCa], 0);
}

TEST(GetIonStrTris, ValuesAtPh)
{
    TEngine e;
    e.SetpH(8);
    EXPECT_NEAR(static_cast<double>(e.GetIonStrTris()), 0.031184, 1e-15);
    e.SetpH(7);
    EXPECT_NEAR(static_cast<double>(e.GetIonStrTris()), 0.0407, 1e-4);
    e.SetpH(11.5L);
    EXPECT_LT(e.GetIonStrTris(), 0);
}
