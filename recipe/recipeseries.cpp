// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "recipe/recipeseries.h"

#include "engine/calcerror.h"

#include <algorithm>

TRecipe WithCalculation(const TRecipe& recipe, const TCalcInput& calculation)
{
    TRecipe made = recipe;
    made.Calculation = calculation;
    return made;
}

TSolution MixtureSolution(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& mixture,
                          const TSolution& a, const TSolution& b, TReal f)
{
    TSolution solution;
    try {
        solution.TemperatureC = a.TemperatureC;
        TChargeSums sums;
        AddEquilibrium(engine, recipe, mixture, solution, sums);
        // Every ion that no equilibrium changes is mixed as the totals are.
        const auto mix = [f](TReal x, TReal y) { return (1 - f) * x + f * y; };
        std::vector<TCounterIon> ions = a.CounterIons;
        for (TCounterIon& c : ions)
            c.mM = mix(c.mM, 0);
        for (const TCounterIon& c : b.CounterIons) {
            auto it = std::find_if(
                ions.begin(), ions.end(), [&](const TCounterIon& x) { return x.Ion == c.Ion; });
            if (it == ions.end())
                ions.push_back({c.Ion, mix(0, c.mM)});
            else
                it->mM += mix(0, c.mM);
        }
        for (const TCounterIon& c : ions)
            sums.Add(c.mM / 1000, c.Ion.Charge);
        solution.CounterIons = std::move(ions);
        solution.TitrantName = a.TitrantName;
        solution.TitrantmM = mix(a.TitrantmM, b.TitrantmM);
        solution.FillerName = a.FillerName;
        solution.FillermM = mix(a.FillermM, b.FillermM);
        solution.IonStr = sums.Z2 / 2;
        solution.IonicEquivalent = sums.AbsZ / 2;
        solution.ChargeBalancemM = sums.Z * 1000;
    } catch (const TCalcError& e) {
        solution.Error = e.what();
    } catch (const TRecipeError& e) {
        solution.Error = e.what();
    }
    return solution;
}

TRecipeSeries RunRecipeSeries(TEngine& engine, const TRecipe& recipe, const TSeriesDesign& design,
                              const TSeriesProgress& progress)
{
    CheckRecipe(recipe);
    UseRunConstants(engine, recipe.Constants);
    const TToleranceScope tolerance(engine, RecipeTolerance);
    TRecipeSeries series;
    if (design.Kind == TSeriesKind::skPerPoint) {
        const TRecipe base = WithCalculation(recipe, design.Base);
        series.Rows = DesignPerPoint(engine, SolutionInput(base), design.Targets, progress);
        for (const TSeriesRow& row : series.Rows) {
            TSolution solution;
            if (row.Failed())
                solution.Error = row.Outcome.Error;
            else
                solution = MakeSolution(engine, base, row.Outcome);
            series.Solutions.push_back(std::move(solution));
        }
        return series;
    }
    // Each stock is made at the target ionic strength with its own titrant and filler.
    TMixingInput mixing = design.Mixing;
    const auto stock = [&](TCalcInput input) {
        input.Mode = TCalcMode::cmEveryGiven;
        return ComputeRecipe(engine, WithCalculation(recipe, input), TOutputFormat::ofCsv);
    };
    series.StockA = stock(mixing.StockA);
    series.StockB = stock(mixing.StockB);
    // The stocks' contaminating Ca is part of each stock's total, and so of every mixture's.
    for (TCalcInput* input : {&mixing.StockA, &mixing.StockB}) {
        input->Mode = TCalcMode::cmEveryGiven;
        *input = SolutionInput(WithCalculation(recipe, *input));
    }
    series.Rows = DesignMixingTable(engine, mixing, design.Targets, progress);
    for (TSeriesRow& row : series.Rows) {
        TSolution solution;
        if (series.StockA.Failed() || series.StockB.Failed()) {
            solution.Error = "stock " + std::string(series.StockA.Failed() ? "A" : "B")
                + " cannot be made: "
                + (series.StockA.Failed() ? series.StockA : series.StockB).Error();
        } else if (row.Failed() || !row.HasMixture) {
            solution.Error = row.Failed() ? row.Outcome.Error : "no mixture reaches the target";
        } else {
            solution = MixtureSolution(engine, recipe, row.Outcome, series.StockA.Solution,
                                       series.StockB.Solution, row.FractionB);
        }
        series.Solutions.push_back(std::move(solution));
    }
    return series;
}
