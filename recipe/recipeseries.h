// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A pCa series made as a lab makes it. Per point, every solution of the ladder is a recipe
// of its own: its titrant and filler hold it at the target ionic strength. In a mixing
// table the two stocks are made so (each with its own titrant and filler); a mixture holds
// (1 - f) of A's and f of B's counter-ions, buffer, titrant and filler, and its real ionic
// strength (from its own speciation) drifts from the target as Ca moves between the
// chelators: the table shows it.

#include "recipe/recipe.h"
#include "series/series.h"

#include <span>
#include <vector>

struct TRecipeSeries {
    std::vector<TSeriesRow> Rows;
    std::vector<TSolution> Solutions; // one per row
    // Mixing table: the two stocks made from the recipe.
    TRecipeOutcome StockA, StockB;
};

/// The recipe's salts, buffer, titrant and filler with `calculation` in place of its own.
TRecipe WithCalculation(const TRecipe& recipe, const TCalcInput& calculation);

/// The series of `design` (its per-point base or stocks in place of the recipe's
/// calculation) made with the recipe: the rows as RunSeries computes them, and for each its
/// solution (per point) or its mixture's (mixing table). CheckRecipe first; TRecipeError and
/// the series' own TCalcError pass through. A stock that cannot be made fails every row
/// with its message.
TRecipeSeries RunRecipeSeries(TEngine& engine, const TRecipe& recipe, const TSeriesDesign& design,
                              const TSeriesProgress& progress = {});

/// The mixture with the fraction f of B: its species from `mixture` (calculated on `engine`),
/// the buffer at the mixture's pH, and every counter-ion, the titrant and the filler mixed
/// (1 - f) a + f b. Its IonStr is the mixture's real ionic strength and its charge balance
/// what the mixture would need to stay at its pH.
TSolution MixtureSolution(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& mixture,
                          const TSolution& a, const TSolution& b, TReal f);
