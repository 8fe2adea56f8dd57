// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Many records as columns of NumPy arrays: what calculate_many returns, and what the pCa
// series return for their rows, whose own cells come before the record's.
// Cells are set row by row, from worker threads without the interpreter's lock; the
// arrays are handed to Python once every row is set.

#include "report/record.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

/// The columns of records and series rows that hold texts, and those that hold whole numbers
/// (NaN for null in an array, pandas' nullable Int64 in a DataFrame).
inline constexpr std::string_view TextColumns[] {"error", "constants", "ph_scale"};
inline constexpr std::string_view IntegerColumns[] {
    "mode", "iterations", "edited_entries", "uncorrected_entries"};

class TColumnArrays {
public:
    /// Columns `names` for `rows` rows; `textColumns` names those that hold texts (the
    /// others hold reals or integers). Needs the interpreter's lock.
    TColumnArrays(std::span<const std::string_view> names,
                  std::span<const std::string_view> textColumns, std::size_t rows);

    /// Sets one cell: a real or an integer as a float64, null as NaN (None in a text
    /// column). Safe without the lock, and from several threads for different rows.
    void Set(std::size_t row, std::size_t column, const TCell& cell);

    /// The columns by name, in order: float64 arrays, texts as object arrays. Needs the
    /// lock.
    py::dict Columns() const;

private:
    std::vector<std::string_view> FNames;
    std::vector<py::array_t<double>> FReals; // empty array for a text column
    std::vector<double*> FRealData;
    std::vector<std::vector<std::string>> FTexts; // empty for a real column
    std::vector<std::vector<char>> FTextSet;
    std::size_t FRows = 0;
};

/// `columns` as a pandas DataFrame with `index`; the columns named in `integerColumns`
/// (whole numbers with NaN for null) become pandas' nullable Int64.
py::object AsDataFrame(const py::dict& columns, const py::object& index,
                       std::span<const std::string_view> integerColumns);
