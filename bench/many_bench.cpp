// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The engine's own time for a table of rows on all cores: ComputeMany over inputs already
// in memory, with nothing written. The yardstick of the Python module's calculate_many
// (bench/python_many.py runs both on the same rows).
// Run: build/bin/many_bench --rows FILE   (a batch CSV, e.g. from scripts/make-batch)
#include "engine/realtext.h"
#include "request/csvreader.h"
#include "request/many.h"
#include "request/request.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

std::vector<TCalcInput> Rows;

// The rows of a batch file with a header of input names, read as --batch reads them.
std::vector<TCalcInput> ReadRows(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    TCsvReader reader(file);
    TCsvRecord record;
    std::vector<int> columns;
    std::vector<TCalcInput> rows;
    if (!reader.Next(record))
        return rows;
    for (std::size_t i = 0; i < record.FieldCount(); ++i)
        columns.push_back(FindColumn(record.Field(i)));
    while (reader.Next(record)) {
        TCalcInput in = DefaultInput();
        for (std::size_t i = 0; i < record.FieldCount() && i < columns.size(); ++i) {
            if (columns[i] == 0)
                in.Mode = ParseMode(record.Field(i));
            else if (columns[i] > 0 && columns[i] < static_cast<int>(InputColumnCount))
                in.Values[static_cast<std::size_t>(columns[i] - 1)] = TextToRealOrRaise(
                    record.Field(i));
        }
        rows.push_back(in);
    }
    return rows;
}

void BM_ComputeMany(benchmark::State& bs)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const TManyJob job {
        Rows.size(), engine.BaseConst(), static_cast<unsigned>(bs.range(0)), TOutputFormat::ofJson};
    long failed = 0;
    for (auto _ : bs) {
        std::atomic<long> failures = 0;
        ComputeMany(
            job, [](std::size_t row, TCalcOutcome& o) { o.Input = Rows[row]; },
            [&](std::size_t, const TCalcOutcome& o) {
                if (o.Failed())
                    ++failures;
            });
        failed = failures;
    }
    bs.counters["rows"] = static_cast<double>(Rows.size());
    bs.counters["failed"] = static_cast<double>(failed);
}
// 0 = one worker per core.
// CPU time of the whole process, all workers included.
BENCHMARK(BM_ComputeMany)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rows") == 0) {
            Rows = ReadRows(argv[i + 1]);
            for (int j = i; j + 2 <= argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            break;
        }
    if (Rows.empty()) {
        std::cerr << "usage: many_bench --rows FILE [benchmark options]\n";
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
