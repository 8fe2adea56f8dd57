// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Timings of the settings file: start-up and Save with a normal file and with a file of
// 18 MB, most of it comment lines before and inside the section (as a file that a script
// appended notes to for years). Run: build/bin/settings_bench
#include "settings/defaults.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t LargeFileBytes = 18u << 20;

const std::string NormalText =
    "[Default]\nMenuSelect=2\npH=7.1\nIonStr=0.15\nTotal EGTA=0.01\nTotal EDTA=0\n"
    "Total Mg=0.003\nTotal Ca=0.0005\nTotal ATP=0.005\nTotal ADP=0\nTotal PO4=0\n"
    "Free Mg=0.001\nFree Ca=1E-7\nMgATP=0.0002\nCaATP=0\nMgADP=0\nCaADP=0\n";

// Comment lines of `lineBytes` bytes (line end included), half before the section, half
// after its keys, inside it. Short lines are the hard case: the most lines per megabyte.
std::string LargeText(std::size_t lineBytes)
{
    std::string line = ";" + std::string(lineBytes - 2, 'x') + "\n";
    std::string half;
    half.reserve(LargeFileBytes / 2 + lineBytes);
    while (half.size() < LargeFileBytes / 2)
        half += line;
    return half + NormalText + half;
}

// A settings file in a directory of its own, removed afterwards.
class TBenchFile {
public:
    explicit TBenchFile(const std::string& text)
    {
        std::string pattern = (fs::temp_directory_path() / "quelix-benchXXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory");
        FDir = pattern;
        std::ofstream(Path(), std::ios::binary) << text;
    }
    TBenchFile(const TBenchFile&) = delete;
    TBenchFile& operator=(const TBenchFile&) = delete;
    ~TBenchFile()
    {
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }
    fs::path Path() const { return FDir / "quelix.INI"; }

private:
    fs::path FDir;
};

void Startup(benchmark::State& bs, const std::string& text)
{
    const TBenchFile file(text);
    TIniFile ini(file.Path());
    TEngine engine;
    TCalcState state;
    TDefaultSet defaults;
    for (auto _ : bs) {
        const TStartupResult result = LoadSettingsAtStart(ini, defaults, engine, state, '.');
        if (result.ModeIndex != 2 || result.Error)
            bs.SkipWithError("the settings did not read");
        benchmark::DoNotOptimize(state.FreeCa);
    }
    bs.SetBytesProcessed(static_cast<std::int64_t>(bs.iterations() * text.size()));
}

void Save(benchmark::State& bs, const std::string& text)
{
    const TBenchFile file(text);
    TIniFile ini(file.Path());
    TEngine engine;
    TCalcState state;
    TDefaultSet defaults;
    LoadSettingsAtStart(ini, defaults, engine, state, '.');
    for (auto _ : bs)
        SetAsDefault(ini, 2, engine, state, '.');
    bs.SetBytesProcessed(static_cast<std::int64_t>(bs.iterations() * text.size()));
}

void BM_StartupNormalFile(benchmark::State& bs)
{
    Startup(bs, NormalText);
}
BENCHMARK(BM_StartupNormalFile);

// The argument is the length of the comment lines.
void BM_StartupLargeFile(benchmark::State& bs)
{
    Startup(bs, LargeText(static_cast<std::size_t>(bs.range(0))));
}
BENCHMARK(BM_StartupLargeFile)->Arg(2)->Arg(60)->Unit(benchmark::kMillisecond);

// Every save flushes the file to the disk, so this also measures the disk.
void BM_SaveLargeFile(benchmark::State& bs)
{
    Save(bs, LargeText(static_cast<std::size_t>(bs.range(0))));
}
BENCHMARK(BM_SaveLargeFile)->Arg(2)->Arg(60)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
