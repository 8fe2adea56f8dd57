// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

#include <limits>

// The engine's common numeric type: the x86 extended real (80-bit format, 64-bit
// significand). Concentrations, constants, pH and ionic strength are all held in it.
using TReal = long double;
#if defined(__wasm__)
// WebAssembly has no extended format; its long double is the IEEE quadruple real (113-bit
// significand), computed in software. It has the extended real's exponent range, so the
// same numbers are out of range and the same results overflow, and it carries more digits
// than the extended real, so the results agree with it to far below what is printed.
static_assert(std::numeric_limits<TReal>::digits == 113
                  && std::numeric_limits<TReal>::max_exponent == 16384,
              "the WebAssembly build expects long double to be the quadruple real");
#else
static_assert(std::numeric_limits<TReal>::digits == 64,
              "Quelix needs the 80-bit extended real with a 64-bit significand");
#endif
