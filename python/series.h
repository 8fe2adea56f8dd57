// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// quelix.pca_series and quelix.mixing_table: the two designs of a pCa series, their
// arguments read as calculate()'s and quelix-cli's --pca, --stock-a, --stock-b and --volume,
// their rows returned as calculate_many's columns (or a DataFrame).

#include <pybind11/pybind11.h>

namespace py = pybind11;

/// pca_series(pca, /, *, mode, ph, ..., const, constants, temperature, ph_scale, as_frame).
py::object PCaSeries(const py::args& args, const py::kwargs& kwargs);

/// mixing_table(pca, /, *, stock_a, stock_b, ph, ionic_strength, volume, const, constants,
/// temperature, ph_scale, as_frame).
py::object MixingTable(const py::args& args, const py::kwargs& kwargs);
