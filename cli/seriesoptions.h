// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The pCa series of quelix-cli: --pca LIST alone runs the per-point design on the inputs
// of the other options; with --stock-a SPEC and --stock-b SPEC (and --volume V) it runs
// the mixing table of the two stocks. Everything is checked before any calculation; a
// combination that cannot be meant (a series with --batch, an option that a mixing table
// would ignore) is a usage error.

#include "series/series.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}
struct TCliOptions;

/// The texts of the series options, filled in by the parser.
struct TSeriesOptionTexts {
    std::string PCa;
    std::string StockA;
    std::string StockB;
    std::string Volume;
};

/// Adds --pca, --stock-a, --stock-b and --volume to `app`, read into `texts`.
void AddSeriesOptions(CLI::App& app, TSeriesOptionTexts& texts);

/// The series the parsed command line asks for, if any. `options` holds the other options
/// as read (their inputs become the per-point base or the stocks' pH and ionic strength); a
/// stock's total_<n> adds the further ligand <n> to its run constants.
/// Throws TUsageError for anything that cannot be used. What is used but may not be what
/// was meant (a range whose steps do not land on its end) is added to `warnings`.
std::optional<TSeriesDesign> ReadSeriesOptions(const CLI::App& app, const TSeriesOptionTexts& texts,
                                               TCliOptions& options,
                                               std::vector<std::string>& warnings);

/// Calculates the series on `engine` (its BaseConst set) and writes it to `out` in
/// `format`: the readable table, JSON lines or CSV. Returns 0, or 1 when a row failed.
int RunSeriesDesign(TEngine& engine, const TSeriesDesign& design, TOutputFormat format,
                    std::ostream& out);

/// The series part of --help.
std::string SeriesHelpText();
