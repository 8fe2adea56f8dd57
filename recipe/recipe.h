// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The solution as a lab makes it. A recipe is a calculation (a mode and its inputs, further
// ligands, constants, temperature, pH scale) together with how the solution is made: the
// salt weighed for each component (Ca, Mg, each ligand) and its purity, the Ca the water
// and salts bring, a pH buffer, the titrant that brings the pH and the filler salt that
// brings the ionic strength, and the final volume.
//
// From the speciation at the target ionic strength (the calculation's own) it computes:
// - the titrant, from the proton balance: the protons the weighed forms carry (a free acid's,
//   a partly protonated salt's) less those bound at equilibrium (every protonated species of
//   every ligand and complex, the buffer's acid form) and free H+, plus free OH-;
// - the ionic strength of everything but the filler, 1/2 sum c z^2 over every species with
//   its charge, free Mg++ and Ca++, H+ and OH-, the buffer's two forms and every counter-ion;
// - the filler, a 1:1 salt, as the target less that ionic strength, so that the ionic
//   strength the constants were corrected for is the one the solution has;
// - the charge balance (sum c z, zero to rounding when the balances hold) as a check, and
//   the ionic equivalent 1/2 sum c |z|;
// - what to weigh for the final volume (or the volume of a stock solution).

#include "recipe/library.h"
#include "request/compute.h"
#include "request/runconditions.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

/// The components whose salts a recipe weighs besides its further ligands, which are
/// named as the run names them ("CrP").
inline constexpr std::array<std::string_view, 7> BuiltInComponents {
    "ca", "mg", "atp", "egta", "edta", "adp", "po4"};

/// The pH buffer of a recipe: which one, the salt weighed for it and its total in mM.
struct TRecipeBuffer {
    TpHBuffer Buffer;
    TSalt Salt;
    TReal TotalmM = 0;
};

struct TRecipe {
    std::string Name;
    TReal VolumeMl = 100;
    /// The calculation: its ionic strength is the target of the solution. Its further
    /// totals follow Constants.Ligands.
    TCalcInput Calculation = DefaultInput();
    TRunConstants Constants;
    /// The constant set as the recipe names it ("" for the built-in table).
    std::string ConstantsName;
    /// The salt of each component that the recipe chooses; the others take DefaultSalt.
    std::map<std::string, TSalt> Salts;
    /// Fraction of the weighed mass that is the salt, per component (1 where not given).
    std::map<std::string, TReal> Purity;
    TReal ContaminatingCamM = 0;
    std::optional<TRecipeBuffer> Buffer;
    TSalt Titrant;
    TSalt Filler;
    /// Concentrations of stock solutions in mM, per component, "buffer", "filler" and
    /// "titrant": a line that has one gives the volume of stock instead of a mass.
    std::map<std::string, TReal> Stocks;
};

/// A recipe with nothing chosen: the default calculation, KOH as titrant, KCl as filler,
/// 100 ml, no buffer.
TRecipe DefaultRecipe();

/// The bundled salt a component takes when the recipe chooses none: CaCl2·2H2O, MgCl2·6H2O,
/// Na2ATP·3H2O, EGTA and EDTA as free acids, ADP disodium salt, KH2PO4, creatine phosphate
/// disodium salt tetrahydrate, BAPTA as free acid; none for a ligand without a bundled salt.
const TSalt* DefaultSalt(std::string_view component);

/// The bundled salt of a buffer: the one that releases the buffer's base form.
const TSalt* DefaultBufferSalt(const TpHBuffer& buffer);

/// The component key of `name` ("Ca", "EGTA", "crp"): a built-in component in lower case,
/// or the name of the run's further ligand; none otherwise.
std::optional<std::string> ComponentKey(const TRecipe& recipe, std::string_view name);

/// The check a recipe passes before anything is computed: every salt matches its component
/// (releases the component's species, and no other component's), the buffer has a pKa
/// and its salt releases its base form, the titrant is KOH, NaOH or another strong base or
/// acid, the filler a 1:1 salt, purities in (0, 1], the volume positive. Throws TRecipeError
/// naming the component and the salt.
void CheckRecipe(const TRecipe& recipe);

/// The check of a pH buffer: it has a pKa, its acid form's charge is one above its base
/// form's, and it is no phosphate (which the calculation holds as a ligand that binds Mg
/// and Ca). Throws TRecipeError.
void CheckBuffer(const TpHBuffer& buffer);

/// One line of the weighing sheet.
struct TWeighingLine {
    std::string Key;  // the component, "buffer", "filler" or "titrant"
    std::string Salt; // the salt's name
    TReal mM = 0;     // of the component in the solution (of base or acid for the titrant)
    TReal SaltmM = 0; // of formula units of the salt
    TReal MolarMass = 0;
    TReal Purity = 1;
    std::optional<TReal> Mg;      // the mass to weigh for the final volume
    std::optional<TReal> StockmM; // the stock solution's concentration
    std::optional<TReal> Ul;      // the volume of stock for the final volume
};

/// An ion of the solution that no equilibrium changes (Na+, K+, Cl-, ...), in mM.
struct TCounterIon {
    TIon Ion;
    TReal mM = 0;
};

/// The solution as made, besides the calculation's record.
struct TSolution {
    TReal IonStrWithoutFiller = 0; // M
    TReal IonStr = 0;              // M, with the filler: the target when the filler is >= 0
    TReal IonicEquivalent = 0;     // M, 1/2 sum c |z|
    std::string TitrantName;
    TReal TitrantmM = 0; // base added; negative: acid
    std::string FillerName;
    TReal FillermM = 0;
    std::vector<TCounterIon> CounterIons; // in the order they first appear
    bool HasBuffer = false;
    std::string BufferName;
    TReal BufferpKa = 0; // at the solution's temperature and ionic strength
    TReal BufferAcidmM = 0, BufferBasemM = 0;
    int BufferAcidCharge = 0, BufferBaseCharge = 0;
    TReal ChargeBalancemM = 0; // sum c z over every species and ion
    TReal TemperatureC = 0;    // at which the buffer and water were taken
    std::vector<TWeighingLine> Weighing;
    std::vector<std::string> Notes; // what the user should know (a buffer far from its pKa)
    std::string Error;              // why the solution cannot be made as asked

    bool Failed() const { return !Error.empty(); }
};

/// The calculation and the solution of a recipe.
struct TRecipeOutcome {
    TCalcOutcome Calc;
    TSolution Solution;

    bool Failed() const { return Calc.Failed() || Solution.Failed(); }
    const std::string& Error() const { return Calc.Failed() ? Calc.Error : Solution.Error; }
};

/// The calculation's input as the solution holds it: the recipe's calculation with the
/// contaminating Ca added to total Ca where total Ca is an input of the mode.
TCalcInput SolutionInput(const TRecipe& recipe);

/// The solution of a calculation `outcome` (succeeded) that `engine` has just made, with the
/// recipe's salts, buffer, titrant and filler. The engine's tables must be those of the
/// calculation (its pH, ionic strength, temperature and scale). A solution that cannot be
/// made (a filler that would be negative, a titrant of the wrong kind, contaminating Ca
/// beyond the total a free-Ca mode needs) carries its Error, with the numbers that show why.
TSolution MakeSolution(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& outcome);

/// The bracketing tolerance of a recipe's calculations. A solution's charge balance is a
/// check the user sees, and it closes only as well as the Mg and Ca balances do: at the
/// engine's usual 1e-9 it would be off by some 1e-8 mM; at 1e-12 by less than 1e-10 mM.
inline constexpr TReal RecipeTolerance = 1e-12L;

/// Sets an engine's convergence tolerance for as long as it lives, then restores it.
class TToleranceScope {
public:
    TToleranceScope(TEngine& engine, TReal tolerance)
        : FEngine(engine)
        , FSaved(engine.ConvergenceTolerance())
    {
        engine.SetConvergenceTolerance(tolerance);
    }
    ~TToleranceScope() { FEngine.SetConvergenceTolerance(FSaved); }
    TToleranceScope(const TToleranceScope&) = delete;
    TToleranceScope& operator=(const TToleranceScope&) = delete;

private:
    TEngine& FEngine;
    TReal FSaved;
};

/// The whole recipe: CheckRecipe, the run's constants into `engine`, the calculation
/// (Compute, at RecipeTolerance) and MakeSolution. TRecipeError from CheckRecipe passes
/// through.
TRecipeOutcome ComputeRecipe(TEngine& engine, const TRecipe& recipe, TOutputFormat format);

/// Running sums over the charged species of a solution, in M: sum c z, sum c z^2 and
/// sum c |z|.
struct TChargeSums {
    TReal Z = 0, Z2 = 0, AbsZ = 0;

    void Add(TReal m, int z)
    {
        Z += m * z;
        Z2 += m * z * z;
        AbsZ += m * (z < 0 ? -z : z);
    }
};

/// What the equilibrium of `outcome` (calculated on `engine`) holds: every species, free H+
/// and OH-, and the recipe's buffer in its two forms at the pH (written into the solution's
/// buffer fields, with a note when the pH is more than 1 from its pKa), added to `sums`.
/// Returns the protons they hold beyond the fully deprotonated ligands and the buffer's base
/// form, free H+ counted and OH- counted against, in M. The solution's TemperatureC must
/// be set.
TReal AddEquilibrium(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& outcome,
                     TSolution& solution, TChargeSums& sums);

/// Every species of a calculation with its charge and the protons it carries beyond the
/// fully deprotonated ligand, in M: for each ligand the solution holds L, HnL and the
/// complexes of Mg and Ca with L, HL and H2L that its constants form; then free Mg++ and Ca++. What the proton,
/// charge and ionic-strength sums of a solution run over.
struct TSpecies {
    TReal M = 0;
    int Charge = 0;
    int Protons = 0;
};
std::vector<TSpecies> SolutionSpecies(const TEngine& engine, const TCalcState& state);
