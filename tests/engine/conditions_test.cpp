// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The temperature correction and the pH scale of the engine, against hand-computed values.
#include "engine/bindconst.h"
#include "tests/engine/testcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using enum TLigand;
using enum TPartner;

namespace {

constexpr TReal KcalToJ = 4184;

// Default constants with EGTA's enthalpies of a 20 degree set (kcal/mol): H steps 0 and 1,
// Ca step 0; everything else without.
TConstOrigin EgtaOrigin()
{
    TConstOrigin origin;
    origin.SetName = "EGTA at 20";
    origin.ReferenceC = 20;
    origin.EnthalpyJPerMol[ligEGTA][ptH][0] = -5.9L * KcalToJ;
    origin.EnthalpyJPerMol[ligEGTA][ptH][1] = -5.8L * KcalToJ;
    origin.EnthalpyJPerMol[ligEGTA][ptCa][0] = -8.4L * KcalToJ;
    return origin;
}

TEngine CorrectedAt(std::optional<TReal> celsius, const TConstOrigin& origin, TReal ionStr = 0.1L)
{
    TEngine e;
    e.LoadDefaultConstants();
    e.SetBaseEntry(ligEGTA, ptCa, 0, 10.973L);
    e.SetBaseEntry(ligEGTA, ptH, 0, 9.476L);
    e.SetOrigin(origin);
    e.SetTemperatureC(celsius);
    e.SetIonStr(ionStr);
    e.SetpH(7);
    e.AdjustConstants();
    e.MakeApparentConstants();
    return e;
}

bool SameBits(const TConstTable& a, const TConstTable& b)
{
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step)
                if (std::memcmp(&a[lig][pt][step], &b[lig][pt][step], 10) != 0)
                    return false;
    return true;
}

} // namespace

TEST(Temperature, KnownVantHoffShiftsAgainstHandComputedValues)
{
    // log K(T) = log K(20 C) - dH / (R ln 10) (1/T - 1/293.15 K), worked to 40 digits.
    struct TCase {
        const char* Name;
        TReal Celsius;
        TLigand Ligand;
        TPartner Partner;
        TReal Expected;
    };
    const TCase cases[] = {
        {"EGTA-Ca 20 -> 25 C", 25, ligEGTA, ptCa, 10.86798136230656151L},
        {"EGTA-H step 0 20 -> 37 C", 37, ligEGTA, ptH, 9.23490897070708044L},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TEngine e = CorrectedAt(c.Celsius, EgtaOrigin());
        EXPECT_NEAR(static_cast<double>(e.CorrConst()[c.Ligand][c.Partner][0]),
                    static_cast<double>(c.Expected), 1e-6);
        EXPECT_NEAR(
            static_cast<double>(e.CorrConst()[c.Ligand][c.Partner][0] - c.Expected), 0, 1e-15);
    }
}

TEST(Temperature, AtTheReferenceOrUnsetNothingChanges)
{
    const TEngine unset = CorrectedAt(std::nullopt, EgtaOrigin(), 0.2L);
    const TEngine atReference = CorrectedAt(20, EgtaOrigin(), 0.2L);
    EXPECT_TRUE(SameBits(unset.CorrConst(), atReference.CorrConst()));
    EXPECT_TRUE(SameBits(unset.AppConst(), atReference.AppConst()));

    // A set that does not say its temperature cannot be corrected at all.
    TConstOrigin unknown = EgtaOrigin();
    unknown.ReferenceC.reset();
    const TEngine uncorrected = CorrectedAt(37, unknown, 0.2L);
    EXPECT_TRUE(SameBits(unset.CorrConst(), uncorrected.CorrConst()));
}

TEST(Temperature, KilojoulesAndKilocaloriesOfTheSameEnthalpyAgree)
{
    // -8.4 kcal/mol is -35.1456 kJ/mol.
    TConstOrigin kcal = EgtaOrigin();
    TConstOrigin kj = EgtaOrigin();
    kj.EnthalpyJPerMol[ligEGTA][ptCa][0] = -35.1456L * 1000;
    const TReal a = CorrectedAt(30, kcal).CorrConst()[ligEGTA][ptCa][0];
    const TReal b = CorrectedAt(30, kj).CorrConst()[ligEGTA][ptCa][0];
    EXPECT_NEAR(static_cast<double>(a - b), 0, 1e-14);
    EXPECT_NE(a, TReal(10.973L)); // the correction did happen
}

TEST(Temperature, EntriesWithoutEnthalpyStandAndAreCounted)
{
    const TEngine plain = CorrectedAt(std::nullopt, EgtaOrigin());
    const TEngine warm = CorrectedAt(30, EgtaOrigin());
    // 33 entries of the default table are read by a calculation; three have an enthalpy.
    EXPECT_EQ(plain.UncorrectedEntries(), 0);
    EXPECT_EQ(warm.UncorrectedEntries(), 30);
    EXPECT_EQ(warm.CorrConst()[ligATP][ptMg][0], plain.CorrConst()[ligATP][ptMg][0]);
    EXPECT_EQ(warm.CorrConst()[ligPO4][ptH][1], plain.CorrConst()[ligPO4][ptH][1]);
    EXPECT_NE(warm.CorrConst()[ligEGTA][ptH][1], plain.CorrConst()[ligEGTA][ptH][1]);

    // A metal step 3 value is never read, so it is not counted; an absent step neither.
    TEngine withStep3 = warm;
    withStep3.SetBaseEntry(ligATP, ptMg, 3, 1.5L);
    withStep3.SetBaseEntry(ligATP, ptH, 1, 0);
    EXPECT_EQ(withStep3.UncorrectedEntries(), 29);
}

TEST(Temperature, ChangingItRemakesTheConstantsOfTheNextCalculation)
{
    TTestCalc calc;
    calc.Engine.SetOrigin(EgtaOrigin());
    calc.Solve(TCalcMode::cmEveryGiven);
    const TReal freeCa20 = calc.State.FreeCa;
    calc.Engine.SetTemperatureC(37);
    calc.Solve(TCalcMode::cmEveryGiven);
    // EGTA binds Ca++ more weakly when warm (exothermic binding): more free Ca++.
    EXPECT_GT(calc.State.FreeCa, freeCa20 * 1.1L);
    calc.Engine.SetTemperatureC(std::nullopt);
    calc.Solve(TCalcMode::cmEveryGiven);
    EXPECT_EQ(calc.State.FreeCa, freeCa20);
}

TEST(pHScale, MeterReadingEqualsTheConvertedConcentrationTypedIn)
{
    // pcH = pH - ActivityTerm(I), worked by hand: ActivityTerm(0.1) = 0.11213083964352466,
    // ActivityTerm(0.15) = 0.12685474371225835.
    struct TCase {
        TReal IonStr;
        TReal pcH;
    };
    const TCase cases[] = {{0.1L, 6.88786916035647534L}, {0.15L, 6.87314525628774165L}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.IonStr));
        for (TCalcMode mode : {TCalcMode::cmEveryGiven, TCalcMode::cmCa}) {
            TTestCalc meter;
            meter.Engine.SetIonStr(c.IonStr);
            meter.Engine.SetpH(7);
            meter.Engine.SetpHScale(TpHScale::psActivity);
            TTestCalc typed;
            typed.Engine.SetIonStr(c.IonStr);
            typed.Engine.SetpH(c.pcH);
            meter.Solve(mode);
            typed.Solve(mode);
            EXPECT_NEAR(static_cast<double>(meter.Engine.pcH() - c.pcH), 0, 1e-15);
            EXPECT_EQ(meter.Engine.pH(), 7); // the reading itself stays as given
            const TReal relative = (meter.State.FreeCa - typed.State.FreeCa) / typed.State.FreeCa;
            EXPECT_NEAR(static_cast<double>(relative), 0, 1e-12);
            EXPECT_NEAR(
                static_cast<double>((meter.State.HEGTA - typed.State.HEGTA) / typed.State.HEGTA), 0,
                1e-12);
        }
    }
}

TEST(pHScale, ConcentrationScaleUsesThePhAsItIs)
{
    TTestCalc calc;
    calc.Engine.SetpH(7.25L);
    EXPECT_EQ(calc.Engine.pcH(), 7.25L);
    TTestCalc meter;
    meter.Engine.SetpHScale(TpHScale::psActivity);
    meter.Engine.SetIonStr(-0.1L);
    EXPECT_THROW(meter.Engine.pcH(), TCalcError);
}

TEST(Conditions, DefaultOnlyForTheBuiltInSetWithoutTemperatureOnTheConcentrationScale)
{
    TEngine e;
    e.LoadDefaultConstants();
    EXPECT_TRUE(e.HasDefaultConditions());
    e.SetBaseEntry(ligATP, ptMg, 0, 4.1L); // an edit of the built-in table is still it
    EXPECT_TRUE(e.HasDefaultConditions());
    TEngine warm = e;
    warm.SetTemperatureC(20);
    EXPECT_FALSE(warm.HasDefaultConditions());
    TEngine meter = e;
    meter.SetpHScale(TpHScale::psActivity);
    EXPECT_FALSE(meter.HasDefaultConditions());
    TEngine other = e;
    other.SetOrigin(EgtaOrigin());
    EXPECT_FALSE(other.HasDefaultConditions());
}

TEST(Conditions, AnEngineMovedBetweenConditionsGivesWhatAFreshEngineGives)
{
    // One engine taken from 25 to 37 and back to 25 degrees C, and between the pH scales,
    // as a window that stays open is; each calculation must equal that of an engine that
    // starts at those conditions, to the bit.
    struct TStep {
        std::optional<TReal> Celsius;
        TpHScale Scale;
    };
    const TpHScale conc = TpHScale::psConcentration, meter = TpHScale::psActivity;
    const TStep steps[] = {{25, conc},
                           {37, conc},
                           {25, conc},
                           {25, meter},
                           {37, meter},
                           {37, conc},
                           {std::nullopt, meter},
                           {20, meter},
                           {20.5L, meter},
                           {std::nullopt, conc},
                           {37, meter}};
    const auto setUp = [](TTestCalc& calc, const TStep& step) {
        calc.Engine.SetTemperatureC(step.Celsius);
        calc.Engine.SetpHScale(step.Scale);
    };
    for (const TCalcMode mode : {TCalcMode::cmEveryGiven, TCalcMode::cmCa}) {
        // Only the temperature and the scale change between the reused engine's
        // calculations.
        TTestCalc reused;
        reused.Engine.SetOrigin(EgtaOrigin());
        const TCalcState inputs = reused.State;
        std::vector<TReal> seen;
        for (const TStep& step : steps) {
            SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + ": "
                         + (step.Celsius ? std::to_string(static_cast<double>(*step.Celsius))
                                         : std::string("no temperature"))
                         + (step.Scale == meter ? ", meter" : ", concentration"));
            setUp(reused, step);
            reused.State = inputs;
            reused.Solve(mode);
            TTestCalc fresh;
            fresh.Engine.SetOrigin(EgtaOrigin());
            setUp(fresh, step);
            fresh.Solve(mode);
            EXPECT_TRUE(SameBits(reused.Engine.CorrConst(), fresh.Engine.CorrConst()));
            EXPECT_TRUE(SameBits(reused.Engine.AppConst(), fresh.Engine.AppConst()));
            const TReal result = mode == TCalcMode::cmCa ? reused.State.TotalCa
                                                         : reused.State.FreeCa;
            EXPECT_EQ(result, mode == TCalcMode::cmCa ? fresh.State.TotalCa : fresh.State.FreeCa);
            seen.push_back(result);
        }
        // The conditions matter: 25 and 37 degrees C, and the two scales, differ.
        EXPECT_NE(seen[0], seen[1]);
        EXPECT_NE(seen[2], seen[3]);
        EXPECT_EQ(seen[0], seen[2]);
    }
}
