// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Timings of the engine on representative states. Run: build/bin/engine_bench
#include "report/report.h"
#include "tests/engine/testcalc.h"

#include <benchmark/benchmark.h>

#include <array>

using enum TLigand;

namespace {

// Whole calculations of `c` in mode 0 with their report.
void FullCalculations(benchmark::State& bs, TTestCalc& c)
{
    long iterations = 0;
    for (auto _ : bs) {
        // A changed ionic strength makes every calculation derive its constants afresh, as
        // one with new inputs does.
        c.Engine.SetIonStr(0);
        c.Engine.SetIonStr(0.2L);
        iterations = c.Engine.Calculate(c.State, TCalcMode::cmEveryGiven).Iterations;
        auto lines = ReportLines(c.Engine, c.State);
        benchmark::DoNotOptimize(lines);
    }
    bs.counters["solver_iterations"] = static_cast<double>(iterations);
}

void BM_FullCalculationDefault(benchmark::State& bs)
{
    TTestCalc c; // the built-in default inputs
    FullCalculations(bs, c);
}
BENCHMARK(BM_FullCalculationDefault);

// The same with two further ligands, creatine phosphate (14.5 mM) and BAPTA (1 mM), as a
// skinned-fibre or patch-pipette solution carries them: two more ligands in the bracketing,
// their constants, species and report blocks.
void BM_FullCalculationTwoFurtherLigands(benchmark::State& bs)
{
    TTestCalc c;
    std::array<TFurtherLigand, 2> ligands;
    ligands[0].Name = "CrP";
    ligands[0].Charge = -2;
    ligands[0].BaseConst[TPartner::ptH] = {4.7L, 2.82L, 0, 0};
    ligands[0].BaseConst[TPartner::ptMg][0] = 1.3L;
    ligands[0].BaseConst[TPartner::ptCa][0] = 1.15L;
    ligands[1].Name = "BAPTA";
    ligands[1].Charge = -4;
    ligands[1].BaseConst[TPartner::ptH] = {6.372L, 5.491L, 3.26L, 2.2L};
    ligands[1].BaseConst[TPartner::ptMg][0] = 1.77L;
    ligands[1].BaseConst[TPartner::ptCa][0] = 6.97L;
    c.Engine.SetFurtherLigands(ligands);
    c.State.Further[0].Total = 0.0145L;
    c.State.Further[1].Total = 0.001L;
    FullCalculations(bs, c);
}
BENCHMARK(BM_FullCalculationTwoFurtherLigands);

// The constant tables of one calculation: corrections to the ionic strength and 33 powers
// of ten.
void BM_Constants(benchmark::State& bs)
{
    TTestCalc c; // the built-in default inputs
    for (auto _ : bs) {
        c.Engine.AdjustConstants();
        c.Engine.MakeApparentConstants();
        benchmark::DoNotOptimize(c.Engine.BindSums());
    }
}
BENCHMARK(BM_Constants);

void BM_HardCaseSolve(benchmark::State& bs)
{
    TTestCalc c;
    c.UseHardCase();
    c.Engine.AdjustConstants();
    c.Engine.MakeApparentConstants();
    long iterations = 0;
    for (auto _ : bs) {
        iterations = c.Engine.SolveMajors(c.State, TCalcMode::cmEveryGiven);
        benchmark::DoNotOptimize(c.State.FreeCa);
    }
    bs.counters["solver_iterations"] = static_cast<double>(iterations);
    bs.counters["time_per_iteration"] = benchmark::Counter(
        static_cast<double>(iterations) * static_cast<double>(bs.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HardCaseSolve);

void BM_SolveMode(benchmark::State& bs)
{
    TTestCalc c; // the built-in default inputs
    c.State.TotalLigand[ligADP] = 0.0001L;
    c.State.MgADP = 0.00005L;
    c.State.FreeCa = 1e-6L;
    c.State.CaATP = 1e-7L;
    c.State.CaADP = 1e-8L;
    c.Engine.AdjustConstants();
    c.Engine.MakeApparentConstants();
    const auto mode = static_cast<TCalcMode>(bs.range(0));
    const TCalcState inputs = c.State;
    for (auto _ : bs) {
        c.State = inputs;
        c.Engine.SolveMajors(c.State, mode);
        c.Engine.CalcMinors(c.State);
        benchmark::DoNotOptimize(c.State);
    }
}
BENCHMARK(BM_SolveMode)->DenseRange(0, ModeCount - 1);

} // namespace

BENCHMARK_MAIN();
