// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Further ligands: their constants corrected by the charges of each reaction and by van 't
// Hoff, their complexes in the cation balances of every mode, and their species in the mass
// balance and the ionic strength. The expectations are computed here from the laws, not
// from the engine's helpers.
#include "engine/bindconst.h"
#include "engine/solverdetail.h"
#include "tests/engine/testcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

using enum TLigand;
using enum TPartner;
using enum TCalcMode;

namespace {

// The activity term written out from its definition (Davies, with the method's joins).
TReal Davies(TReal i)
{
    const TReal s = std::sqrt(i);
    if (i < 0.001L)
        return 0.5091L * s;
    if (i < 0.1L)
        return 0.5091L * s / (1 + s);
    return 0.5091L * (s / (1 + s) - 0.2L * i);
}

// Creatine phosphate as the bundled library defines it: charge -2, two protons, ML only.
TFurtherLigand CreatinePhosphate()
{
    TFurtherLigand l;
    l.Charge = -2;
    l.BaseConst[ptH] = {4.7L, 2.82L, 0, 0};
    l.BaseConst[ptMg] = {1.3L, 0, 0, 0};
    l.BaseConst[ptCa] = {1.15L, 0, 0, 0};
    return l;
}

// A further ligand that is EGTA in all but name.
TFurtherLigand EgtaTwin(const TEngine& engine)
{
    TFurtherLigand l;
    l.Charge = -4;
    l.BaseConst = engine.BaseConst()[ligEGTA];
    return l;
}

class FurtherEveryMode : public ::testing::TestWithParam<int> { };

} // namespace

// Splitting EGTA between itself and a twin that binds exactly as it does must change no
// free cation and no total the mode computes.
TEST_P(FurtherEveryMode, HalfTheEgtaAsAnIdenticalFurtherLigandChangesNothing)
{
    const auto mode = static_cast<TCalcMode>(GetParam());
    TTestCalc whole = RichCalc();
    whole.Solve(mode);

    TTestCalc split = RichCalc();
    const TFurtherLigand twin = EgtaTwin(split.Engine);
    split.Engine.SetFurtherLigands({&twin, 1});
    split.State.TotalLigand[ligEGTA] = whole.State.TotalLigand[ligEGTA] / 2;
    split.State.Further[0].Total = whole.State.TotalLigand[ligEGTA] / 2;
    split.Solve(mode);

    const auto& a = whole.State;
    const auto& b = split.State;
    EXPECT_LT(Rel(a.FreeMg, b.FreeMg), 1e-12);
    EXPECT_LT(Rel(a.FreeCa, b.FreeCa), 1e-12);
    EXPECT_LT(Rel(a.TotalMg, b.TotalMg), 1e-12);
    EXPECT_LT(Rel(a.TotalCa, b.TotalCa), 1e-12);
    EXPECT_LT(Rel(a.TotalLigand[ligATP], b.TotalLigand[ligATP]), 1e-12);
    EXPECT_LT(Rel(a.MgATP, b.MgATP), 1e-12);
    EXPECT_LT(Rel(a.CaATP, b.CaATP), 1e-12);
    // The twin holds exactly the half of each EGTA species.
    EXPECT_LT(Rel(b.Further[0].Free, b.FreeLigand[ligEGTA]), 1e-12);
    EXPECT_LT(Rel(b.Further[0].Ca, b.CaEGTA), 1e-12);
    EXPECT_LT(Rel(b.Further[0].MgH, b.MgHEGTA), 1e-12);
    EXPECT_LT(Rel(b.Further[0].Protonated[1], b.H2EGTA), 1e-12);
    EXPECT_LT(Rel(2 * b.CaEGTA, a.CaEGTA), 1e-12);
    // The estimate counts every species of a further ligand, its MHL- complexes too, which
    // the built-in EGTA terms leave out.
    const TReal mhl = (b.Further[0].MgH + b.Further[0].CaH) / 2;
    EXPECT_LT(Rel(split.Engine.GetIonStr(b), whole.Engine.GetIonStr(a) + mhl), 1e-12);
}

// The fast bracketing and the checked one must agree to the bit with further ligands too.
TEST_P(FurtherEveryMode, FastAndCheckedSolversAgreeToTheBit)
{
    const auto mode = static_cast<TCalcMode>(GetParam());
    TTestCalc fast = RichCalc();
    const TFurtherLigand ligands[] = {CreatinePhosphate(), EgtaTwin(fast.Engine)};
    fast.Engine.SetFurtherLigands(ligands);
    fast.State.Further[0].Total = 0.0145L;
    fast.State.Further[1].Total = 0.001L;
    TTestCalc checked = fast;
    fast.Solve(mode);
    checked.Engine.AdjustConstants();
    checked.Engine.MakeApparentConstants();
    solverdetail::SolveMajorsChecked(checked.Engine, checked.State, mode);
    EXPECT_EQ(fast.State.FreeMg, checked.State.FreeMg);
    EXPECT_EQ(fast.State.FreeCa, checked.State.FreeCa);
    EXPECT_EQ(fast.State.TotalMg, checked.State.TotalMg);
    EXPECT_EQ(fast.State.Further[0].Free, checked.State.Further[0].Free);
    EXPECT_EQ(fast.State.Further[1].Free, checked.State.Further[1].Free);
}

// Whatever the mode, each further ligand's species add up to its total, and the cation
// totals hold every complex.
TEST_P(FurtherEveryMode, MassBalancesCloseWithFurtherLigands)
{
    TTestCalc c = RichCalc();
    const TFurtherLigand ligands[] = {CreatinePhosphate(), EgtaTwin(c.Engine)};
    c.Engine.SetFurtherLigands(ligands);
    c.State.Further[0].Total = 0.0145L;
    c.State.Further[1].Total = 0.0005L;
    c.Solve(static_cast<TCalcMode>(GetParam()));
    const auto& s = c.State;
    TReal mgBound = 0, caBound = 0;
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const TFurtherSpecies& f = s.Further[i];
        TReal sum = f.Free + f.Mg + f.MgH + f.Ca + f.CaH;
        for (TReal form : f.Protonated)
            sum += form;
        EXPECT_LT(Rel(sum, f.Total), 1e-8);
        mgBound += f.Mg + f.MgH;
        caBound += f.Ca + f.CaH;
    }
    // Built-in complexes of Mg and Ca from their minor species and the four nucleotide ones.
    mgBound += s.MgATP + s.MgHATP + s.MgADP + s.MgHADP + s.MgEGTA + s.MgHEGTA + s.MgEDTA + s.MgHEDTA
        + s.MgHPO4;
    caBound += s.CaATP + s.CaHATP + s.CaADP + s.CaHADP + s.CaEGTA + s.CaHEGTA + s.CaEDTA + s.CaHEDTA
        + s.CaHPO4;
    EXPECT_LT(Rel(s.FreeMg + mgBound, s.TotalMg), 1e-8);
    EXPECT_LT(Rel(s.FreeCa + caBound, s.TotalCa), 1e-8);
}

INSTANTIATE_TEST_SUITE_P(Modes, FurtherEveryMode, ::testing::Range(0, ModeCount));

// With both free cations given (modes 2 and 4), creatine phosphate only adds its complexes
// to the cation totals: every other species stays to the bit.
TEST(FurtherLigand, CreatinePhosphateAddsExactlyItsComplexesWhereTheFreeCationsAreGiven)
{
    for (TCalcMode mode : {cmMgATP_Mg_MgADP_Ca, cmCaATP_CaADP_Ca_Mg}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TTestCalc without = RichCalc();
        without.Solve(mode);
        TTestCalc with = RichCalc();
        const TFurtherLigand crp = CreatinePhosphate();
        with.Engine.SetFurtherLigands({&crp, 1});
        with.State.Further[0].Total = 0.0145L;
        with.Solve(mode);

        const auto& a = without.State;
        const auto& b = with.State;
        const TFurtherSpecies& f = b.Further[0];
        EXPECT_LT(Rel(b.TotalMg - a.TotalMg, f.Mg + f.MgH), 1e-15 * a.TotalMg / (f.Mg + f.MgH));
        EXPECT_LT(Rel(b.TotalCa - a.TotalCa, f.Ca + f.CaH), 1e-15 * a.TotalCa / (f.Ca + f.CaH));
        EXPECT_GT(f.Mg, 0.0001L); // about 0.2 mM Mg held at 1 mM free Mg
        EXPECT_EQ(a.FreeLigand, b.FreeLigand);
        EXPECT_EQ(a.CaEGTA, b.CaEGTA);
        EXPECT_EQ(a.MgHATP, b.MgHATP);
        EXPECT_EQ(a.TotalLigand, b.TotalLigand);

        TReal balance = f.Free + f.Mg + f.MgH + f.Ca + f.CaH;
        for (TReal form : f.Protonated)
            balance += form;
        EXPECT_LT(Rel(balance, f.Total), 1e-15);

        // The complex over its partners is the constant corrected to 0.15 M by the charges
        // of Mg++ + CrP2- = MgCrP: the squares change by 4 + 4 - 0 = 8.
        const TReal shift = static_cast<double>(Davies(0.15L) - Davies(0.1L));
        const TReal expected = std::pow(10.0L, 1.3L - 8 * shift);
        EXPECT_LT(Rel(f.Mg / (b.FreeMg * f.Free), expected), 1e-15);
        const TReal hcrp = std::pow(10.0L, 4.7L - 4 * shift - 7.1L);
        EXPECT_LT(Rel(f.Protonated[0] / f.Free, hcrp), 1e-15);

        // Its species add their charges to the ionic strength, and so do the two chloride
        // ions that come with the extra Mg and Ca.
        const TReal crpTerm = 4 * f.Free + 1 * f.Protonated[0] + 0 * f.Protonated[1]
            + 1 * f.Protonated[2] + 4 * f.Protonated[3] + 0 * (f.Mg + f.Ca) + 1 * (f.MgH + f.CaH)
            + 2 * (b.TotalMg - a.TotalMg + b.TotalCa - a.TotalCa);
        EXPECT_LT(Rel(with.Engine.GetIonStr(b) - without.Engine.GetIonStr(a), crpTerm / 2), 1e-9);
    }
}

// Each step's log K moves by the change of the sum of squared charges of its reaction,
// whatever the ligand's charge and however many protons it takes.
TEST(FurtherLigand, IonicStrengthCorrectionFollowsTheChargesOfEachReaction)
{
    const TReal ionStr = 0.16L;
    const TReal shift = static_cast<double>(Davies(ionStr) - Davies(0.1L));
    for (int charge = MinFurtherCharge; charge <= MaxFurtherCharge; ++charge) {
        SCOPED_TRACE(charge);
        TFurtherLigand l;
        l.Charge = charge;
        l.BaseConst[ptH] = {9, 7, 5, 3};
        l.BaseConst[ptMg] = {4, 2, 0, 0};
        l.BaseConst[ptCa] = {5, 3, 0, 0};
        TEngine e;
        e.LoadDefaultConstants();
        e.SetIonStr(ionStr);
        e.SetFurtherLigands({&l, 1});
        e.AdjustConstants();
        const TLigandConst& corr = e.FurtherCorr().Const[0];
        for (int step = 0; step < 4; ++step) {
            SCOPED_TRACE(step);
            // H+ + H(s)L -> H(s+1)L; the species' charges are 1, s + charge, s + 1 + charge,
            // and log K falls by the change of their squares times the activity term's.
            const int q = step + charge;
            const int hSquares = 1 + q * q - (q + 1) * (q + 1);
            const auto s = static_cast<std::size_t>(step);
            EXPECT_LT(Rel(corr[ptH][s], l.BaseConst[ptH][s] - hSquares * shift), 1e-17);
            if (step < 2) {
                const int mSquares = 4 + q * q - (q + 2) * (q + 2);
                EXPECT_LT(Rel(corr[ptMg][s], l.BaseConst[ptMg][s] - mSquares * shift), 1e-17);
                EXPECT_LT(Rel(corr[ptCa][s], l.BaseConst[ptCa][s] - mSquares * shift), 1e-17);
            }
        }
    }
}

// A further ligand's entries with an enthalpy follow van 't Hoff from its own reference
// temperature; the others stand and are counted as not corrected.
TEST(FurtherLigand, TemperatureCorrectsEntriesWithAnEnthalpyFromTheLigandsReference)
{
    TFurtherLigand l = CreatinePhosphate();
    l.ReferenceC = 20;
    l.EnthalpyJPerMol[ptMg][0] = 8000; // endothermic binding: stronger when warmer
    TEngine e;
    e.LoadDefaultConstants();
    e.SetIonStr(0.1L);
    e.SetTemperatureC(37);
    e.SetFurtherLigands({&l, 1});
    e.AdjustConstants();
    const TReal r = 8.314462618L;
    const TReal expected = 1.3L
        - 8000 / (r * std::numbers::ln10_v<TReal>)*(1 / (37 + 273.15L) - 1 / (20 + 273.15L));
    EXPECT_LT(Rel(e.FurtherCorr().Const[0][ptMg][0], expected), 1e-17);
    EXPECT_GT(e.FurtherCorr().Const[0][ptMg][0], 1.3L);
    EXPECT_EQ(e.FurtherCorr().Const[0][ptCa][0], 1.15L);
    // Of CrP's four entries three have no enthalpy; the built-in table's are all uncorrected.
    TEngine plain;
    plain.LoadDefaultConstants();
    plain.SetTemperatureC(37);
    EXPECT_EQ(e.UncorrectedEntries(), plain.UncorrectedEntries() + 3);
}

// Taking the further ligands away again leaves the engine computing exactly as one that
// never had them, and a definition the engine cannot use is refused without a change.
TEST(FurtherLigand, RemovedLigandsLeaveNoTraceAndBadDefinitionsAreRefused)
{
    TTestCalc fresh = RichCalc();
    fresh.Solve(cmEveryGiven);
    TTestCalc reused = RichCalc();
    const TFurtherLigand crp = CreatinePhosphate();
    reused.Engine.SetFurtherLigands({&crp, 1});
    reused.State.Further[0].Total = 0.0145L;
    reused.Solve(cmEveryGiven);
    reused.Engine.SetFurtherLigands({});
    reused.State = RichCalc().State;
    const long iterations = reused.Solve(cmEveryGiven);
    EXPECT_EQ(iterations, RichCalc().Solve(cmEveryGiven));
    EXPECT_EQ(reused.State.FreeCa, fresh.State.FreeCa);
    EXPECT_EQ(reused.State.FreeMg, fresh.State.FreeMg);
    EXPECT_EQ(reused.Engine.GetIonStr(reused.State), fresh.Engine.GetIonStr(fresh.State));

    TFurtherLigand badCharge = crp;
    badCharge.Charge = 0;
    TFurtherLigand mgH2L = crp;
    mgH2L.BaseConst[ptMg][2] = 1;
    const std::vector<TFurtherLigand> five(5, crp);
    TEngine e;
    e.SetFurtherLigands({&crp, 1});
    EXPECT_THROW(e.SetFurtherLigands({&badCharge, 1}), std::invalid_argument);
    EXPECT_THROW(e.SetFurtherLigands({&mgH2L, 1}), std::invalid_argument);
    EXPECT_THROW(e.SetFurtherLigands(five), std::invalid_argument);
    EXPECT_EQ(e.FurtherLigands().size(), 1u);
}

// A constant beyond the range of numbers fails the calculation with the overflow message,
// as a built-in one does.
TEST(FurtherLigand, AnOverflowingConstantFailsWithTheRuntimesMessage)
{
    TTestCalc c = RichCalc();
    TFurtherLigand l = CreatinePhosphate();
    l.BaseConst[ptMg][0] = 6000;
    c.Engine.SetFurtherLigands({&l, 1});
    c.State.Further[0].Total = 0.001L;
    const TCalcStatus status = c.Engine.Calculate(c.State, cmEveryGiven);
    EXPECT_EQ(status.Error, CalcMessage::Overflow);
}

// The most a calculation carries: EGTA split five ways, four of them further ligands that
// bind as EGTA does, gives EGTA's own free cations, in modes that iterate and in one that
// does not.
TEST(FurtherLigand, FourFurtherLigandsCarryTheirShareAsOneLigandWould)
{
    for (TCalcMode mode : {cmEveryGiven, cmMgATP_MgADP_Mg, cmCa, cmMgATP_CaATP_Ca}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TTestCalc whole = RichCalc();
        whole.Solve(mode);
        TTestCalc split = RichCalc();
        const std::vector<TFurtherLigand> twins(MaxFurtherLigands, EgtaTwin(split.Engine));
        split.Engine.SetFurtherLigands(twins);
        const TReal fifth = whole.State.TotalLigand[ligEGTA] / 5;
        split.State.TotalLigand[ligEGTA] = fifth;
        for (std::size_t i = 0; i < MaxFurtherLigands; ++i)
            split.State.Further[i].Total = fifth;
        split.Solve(mode);
        EXPECT_LT(Rel(whole.State.FreeMg, split.State.FreeMg), 1e-12);
        EXPECT_LT(Rel(whole.State.FreeCa, split.State.FreeCa), 1e-12);
        EXPECT_LT(Rel(whole.State.TotalCa, split.State.TotalCa), 1e-12);
        for (std::size_t i = 0; i < MaxFurtherLigands; ++i)
            EXPECT_LT(Rel(split.State.Further[i].Ca, split.State.CaEGTA), 1e-12) << i;
    }
}

// A new engine carries no further ligand: its calculations, reports and records are those
// of an engine that never heard of them.
TEST(FurtherLigand, ANewEngineCarriesNone)
{
    const TEngine fresh;
    EXPECT_TRUE(fresh.FurtherLigands().empty());
    TTestCalc c = RichCalc();
    c.Solve(cmEveryGiven);
    EXPECT_EQ(c.Engine.FurtherWork().Count, 0u);
    EXPECT_EQ(c.Engine.FurtherApp().Count, 0u);
}

// With the most further ligands a calculation carries, a calculation touches no condition
// of the engine: the temperature (or its absence) and the pH scale it was given stay, and
// the same engine computes the same inputs again to the bit, as a fresh one does.
TEST(FurtherLigand, FourFurtherLigandsLeaveTheEnginesConditionsAsTheyWere)
{
    for (const std::optional<TReal> celsius : {std::optional<TReal>(25), std::optional<TReal>()}) {
        SCOPED_TRACE(celsius ? "25 °C" : "no temperature");
        TTestCalc first = RichCalc();
        const std::vector<TFurtherLigand> ligands(MaxFurtherLigands, CreatinePhosphate());
        first.Engine.SetFurtherLigands(ligands);
        first.Engine.SetTemperatureC(celsius);
        first.Engine.SetpHScale(TpHScale::psActivity);
        for (std::size_t i = 0; i < MaxFurtherLigands; ++i)
            first.State.Further[i].Total = 0.001L * static_cast<TReal>(i + 1);
        const TCalcState start = first.State;
        first.Solve(cmCa);
        EXPECT_EQ(first.Engine.TemperatureC(), celsius);
        EXPECT_EQ(first.Engine.pHScale(), TpHScale::psActivity);
        EXPECT_EQ(first.Engine.FurtherWork().Count, MaxFurtherLigands);

        TTestCalc again = first;
        again.State = start;
        again.Solve(cmCa);
        EXPECT_EQ(again.State.FreeMg, first.State.FreeMg);
        EXPECT_EQ(again.State.TotalCa, first.State.TotalCa);
        EXPECT_EQ(again.State.Further[3].Mg, first.State.Further[3].Mg);
    }
}
