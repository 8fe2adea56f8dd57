// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The targets of a pCa series as the user writes them: comma-separated values and
// inclusive ranges FROM:TO:STEP, for example "9,6.5:5.5:0.1,4.5".

#include "engine/realtype.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// The most targets one series may have; a longer list is refused rather than computed.
inline constexpr std::size_t MaxSeriesTargets = 100000;

/// The pCa values a series may aim at: -2 (100 M free Ca++) to 20 (1e-20 M). Beyond them a
/// target is a slip (a concentration typed as a pCa), not a solution anyone mixes.
inline constexpr TReal MinTargetPCa = -2;
inline constexpr TReal MaxTargetPCa = 20;

/// The targets of `text` in the order written. A range runs from FROM towards TO in steps
/// of |STEP| (a negative STEP is accepted only when TO is below FROM), includes TO when a
/// step lands on it and stops before passing it. Its values are exact decimals: the k-th
/// is the number FROM + k STEP written with as many decimals as FROM, TO and STEP have,
/// so "6.5:5.5:0.1" gives the same 6.2 as the text "6.2" and always ends on 5.5, whatever
/// the binary rounding of 0.1. Blanks around items are ignored.
/// Throws TCalcError naming the item for an empty list or item, a text that is not a
/// number, a range that is not FROM:TO:STEP, a zero step, a step leading away from TO, a
/// range with more digits than 18, a value or range end outside MinTargetPCa to
/// MaxTargetPCa, and more than MaxSeriesTargets values in all. A range whose steps do not
/// land on TO adds a line to `notes` (when given) that names it and its last value.
std::vector<TReal> ParsePCaList(std::string_view text, std::vector<std::string>* notes = nullptr);
