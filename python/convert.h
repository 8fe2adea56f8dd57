// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Python arguments to the inputs of a calculation, by quelix-cli's rules: the same names,
// units and defaults, every number read as the command line reads its text. A float is
// read as the decimal number it prints as (ph=7.1 is --ph 7.1), an int or a Decimal as its
// digits, a str by the entry fields' rule.

#include "report/record.h"
#include "request/runconditions.h"

#include <pybind11/pybind11.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

/// Raises ValueError with `message`.
[[noreturn]] void RaiseValueError(const std::string& message);

/// The name of a value's type, for messages ("NoneType").
std::string TypeName(py::handle value);

/// The text a Python number stands for on a command line: a str as it is, an int or a
/// Decimal as str() writes it, a float as its shortest text; a NumPy scalar as the Python
/// number it holds. Raises TypeError naming `name` for anything else, bools included.
std::string NumberText(std::string_view name, py::handle value);

/// True for None and pandas' NA: a value a table does not have.
bool IsMissing(py::handle value);

/// A number of the command line. Raises ValueError "<name>: <quelix-cli's message>"
/// ("ph: 'nan' は浮動小数点数ではありません"), TypeError as NumberText.
TReal ReadNumber(std::string_view name, py::handle value);

/// A mode: a number with a whole value from 0 to 6. Raises as ReadNumber.
TCalcMode ReadMode(py::handle value);

/// The input column of a name: 0 for "mode", 1 + TValueField for the values, -1 otherwise.
int InputColumn(std::string_view name);

/// Raises TypeError for a keyword that `function` does not take, naming the inputs and the
/// run options, or saying that a result column is no input.
[[noreturn]] void RejectKeyword(std::string_view function, std::string_view name);

/// What a calculation runs with besides its inputs, as quelix-cli's options give it: the
/// constant set (constants=, as --constants: a bundled set's id or name, or a set file;
/// none: the built-in table), the edits on top of it (const=, as --const), the temperature
/// (temperature=, degrees C) and the pH scale (ph_scale=).
struct TRunOptions {
    std::string SetName;
    std::vector<TConstEdit> Edits;
    std::optional<TReal> TemperatureC;
    TpHScale pHScale = TpHScale::psConcentration;
    /// ligands=: the further ligands and their totals in mM, as quelix-cli's --ligand.
    std::vector<TLigandTotal> Ligands;
};

/// The keywords that ReadRunOption reads, in the order the signatures show them.
inline constexpr std::array<std::string_view, 5> RunOptionNames {
    "const", "constants", "temperature", "ph_scale", "ligands"};

/// Reads keyword `name` into `options` if it is one of RunOptionNames; returns false for
/// any other name. Raises ValueError/TypeError for a bad value, with quelix-cli's message.
bool ReadRunOption(TRunOptions& options, std::string_view name, py::handle value);

/// The constants of a run: the chosen set with the edits on top, and the further ligands of
/// ligands=. Raises ValueError with quelix-cli's message for a set that is neither bundled
/// nor a readable set file, and for a ligand no definition has.
TRunConstants ResolveRunConstants(const TRunOptions& options);

/// Sets the temperature, the pH scale and the further ligands' totals of `options` in
/// `input`.
void ApplyConditions(const TRunOptions& options, TCalcInput& input);

/// Sets input column `column` (see InputColumn) of `input` from a Python value.
void SetInput(TCalcInput& input, int column, py::handle value);
