// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Binding-constant sets. A set is a named table of log10 K at 0.1 M, like the engine's
// BaseConst, in which every entry it gives carries the source of its number and, where
// known, its reaction enthalpy with an explicit unit; the set says at which temperature
// its values hold. Rows and steps a set does not give come from the built-in table and
// are shown as such. Sets live in JSON files (setfile.h); two are built into the program:
// "Built-in", the engine's own table, and a literature set.
//
// Choosing a set puts its table into an engine together with its origin (name, edited
// entries, enthalpies in J/mol, reference temperature), from which the engine makes the
// temperature correction; edits on top of a set are entries whose source becomes
// "edited by the user" and which carry no enthalpy, since none is known for a typed value.

#include "engine/bindconst.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// A set that cannot be read, written or used; the message names the file, the entry and
/// the problem.
class TConstSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TEnthalpyUnit : int { euKJPerMol, euKcalPerMol };

/// "kJ/mol" or "kcal/mol", as a set file writes the unit.
std::string_view EnthalpyUnitText(TEnthalpyUnit unit);

inline constexpr std::string_view BuiltInSource = "built-in table";
inline constexpr std::string_view EditedSource = "edited by the user";
/// The ionic strength, M, to which the values of every set (and of the engine's table) refer.
inline constexpr TReal SetIonStr = 0.1L;
/// kJ per thermochemical kcal.
inline constexpr TReal KJPerKcal = 4.184L;
/// The temperatures, degrees Celsius, that a set or a calculation may name: liquid water.
inline constexpr TReal MinTemperatureC = 0;
inline constexpr TReal MaxTemperatureC = 100;

/// One entry that a set gives.
struct TSetEntry {
    TReal Log10K = 0;              // at 0.1 M and the set's temperature; 0: the step does not exist
    std::optional<TReal> Enthalpy; // in EnthalpyUnit
    TEnthalpyUnit EnthalpyUnit = TEnthalpyUnit::euKJPerMol;
    std::string Source;
    bool Estimate = false; // the source's own estimate, not a measurement

    friend bool operator==(const TSetEntry&, const TSetEntry&) = default;
};

/// The entries of one ligand's rows [partner][step]; none where not given.
using TLigandEntries =
    TEnumArray<TPartner, std::array<std::optional<TSetEntry>, StepCount>, PartnerCount>;

/// How long a further ligand's name may be, and how many further ligands a set may define
/// (a calculation uses at most MaxFurtherLigands of them).
inline constexpr std::size_t MaxLigandNameLength = 16;
inline constexpr std::size_t MaxSetLigands = 16;

/// A further ligand as a set (or the bundled library) defines it: its name (letters,
/// digits, '-' and '_'; unique without regard to case, never one of the five), the charge
/// of its fully deprotonated form L (-1 to -6), and its entries: H steps 0 to 3, Mg and Ca
/// steps 0 (M + L = ML) and 1 (M + HL = MHL), at the set's temperature and 0.1 M.
struct TLigandDef {
    std::string Name;
    std::string Description;
    int Charge = -2;
    TLigandEntries Entries;

    friend bool operator==(const TLigandDef&, const TLigandDef&) = default;
};

/// [ligand][partner][step]; none where the set does not give the entry.
using TSetEntries = TPerLigand<TLigandEntries>;

struct TConstSet {
    std::string Name;
    std::string Description;
    std::optional<TReal> ReferenceC; // none: the set does not say
    TSetEntries Entries;
    std::vector<TLigandDef> Ligands; // further ligands, in the file's order

    friend bool operator==(const TConstSet&, const TConstSet&) = default;
};

/// An entry as it is in force: the set's own, or the built-in table's.
struct TEntryInForce {
    TReal Log10K = 0;
    std::optional<TReal> Enthalpy;
    TEnthalpyUnit EnthalpyUnit = TEnthalpyUnit::euKJPerMol;
    std::string_view Source; // BuiltInSource for the built-in table's entries
    bool FromBuiltIn = false;
};

/// "ATP-H" ... "PO4-Ca".
std::string RowLabel(TLigand ligand, TPartner partner);

/// The engine's built-in table (LoadDefaultConstants).
const TConstTable& BuiltInTable();

TEntryInForce EntryInForce(const TConstSet& set, TLigand lig, TPartner partner, std::size_t step);

/// The set's table: the built-in table with the set's entries in place.
TConstTable SetTable(const TConstSet& set);

/// An entry's enthalpy in J/mol (kJ x 1000, kcal x 4.184 kJ/kcal x 1000).
TReal EnthalpyJPerMol(TReal enthalpy, TEnthalpyUnit unit);

/// The origin an engine holds for the set: its name, `editedEntries`, the enthalpies in
/// J/mol and its reference temperature.
TConstOrigin SetOrigin(const TConstSet& set, int editedEntries = 0);

/// The set's table and origin into `engine`.
void UseSet(TEngine& engine, const TConstSet& set, int editedEntries = 0);

/// Gives the entry the value `log10K` (<= 0 removes the step), as edited by the user and
/// without an enthalpy, unless it holds that value already. True when it changed.
bool EditEntry(TConstSet& set, TLigand lig, TPartner partner, std::size_t step, TReal log10K);

/// True when the set gives an entry of its own (false for one that takes every entry from
/// the built-in table).
bool GivesEntries(const TConstSet& set);

/// The entries whose value or source differ between `chosen` and `edited`.
int CountEdited(const TConstSet& chosen, const TConstSet& edited);

/// Whether `celsius` is a temperature a set or a calculation may name, and the message
/// for one that is not.
bool IsTemperatureInRange(TReal celsius);
std::string TemperatureRangeMessage(std::string_view given);

/// A set built into the program: a short id for the command line (the name of its file
/// without ".json") and the set.
struct TBundledSet {
    std::string_view Id;
    TConstSet Set;
};

/// The bundled sets, "Built-in" first.
std::span<const TBundledSet> BundledSets();
const TConstSet& BuiltInSet();

/// The bundled set with this id or name (either without regard to case), or null.
const TBundledSet* FindBundledSet(std::string_view idOrName);

/// "CrP-H", "CrP-Mg", "CrP-Ca": the rows of a further ligand.
std::string LigandRowLabel(std::string_view name, TPartner partner);

/// Why `name` cannot name a further ligand ("" when it can): empty, too long, a character
/// other than a letter, digit, '-' or '_', or the name of a built-in ligand or of Mg or Ca
/// (whose record columns it would take).
std::string LigandNameProblem(std::string_view name);

/// The bundled library of further ligands: creatine phosphate as "CrP", BAPTA, DiBrBAPTA,
/// HEDTA, Citrate, ADA and AMP at 20 degrees C and 0.1 M, every entry with its source.
const TConstSet& LigandLibrary();

/// A further ligand as a calculation under some set knows it: the set's own definition,
/// which wins, or the library's; with the temperature at which its values hold.
struct TKnownLigand {
    const TLigandDef* Def = nullptr;
    std::optional<TReal> ReferenceC;
    bool FromLibrary = false;
};

/// The definition named `name` (without regard to case), or none.
std::optional<TKnownLigand> FindLigand(const TConstSet& set, std::string_view name);

/// Every further ligand known under `set`: its own, then the library's that it does not
/// define.
std::vector<TKnownLigand> KnownLigands(const TConstSet& set);

/// The engine's form of a known ligand: log10 K (0 where not given), the enthalpies in
/// J/mol and the reference temperature.
TFurtherLigand EngineLigand(const TKnownLigand& known);

/// True when any entry of the ligand is marked as an estimate.
bool HasEstimates(const TLigandDef& def);
