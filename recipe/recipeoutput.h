// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A recipe's output: its fields after the calculation's record, in JSON and CSV, and the
// weighing sheet a person follows at the bench.
//
// The fields: ionic_strength_solution and ionic_equivalent (M), titrant, titrant_mM (base
// added; negative: acid), filler, filler_mM, counter_ions_mM (in JSON an object of each ion
// with its charge, "K+": 91.2; in CSV a column counter_ions_mM:<ion> per ion), buffer,
// buffer_pka, buffer_acid_mM, buffer_base_mM, buffer_acid_charge, buffer_base_charge,
// charge_balance_mM, then the weighing lines (in JSON a list "weighing" of objects
// component, salt, mM, mg and ul, the mass to weigh or the volume of stock solution; in CSV
// the columns weigh_<component>_salt, _mM, _mg and _ul per line) and recipe_error, the
// reason a solution cannot be made as asked.

#include "recipe/recipe.h"
#include "recipe/recipeseries.h"

#include <span>
#include <string>
#include <vector>

/// The solution's fields before the counter-ions (ionic_strength_solution ... filler_mM) and
/// those after them up to the charge balance (buffer ... charge_balance_mM), with their
/// cells: empty for a solution that failed, and the buffer's where it has none.
std::span<const std::string_view> SolutionLeadingNames();
std::vector<TCell> SolutionLeadingCells(const TSolution& solution);
std::span<const std::string_view> SolutionBufferNames();
std::vector<TCell> SolutionBufferCells(const TSolution& solution);

/// Which counter-ions and weighing lines the CSV columns of a set of solutions cover: every
/// one that any of them has, in the order they first appear.
struct TRecipeColumns {
    std::vector<TIon> Ions;
    std::vector<std::string> Lines;
};
TRecipeColumns RecipeColumnsOf(std::span<const TSolution* const> solutions);

/// The CSV header's recipe part, ",ionic_strength_solution,..." without a line end.
std::string RecipeCsvHeaderTail(const TRecipeColumns& columns);

/// Appends the recipe's fields of `solution` to `line`, a CSV line or a JSON object line
/// (with its "\n") of the calculation's record as AppendRecord or the series write it.
void AppendRecipeFields(std::string& line, const TSolution& solution, TOutputFormat format,
                        const TRecipeColumns& columns);

/// The whole output of one recipe in `format`: the report and the weighing sheet, or the
/// record with the recipe's fields (a CSV header first).
std::string RecipeOutputText(const TEngine& engine, const TRecipe& recipe,
                             const TRecipeOutcome& outcome, TOutputFormat format);

/// The weighing sheet: what to weigh for the final volume, in the order to weigh it, the
/// titrant to expect, the solution's ionic strength and the charge-balance check.
std::string WeighingSheetText(const TRecipe& recipe, const TRecipeOutcome& outcome);

/// How a weighing line names its component ("EGTA", "Ca", "CrP", "pH buffer", "filler").
std::string ComponentCaption(const std::string& key);

/// A series made with a recipe in `format`: the series' records with each row's recipe
/// fields, or its table followed by what each solution takes (per point) or by the stocks'
/// weighing sheets and each mixture's real ionic strength (mixing table).
std::string RecipeSeriesText(const TEngine& engine, const TRecipe& recipe,
                             const TSeriesDesign& design, const TRecipeSeries& series,
                             TOutputFormat format);
