// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/many.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Rows are claimed a few dozen at a time: few enough to balance rows that iterate long,
// many enough to keep the shared counter cold and to keep two workers off the same cache
// line of a caller's output columns (64 rows fill whole lines even of one byte per row;
// with 8, the workers' writes to neighbouring rows cost a fifth of the module's time).
constexpr std::size_t ClaimRows = 64;

class TManyRun {
public:
    TManyRun(const TManyJob& job, const TRowReader& read, const TRowTaker& take)
        : FJob(job)
        , FRead(read)
        , FTake(take)
    {
    }

    // `polls`: this is the calling thread, which runs the job's Poll between its claims.
    void Work(bool polls)
    {
        TEngine engine;
        engine.SetBaseConst(FJob.Constants);
        engine.SetOrigin(FJob.Origin);
        TCalcOutcome outcome;
        while (!FStop.load(std::memory_order_relaxed)) {
            if (polls && FJob.Poll) {
                try {
                    FJob.Poll();
                } catch (...) {
                    Stop(std::current_exception());
                    return;
                }
            }
            const std::size_t first = FNext.fetch_add(ClaimRows);
            if (first >= FJob.Rows)
                return;
            const std::size_t last = std::min(first + ClaimRows, FJob.Rows);
            for (std::size_t row = first; row < last; ++row) {
                RunRow(engine, row, outcome);
                try {
                    FTake(row, outcome);
                } catch (...) {
                    Stop(std::current_exception());
                    return;
                }
            }
        }
    }

    void RethrowFailure() const
    {
        if (FFailure)
            std::rethrow_exception(FFailure);
    }

private:
    void RunRow(TEngine& engine, std::size_t row, TCalcOutcome& outcome) const
    {
        outcome = TCalcOutcome {};
        try {
            FRead(row, outcome);
            if (!outcome.Failed())
                outcome = Compute(engine, outcome.Input, FJob.Format);
        } catch (const std::exception& e) {
            outcome.Error = e.what();
        }
    }

    void Stop(std::exception_ptr failure)
    {
        std::lock_guard lock(FMutex);
        if (!FFailure)
            FFailure = std::move(failure);
        FStop = true;
    }

    const TManyJob& FJob;
    const TRowReader& FRead;
    const TRowTaker& FTake;
    std::atomic<std::size_t> FNext = 0;
    std::atomic<bool> FStop = false;
    std::mutex FMutex;
    std::exception_ptr FFailure;
};

} // namespace

void ComputeMany(const TManyJob& job, const TRowReader& read, const TRowTaker& take)
{
    if (job.Rows == 0)
        return;
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t wanted = job.Workers == 0 ? cores : job.Workers;
    // No more threads than claims of rows: a short table is not worth a thread per core.
    const std::size_t workers = std::min(wanted, (job.Rows + ClaimRows - 1) / ClaimRows);
    TManyRun run(job, read, take);
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < workers; ++i)
            helpers.emplace_back([&run] { run.Work(false); });
        run.Work(true);
    }
    run.RethrowFailure();
}
