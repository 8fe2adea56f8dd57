// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Timings of the engine on representative states. Run: build/bin/engine_bench
#include "report/report.h"

#include <benchmark/benchmark.h>

using enum TLigand;

namespace {

struct TBenchCalc {
    TEngine Engine;
    TCalcState State;
};

// The built-in default inputs.
TBenchCalc DefaultCalc()
{
    TBenchCalc c;
    c.State.Tiny = 10 * MachineEpsilon();
    c.Engine.LoadDefaultConstants();
    c.Engine.pH = 8;
    c.Engine.IonStr = 0.2L;
    c.State.TotalMg = 0.0022L;
    c.State.TotalCa = 0.0005L;
    c.State.TotalLigand[ligATP] = 0.00022L;
    c.State.TotalLigand[ligEGTA] = 0.002L;
    c.State.FreeMg = 0.001L;
    c.State.FreeCa = 0.001L;
    c.State.MgATP = 0.0002L;
    return c;
}

// Total Ca just below total EGTA: the free Ca bounds close slowly.
TBenchCalc HardCalc()
{
    TBenchCalc c = DefaultCalc();
    c.Engine.pH = 7;
    c.Engine.IonStr = 0.15L;
    c.State.TotalLigand[ligEGTA] = 0.007L;
    c.State.TotalLigand[ligATP] = 0.005L;
    c.State.TotalMg = 0.006L;
    c.State.TotalCa = 0.00699L;
    return c;
}

void BM_FullCalculationDefault(benchmark::State& bs)
{
    TBenchCalc c = DefaultCalc();
    long iterations = 0;
    for (auto _ : bs) {
        c.Engine.AdjustConstants();
        c.Engine.MakeApparentConstants();
        iterations = c.Engine.SolveMajors(c.State, TCalcMode::cmEveryGiven);
        c.Engine.CalcMinors(c.State);
        auto lines = ReportLines(c.Engine, c.State);
        benchmark::DoNotOptimize(lines);
    }
    bs.counters["solver_iterations"] = static_cast<double>(iterations);
}
BENCHMARK(BM_FullCalculationDefault);

// The constant tables of one calculation: corrections to the ionic strength and 33 powers
// of ten.
void BM_Constants(benchmark::State& bs)
{
    TBenchCalc c = DefaultCalc();
    for (auto _ : bs) {
        c.Engine.AdjustConstants();
        c.Engine.MakeApparentConstants();
        benchmark::DoNotOptimize(c.Engine.BindSums);
    }
}
BENCHMARK(BM_Constants);

void BM_HardCaseSolve(benchmark::State& bs)
{
    TBenchCalc c = HardCalc();
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
    TBenchCalc c = DefaultCalc();
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
