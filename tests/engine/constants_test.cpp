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
        {0, 0},           {0.000999999L, 0.016099}, {0.001L, 0.015606}, {0.0999999L, 0.122313},
        {0.1L, 0.112131}, {0.2L, 0.136957},
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

// The whole built-in table: the 28 literal values, the five phosphate values brought to
// 0.1 M (computed at 40 digits from 12.325 - 6A, 7.207 - 4A, 2.161 - 2A, 1.88 - 8D and
// 1.7 - 8D with A = 0.1121308396435246602 and D = -0.02482571219276107771, each rounded
// to a double), and a zero in each of the other 27 entries, also after a user's edit.
TEST(LoadDefaultConstants, EveryEntryOfTheBuiltInTable)
{
    using TRow = std::array<TReal, StepCount>;
    const TPerLigand<std::array<TRow, PartnerCount>> expected {{{
        {{{6.50L, 4.05L, 0, 0}, {4.00L, 2.00L, 0, 0}, {3.60L, 1.80L, 0, 0}}},           // ATP
        {{{9.46L, 8.85L, 2.65L, 2.00L}, {5.20L, 3.40L, 0, 0}, {10.97L, 5.30L, 0, 0}}},  // EGTA
        {{{10.26L, 6.16L, 2.67L, 1.99L}, {8.69L, 2.28L, 0, 0}, {10.59L, 3.51L, 0, 0}}}, // EDTA
        {{{6.44L, 3.93L, 0, 0}, {3.17L, 1.64L, 0, 0}, {2.86L, 1.58L, 0, 0}}},           // ADP
        {{{11.652214962138852039L, 6.7584766414259013594L, 1.9367383207129506797L, 0},
          {0, 2.0786056975420886217L, 0, 0},
          {0, 1.8986056975420886217L, 0, 0}}}, // PO4
    }}};
    TEngine e;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step)
                e.SetBaseEntry(lig, pt, step, 7); // user entries that the defaults replace
    e.LoadDefaultConstants();
    int present = 0;
    for (TLigand lig : AllLigands) {
        for (TPartner pt : AllPartners) {
            for (std::size_t step = 0; step < StepCount; ++step) {
                SCOPED_TRACE(testing::Message()
                             << LigandNames[static_cast<std::size_t>(lig)] << "-"
                             << PartnerNames[static_cast<std::size_t>(pt)] << " step " << step);
                const TReal want = expected[lig][static_cast<std::size_t>(pt)][step];
                const TReal got = e.BaseConst()[lig][pt][step];
                if (lig == ligPO4)
                    EXPECT_NEAR(static_cast<double>(got), static_cast<double>(want), 1e-15);
                else
                    EXPECT_EQ(got, want);
                present += got > 0;
            }
        }
    }
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
    // At 0 M every constant rises by its charge factor times A = 0.1121308396435246602:
    // 8A, 6A, 4A, 2A for the EGTA-H steps, 16A for ATP-Mg step 0, 8A for ADP-Ca step 1.
    TEngine e = DefaultEngine(0, 7);
    struct Case {
        TLigand Lig;
        TPartner Partner;
        std::size_t Step;
        double Expected;
    };
    const Case cases[] = {
        {ligATP, ptH, 0, 7.3970467171481972812},  {ligATP, ptMg, 0, 5.7940934342963945625},
        {ligEGTA, ptH, 0, 10.357046717148197281}, {ligEGTA, ptH, 1, 9.5227850378611479609},
        {ligEGTA, ptH, 2, 3.0985233585740986406}, {ligEGTA, ptH, 3, 2.2242616792870493203},
        {ligADP, ptCa, 1, 2.4770467171481972812},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(k.Lig) << " "
                                        << static_cast<int>(k.Partner) << " " << k.Step);
        EXPECT_NEAR(
            static_cast<double>(e.CorrConst()[k.Lig][k.Partner][k.Step]), k.Expected, 1e-14);
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
    EXPECT_NEAR(static_cast<double>(e.AppConst()[ligADP][ptH][3] / 1e-6L), 1, 1e-15);
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
    // At 0.2 M and pH 7.2, computed at 40 digits from the corrected constants: EGTA's four
    // protonation steps and its Mg and Ca steps 0 and 1; phosphate binds the metals only as
    // HPO4(2-); ADP has two protonation steps.
    const TEngine e = DefaultEngine(0.2L, 7.2L);
    struct Case {
        TLigand Lig;
        TPartner Partner;
        double Expected;
    };
    const Case cases[] = {
        {ligEGTA, ptH, 3767.5034890657226304},  {ligEGTA, ptMg, 209210.96713196285374},
        {ligEGTA, ptCa, 37404427292.827999779}, {ligPO4, ptH, 25890.766470479297835},
        {ligPO4, ptMg, 1524967.8541364674786},  {ligPO4, ptCa, 1007536.2696501674267},
        {ligADP, ptH, 1.1233761591417991614},   {ligADP, ptCa, 367.7986017553020241},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(k.Lig) << " " << static_cast<int>(k.Partner));
        EXPECT_NEAR(static_cast<double>(e.BindSums()[k.Lig][k.Partner]) / k.Expected, 1, 1e-15);
    }
    // A ligand without protonation constants has a proton sum of exactly 1.
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
