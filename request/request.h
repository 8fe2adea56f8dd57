// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What a calculation is asked to do: the mode and the inputs, read from texts by the
// entry fields' rule, with the built-in defaults for what is not given. The command line,
// the Python module, the series designer and the window read their inputs through it; a
// request that cannot be used is a TUsageError, with a message that names what is wrong.

#include "report/record.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

/// A request (a command line, a batch header, a keyword of the Python module) that cannot
/// be used. quelix-cli exits with status 2; Python raises ValueError.
class TUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The built-in default inputs: mode 0, pH 8, 0.2 M, total Mg 2.2, total Ca 0.5, total ATP
/// 0.22, total EGTA 2, free Mg 1, free Ca 1, MgATP 0.2 mM, the rest 0.
TCalcInput DefaultInput();

/// Mode text to mode: one or more ASCII digits with a value from 0 to 6, blanks around them
/// ignored ("2", " 06"). Anything else ("1e0", "+1", "2.0", "6x", "7") is no mode.
std::optional<TCalcMode> ModeOfText(std::string_view text);

/// The inputs of each mode that depend on the mode, one line per mode:
/// "<indent>2  <caption>: total_egta, ..." with the record's names, for help texts.
std::string ModeInputsText(std::string_view indent);

/// How a message quotes the user's input: as PrintableText shows it, and no more than its
/// first 80 characters, with "..." after them when the text is longer.
std::string EchoText(std::string_view text);

/// Why `text` is not a usable number: beyond the extended range, or (the conversion error
/// of the entry fields) not a number at all. The text is shown as PrintableText shows it.
std::string NumberMessage(std::string_view text);

/// As NumberMessage, with the text shown as EchoText shows it: for the texts of options.
std::string OptionNumberMessage(std::string_view text);

/// A number by the entry fields' rule; throws TUsageError with NumberMessage otherwise.
TReal ParseNumber(std::string_view text);

/// "'%s' is not a calculation mode (0 to 6)" with `shownText` in place of %s.
std::string NotAModeMessage(std::string_view shownText);

/// As ModeOfText; throws TCalcError with NotAModeMessage for a text that is no mode.
TCalcMode ParseMode(std::string_view text);

/// Free Ca++ in mM of a pCa (-log10 of free Ca++ in M): 10^(3 - pCa), rounded to the 19
/// significant digits that a record prints, so that a row's printed free_ca, given back to
/// quelix-cli, is the very number the row was calculated with. Raises the overflow error
/// where 10^(3 - pCa) is beyond the extended range (a pCa below about -4929).
TReal FreeCaOfPCa(TReal pCa);
