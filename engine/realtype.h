// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

#include <limits>

// The engine's common numeric type: the x86 extended real (80-bit format, 64-bit
// significand). Concentrations, constants, pH and ionic strength are all held in it.
using TReal = long double;
static_assert(std::numeric_limits<TReal>::digits == 64,
              "Quelix needs the 80-bit extended real with a 64-bit significand");
