// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Many calculations at once, on all cores: the rows of a table of inputs, each computed on
// a worker's own engine, as the rows of a batch file are. The caller supplies the rows
// through a reader and receives the outcomes through a taker; both run on the worker
// threads, so a caller that holds its rows in memory fills and empties them in parallel
// too. Rows are independent: each is read once, computed once and taken once, in no fixed
// order.

#include "request/compute.h"

#include <cstddef>
#include <functional>

/// Fills `outcome.Input` with the inputs of row `row`. A value that cannot be read sets its
/// bit in Unreadable and the message in Error; such a row is taken without a calculation.
using TRowReader = std::function<void(std::size_t row, TCalcOutcome& outcome)>;

/// Receives the outcome of row `row`.
using TRowTaker = std::function<void(std::size_t row, const TCalcOutcome& outcome)>;

struct TManyJob {
    std::size_t Rows = 0;
    TConstTable Constants {}; // BaseConst of every calculation
    unsigned Workers = 0;     // threads, the calling one included; 0 = one per core
    TOutputFormat Format = TOutputFormat::ofJson; // ofReport also makes each row's report
    TConstOrigin Origin {}; // where Constants come from (set name, enthalpies for a temperature)
    /// Called by the calling thread before each of its claims of rows (every few dozen
    /// rows): an exception it throws (an interrupt) stops the work as a taker's does.
    std::function<void()> Poll {};
};

/// Computes rows 0 .. job.Rows - 1. An exception thrown by the reader becomes that row's
/// Error and the other rows go on. An exception thrown by the taker stops the work: no
/// further row is started, and it is rethrown here once every worker has stopped.
void ComputeMany(const TManyJob& job, const TRowReader& read, const TRowTaker& take);
