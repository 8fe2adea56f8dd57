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

// The plain calculation of the recipe's inputs with its record, as quelix-cli makes and
// prints it: the constants into the engine, the calculation, the record.
void BM_PlainCalculation(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    const TCalcInput input = SolutionInput(recipe);
    for (auto _ : state) {
        UseRunConstants(engine, recipe.Constants);
        const TCalcOutcome o = Compute(engine, input, TOutputFormat::ofJson);
        std::string line;
        AppendRecord(line, o, TOutputFormat::ofJson, engine, true);
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_PlainCalculation);

// The same as a recipe: calculation, titrant, filler and the weighing lines in its record.
void BM_Recipe(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    for (auto _ : state) {
        const TRecipeOutcome o = ComputeRecipe(engine, recipe, TOutputFormat::ofJson);
        benchmark::DoNotOptimize(RecipeOutputText(engine, recipe, o, TOutputFormat::ofJson));
    }
}
BENCHMARK(BM_Recipe);

// The calculations alone, without their output.
void BM_PlainCalculationOnly(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    const TCalcInput input = SolutionInput(recipe);
    for (auto _ : state) {
        UseRunConstants(engine, recipe.Constants);
        benchmark::DoNotOptimize(Compute(engine, input, TOutputFormat::ofJson));
    }
}
BENCHMARK(BM_PlainCalculationOnly);

void BM_RecipeOnly(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeRecipe(engine, recipe, TOutputFormat::ofJson));
}
BENCHMARK(BM_RecipeOnly);

// In mode 0 the recipe's tighter bracketing costs iterations: the worst case for the ratio.
void BM_PlainCalculationMode0(benchmark::State& state)
{
    TRecipe recipe = ParseRecipe(Activating, "bench.json");
    recipe.Calculation.Mode = TCalcMode::cmEveryGiven;
    recipe.Calculation[vfTotalMg] = 5.2L;
    recipe.Calculation[vfTotalCa] = 7;
    recipe.Calculation[vfTotalATP] = 4.8L;
    TEngine engine;
    const TCalcInput input = SolutionInput(recipe);
    for (auto _ : state) {
        UseRunConstants(engine, recipe.Constants);
        const TCalcOutcome o = Compute(engine, input, TOutputFormat::ofJson);
        std::string line;
        AppendRecord(line, o, TOutputFormat::ofJson, engine, true);
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_PlainCalculationMode0);

void BM_RecipeMode0(benchmark::State& state)
{
    TRecipe recipe = ParseRecipe(Activating, "bench.json");
    recipe.Calculation.Mode = TCalcMode::cmEveryGiven;
    recipe.Calculation[vfTotalMg] = 5.2L;
    recipe.Calculation[vfTotalCa] = 7;
    recipe.Calculation[vfTotalATP] = 4.8L;
    TEngine engine;
    for (auto _ : state) {
        const TRecipeOutcome o = ComputeRecipe(engine, recipe, TOutputFormat::ofJson);
        benchmark::DoNotOptimize(RecipeOutputText(engine, recipe, o, TOutputFormat::ofJson));
    }
}
BENCHMARK(BM_RecipeMode0);

// A plain calculation's report, as quelix-cli prints it by default.
void BM_PlainReport(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    const TCalcInput input = SolutionInput(recipe);
    for (auto _ : state) {
        UseRunConstants(engine, recipe.Constants);
        benchmark::DoNotOptimize(Compute(engine, input, TOutputFormat::ofReport).Report);
    }
}
BENCHMARK(BM_PlainReport);

// The weighing sheet as quelix-cli --format report prints it after the report.
void BM_RecipeReportAndSheet(benchmark::State& state)
{
    const TRecipe recipe = ParseRecipe(Activating, "bench.json");
    TEngine engine;
    for (auto _ : state) {
        const TRecipeOutcome o = ComputeRecipe(engine, recipe, TOutputFormat::ofReport);
        benchmark::DoNotOptimize(RecipeOutputText(engine, recipe, o, TOutputFormat::ofReport));
    }
}
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
