// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The record of one calculation as a Python object (quelix.Result), the cells of records
// as Python values, and quelix.CalculationError.

#include "report/record.h"

#include <pybind11/pybind11.h>

#include <string_view>

namespace py = pybind11;

struct TPyResult {
    TCalcOutcome Outcome; // computed with the report
};

/// A record's cell as Python sees it: None, a float (the extended real rounded once to
/// the nearest double), an int or a str.
py::object CellObject(const TCell& cell);

/// What a record column holds, with its unit ("free Ca++, mM").
std::string_view ColumnDescription(std::string_view name);

/// Registers quelix.Result and quelix.CalculationError in `m`.
void BindResult(py::module_& m);

/// Raises quelix.CalculationError with `message`.
[[noreturn]] void RaiseCalculationError(const std::string& message);
