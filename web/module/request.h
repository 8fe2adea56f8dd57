// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The page's requests: a JSON object whose keys are the names of a record's fields
// ("mode", "ph", "ionic_strength", "total_egta" ... "caadp", as quelix-cli's records and
// batch files name them), read into a calculation as quelix-cli reads its options. Values
// may be JSON numbers or texts; either way their text is read by the entry fields' rule
// (a text keeps every digit the user typed), and null or an absent key keeps the default.
// Besides the inputs:
//   "pca"              sets free Ca++ to 10^(3 - pCa) mM where the mode reads it
//   "constants"        a bundled set's id or name (default "builtin")
//   "constants_file"   the text of a set file, "constants_file_name" its name for messages
//   "temperature_c"    0 to 100 degrees C; "ph_scale": "concentration" or "activity"
// and for a series:
//   "pca_list"         the targets, as quelix-cli's --pca takes them ("9,6.5:5.5:0.1")
//   "stock_a", "stock_b"  objects of the seven totals in mM: a mixing table
//   "volume"           the final volume of each mixture (default 1000)
// The other fields of a record (results, conditions, series columns) are ignored, so a
// record can be given back as a request; any other key is refused.

#include "constsets/constset.h"
#include "report/record.h"
#include "request/compute.h"
#include "request/request.h"
#include "request/runconditions.h"
#include "series/series.h"
#include "web/module/jsontree.h"

/// The calculation a request asks for: the inputs and the constant set.
struct TWebCalculation {
    TCalcInput Input = DefaultInput();
    TConstSet Set = BuiltInSet();
    /// The further ligands ("ligands": {"CrP": 14.5}, or a record's total_crp), in the order
    /// of Input.FurtherTotals; UseCalculation puts them into an engine with the set.
    std::vector<TFurtherLigand> Ligands;
};

/// The set and the further ligands of `calculation` into `engine`.
void UseCalculation(TEngine& engine, const TWebCalculation& calculation);

/// Reads a request. Throws TRequestError naming the key for anything that cannot be used.
TWebCalculation ReadCalculation(const TJsonNode& request);

/// Reads a series request: per point (the inputs, in a mode that takes free Ca++) or, with
/// "stock_a" and "stock_b", a mixing table. Throws TRequestError naming the key.
TSeriesDesign ReadSeriesDesign(const TJsonNode& request, TWebCalculation& calculation);
