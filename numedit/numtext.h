// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Text rules of the numeric entry field that depend on nothing but their arguments. A value
// text is an optional "-", integer digits, and optionally "." and fraction digits; "", "-",
// "12." and "0." are all legal states. The field model applies these rules with its own
// properties; the exponent-capable field adds ExpandExponent and ToExponentText on its Text.

#include <string>
#include <string_view>

/// The four parts of a value text. Joining them gives the text back.
struct TNumberParts {
    std::string Sign;    // "" or "-"
    std::string IntPart; // everything before the first "."
    std::string Point;   // "" or "."
    std::string Frac;    // everything after the first "." (further points included)
};

/// The limits FilterText applies; the field's IntegerLength, DecimalLength and Minus.
struct TFilterLimits {
    int IntegerLength = 9;
    int DecimalLength = 3;
    bool Minus = true;
};

TNumberParts SplitNumber(std::string_view s);
std::string JoinNumber(std::string_view sign, std::string_view intPart, std::string_view point,
                       std::string_view frac);
inline std::string JoinNumber(const TNumberParts& p)
{
    return JoinNumber(p.Sign, p.IntPart, p.Point, p.Frac);
}

/// Groups digits by three from the right with ",": "1234567" gives "1,234,567".
std::string GroupDigits(std::string_view digits);

/// The ASCII form of a full-width digit, minus, full stop or comma (U+FF10..U+FF19,
/// U+FF0D, U+FF0E, U+FF0C), as an input method types them; '\0' for any other character.
char FoldFullWidthChar(char32_t c);

/// Folds the full-width characters of FoldFullWidthChar in UTF-8 text to ASCII. Any other
/// non-ASCII character, or invalid UTF-8, ends the text there.
std::string FoldFullWidth(std::string_view s);

/// Turns any text into an acceptable value text: folds full-width characters, keeps digits,
/// one point and a leading minus up to the first character it cannot use (commas are
/// skipped), cuts surplus decimals, and gives "" when the integer part is too long.
std::string FilterText(std::string_view s, const TFilterLimits& limits);

/// Removes leading zeros of the integer part: "007" gives "7", "00.5" gives "0.5", "." gives
/// "0.", "-" and "" stay.
std::string NormalizeText(std::string_view s);

/// Turns exponent notation into a plain decimal text: "1.5e-7" gives "0.00000015", "2.5E3"
/// gives "2500". Anything it does not recognise comes back unchanged. Exponents are held to
/// MaxExpandExponent plus the mantissa's length, which changes no result for fields of fewer
/// than MaxExpandExponent digits and keeps "1e999999999" from building a gigabyte of zeros.
std::string ExpandExponent(std::string_view s);
inline constexpr long MaxExpandExponent = 5000;

/// Writes a value text in normalised exponent form: "12345.678" gives "1.2345678E4", "0.00125"
/// gives "1.25E-3"; a one-digit integer part, "0", "" and "-" stay as they are.
std::string ToExponentText(std::string_view v);
