// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// quelix.calculate_many: columns of inputs (NumPy arrays, sequences, scalars broadcast,
// or a pandas DataFrame) in, the record's columns out, computed by ComputeMany on all
// cores with the interpreter's lock released.

#include <pybind11/pybind11.h>

namespace py = pybind11;

/// calculate_many(data=None, /, *, const=None, workers=None, **columns).
py::object CalculateMany(const py::args& args, const py::kwargs& kwargs);
