// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Doubles from other programs (a script's float, a NumPy array) read as the decimal
// number they print as. A double that came from a typed "7.1" is the binary value
// 7.0999999999999996447...; read as its text, it gives the extended real of 7.1, so that a
// calculation fed from a script equals the one fed the same typed number on the command
// line or in an entry field.

#include "engine/realtype.h"

#include <optional>
#include <string>

/// The shortest decimal text that reads back as x, written as Python writes a float
/// (plain from 1e-4 up to 1e16, otherwise with an exponent of at least two digits) except
/// that a whole number has no ".0": "7.1", "8", "1e-05", "2e+20", "-0", "nan", "-inf".
std::string ShortestText(double x);

/// TextToReal(ShortestText(x)): the extended real nearest to the decimal number x prints
/// as. std::nullopt for NaN and the infinities, which are not numbers. Thread-safe; most
/// doubles take a fast path of one exact multiplication or division.
std::optional<TReal> RealOfShortestText(double x);
