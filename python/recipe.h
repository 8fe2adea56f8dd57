// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// quelix.recipe and quelix.RecipeResult: the solution as a lab makes it, from a recipe given
// as a dict (a recipe file's JSON object) or as the path of a recipe file; and the recipe's
// fields as the columns of a series' rows.

#include "python/result.h"
#include "recipe/recipe.h"
#include "recipe/recipeoutput.h"

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

/// One recipe's result: the calculation's record (with the conditions' fields, as quelix-cli
/// --recipe writes it) and the solution as made.
struct TPyRecipeResult : TPyResult {
    TSolution Solution;
    std::string Json;       // the record as quelix-cli --recipe --format json prints it
    std::string Report;     // the report and the weighing sheet, as --format report prints
    std::string Sheet;      // the weighing sheet alone
    std::string RecipeText; // the recipe as a file's text
};

/// The recipe of argument `name`: a mapping (a recipe file's JSON object, whose "format"
/// and "version" may be left out) or the path of a recipe file (str or os.PathLike).
/// Raises ValueError with the reader's message, which names the file ("<recipe>" for a
/// mapping) and the key; TypeError for a value that is neither, or that JSON cannot hold.
TRecipe ReadRecipeArgument(std::string_view name, py::handle value);

/// The names of the recipe's columns of a series' rows, in quelix-cli's CSV order.
std::vector<std::string> RecipeColumnNames(const TRecipeColumns& columns);

/// The cells of those columns for one row's solution; texts view the solution's strings.
/// A solution that could not be made has null everywhere but recipe_error.
void AppendRecipeCells(std::vector<TCell>& cells, const TSolution& solution,
                       const TRecipeColumns& columns);

/// Whether a recipe column holds texts, or whole numbers.
bool IsRecipeTextColumn(std::string_view name);
bool IsRecipeIntegerColumn(std::string_view name);

/// Registers quelix.RecipeResult and quelix.recipe in `m` (after BindResult).
void BindRecipe(py::module_& m);
