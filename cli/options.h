// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The command line of quelix-cli: the inputs of one calculation (or the defaults of a
// batch), edits of the binding constant table, the output format and the batch file.

#include "cli/constoptions.h"
#include "report/record.h"
#include "series/series.h"

#include <bitset>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

/// A command line or batch header that cannot be used. The tool exits with status 2.
class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// One --const ROW:STEP=VALUE: log10 K at 0.1 M; a value <= 0 removes the step.
struct TConstEdit {
    TLigand Ligand = TLigand::ligATP;
    TPartner Partner = TPartner::ptH;
    std::size_t Step = 0;
    TReal Value = 0;
};

struct TCliOptions {
    TCalcInput Input = DefaultInput();
    std::bitset<InputColumnCount> Given; // the inputs set by an option: bit 0 --mode, 1 + f
    std::vector<TConstEdit> ConstEdits;
    TRunConstants Constants; // the chosen set with ConstEdits on top
    TOutputFormat Format = TOutputFormat::ofReport;
    std::optional<std::string> BatchPath; // "-" is standard input
    std::optional<TSeriesDesign> Series;  // --pca (cli/seriesoptions.h)
    bool ShowHelp = false;
    bool ShowVersion = false;
    bool ListConstants = false;
    bool ShowConstants = false;
};

/// Parses argv. Throws TUsageError for anything that cannot be used, including a number
/// that does not convert (whose message is the conversion error of the entry fields).
TCliOptions ParseCommandLine(int argc, const char* const* argv);

/// "--total-egta" for the column "total_egta".
std::string OptionName(std::string_view column);

/// "ATP-H:0=6.5" to an edit; the row label is matched without regard to case. The H rows
/// have steps 0 to 3, the Mg and Ca rows steps 0 to 2.
TConstEdit ParseConstEdit(std::string_view text);

/// The built-in table with the edits applied in order.
TConstTable RunConstants(const std::vector<TConstEdit>& edits);

/// The text printed by --help.
std::string HelpText();

/// The text printed by --version.
std::string VersionText();
