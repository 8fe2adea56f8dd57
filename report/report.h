// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The results report: the text lines that the window appends to its console after each
// calculation and that the command-line tool prints. Every concentration goes through
// FormatConc, which picks the unit from M down to fM by magnitude.

#include "engine/bindconst.h"

#include <string>
#include <vector>

/// x in M as a number in a field of 8 with 3 decimals, a space and the unit
/// ("   2.200 mM", " 500.000 uM", "   2.500  M"); exactly zero gives " 0 M".
std::string FormatConc(TReal x);

/// The report lines of the last calculation, without the empty line that introduces each
/// report. Under other than the default conditions the first line names the constant set,
/// the temperature and the pH scale (ConditionsLine). Pieces within a line are separated by TAB; the two-line blocks of the nucleotide
/// and chelator species hold a CRLF inside their first line.
/// Raises TCalcError "There is no results." when no calculation has been done, and the
/// arithmetic errors of pMg/pCa and the ionic strength estimate.
std::vector<std::string> ReportLines(const TEngine& engine, const TCalcState& state);

/// The report as a terminal shows it: an empty line, then each line, CRLF inside a line
/// turned into a line break, every line ending in "\n".
std::string ReportText(const TEngine& engine, const TCalcState& state);
