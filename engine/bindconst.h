// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The equilibrium engine. TEngine holds what belongs to every calculation besides its
// TCalcState: pH, ionic strength, the binding constant table the user edits (BaseConst,
// log10 K at 0.1 M), the tables derived from it (CorrConst at the solution's ionic
// strength, AppConst at its pH, BindSums) and the solver's working copies.
//
// One calculation runs LoadDefaultConstants once, then per calculation (Calculate):
//   AdjustConstants -> MakeApparentConstants -> SolveMajors -> CalcMinors
// and the report reads GetIonStr and GetIonStrTris. The tables are changed only through
// the engine's operations, so that a derived table never silently disagrees with what it
// was derived from; Calculate remakes the constants only when pH, the ionic strength or
// BaseConst changed. Arithmetic faults (division by zero,
// invalid operation, overflow) throw TCalcError at the step where they arise; values
// written before that step stay written.
//
// Two conditions beyond pH and ionic strength are off unless a caller turns them on: a
// temperature, to which the entries with a known reaction enthalpy are brought from the
// temperature their set refers to (van 't Hoff), and the reading of pH as a pH meter's
// (H+ activity) instead of -log10 [H+]. Off, every table is made exactly as before.

#include "engine/calcerror.h"
#include "engine/calcstate.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class TPartner : int { ptH, ptMg, ptCa };
inline constexpr std::size_t PartnerCount = 3;
inline constexpr std::size_t StepCount = 4;
inline constexpr std::array<TPartner, PartnerCount> AllPartners {
    TPartner::ptH, TPartner::ptMg, TPartner::ptCa};

/// Display names, used for the rows of the constants dialog ("ATP-H" ... "PO4-Ca").
inline constexpr std::array<std::string_view, LigandCount> LigandNames {
    "ATP", "EGTA", "EDTA", "ADP", "PO4"};
inline constexpr std::array<std::string_view, PartnerCount> PartnerNames {"H", "Mg", "Ca"};

/// One ligand's constants [partner][step 0..3].
using TLigandConst = TEnumArray<TPartner, std::array<TReal, StepCount>, PartnerCount>;
/// The whole table [ligand][partner][step]; an entry <= 0 is a step that does not exist.
using TConstTable = TPerLigand<TLigandConst>;
/// One ligand's three binding sums [partner].
using TLigandSums = TEnumArray<TPartner, TReal, PartnerCount>;

/// How the pH of a calculation is read.
enum class TpHScale : int {
    psConcentration, // -log10 [H+], the concentration: the engine's own convention
    psActivity,      // a pH meter's reading, -log10 of the H+ activity
};

/// The name under which the built-in table is shown and chosen.
inline constexpr std::string_view BuiltInSetName = "Built-in";

/// The gas constant, J/(mol K), and 0 degrees Celsius in K, of the temperature correction.
inline constexpr TReal GasConstant = 8.314462618L;
inline constexpr TReal ZeroCelsiusK = 273.15L;

/// A table whose every entry is NaN: no reaction enthalpy known; and one ligand's block.
TConstTable UnknownEnthalpies();
TLigandConst UnknownLigandEnthalpies();

/// The charges the fully deprotonated form of a further ligand may have, and the metal
/// steps it may have: M + L = ML (step 0) and M + HL = MHL (step 1).
inline constexpr int MinFurtherCharge = -6;
inline constexpr int MaxFurtherCharge = -1;
inline constexpr std::size_t FurtherMetalSteps = 2;

/// A further ligand as the engine uses it, held as a built-in ligand is: log10 K at 0.1 M
/// [partner][step], an entry <= 0 a step that does not exist (H steps 0..3, Mg and Ca steps
/// 0 and 1), the reaction enthalpies (J/mol, NaN where none is known) and the temperature in
/// degrees Celsius at which its values hold (none: they cannot be brought to another).
struct TFurtherLigand {
    std::string Name; // as the reports and records name it ("CrP")
    std::string Note; // shown with its results where not empty (an estimated constant)
    int Charge = -2;  // of the fully deprotonated form L
    TLigandConst BaseConst {};
    TLigandConst EnthalpyJPerMol = UnknownLigandEnthalpies();
    std::optional<TReal> ReferenceC;
};

/// The constants of a calculation's further ligands at one stage (corrected, or apparent
/// with their binding sums), the first Count of each array in use.
struct TFurtherTables {
    std::size_t Count = 0;
    std::array<TLigandConst, MaxFurtherLigands> Const {};
    std::array<TLigandSums, MaxFurtherLigands> Sums {};
};

/// Where the constants in force come from, beyond their values: the name of their set, how
/// many of its entries were edited after it was chosen, the reaction enthalpy of each entry
/// (J/mol, NaN where the set gives none) and the temperature in degrees Celsius at which the
/// set's values hold (none when the set does not say, so that nothing can be corrected).
struct TConstOrigin {
    std::string SetName {BuiltInSetName};
    int EditedEntries = 0;
    TConstTable EnthalpyJPerMol = UnknownEnthalpies();
    std::optional<TReal> ReferenceC;
};

/// The entries of `base` that a calculation reads (metal step 3 is never read) which are
/// present but cannot be brought to another temperature: no enthalpy, or no reference
/// temperature in `origin`.
int EntriesWithoutCorrection(const TConstTable& base, const TConstOrigin& origin);

/// The same for the entries of further ligands, each against its own reference temperature.
int EntriesWithoutCorrection(std::span<const TFurtherLigand> ligands);

/// log10 K at `toC` from its value at `fromC` (degrees Celsius) by the van 't Hoff equation
/// with the reaction enthalpy `enthalpyJPerMol` taken as constant between them. Raises the
/// engine's arithmetic errors (a temperature of -273.15 divides by zero).
TReal VantHoff(TReal log10K, TReal enthalpyJPerMol, TReal fromC, TReal toC);

/// The smallest power of two e with 1 + e != 1 in extended arithmetic (2^-63).
TReal MachineEpsilon();

/// log10 of the activity coefficient of an ion of charge z is -z^2 * ActivityTerm(I).
/// I in M. Raises the invalid-operation error for a negative I.
TReal ActivityTerm(TReal ionStr);

/// What one whole calculation reports besides the values it writes into the state.
struct TCalcStatus {
    long Iterations = 0; // of the bracketing solver; 0 for the modes that need none
    std::string Error;   // the message for the user; empty when the calculation completed

    bool Failed() const { return !Error.empty(); }
};

class TEngine {
public:
    /// Iteration cap of the bracketing solver; reaching it raises "did not converge".
    static constexpr long MaxIterations = 100000;

    /// The conditions of the calculation. Changing one marks the tables derived from it
    /// as out of date; setting the value a table was derived with changes nothing.
    TReal pH() const { return FpH; }
    void SetpH(TReal value);
    TReal IonStr() const { return FIonStr; } // M
    void SetIonStr(TReal value);

    /// The table the user edits: log10 K at 0.1 M, an entry <= 0 a step that does not
    /// exist. Every change marks the corrected and apparent tables as out of date.
    const TConstTable& BaseConst() const { return FBaseConst; }
    void SetBaseConst(const TConstTable& table);
    void SetBaseEntry(TLigand lig, TPartner partner, std::size_t step, TReal value);

    /// Where BaseConst comes from: its set's name, its enthalpies and reference temperature.
    /// The built-in table's origin unless a caller sets another together with BaseConst.
    const TConstOrigin& Origin() const { return FOrigin; }
    void SetOrigin(TConstOrigin origin);

    /// The temperature of the calculation in degrees Celsius; none (the default) leaves the
    /// constants at the temperature of their set.
    const std::optional<TReal>& TemperatureC() const { return FTemperatureC; }
    void SetTemperatureC(std::optional<TReal> celsius);

    /// How pH is read; concentration by default.
    TpHScale pHScale() const { return FpHScale; }
    void SetpHScale(TpHScale scale);

    /// The further ligands of the calculation, whose totals are the states' Further[i].Total
    /// in this order; none by default. Their constants are corrected, made apparent and
    /// enter every mode's Mg and Ca balances as the built-in ligands' do. Throws
    /// std::invalid_argument for more than MaxFurtherLigands, a charge outside
    /// MinFurtherCharge..MaxFurtherCharge or a metal step beyond MHL, and keeps the ligands
    /// it had.
    std::span<const TFurtherLigand> FurtherLigands() const
    {
        return {FFurther.data(), FFurtherCount};
    }
    void SetFurtherLigands(std::span<const TFurtherLigand> ligands);

    /// -log10 [H+] of the calculation: pH itself on the concentration scale; on the activity
    /// scale pH - ActivityTerm(IonStr), since log10 of the H+ activity coefficient is
    /// -ActivityTerm(IonStr). Raises the invalid-operation error for a negative IonStr there.
    TReal pcH() const;

    /// With a temperature set: the entries that a calculation reads (metal step 3 is never
    /// read) which are present but stay as they stand, for want of an enthalpy or of the
    /// set's reference temperature. 0 without a temperature.
    int UncorrectedEntries() const;

    /// True for the built-in set without a temperature on the concentration scale: the
    /// conditions under which every output looks exactly as it always has.
    bool HasDefaultConditions() const;

    /// Replaces BaseConst by the built-in defaults. Leaves the derived tables as they are
    /// (out of date) until the next AdjustConstants and MakeApparentConstants.
    void LoadDefaultConstants();

    /// Relative gap at which the bracketing stops (1e-9 unless changed).
    TReal ConvergenceTolerance() const { return FConvergenceTolerance; }
    void SetConvergenceTolerance(TReal value) { FConvergenceTolerance = value; }

    /// The derived tables, as the last AdjustConstants, MakeApparentConstants and
    /// SolveMajors left them. WorkConst[ligATP] is the working copy ATPConst, and so on.
    const TConstTable& CorrConst() const { return FCorrConst; }
    const TConstTable& AppConst() const { return FAppConst; }
    const TPerLigand<TLigandSums>& BindSums() const { return FBindSums; }
    const TPerLigand<TLigandConst>& WorkConst() const { return FWorkConst; }
    const TPerLigand<TLigandSums>& WorkSums() const { return FWorkSums; }
    /// The further ligands' corrected constants (Sums unused), apparent constants with
    /// their binding sums, and the solver's working copy of the apparent ones.
    const TFurtherTables& FurtherCorr() const { return FFurtherCorr; }
    const TFurtherTables& FurtherApp() const { return FFurtherApp; }
    const TFurtherTables& FurtherWork() const { return FFurtherWork; }

    /// CorrConst := BaseConst brought to the temperature (when one is set) and corrected
    /// from 0.1 M to IonStr. Rejects a negative IonStr
    /// ("The ionic strength must not be negative.") before touching any table.
    void AdjustConstants();

    /// AppConst and BindSums from BaseConst (presence), CorrConst and pcH().
    void MakeApparentConstants();

    /// Solves the major species for `mode`, writing results into `state` in the documented
    /// order, and sets state.HasResults. A mode outside 0..6 solves nothing but still sets
    /// the flag. Throws TCalcError on an arithmetic fault or when the bracketing does not
    /// close; values written before the fault stay. Returns the number of iterations made
    /// (0 for the modes that need none).
    long SolveMajors(TCalcState& state, TCalcMode mode);

    /// The 24 minor species, and the protonated forms and complexes of the further
    /// ligands, from the free concentrations and the working copies.
    void CalcMinors(TCalcState& state) const;

    /// One whole calculation of `state` (inputs in M) at the engine's pH and ionic
    /// strength: the constants for the ionic strength and the pH (skipped when nothing
    /// they depend on changed since they were last made), SolveMajors, CalcMinors. A
    /// TCalcError stops it at the step where it arose and comes back as the status's
    /// Error; values written before that step stay, as with the steps one by one.
    TCalcStatus Calculate(TCalcState& state, TCalcMode mode);

    /// Lower bound of the ionic strength from the species the calculation knows (every
    /// species of the further ligands among them), in M; 0 when the state holds no results.
    TReal GetIonStr(const TCalcState& state) const;

    /// Ionic strength contributed by 20 mM Tris at pH, in M.
    TReal GetIonStrTris() const;

private:
    void CorrectForTemperature();

    TReal FpH {};
    TReal FIonStr {};
    TReal FConvergenceTolerance = 1e-9L;
    TConstTable FBaseConst {};
    TConstTable FCorrConst {};
    TConstTable FAppConst {};
    TPerLigand<TLigandSums> FBindSums {};
    TPerLigand<TLigandConst> FWorkConst {};
    TPerLigand<TLigandSums> FWorkSums {};
    TConstOrigin FOrigin;
    std::array<TFurtherLigand, MaxFurtherLigands> FFurther {};
    std::size_t FFurtherCount = 0;
    TFurtherTables FFurtherCorr {};
    TFurtherTables FFurtherApp {};
    TFurtherTables FFurtherWork {};
    std::optional<TReal> FTemperatureC;
    TpHScale FpHScale = TpHScale::psConcentration;
    // Whether CorrConst (and AppConst with BindSums) were made from the present BaseConst,
    // IonStr (and pH); Calculate remakes only what is out of date.
    bool FCorrFresh = false;
    bool FAppFresh = false;
};

/// The value of `field` in the calculation: pH and IonStr from the engine, the rest from
/// the state (concentrations in M).
TReal ValueOf(const TEngine& engine, const TCalcState& state, TValueField field);
void SetValueOf(TEngine& engine, TCalcState& state, TValueField field, TReal value);

/// The fifteen values of a calculation into the engine and the state, and back.
void SetValues(TEngine& engine, TCalcState& state, const TValueSet& values);
TValueSet ValuesOf(const TEngine& engine, const TCalcState& state);
