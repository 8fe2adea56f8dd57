// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The fields that the further ligands of a run add to the end of its records, after the
// conditions' fields: per ligand, in the order the engine holds them, total_<n>, free_<n>,
// h<n>, h2<n> (h3<n>, h4<n> where the ligand takes that many protons), mg<n>, mgh<n>, ca<n>
// and cah<n>, in mM, <n> the ligand's name in lower case; a field that would be named as
// another field of the record is written with '_' after its prefix (HEDTA's mg_hedta and
// ca_hedta, since mghedta and cahedta are EDTA's). A run without further ligands adds
// nothing, so its records are as they always were.

#include "report/record.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

/// "total_" + the name in lower case: the input column of a further ligand's total.
std::string FurtherTotalColumn(std::string_view ligandName);

/// The names of the fields of `ligands`, in record order.
std::vector<std::string> FurtherColumnNames(std::span<const TFurtherLigand> ligands);

/// The cells of those fields for an outcome computed with `ligands`: the totals as given,
/// the species in mM (empty for a failed record).
void AppendFurtherCells(std::vector<TCell>& cells, const TCalcOutcome& outcome,
                        std::span<const TFurtherLigand> ligands);
