// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/many.h"
#include "request/request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

using enum TValueField;

namespace {

// Recipes in every mode with physiological values, and among them rows that fail: a
// negative ionic strength, and negative totals that keep the bracketing from closing.
std::vector<TCalcInput> MixedRows(std::size_t count)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const auto uniform = [&](double lo, double hi) { return TReal(lo + (hi - lo) * unit(rng)); };
    std::vector<TCalcInput> rows;
    for (std::size_t i = 0; i < count; ++i) {
        TCalcInput in = DefaultInput();
        in.Mode = static_cast<TCalcMode>(i % ModeCount);
        in[vfpH] = uniform(6.5, 7.5);
        in[vfIonStr] = i % 37 == 5 ? -0.1L : uniform(0.1, 0.25);
        in[vfTotalEGTA] = uniform(0, 10);
        in[vfTotalMg] = i % 41 == 3 ? -5 : uniform(0.5, 10);
        in[vfTotalCa] = uniform(0, 10);
        in[vfTotalATP] = uniform(0, 8);
        in[vfFreeMg] = uniform(0.1, 3);
        in[vfFreeCa] = uniform(1e-5, 1e-2);
        in[vfMgATP] = uniform(0.1, 5);
        in[vfCaATP] = uniform(1e-6, 1e-2);
        rows.push_back(in);
    }
    return rows;
}

TConstTable EditedConstants()
{
    TEngine engine;
    engine.LoadDefaultConstants();
    engine.SetBaseEntry(TLigand::ligEGTA, TPartner::ptCa, 0, 10.5L);
    return engine.BaseConst();
}

std::string JsonOf(const TCalcOutcome& o)
{
    std::string line;
    AppendJsonRecord(line, o);
    return line;
}

// The rows one by one on one engine: what every worker count must reproduce.
std::vector<std::string> OneByOne(const std::vector<TCalcInput>& rows, const TConstTable& table)
{
    TEngine engine;
    engine.SetBaseConst(table);
    std::vector<std::string> lines;
    for (const TCalcInput& in : rows)
        lines.push_back(JsonOf(Compute(engine, in, TOutputFormat::ofJson)));
    return lines;
}

} // namespace

TEST(ComputeMany, EveryWorkerCountGivesTheRowsAsComputedOneByOne)
{
    const std::vector<TCalcInput> rows = MixedRows(701);
    const TConstTable table = EditedConstants();
    const std::vector<std::string> expected = OneByOne(rows, table);
    TEngine defaults;
    defaults.LoadDefaultConstants();
    ASSERT_NE(expected, OneByOne(rows, defaults.BaseConst())) << "the edit must matter";
    std::size_t failed = 0;
    for (const std::string& line : expected)
        failed += line.find("\"error\":null") == std::string::npos ? 1 : 0;
    ASSERT_GT(failed, 10U);
    ASSERT_LT(failed, rows.size() / 2);

    for (unsigned workers : {0U, 1U, 2U, 3U, 16U}) {
        SCOPED_TRACE(workers);
        std::vector<std::string> lines(rows.size());
        std::vector<std::atomic<int>> taken(rows.size());
        const TManyJob job {rows.size(), table, workers, TOutputFormat::ofJson};
        ComputeMany(
            job, [&](std::size_t row, TCalcOutcome& o) { o.Input = rows[row]; },
            [&](std::size_t row, const TCalcOutcome& o) {
                lines[row] = JsonOf(o);
                ++taken[row];
            });
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(taken[i], 1) << "row " << i;
            ASSERT_EQ(lines[i], expected[i]) << "row " << i;
        }
    }
}

TEST(ComputeMany, ReportFormatMakesEachRowsReport)
{
    const std::vector<TCalcInput> rows = MixedRows(30);
    TEngine engine;
    engine.LoadDefaultConstants();
    std::vector<std::string> reports(rows.size());
    ComputeMany(
        {rows.size(), engine.BaseConst(), 2, TOutputFormat::ofReport},
        [&](std::size_t row, TCalcOutcome& o) { o.Input = rows[row]; },
        [&](std::size_t row, const TCalcOutcome& o) { reports[row] = o.Report; });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TCalcOutcome single = Compute(engine, rows[i], TOutputFormat::ofReport);
        EXPECT_EQ(reports[i], single.Report) << "row " << i;
        EXPECT_EQ(reports[i].empty(), single.Failed()) << "row " << i;
    }
}

TEST(ComputeMany, UnreadableRowsAreTakenUncomputedAndTheOthersGoOn)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const std::size_t count = 50;
    std::vector<TCalcOutcome> outcomes(count);
    ComputeMany(
        {count, engine.BaseConst(), 3, TOutputFormat::ofJson},
        [](std::size_t row, TCalcOutcome& o) {
            o.Input = DefaultInput();
            if (row % 10 == 4) {
                o.Unreadable.set(1 + static_cast<std::size_t>(vfpH));
                o.Error = "'7,2' は浮動小数点数ではありません";
            }
            if (row % 10 == 7)
                throw std::runtime_error("cannot read row " + std::to_string(row));
        },
        [&](std::size_t row, const TCalcOutcome& o) { outcomes[row] = o; });
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const TCalcOutcome& o = outcomes[i];
        if (i % 10 == 4) {
            EXPECT_EQ(o.Error, "'7,2' は浮動小数点数ではありません");
            EXPECT_TRUE(o.Unreadable[1 + static_cast<std::size_t>(vfpH)]);
            EXPECT_FALSE(o.State.HasResults);
        } else if (i % 10 == 7) {
            EXPECT_EQ(o.Error, "cannot read row " + std::to_string(i));
            EXPECT_FALSE(o.State.HasResults);
        } else {
            EXPECT_FALSE(o.Failed()) << o.Error;
            EXPECT_TRUE(o.State.HasResults);
            EXPECT_GT(o.Iterations, 0);
        }
    }
}

TEST(ComputeMany, ATakerThatThrowsStopsTheWorkAndTheCallerGetsItsError)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const std::size_t count = 100000;
    std::atomic<std::size_t> takenCount = 0;
    const auto run = [&] {
        ComputeMany(
            {count, engine.BaseConst(), 2, TOutputFormat::ofJson},
            [](std::size_t, TCalcOutcome& o) { o.Input = DefaultInput(); },
            [&](std::size_t row, const TCalcOutcome&) {
                ++takenCount;
                if (row == 100)
                    throw std::length_error("no room for row 100");
            });
    };
    EXPECT_THROW(run(), std::length_error);
    EXPECT_LT(takenCount, count / 2);
}

TEST(ComputeMany, AnInterruptNotedBetweenBlocksStopsTheWorkFromTheCallingThread)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const std::size_t count = 100000;
    std::atomic<std::size_t> takenCount = 0;
    std::size_t polls = 0;
    const std::thread::id caller = std::this_thread::get_id();
    TManyJob job {count, engine.BaseConst(), 2, TOutputFormat::ofJson};
    job.Poll = [&] {
        EXPECT_EQ(std::this_thread::get_id(), caller); // where Python can look for signals
        if (++polls == 5)
            throw std::runtime_error("interrupted");
    };
    EXPECT_THROW(ComputeMany(
                     job, [](std::size_t, TCalcOutcome& o) { o.Input = DefaultInput(); },
                     [&](std::size_t, const TCalcOutcome&) { ++takenCount; }),
                 std::runtime_error);
    EXPECT_EQ(polls, 5U);
    EXPECT_LT(takenCount, count / 2);

    // Polled and never interrupted, every row is taken once.
    polls = 0;
    job.Poll = [&] { ++polls; };
    takenCount = 0;
    ComputeMany(
        job, [](std::size_t, TCalcOutcome& o) { o.Input = DefaultInput(); },
        [&](std::size_t, const TCalcOutcome&) { ++takenCount; });
    EXPECT_EQ(takenCount, count);
    EXPECT_GT(polls, 0U);
}

TEST(ComputeMany, NoRowsNoCalls)
{
    bool called = false;
    ComputeMany(
        {0, {}, 2, TOutputFormat::ofJson}, [&](std::size_t, TCalcOutcome&) { called = true; },
        [&](std::size_t, const TCalcOutcome&) { called = true; });
    EXPECT_FALSE(called);
}
