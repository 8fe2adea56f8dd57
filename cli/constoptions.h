// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The command line's choice of binding constants and conventions: --constants (a bundled
// set or a set file), --temperature, --ph-scale, and the two actions --list-constants and
// --show-constants. The --const edits of the command line apply on top of the chosen set.

#include "report/record.h"
#include "request/runconditions.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI
struct TCliOptions;

/// The texts of the options, as the command line gives them.
struct TConstOptionTexts {
    std::string Constants;
    std::string Temperature;
    std::string pHScale;
    CLI::Option* ConstantsOption = nullptr;
    CLI::Option* TemperatureOption = nullptr;
    CLI::Option* pHScaleOption = nullptr;
    bool List = false;
    bool Show = false;
};

/// Declares the options on `app`; their texts land in `texts`.
void AddConstOptions(CLI::App& app, TConstOptionTexts& texts);

/// Reads the options' texts into `options` (its Constants, the input's temperature and pH
/// scale, ShowConstants), after its ConstEdits. Throws TUsageError for anything unusable.
void ReadConstOptions(const TConstOptionTexts& texts, TCliOptions& options);

/// What --list-constants prints: each bundled set's id, name and description.
std::string ListConstantsText();

/// What --show-constants prints: the table in force as CSV (or, for ofJson, one JSON
/// object per line with the CSV header's names as keys), one line per present entry with
/// its value, enthalpy, the value at the run's temperature and its source.
std::string ShowConstantsText(const TRunConstants& constants, const TCalcInput& input,
                              TOutputFormat format = TOutputFormat::ofCsv);

/// The part of --help on constant sets, temperature and the pH scale (without a line
/// break at its end).
std::string ConstOptionsHelp();
