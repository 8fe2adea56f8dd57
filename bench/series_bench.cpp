// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Timings of the pCa series designer. Run: build/bin/series_bench
#include "request/request.h"
#include "series/pcalist.h"
#include "series/series.h"

#include <benchmark/benchmark.h>

using enum TValueField;

namespace {

// The skinned-fibre stocks of the manual: 7 mM EGTA, 5 mM ATP, about 1 mM free Mg++, pH
// 7.0, 0.15 M; A at pCa 9, B at pCa 4.5.
TMixingInput FibreStocks()
{
    TMixingInput mix;
    for (TCalcInput* stock : {&mix.StockA, &mix.StockB}) {
        *stock = DefaultInput();
        for (TValueField f : StockTotals)
            (*stock)[f] = 0;
        (*stock)[vfpH] = 7;
        (*stock)[vfIonStr] = 0.15L;
        (*stock)[vfTotalEGTA] = 7;
        (*stock)[vfTotalATP] = 5;
    }
    mix.StockA[vfTotalMg] = 5.4L;
    mix.StockA[vfTotalCa] = 0.028L;
    mix.StockB[vfTotalMg] = 5.1L;
    mix.StockB[vfTotalCa] = 7.03L;
    return mix;
}

TEngine DefaultEngine()
{
    TEngine engine;
    engine.LoadDefaultConstants();
    return engine;
}

// 37 targets, pCa 9 to 4.5 in steps of 0.125.
void BM_MixingTable37(benchmark::State& bs)
{
    TEngine engine = DefaultEngine();
    const TMixingInput mix = FibreStocks();
    const std::vector<TReal> targets = ParsePCaList("9:4.5:0.125");
    long evaluations = 0;
    for (auto _ : bs) {
        const auto rows = DesignMixingTable(engine, mix, targets);
        evaluations = 0;
        for (const TSeriesRow& row : rows)
            evaluations += row.Evaluations;
        benchmark::DoNotOptimize(rows.data());
    }
    bs.counters["root_finder_calculations"] = static_cast<double>(evaluations);
}
BENCHMARK(BM_MixingTable37)->Unit(benchmark::kMillisecond);

// 1,000 points in mode 6 (Control Ca++), pCa 9 down to 4.005 in steps of 0.005.
void BM_PerPoint1000(benchmark::State& bs)
{
    TEngine engine = DefaultEngine();
    TCalcInput base = FibreStocks().StockA;
    base.Mode = TCalcMode::cmCa;
    const std::vector<TReal> targets = ParsePCaList("9:4.005:0.005");
    for (auto _ : bs) {
        const auto rows = DesignPerPoint(engine, base, targets);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_PerPoint1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
