// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The conditions a calculation runs under, besides its inputs: the constant set (the
// built-in table, a bundled set or a set file), edits of single constants on top of it,
// the temperature and the pH scale. Read from the texts that quelix-cli's options and the
// Python module's keywords give; anything unusable is a TUsageError.

#include "constsets/constset.h"
#include "request/request.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// One edit ROW:STEP=VALUE: log10 K at 0.1 M; a value <= 0 removes the step.
struct TConstEdit {
    TLigand Ligand = TLigand::ligATP;
    TPartner Partner = TPartner::ptH;
    std::size_t Step = 0;
    TReal Value = 0;
};

/// The constants of a run: the chosen set and the set with the edits on top, and the
/// further ligands the run carries (their definitions from the set, else the library), in
/// the order of the inputs' FurtherTotals.
struct TRunConstants {
    TConstSet Chosen = BuiltInSet();
    TConstSet Set = BuiltInSet();
    int EditedEntries = 0;
    std::vector<TFurtherLigand> Ligands;
    std::string Note; // which of a bundled set and a file of the same name was chosen
};

/// The index of the further ligand `name` (without regard to case) in the run, added from
/// the set's definition or the library's when the run does not carry it yet. Throws
/// TUsageError naming `what` (the option or column that asks for it) for a name no
/// definition has (the message lists the known ones) and for a fifth ligand.
std::size_t AddRunLigand(TRunConstants& constants, std::string_view name, std::string_view what);

/// The index of the run's ligand `name`, or none.
std::optional<std::size_t> FindRunLigand(const TRunConstants& constants, std::string_view name);

/// "NAME=TOTAL" (the total in mM, by the entry fields' rule) of --ligand and its like.
struct TLigandTotal {
    std::string Name;
    TReal Total = 0;
};
TLigandTotal ParseLigandTotal(std::string_view what, std::string_view text);

/// The names of the further ligands known under `set`, "CrP, BAPTA, ..." for messages.
std::string KnownLigandNames(const TConstSet& set);

/// "ATP-H:0=6.5" to an edit; the row label is matched without regard to case. The H rows
/// have steps 0 to 3, the Mg and Ca rows steps 0 to 2.
TConstEdit ParseConstEdit(std::string_view text);

/// The built-in table with the edits applied in order.
TConstTable RunConstants(const std::vector<TConstEdit>& edits);

/// The chosen set (a bundled id or name, else a file; the built-in set when `name` is
/// empty) with the edits applied in order; a name that is both a bundled set and a file in
/// the current folder chooses the bundled set and says so in Note. Throws TUsageError with
/// the reader's message for a set file that cannot be used, and for a name with a NUL.
TRunConstants ResolveConstants(const std::string& name, const std::vector<TConstEdit>& edits);

/// The temperature of --temperature: a number by the entry fields' rule, 0 to 100 degrees C.
TReal ParseTemperature(const std::string& text);

/// "concentration" or "activity".
TpHScale ParsepHScale(const std::string& text);

/// The set's table and origin, and the run's further ligands, into `engine`.
void UseRunConstants(TEngine& engine, const TRunConstants& constants);
