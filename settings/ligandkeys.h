// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The further ligands of the main window in the settings file: the keys "FurtherLigand1" to
// "FurtherLigand4" of section "Default", each "NAME=TOTAL" with the total in M, written with
// the file's decimal separator as the other values are. A key is written only for a ligand
// in use, or to empty a key that held one, so that a file of a user who never takes a
// further ligand stays exactly as it was. An empty value is no ligand.
//
// Which names are known depends on the constants in force, which the settings layer does not
// know: it hands the stored names and totals on, and the caller says which lines it could
// not use. Such lines are kept: Save leaves them as they are (unless their slots are needed
// for the ligands in use), as it does with a value that did not read.

#include "engine/bindconst.h"
#include "settings/inidoc.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::array<std::string_view, MaxFurtherLigands> FurtherLigandKeys {
    "FurtherLigand1", "FurtherLigand2", "FurtherLigand3", "FurtherLigand4"};

/// One further ligand of a settings line, or to be written to one.
struct TStoredLigand {
    std::size_t Slot = 0; // the index of its key in FurtherLigandKeys
    std::string Name;
    TReal TotalM = 0;
};

/// Per key: Save leaves its line as it is.
using TKeptLigandLines = std::array<bool, MaxFurtherLigands>;

/// A line of the file that does not read as NAME=TOTAL.
struct TLigandLineProblem {
    std::size_t Slot = 0;
    std::string Reason; // quoting the text
};

struct TStoredLigands {
    std::vector<TStoredLigand> Ligands; // in key order
    std::vector<TLigandLineProblem> Problems;
    TKeptLigandLines Kept {}; // the lines of Problems
};

/// The ligand keys of a section (TIniDocument::Section). A missing or empty key is no ligand;
/// a value without '=' before its total, with an empty name or one holding a control
/// character, or with a total that is not a number
/// by the reals' rule with `decimalPoint` is a problem, and its line is kept.
TStoredLigands ReadFurtherLigands(std::span<const TIniValue> section, char decimalPoint);

/// The lines of `section` that hold a ligand key with a non-empty value.
TKeptLigandLines PresentLigandLines(std::span<const TIniValue> section);

/// The entries that write `ligands` (name and total; their Slot is ignored) into the section
/// whose present entries are `stored`: the ligands take the slots not in `kept`, in order;
/// when those are too few, no line is kept any longer and the ligands take the first slots.
/// A slot left over that holds a value in the file is emptied unless kept. Appended to `entries`.
/// Ligands beyond MaxFurtherLigands are not written.
void AppendLigandEntries(std::vector<TIniEntry>& entries, std::span<const TIniValue> stored,
                         std::span<const TStoredLigand> ligands, char decimalPoint,
                         TKeptLigandLines& kept);

/// The further ligands of an engine and their totals in `state` (M), in the engine's order.
std::vector<TStoredLigand> LigandsInUse(const TEngine& engine, const TCalcState& state);
