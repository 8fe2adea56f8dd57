// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

#include <limits>

// The engine's common numeric type: the x86 extended real (80-bit format, 64-bit
// significand). Concentrations, constants, pH and ionic strength are all held in it.
#if defined(__wasm__) && !defined(QUELIX_WASM_QUADRUPLE)
// WebAssembly has no extended format; its long double is the quadruple real computed in
// software, some 25 times slower than double there (a 37-point mixing table takes 0.7 s in
// Node, 1.5 s in Chromium). The page computes in double: its results agree with the
// extended real's to far below the printed digits for every solution that can be made up,
// and only magnitudes beyond about 1.8e308 (nonsense as concentrations) are out of range
// sooner. QUELIX_WASM_QUADRUPLE builds the quadruple variant, whose range is the extended
// real's.
using TReal = double;
static_assert(std::numeric_limits<TReal>::digits == 53, "the page computes in double");
#else
using TReal = long double;
#if defined(__wasm__)
static_assert(std::numeric_limits<TReal>::digits == 113
                  && std::numeric_limits<TReal>::max_exponent == 16384,
              "the quadruple WebAssembly build expects long double to be the quadruple real");
#else
static_assert(std::numeric_limits<TReal>::digits == 64,
              "Quelix needs the 80-bit extended real with a 64-bit significand");
#endif
#endif
