// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The targets of a pCa series as the user writes them: comma-separated values and
// inclusive ranges FROM:TO:STEP, for example "9,6.5:5.5:0.1,4.5".

#include "engine/realtype.h"

#include <cstddef>
#include <string_view>
#include <vector>

/// The most targets one series may have; a longer list is refused rather than computed.
inline constexpr std::size_t MaxSeriesTargets = 100000;

/// The targets of `text` in the order written. A range runs from FROM towards TO in steps
/// of |STEP| (a negative STEP is accepted only when TO is below FROM), includes TO when a
/// step lands on it and stops before passing it. Its values are exact decimals: the k-th
/// is the number FROM + k STEP written with as many decimals as FROM, TO and STEP have,
/// so "6.5:5.5:0.1" gives the same 6.2 as the text "6.2" and always ends on 5.5, whatever
/// the binary rounding of 0.1. Blanks around items are ignored.
/// Throws TCalcError naming the item for an empty list or item, a text that is not a
/// number, a range that is not FROM:TO:STEP, a zero step, a step leading away from TO, a
/// range with more digits than 18, and more than MaxSeriesTargets values in all.
std::vector<TReal> ParsePCaList(std::string_view text);
