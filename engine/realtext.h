// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Conversions between extended reals and text, shared by the entry fields, the settings
// file, the report and the command-line tool. All of them are locale-free: the caller
// names the decimal separator where it is not ".".

#include "engine/realtype.h"

#include <optional>
#include <string>
#include <string_view>

/// Text to extended real by the entry fields' rule: optional blanks, an optional sign,
/// digits with an optional decimal point (at least one digit in all), an optional exponent
/// ("E" or "e", an optional sign, digits), optional blanks. "0." and "5E-1" are numbers;
/// "", "-", "." and "1e" are not. A value beyond the extended range is not a number either.
/// Returns std::nullopt when the text is not a number.
std::optional<TReal> TextToReal(std::string_view text, char decimalPoint = '.');

/// As TextToReal, but raises TCalcError "'%s' は浮動小数点数ではありません" on failure.
TReal TextToRealOrRaise(std::string_view text, char decimalPoint = '.');

/// General real-to-text conversion with 15 significant digits: plain notation for
/// 1E-4 <= |x| < 1E15 without trailing zeros (0.0022, 8, 12345.678), otherwise one digit,
/// the other significant digits after a point if any, "E" and the exponent without plus
/// sign or leading zeros (5E-5, 1.5E-7, 1.5E15). Zero gives "0".
std::string RealToText(TReal x, char decimalPoint = '.');

/// Fixed-point text of x with `decimals` (>= 0) decimals, right-aligned in at least
/// `width` characters. Halfway cases round away from zero; a negative zero prints as 0.
std::string FormatFixed(TReal x, int width, int decimals);

/// FormatFixed, appended to `out`.
void AppendFixed(std::string& out, TReal x, int width, int decimals);
