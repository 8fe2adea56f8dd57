// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The batch run: a CSV file with a header row in, one output record per row out, in the
// order of the input. Rows are read in chunks; each chunk is computed by a pool of worker
// threads (one engine each) while the previous chunk is written and the next one read, so
// memory stays bounded however long the file is.

#include "cli/options.h"

#include <bitset>
#include <cstddef>
#include <iosfwd>

struct TBatchJob {
    TCalcInput Defaults;   // for a missing column or an empty cell
    TConstTable Constants; // BaseConst of every calculation
    TOutputFormat Format = TOutputFormat::ofCsv;
    unsigned Workers = 1;
    std::size_t ChunkRows = 1024;
    TConstOrigin Origin {}; // where Constants come from (set name, enthalpies)
    /// The run's further ligands (--ligand), and the set whose definitions a batch column
    /// total_<n> may add to them.
    TRunConstants Run {};
    std::bitset<InputColumnCount> GivenOptions {}; // the defaults set by an option (warnings)
};

/// Runs the batch. Returns 0 when every row was computed, 1 when a row failed, the input
/// could not be read to its end or `out` failed (then the run stops early). Throws
/// TUsageError, before computing anything, for an input that cannot be read, a missing
/// header row, an unknown or repeated column. For the report format each row's report is
/// headed "row N:", and a failing row writes "row N: message" to `err` and nothing to
/// `out`. After the last row the warnings about the inputs go to `err`.
int RunBatch(std::istream& in, std::ostream& out, std::ostream& err, const TBatchJob& job);
