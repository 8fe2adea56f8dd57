// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The command line of quelix-cli: the inputs of one calculation (or the defaults of a
// batch), edits of the binding constant table, the output format and the batch file.

#include "cli/constoptions.h"
#include "recipe/recipe.h"
#include "report/record.h"
#include "request/runconditions.h"
#include "series/series.h"

#include <bitset>
#include <optional>
#include <string>
#include <vector>

struct TCliOptions {
    TCalcInput Input = DefaultInput();
    std::bitset<InputColumnCount> Given; // the inputs set by an option: bit 0 --mode, 1 + f
    std::vector<TConstEdit> ConstEdits;
    TRunConstants Constants; // the chosen set with ConstEdits on top
    TOutputFormat Format = TOutputFormat::ofReport;
    std::optional<std::string> BatchPath; // "-" is standard input
    std::optional<TSeriesDesign> Series;  // --pca (cli/seriesoptions.h)
    std::optional<TRecipe> Recipe;        // --recipe: the solution as made
    bool ShowHelp = false;
    bool ShowVersion = false;
    bool ListConstants = false;
    bool ShowConstants = false;
    std::vector<std::string> Warnings; // about the options, printed before anything runs
};

/// Parses argv. Throws TUsageError for anything that cannot be used, including a number
/// that does not convert (whose message is the conversion error of the entry fields).
TCliOptions ParseCommandLine(int argc, const char* const* argv);

/// The text printed by --help.
std::string HelpText();

/// The text printed by --version.
std::string VersionText();
