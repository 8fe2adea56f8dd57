// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The laws a solution as made must obey, recomputed here from the engine's free
// concentrations and constants without the recipe's own sums: every ligand's species add up
// to its total, the charges of every species and ion add up to zero, and the ionic strength
// is the target. Then the titrant against cases worked by hand.

#include "recipe/recipe.h"
#include "recipe/recipeseries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using enum TValueField;
using enum TPartner;

// The engine's charge of each built-in ligand's fully deprotonated form, as chemistry
// writes them: ATP4-, EGTA4-, EDTA4-, ADP3-, PO4 3-.
constexpr int LigandCharge[] {-4, -4, -4, -3, -3};

struct TLaw {
    TReal ChargemM = 0;  // sum c z over the species, H+, OH-, buffer and counter-ions
    TReal IonStr = 0;    // 1/2 sum c z^2, M
    TReal WorstMass = 0; // the largest relative gap between a ligand's species and its total
};

// One ligand's species, enumerated from its free form up: HnL by the stepwise apparent
// constants, ML, MHL, MH2L by the metal's apparent constants. Adds c z and c z^2 and returns
// the sum of the species.
TReal AddLigand(const TLigandConst& base, const TLigandConst& app, TReal free, int z, TReal mg,
                TReal ca, TLaw& law)
{
    TReal form = free, sum = 0;
    for (int n = 0; n <= 4; ++n) {
        if (n > 0)
            form = base[ptH][static_cast<std::size_t>(n - 1)] > 0
                ? form * app[ptH][static_cast<std::size_t>(n - 1)]
                : 0;
        const int charge = z + n;
        sum += form;
        law.ChargemM += form * charge * 1000;
        law.IonStr += form * charge * charge / 2;
        if (n > 2)
            continue;
        for (auto [metal, m] : {std::pair {ptMg, mg}, std::pair {ptCa, ca}}) {
            if (!(base[metal][static_cast<std::size_t>(n)] > 0))
                continue;
            const TReal complex = m * app[metal][static_cast<std::size_t>(n)] * form;
            sum += complex;
            law.ChargemM += complex * (charge + 2) * 1000;
            law.IonStr += complex * (charge + 2) * (charge + 2) / 2;
        }
    }
    return sum;
}

TLaw Laws(const TEngine& engine, const TRecipeOutcome& o)
{
    const TCalcState& s = o.Calc.State;
    TLaw law;
    const auto mass = [&](TReal species, TReal total) {
        if (total > 0)
            law.WorstMass = std::max(law.WorstMass, std::fabs(species / total - 1));
    };
    for (TLigand lig : AllLigands) {
        const auto i = static_cast<std::size_t>(lig);
        mass(AddLigand(engine.BaseConst()[lig], engine.AppConst()[lig], s.FreeLigand[lig],
                       LigandCharge[i], s.FreeMg, s.FreeCa, law),
             s.TotalLigand[lig]);
    }
    for (std::size_t i = 0; i < engine.FurtherLigands().size(); ++i)
        mass(AddLigand(engine.FurtherLigands()[i].BaseConst, engine.FurtherApp().Const[i],
                       s.Further[i].Free, engine.FurtherLigands()[i].Charge, s.FreeMg, s.FreeCa,
                       law),
             s.Further[i].Total);
    const auto ion = [&](TReal mM, int z) {
        law.ChargemM += mM * z;
        law.IonStr += mM / 1000 * z * z / 2;
    };
    ion(s.FreeMg * 1000, 2);
    ion(s.FreeCa * 1000, 2);
    const TReal h = std::pow(TReal {10}, -o.Calc.pcH);
    // Water's ion product at 25 °C and zero ionic strength, 10^-13.995, brought to the
    // temperature (55.815 kJ/mol) and to the ionic strength by the Davies-type term.
    const TReal t = o.Solution.TemperatureC + 273.15L;
    const TReal sqrtI = std::sqrt(engine.IonStr());
    const TReal activity = engine.IonStr() < 0.1L
        ? 0.5091L * sqrtI / (1 + sqrtI)
        : 0.5091L * (sqrtI / (1 + sqrtI) - 0.2L * engine.IonStr());
    const TReal pKw = 13.995L
        - 55815 / (8.314462618L * std::log(TReal {10})) * (1 / 298.15L - 1 / t) - 2 * activity;
    ion(h * 1000, 1);
    ion(std::pow(TReal {10}, -pKw) / h * 1000, -1);
    ion(o.Solution.BufferAcidmM, o.Solution.BufferAcidCharge);
    ion(o.Solution.BufferBasemM, o.Solution.BufferBaseCharge);
    for (const TCounterIon& c : o.Solution.CounterIons)
        ion(c.mM, c.Ion.Charge);
    return law;
}

TRecipe Recipe(TCalcMode mode, TReal pH, TReal ionStr)
{
    TRecipe r = DefaultRecipe();
    r.Calculation.Mode = mode;
    r.Calculation[vfpH] = pH;
    r.Calculation[vfIonStr] = ionStr;
    for (TValueField f : AllValueFields)
        if (IsConcentration(f))
            r.Calculation[f] = 0;
    return r;
}

// A recipe of each mode with something in every balance: EGTA, ATP, phosphate, both
// cations, and the complexes the mode takes.
TRecipe RichRecipe(TCalcMode mode)
{
    TRecipe r = Recipe(mode, 7.1L, 0.18L);
    auto& c = r.Calculation;
    c[vfTotalEGTA] = 7;
    c[vfTotalEDTA] = 0.5L;
    c[vfTotalPO4] = 1;
    c[vfTotalMg] = 6;
    c[vfTotalCa] = 3;
    c[vfTotalATP] = 5;
    c[vfTotalADP] = 0.5L;
    c[vfFreeMg] = 1;
    c[vfFreeCa] = 0.001L;
    c[vfMgATP] = 4;
    c[vfCaATP] = 0.01L;
    c[vfMgADP] = 0.2L;
    c[vfCaADP] = 0.001L;
    r.Salts["adp"] = *FindSalt("ADP (free acid)");
    return r;
}

TEST(RecipeLaws, EveryModeWithEverySaltBufferTitrantAndFillerIsNeutralAtItsTarget)
{
    // Generated recipes: each mode, a random salt of each kind that releases the component,
    // a random buffer, titrant and filler; the balances recomputed here must close.
    std::mt19937 random(20261209);
    const auto pick = [&](const std::vector<std::string>& names) {
        return names[std::uniform_int_distribution<std::size_t>(0, names.size() - 1)(random)];
    };
    const std::vector<std::string> caSalts {"CaCl2\u00B72H2O", "CaCl2 (anhydrous)"};
    const std::vector<std::string> mgSalts {"MgCl2\u00B76H2O", "MgCl2 (anhydrous)"};
    const std::vector<std::string> atpSalts {
        "Na2ATP (anhydrous)", "K2ATP (anhydrous)", "ATP (free acid)"};
    const std::vector<std::string> edtaSalts {"EDTA (free acid)", "Na2EDTA\u00B72H2O"};
    const std::vector<std::string> po4Salts {"KH2PO4", "Na2HPO4 (anhydrous)"};
    const std::vector<std::string> crpSalts {"creatine phosphate disodium salt (anhydrous)"};
    const std::vector<std::string> buffers {
        "imidazole", "MOPS", "HEPES", "BES", "TES", "PIPES", "Tris", "MES"};
    const std::vector<std::string> fillers {
        "KCl", "NaCl", "K-propionate", "K-methanesulfonate", "K-gluconate"};
    int checked = 0;
    for (int round = 0; round < 12; ++round) {
        for (int m = 0; m < ModeCount; ++m) {
            TRecipe r = RichRecipe(static_cast<TCalcMode>(m));
            // Modes 4 and 5 make the totals that their complexes need: more salt.
            r.Calculation[vfIonStr] = 0.5L;
            r.Calculation[vfpH] = std::uniform_real_distribution<double>(6.6, 7.6)(random);
            r.Calculation.TemperatureC = std::uniform_real_distribution<double>(10, 37)(random);
            r.Salts["ca"] = *FindSalt(pick(caSalts));
            r.Salts["mg"] = *FindSalt(pick(mgSalts));
            r.Salts["atp"] = *FindSalt(pick(atpSalts));
            r.Salts["edta"] = *FindSalt(pick(edtaSalts));
            r.Salts["po4"] = *FindSalt(pick(po4Salts));
            const std::size_t crp = AddRunLigand(r.Constants, "CrP", "test");
            r.Calculation.FurtherTotals[crp] = 10;
            r.Salts["CrP"] = *FindSalt(pick(crpSalts));
            const TpHBuffer& buffer = *FindBuffer(pick(buffers));
            r.Buffer = TRecipeBuffer {buffer, *DefaultBufferSalt(buffer), 20};
            r.Filler = *FindSalt(pick(fillers));
            r.ContaminatingCamM = round % 2 ? 0.005L : 0;
            r.Titrant = *FindSalt(round % 3 ? "KOH" : "NaOH");
            TEngine engine;
            TRecipeOutcome o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
            if (o.Calc.Failed())
                continue; // a mode whose inputs leave no solution (a complex beyond its total)
            if (o.Solution.Failed() && o.Solution.Error.find("choose HCl") != std::string::npos) {
                r.Titrant = *FindSalt("HCl");
                o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
            }
            SCOPED_TRACE("mode " + std::to_string(m) + ", round " + std::to_string(round) + ", "
                         + buffer.Name + ", " + r.Filler.Name);
            ASSERT_FALSE(o.Solution.Failed()) << o.Solution.Error;
            const TLaw law = Laws(engine, o);
            EXPECT_LT(law.WorstMass, 1e-11L);
            EXPECT_NEAR(law.ChargemM, 0, 1e-9L);
            EXPECT_NEAR(o.Solution.ChargeBalancemM, 0, 1e-9L);
            EXPECT_NEAR(law.IonStr, 0.5L, 1e-15L);
            EXPECT_NEAR(o.Solution.IonStr, 0.5L, 1e-15L);
            EXPECT_GT(o.Solution.FillermM, 0);
            ++checked;
        }
    }
    EXPECT_GE(checked, 50);
}

TEST(RecipeLaws, AFreeAcidIsTitratedByTheProtonsItReleases)
{
    // 10 mM EGTA weighed as the free acid H4EGTA, nothing else, titrated to pH 7 at 0.1 M
    // (where the table's constants hold as they stand), 25 °C. Worked by hand from the
    // stepwise constants 10^9.46, 10^8.85, 10^2.65, 10^2: each EGTA keeps n protons on
    // average and gives 4 - n to the base, less the free H+ and plus the OH- of pH 7.
    TRecipe r = Recipe(TCalcMode::cmEveryGiven, 7, 0.1L);
    r.Calculation[vfTotalEGTA] = 10;
    r.Calculation.TemperatureC = 25;
    TEngine engine;
    const TRecipeOutcome o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
    ASSERT_FALSE(o.Failed()) << o.Error();
    const TReal h = 1e-7L;
    const TReal b1 = std::pow(TReal {10}, 9.46L) * h;
    const TReal b2 = b1 * std::pow(TReal {10}, 8.85L) * h;
    const TReal b3 = b2 * std::pow(TReal {10}, 2.65L) * h;
    const TReal b4 = b3 * std::pow(TReal {10}, 2.0L) * h;
    const TReal bound = (b1 + 2 * b2 + 3 * b3 + 4 * b4) / (1 + b1 + b2 + b3 + b4);
    const TReal sqrtI = std::sqrt(TReal {0.1L});
    const TReal kw = std::pow(TReal {10}, -13.995L + 2 * 0.5091L * (sqrtI / (1 + sqrtI) - 0.02L));
    const TReal expected = 10 * (4 - bound) - h * 1000 + kw / h * 1000;
    EXPECT_NEAR(o.Solution.TitrantmM, expected, 1e-12L);
    EXPECT_NEAR(o.Solution.TitrantmM, 20.1399L, 1e-4L); // the hand's arithmetic
    EXPECT_EQ(o.Solution.TitrantName, "KOH");
}

TEST(RecipeLaws, TrisBaseIsTitratedDownWithHydrochloricAcid)
{
    // 20 mM Tris weighed as the base, pH 7.5 at 25 °C: TrisH+ (charge +1) and Tris (0) have
    // the same activity correction on both sides, so pKa 8.072 holds at any ionic strength
    // and 20 / (1 + 10^(7.5 - 8.072)) mM must be protonated by the acid.
    TRecipe r = Recipe(TCalcMode::cmEveryGiven, 7.5L, 0.1L);
    r.Calculation.TemperatureC = 25;
    r.Buffer = TRecipeBuffer {*FindBuffer("Tris"), *FindSalt("Tris (base)"), 20};
    r.Titrant = *FindSalt("HCl");
    TEngine engine;
    const TRecipeOutcome o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
    ASSERT_FALSE(o.Failed()) << o.Error();
    const TReal h = std::pow(TReal {10}, -7.5L);
    const TReal acid = 20 / (1 + std::pow(TReal {10}, 7.5L - 8.072L));
    const TReal sqrtI = std::sqrt(TReal {0.1L});
    const TReal kw = std::pow(TReal {10}, -13.995L + 2 * 0.5091L * (sqrtI / (1 + sqrtI) - 0.02L));
    EXPECT_NEAR(o.Solution.BufferAcidmM, acid, 1e-12L);
    EXPECT_NEAR(o.Solution.TitrantmM, -(acid + h * 1000 - kw / h * 1000), 1e-12L);
    // Without the filler: TrisH+ and the acid's Cl- (as much as TrisH+ and H+, less OH-),
    // with H+ and OH-: 1/2 (2 TrisH+ + 2 H+).
    ASSERT_EQ(o.Solution.CounterIons.size(), 2u); // Cl-, then the filler's K+
    EXPECT_NEAR(o.Solution.IonStrWithoutFiller, (acid + h * 1000) / 1000, 1e-15L);
}

TEST(RecipeLaws, ABaseTitrantWhereAcidIsNeededAndTooMuchSaltAreRefusedWithTheirNumbers)
{
    struct TCase {
        const char* Name;
        void (*Change)(TRecipe&);
        const char* Message;
    };
    const TCase cases[] {
        {"Tris base needs acid, KOH cannot give it",
         [](TRecipe& r) {
             r.Buffer = TRecipeBuffer {*FindBuffer("Tris"), *FindSalt("Tris (base)"), 20};
         },
         "needs 15.7"},
        {"EGTA free acid needs base, HCl cannot give it",
         [](TRecipe& r) {
             r.Calculation[vfTotalEGTA] = 10;
             r.Titrant = *FindSalt("HCl");
         },
         "choose KOH or NaOH"},
        {"the salts alone exceed the target ionic strength",
         [](TRecipe& r) {
             r.Calculation[vfTotalMg] = 60;
             r.Calculation[vfIonStr] = 0.1L;
         },
         "already has an ionic strength of 0.18"},
        {"a negative total", [](TRecipe& r) { r.Calculation[vfTotalEGTA] = -1; },
         "-1 mM of egta: a negative amount cannot be weighed"},
        {"a negative total Ca", [](TRecipe& r) { r.Calculation[vfTotalCa] = -1; },
         "-1 mM of ca: a negative amount cannot be weighed"},
        {"the water brings more Ca than a free-Ca mode needs",
         [](TRecipe& r) {
             r.Calculation.Mode = TCalcMode::cmCa;
             r.Calculation[vfpH] = 7;
             r.Calculation[vfTotalEGTA] = 7;
             r.Calculation[vfFreeCa] = 1e-7L; // pCa 10: some 3 uM total Ca
             r.ContaminatingCamM = 0.01L;
         },
         "bring 0.01 mM Ca"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecipe r = Recipe(TCalcMode::cmEveryGiven, 7.5L, 0.1L);
        c.Change(r);
        TEngine engine;
        const TRecipeOutcome o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
        ASSERT_FALSE(o.Calc.Failed()) << o.Calc.Error;
        ASSERT_TRUE(o.Solution.Failed());
        EXPECT_NE(o.Solution.Error.find(c.Message), std::string::npos) << o.Solution.Error;
    }
}

TEST(RecipeLaws, ContaminatingCaJoinsTheTotalOnceInEveryMode)
{
    // Mode 0 takes total Ca: the solution holds the weighed Ca and the contamination. Mode 6
    // computes total Ca for the free Ca: the contamination is part of it and weighed less.
    for (TCalcMode mode : {TCalcMode::cmEveryGiven, TCalcMode::cmCa}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TRecipe r = RichRecipe(mode);
        r.Calculation[vfFreeCa] = 0.0001L;
        TEngine clean;
        const TRecipeOutcome without = ComputeRecipe(clean, r, TOutputFormat::ofCsv);
        r.ContaminatingCamM = 0.02L;
        TEngine dirty;
        const TRecipeOutcome with = ComputeRecipe(dirty, r, TOutputFormat::ofCsv);
        ASSERT_FALSE(without.Failed() || with.Failed()) << without.Error() << with.Error();
        const auto weighedCa = [](const TSolution& s) {
            for (const TWeighingLine& line : s.Weighing)
                if (line.Key == "ca")
                    return line.mM;
            return TReal {0};
        };
        if (mode == TCalcMode::cmEveryGiven) {
            EXPECT_NEAR(with.Calc.State.TotalCa * 1000, 3.02L, 1e-15L);
            EXPECT_NEAR(weighedCa(with.Solution), 3, 1e-15L);
        } else {
            EXPECT_NEAR(with.Calc.State.TotalCa, without.Calc.State.TotalCa, 1e-18L);
            EXPECT_NEAR(weighedCa(with.Solution), weighedCa(without.Solution) - 0.02L, 1e-12L);
        }
        EXPECT_NEAR(with.Solution.ChargeBalancemM, 0, 1e-9L);
    }
}

TEST(RecipeLaws, PurityScalesTheMassNotTheTotal)
{
    TRecipe r = RichRecipe(TCalcMode::cmEveryGiven);
    TEngine a;
    const TRecipeOutcome pure = ComputeRecipe(a, r, TOutputFormat::ofCsv);
    r.Purity["atp"] = 0.8L;
    r.Stocks["ca"] = 100;
    TEngine b;
    const TRecipeOutcome impure = ComputeRecipe(b, r, TOutputFormat::ofCsv);
    ASSERT_FALSE(pure.Failed() || impure.Failed());
    for (std::size_t i = 0; i < pure.Solution.Weighing.size(); ++i) {
        const TWeighingLine& p = pure.Solution.Weighing[i];
        const TWeighingLine& q = impure.Solution.Weighing[i];
        SCOPED_TRACE(p.Key);
        EXPECT_EQ(p.mM, q.mM);
        if (p.Key == "atp") {
            // 5 mM of Na2ATP·3H2O in 100 ml is 302.595 mg pure, 378.24375 mg at 80 %.
            EXPECT_NEAR(*p.Mg, 5 * 0.1L * 605.19L, 1e-12L);
            EXPECT_NEAR(*q.Mg, *p.Mg / 0.8L, 1e-12L);
        } else if (p.Key == "ca") {
            // 3 mM from a 100 mM stock: 3 ml for 100 ml.
            EXPECT_FALSE(q.Mg);
            EXPECT_NEAR(*q.Ul, 3000, 1e-12L);
        } else if (p.Key != "titrant") {
            EXPECT_EQ(p.Mg, q.Mg);
        }
    }
}

TEST(RecipeLaws, PerPointRowsAreEachAtTheTargetAndMixturesDriftFromIt)
{
    TRecipe r = RichRecipe(TCalcMode::cmMgATP_Mg_MgADP_Ca);
    r.Buffer = TRecipeBuffer {*FindBuffer("imidazole"), *FindSalt("imidazole"), 20};
    TSeriesDesign perPoint;
    perPoint.Base = r.Calculation;
    perPoint.Targets = {9, 7, 6, 5.5, 4.5};
    TEngine engine;
    const TRecipeSeries points = RunRecipeSeries(engine, r, perPoint);
    ASSERT_EQ(points.Solutions.size(), 5u);
    TReal lastTotalCa = -1;
    for (std::size_t i = 0; i < points.Rows.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(points.Rows[i].Failed() || points.Solutions[i].Failed());
        EXPECT_NEAR(points.Solutions[i].IonStr, 0.18L, 1e-15L);
        EXPECT_NEAR(points.Solutions[i].ChargeBalancemM, 0, 1e-9L);
        EXPECT_GT(points.Rows[i].Outcome.State.TotalCa, lastTotalCa);
        lastTotalCa = points.Rows[i].Outcome.State.TotalCa;
    }

    TSeriesDesign mixing;
    mixing.Kind = TSeriesKind::skMixing;
    mixing.Mixing.StockA = r.Calculation;
    mixing.Mixing.StockB = r.Calculation;
    mixing.Mixing.StockA[vfTotalCa] = 0;
    mixing.Mixing.StockB[vfTotalCa] = 6.9L;
    mixing.Mixing.StockA[vfTotalEDTA] = mixing.Mixing.StockB[vfTotalEDTA] = 0;
    mixing.Targets = {8, 6.5, 6, 5.5};
    const TRecipeSeries mixed = RunRecipeSeries(engine, r, mixing);
    ASSERT_FALSE(mixed.StockA.Failed() || mixed.StockB.Failed());
    EXPECT_NEAR(mixed.StockA.Solution.IonStr, 0.18L, 1e-15L);
    EXPECT_NEAR(mixed.StockB.Solution.IonStr, 0.18L, 1e-15L);
    for (std::size_t i = 0; i < mixed.Rows.size(); ++i) {
        SCOPED_TRACE(i);
        const TSeriesRow& row = mixed.Rows[i];
        ASSERT_TRUE(row.HasMixture) << row.Outcome.Error;
        const TSolution& s = mixed.Solutions[i];
        // The mixture's K+ is mixed as its totals are.
        const auto k = [](const TSolution& x) {
            for (const TCounterIon& c : x.CounterIons)
                if (c.Ion == TIon {"K", 1})
                    return c.mM;
            return TReal {0};
        };
        EXPECT_NEAR(k(s),
                    (1 - row.FractionB) * k(mixed.StockA.Solution)
                        + row.FractionB * k(mixed.StockB.Solution),
                    1e-12L);
        // Ca binding to EGTA frees protons that a mixture at a fixed pH cannot have taken
        // up: the charge left over is what a real mixture's pH would move by; it is small
        // against the ionic strength, which drifts by a fraction of a per cent.
        EXPECT_LT(std::fabs(s.IonStr - 0.18L), 0.002L);
        EXPECT_LT(std::fabs(s.ChargeBalancemM), 2);
    }
}

TEST(RecipeLaws, AWeakBaseTakesItsProtonsAtLowPH)
{
    // A lab's own further ligand L- whose one proton binds with log K 0.8 (a weak base, as
    // an acetate-like anion would be at a far lower pK): at pH 1 most of it is HL, and the
    // acid that brings the pH must protonate it. The laws hold with it as with any ligand.
    TRecipe r = Recipe(TCalcMode::cmEveryGiven, 1, 0.5L);
    TFurtherLigand weak;
    weak.Name = "Weak";
    weak.Charge = -1;
    weak.BaseConst[ptH][0] = 0.8L;
    r.Constants.Ligands.push_back(weak);
    r.Calculation.FurtherTotals[0] = 50;
    r.Salts["Weak"] = {"K-weak", "", 100, ParseIonList("K+;Weak-"), ""};
    r.Titrant = *FindSalt("HCl");
    r.Calculation.TemperatureC = 25;
    TEngine engine;
    const TRecipeOutcome o = ComputeRecipe(engine, r, TOutputFormat::ofCsv);
    ASSERT_FALSE(o.Failed()) << o.Error();
    const TLaw law = Laws(engine, o);
    EXPECT_LT(law.WorstMass, 1e-15L);
    EXPECT_NEAR(law.ChargemM, 0, 1e-9L);
    // HL / L = 10^(0.8 - 1 + the activity correction of its charges), about 0.5 of 50 mM: the
    // acid is that much and the free H+ of pH 1 besides.
    EXPECT_LT(o.Solution.TitrantmM, -110);
}

TEST(RecipeLaws, AMixtureLacksExactlyTheBaseItsOwnRecipeWouldTake)
{
    // Stock A without Ca and ATP weighed as K2ATP, stock B with Ca and EDTA weighed as
    // Na2EDTA, so Na+ is in B alone. A mixture holds (1 - f) of A's and f of B's every ion,
    // and at its fixed pH its charge is off by what its own recipe's titrant would differ
    // from the mixed titrants: sum c z = (1 - f) base(A) + f base(B) - base(mixture).
    TRecipe r = RichRecipe(TCalcMode::cmEveryGiven);
    r.Salts["atp"] = *FindSalt("K2ATP (anhydrous)");
    r.Salts["edta"] = *FindSalt("Na2EDTA\u00B72H2O");
    r.Buffer = TRecipeBuffer {*FindBuffer("MOPS"), *FindSalt("MOPS (free acid)"), 10};
    TSeriesDesign design;
    design.Kind = TSeriesKind::skMixing;
    design.Mixing.StockA = design.Mixing.StockB = r.Calculation;
    design.Mixing.StockA[vfTotalCa] = design.Mixing.StockA[vfTotalEDTA] = 0;
    design.Mixing.StockB[vfTotalCa] = 6.9L;
    design.Targets = {7, 6, 5.5, 2};
    TEngine engine;
    const TRecipeSeries mixed = RunRecipeSeries(engine, r, design);
    ASSERT_FALSE(mixed.StockA.Failed() || mixed.StockB.Failed());
    const auto ion = [](const TSolution& s, const TIon& which) {
        for (const TCounterIon& c : s.CounterIons)
            if (c.Ion == which)
                return c.mM;
        return TReal {0};
    };
    ASSERT_EQ(ion(mixed.StockA.Solution, {"Na", 1}), 0);
    ASSERT_GT(ion(mixed.StockB.Solution, {"Na", 1}), 0);
    for (std::size_t i = 0; i < mixed.Rows.size(); ++i) {
        const TSeriesRow& row = mixed.Rows[i];
        const TSolution& s = mixed.Solutions[i];
        SCOPED_TRACE(row.PCaTarget);
        if (!row.HasMixture) {
            // pCa 2 is beyond stock B: the row's own message, not a general one.
            EXPECT_EQ(s.Error, row.Outcome.Error);
            EXPECT_FALSE(s.Error.empty());
            continue;
        }
        const TReal f = row.FractionB;
        for (const TIon& which : {TIon {"Na", 1}, TIon {"K", 1}, TIon {"Cl", -1}})
            EXPECT_NEAR(
                ion(s, which),
                (1 - f) * ion(mixed.StockA.Solution, which) + f * ion(mixed.StockB.Solution, which),
                1e-12L)
                << IonText(which);
        TEngine direct;
        const TRecipeOutcome own = ComputeRecipe(
            direct, WithCalculation(r, row.Outcome.Input), TOutputFormat::ofCsv);
        ASSERT_FALSE(own.Failed()) << own.Error();
        const TReal mixedBase = (1 - f) * mixed.StockA.Solution.TitrantmM
            + f * mixed.StockB.Solution.TitrantmM;
        EXPECT_NEAR(s.ChargeBalancemM, mixedBase - own.Solution.TitrantmM, 1e-9L);
        EXPECT_GT(std::fabs(s.ChargeBalancemM), 1e-6L); // the law is not met by zeros
    }
    EXPECT_FALSE(mixed.Rows.back().HasMixture);
}

TEST(RecipeLaws, APointWhoseCalculationFailsHasNoSolutionButItsMessage)
{
    // Mode 5 divides by the CaATP it is given: 0 fails every point, and no solution may be
    // made from the failed calculations.
    TRecipe r = RichRecipe(TCalcMode::cmMgATP_CaATP_Ca);
    r.Calculation[vfCaATP] = 0;
    TSeriesDesign design;
    design.Base = r.Calculation;
    design.Targets = {7, 6};
    TEngine engine;
    const TRecipeSeries points = RunRecipeSeries(engine, r, design);
    for (std::size_t i = 0; i < points.Rows.size(); ++i) {
        ASSERT_TRUE(points.Rows[i].Failed());
        EXPECT_EQ(points.Solutions[i].Error, points.Rows[i].Outcome.Error);
        EXPECT_TRUE(points.Solutions[i].Weighing.empty());
    }
}

TEST(RecipeLaws, AStockThatCannotBeMadeFailsEveryMixture)
{
    TRecipe r = RichRecipe(TCalcMode::cmEveryGiven);
    TSeriesDesign design;
    design.Kind = TSeriesKind::skMixing;
    design.Mixing.StockA = design.Mixing.StockB = r.Calculation;
    design.Mixing.StockA[vfTotalCa] = 0;
    design.Mixing.StockB[vfTotalMg] = 200; // too much salt for 0.18 M
    design.Targets = {7, 6};
    TEngine engine;
    const TRecipeSeries mixed = RunRecipeSeries(engine, r, design);
    ASSERT_FALSE(mixed.StockA.Failed());
    ASSERT_TRUE(mixed.StockB.Failed());
    for (const TSolution& s : mixed.Solutions)
        EXPECT_TRUE(s.Error.starts_with("stock B cannot be made: Without filler")) << s.Error;
}

TEST(RecipeLaws, ARecipeBuiltInCodeIsCheckedAsAFileIs)
{
    struct TCase {
        const char* Name;
        void (*Change)(TRecipe&);
        const char* Message;
    };
    const TCase cases[] {
        {"purity above 1", [](TRecipe& r) { r.Purity["atp"] = 1.2L; }, "purity of atp"},
        {"purity 0", [](TRecipe& r) { r.Purity["atp"] = 0; }, "purity of atp"},
        {"no volume", [](TRecipe& r) { r.VolumeMl = 0; }, "final volume"},
        {"negative contamination", [](TRecipe& r) { r.ContaminatingCamM = -1; }, "contaminating"},
        {"an empty stock", [](TRecipe& r) { r.Stocks["ca"] = 0; }, "stock solution of ca"},
        {"a 2:1 filler", [](TRecipe& r) { r.Filler = *FindSalt("CaCl2\u00B72H2O"); },
         "no 1:1 salt"},
        {"a buffer's acid as titrant",
         [](TRecipe& r) { r.Titrant = *FindSalt("MOPS (free acid)"); }, "no strong base or acid"},
        {"another component's salt",
         [](TRecipe& r) { r.Salts["ca"] = *FindSalt("MgCl2\u00B76H2O"); }, "releases no Ca2+"},
        {"a salt for no component", [](TRecipe& r) { r.Salts["zn"] = *FindSalt("KCl"); },
         "no component"},
        {"a buffer's salt that releases a component",
         [](TRecipe& r) {
             r.Buffer = TRecipeBuffer {*FindBuffer("Tris"), *FindSalt("EGTA (free acid)"), 10};
         },
         "releases no Tris"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRecipe r = RichRecipe(TCalcMode::cmEveryGiven);
        c.Change(r);
        try {
            CheckRecipe(r);
            ADD_FAILURE() << "accepted";
        } catch (const TRecipeError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}

} // namespace
