// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The command line's choice of binding constants and conventions: --constants (a bundled
// set or a set file), --temperature, --ph-scale, and the two actions --list-constants and
// --show-constants. The --const edits of the command line apply on top of the chosen set.

#include "constsets/constset.h"
#include "report/record.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI
struct TConstEdit;
struct TCliOptions;

/// The constants of a run: the chosen set and the set with the --const edits on top.
struct TRunConstants {
    TConstSet Chosen = BuiltInSet();
    TConstSet Set = BuiltInSet();
    int EditedEntries = 0;
};

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

/// The chosen set (a bundled id or name, else a file; the built-in set when `name` is
/// empty) with the edits applied in order. Throws TUsageError with the reader's message for
/// a set file that cannot be used.
TRunConstants ResolveConstants(const std::string& name, const std::vector<TConstEdit>& edits);

/// The temperature of --temperature: a number by the entry fields' rule, 0 to 100 degrees C.
TReal ParseTemperature(const std::string& text);

/// "concentration" or "activity".
TpHScale ParsepHScale(const std::string& text);

/// The set's table and origin into `engine`.
void UseRunConstants(TEngine& engine, const TRunConstants& constants);

/// What --list-constants prints: each bundled set's id, name and description.
std::string ListConstantsText();

/// What --show-constants prints: the table in force as CSV, one line per present entry
/// with its value, enthalpy, the value at the run's temperature and its source.
std::string ShowConstantsText(const TRunConstants& constants, const TCalcInput& input);

/// The part of --help on constant sets, temperature and the pH scale (without a line
/// break at its end).
std::string ConstOptionsHelp();
