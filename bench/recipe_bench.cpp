// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Timings of the solution as made. Targets: a recipe (its calculation, titrant, filler and
// weighing sheet) at most twice the plain calculation of the same inputs; a 37-point mixing
// table with stocks made from a recipe within 5 ms. Run: build/bin/recipe_bench
#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"
#include "recipe/recipeseries.h"
#include "report/conditions.h"
#include "series/pcalist.h"

#include <benchmark/benchmark.h>

#include <optional>

using enum TValueField;

namespace {

// The manual's pCa 4.5 activating solution: 7 mM EGTA, MgATP 4 mM, free Mg 1 mM, CrP
// 14.5 mM, 20 mM imidazole, KOH, KCl to 0.18 M, 22 °C, every salt weighed.
const char* const Activating = R"j({"format": "quelix-recipe", "version": 1,
  "name": "pCa 4.5", "volume_ml": 100,
  "calculation": {"mode": 2, "ph": 7.0, "ionic_strength": 0.18, "total_egta": 7,
                  "mgatp": 4, "free_mg": 1, "free_ca": 0.031622776601683794, "mgadp": 0},
  "ligands": {"CrP": 14.5}, "constants": "nist-srd46-20c", "temperature_c": 22,
  "buffer": {"name": "imidazole", "total_mM": 20}, "titrant": "KOH", "filler": "KCl",
  "stock_solutions": {"titrant": 4000}})j";

// The recipe as the benchmarks take it: the manual's, or the same in mode 0 with its totals,
// where the recipe's tighter bracketing costs iterations (the worst case for the ratio).
TRecipe BenchRecipe(bool mode0)
{
    TRecipe recipe = ParseRecipe(Activating, "bench.json");
    if (mode0) {
        recipe.Calculation.Mode = TCalcMode::cmEveryGiven;
        recipe.Calculation[vfTotalMg] = 5.2L;
        recipe.Calculation[vfTotalCa] = 7;
        recipe.Calculation[vfTotalATP] = 4.8L;
    }
    return recipe;
}

// The plain calculation of the recipe's inputs as quelix-cli makes it: the constants into the
// engine, the calculation, and its record (or its report, or nothing).
void PlainRun(benchmark::State& state, bool mode0, std::optional<TOutputFormat> output)
{
    const TRecipe recipe = BenchRecipe(mode0);
    TEngine engine;
    const TCalcInput input = SolutionInput(recipe);
    for (auto _ : state) {
        UseRunConstants(engine, recipe.Constants);
        const TCalcOutcome o = Compute(engine, input, output.value_or(TOutputFormat::ofJson));
        std::string line;
        if (output == TOutputFormat::ofJson)
            AppendRecord(line, o, TOutputFormat::ofJson, engine, true);
        benchmark::DoNotOptimize(line);
        benchmark::DoNotOptimize(o.Report);
    }
}

// The same as a recipe: calculation, titrant, filler and weighing lines, with its record (or
// its report and weighing sheet, or nothing).
void RecipeRun(benchmark::State& state, bool mode0, std::optional<TOutputFormat> output)
{
    const TRecipe recipe = BenchRecipe(mode0);
    TEngine engine;
    for (auto _ : state) {
        const TRecipeOutcome o = ComputeRecipe(
            engine, recipe, output.value_or(TOutputFormat::ofJson));
        if (output)
            benchmark::DoNotOptimize(RecipeOutputText(engine, recipe, o, *output));
        benchmark::DoNotOptimize(o);
    }
}

void BM_PlainCalculation(benchmark::State& s)
{
    PlainRun(s, false, TOutputFormat::ofJson);
}
void BM_Recipe(benchmark::State& s)
{
    RecipeRun(s, false, TOutputFormat::ofJson);
}
void BM_PlainCalculationOnly(benchmark::State& s)
{
    PlainRun(s, false, std::nullopt);
}
void BM_RecipeOnly(benchmark::State& s)
{
    RecipeRun(s, false, std::nullopt);
}
void BM_PlainCalculationMode0(benchmark::State& s)
{
    PlainRun(s, true, TOutputFormat::ofJson);
}
void BM_RecipeMode0(benchmark::State& s)
{
    RecipeRun(s, true, TOutputFormat::ofJson);
}
void BM_PlainCalculationOnlyMode0(benchmark::State& s)
{
    PlainRun(s, true, std::nullopt);
}
void BM_RecipeOnlyMode0(benchmark::State& s)
{
    RecipeRun(s, true, std::nullopt);
}
void BM_PlainReport(benchmark::State& s)
{
    PlainRun(s, false, TOutputFormat::ofReport);
}
void BM_RecipeReportAndSheet(benchmark::State& s)
{
    RecipeRun(s, false, TOutputFormat::ofReport);
}
BENCHMARK(BM_PlainCalculation);
BENCHMARK(BM_Recipe);
BENCHMARK(BM_PlainCalculationOnly);
BENCHMARK(BM_RecipeOnly);
BENCHMARK(BM_PlainCalculationMode0);
BENCHMARK(BM_RecipeMode0);
BENCHMARK(BM_PlainCalculationOnlyMode0);
BENCHMARK(BM_RecipeOnlyMode0);
BENCHMARK(BM_PlainReport);
BENCHMARK(BM_RecipeReportAndSheet);

// 37 targets from pCa 9 to 4.5 between a pCa 9 and a pCa 4.5 stock, both made with the
// recipe's salts, buffer, titrant and filler; every mixture's real ionic strength.
void BM_MixingTable37WithRecipeStocks(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TSeriesDesign design;
    design.Kind = TSeriesKind::skMixing;
    for (TCalcInput* stock : {&design.Mixing.StockA, &design.Mixing.StockB}) {
        *stock = recipe.Calculation;
        stock->Mode = TCalcMode::cmEveryGiven;
        (*stock)[vfTotalMg] = 5.4L;
        (*stock)[vfTotalATP] = 4.75L;
    }
    design.Mixing.StockA[vfTotalCa] = 0.027L;
    design.Mixing.StockB[vfTotalCa] = 7.04L;
    design.Targets = ParsePCaList("9:4.5:0.125");
    TEngine engine;
    for (auto _ : state) {
        const TRecipeSeries series = RunRecipeSeries(engine, recipe, design);
        benchmark::DoNotOptimize(series.Solutions.data());
    }
    state.counters["rows"] = static_cast<double>(design.Targets.size());
}
BENCHMARK(BM_MixingTable37WithRecipeStocks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
