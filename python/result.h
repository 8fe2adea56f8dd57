// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The record of one calculation as a Python object (quelix.Result), the cells of records
// as Python values, and quelix.CalculationError.

#include "report/record.h"

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

struct TPyResult {
    TCalcOutcome Outcome; // computed with the report
    /// The cells of the conditions' fields (ConditionColumns: constants, temperature, pH
    /// scale), always made, and whether the record carries them: as quelix-cli's record,
    /// only under other than the default conditions.
    std::vector<TCell> Conditions;
    bool WithConditions = false;
    /// The set's name, which the first of Conditions shows: held here, since a cell only
    /// views its text (ConditionCell gives the cell viewing this copy).
    std::string SetName;
    /// The further ligands the record was computed with; their fields end the record.
    std::vector<TFurtherLigand> Ligands;
};

/// The names and cells of the further ligands' fields of `result`.
std::vector<std::string> FurtherNames(const TPyResult& result);
std::vector<TCell> FurtherCells(const TPyResult& result);

/// The conditions' field `index` of `result`.
TCell ConditionCell(const TPyResult& result, std::size_t index);

/// The record of `result` as a dict: the record's fields, then the conditions' fields where
/// the record carries them, then the further ligands'.
py::dict ResultDict(const TPyResult& result);

/// The result of `outcome`, computed on `engine`.
TPyResult MakeResult(const TEngine& engine, TCalcOutcome outcome);

/// A record's cell as Python sees it: None, a float (the extended real rounded once to
/// the nearest double), an int or a str.
py::object CellObject(const TCell& cell);

/// What a record column or a conditions' field holds, with its unit ("free Ca++, mM").
std::string_view ColumnDescription(std::string_view name);

/// Registers quelix.Result and quelix.CalculationError in `m`.
void BindResult(py::module_& m);

/// Issues `text` as a quelix.QuelixWarning (warnings.warn); raises what a filter that turns
/// warnings into errors raises.
void Warn(const std::string& text);

/// Raises quelix.CalculationError with `message`.
[[noreturn]] void RaiseCalculationError(const std::string& message);
