// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/doubletext.h"

#include "engine/exp10.h"
#include "engine/realtext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

// 10^0 ... 10^27: 5^27 < 2^64, so each is held exactly by the 64-bit significand.
constexpr auto ExactPow10 = PowersOfTen<TReal, 28>();

// The shortest digits that read back as a finite x: |x| = Digits * 10^Exponent, with at
// most 17 digits (no trailing zeros except for zero itself). Kept in place: this runs for
// every value of a table.
struct TShortest {
    bool Negative = false;
    std::array<char, 17> Digits {};
    std::size_t Count = 0;
    std::uint64_t Value = 0; // the digits as a number
    int Exponent = 0;

    std::string_view DigitText() const { return {Digits.data(), Count}; }
};

TShortest ShortestDigits(double x)
{
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    TShortest s;
    std::size_t i = 0;
    if (text[i] == '-') {
        s.Negative = true;
        ++i;
    }
    int fractionDigits = 0;
    bool afterPoint = false;
    for (; i < text.size() && text[i] != 'e'; ++i) {
        if (text[i] == '.') {
            afterPoint = true;
            continue;
        }
        s.Digits[s.Count++] = text[i];
        s.Value = s.Value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        fractionDigits += afterPoint ? 1 : 0;
    }
    std::string_view expText = text.substr(i + 1);
    if (expText.front() == '+')
        expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), s.Exponent);
    s.Exponent -= fractionDigits;
    return s;
}

// 10^0 ... 10^22: the powers of ten that a double holds exactly.
constexpr auto ExactDoublePow10 = PowersOfTen<double, 23>();

// d * 10^e in extended precision, rounded once: d below 2^64 and |e| <= 27 are exact.
TReal ScaledExactly(std::uint64_t d, int e)
{
    const auto digits = static_cast<TReal>(d);
    return e >= 0 ? digits * ExactPow10[static_cast<std::size_t>(e)]
                  : digits / ExactPow10[static_cast<std::size_t>(-e)];
}

// The short way for positive x written with at most 15 significant digits, as typed or
// measured numbers are: a double holds every such decimal apart from the others, so at
// most one lies close enough to x to read back as it, and it is then the shortest text's
// value. m = x * 10^-e rounded to a whole number is that decimal's digits if any; whether
// m * 10^e reads back as x is decided exactly when m and 10^|e| are exact doubles, since
// one multiplication or division then rounds as a correct conversion does.
std::optional<TReal> FifteenDigitValue(double x)
{
    // The decimal exponent of the first digit from the binary one (log10 2 = 78913 / 2^18
    // to the precision needed here); it may come out one too small, which the scaled value
    // shows and corrects. A logarithm would cost as much as the rest together.
    int leading = (std::ilogb(x) * 78913) >> 18;
    int e = leading - 14;
    if (e < -22 || e > 23)
        return std::nullopt;
    const auto scale = [&x](int exponent) {
        const TReal power = ExactPow10[static_cast<std::size_t>(std::abs(exponent))];
        return exponent >= 0 ? static_cast<TReal>(x) / power : static_cast<TReal>(x) * power;
    };
    TReal scaled = scale(e);
    if (scaled >= 1e15L)
        scaled = scale(++e);
    // Rounded by adding a half and truncating: the library's rounding saves and restores
    // the floating-point environment, which costs more than all the rest. A tie would
    // round up, but the exact test below only ever turns a wrong m into the long way.
    if (e > 22 || !(scaled > 0 && scaled < 1e15L))
        return std::nullopt;
    const auto m = static_cast<std::uint64_t>(scaled + 0.5L);
    const auto md = static_cast<double>(m);
    const double back = e >= 0 ? md * ExactDoublePow10[static_cast<std::size_t>(e)]
                               : md / ExactDoublePow10[static_cast<std::size_t>(-e)];
    if (back != x)
        return std::nullopt;
    return ScaledExactly(m, e);
}

} // namespace

std::string ShortestText(double x)
{
    if (std::isnan(x))
        return "nan";
    if (std::isinf(x))
        return x < 0 ? "-inf" : "inf";
    const TShortest s = ShortestDigits(x);
    const std::string_view digits = s.DigitText();
    std::string text = s.Negative ? "-" : "";
    const int count = static_cast<int>(s.Count);
    const int leading = count + s.Exponent - 1; // decimal exponent of the first digit
    if (leading < -4 || leading >= 16) {
        text += digits.front();
        if (count > 1) {
            text += '.';
            text += digits.substr(1);
        }
        char expBuf[8];
        const auto res = std::to_chars(expBuf, expBuf + sizeof expBuf, std::abs(leading));
        text += leading < 0 ? "e-" : "e+";
        if (std::abs(leading) < 10)
            text += '0';
        text.append(expBuf, res.ptr);
    } else if (s.Exponent >= 0) {
        text += digits;
        text.append(static_cast<std::size_t>(s.Exponent), '0');
    } else if (leading >= 0) {
        const auto whole = static_cast<std::size_t>(leading + 1);
        text += digits.substr(0, whole);
        text += '.';
        text += digits.substr(whole);
    } else {
        text += "0.";
        text.append(static_cast<std::size_t>(-leading - 1), '0');
        text += digits;
    }
    return text;
}

std::optional<TReal> RealOfShortestText(double x)
{
    if (!std::isfinite(x))
        return std::nullopt;
    // Whole numbers below 2^53 (0, 7, 150) are their own shortest text.
    if (std::fabs(x) < 0x1p53 && x == std::trunc(x))
        return static_cast<TReal>(x);
    if (const auto value = FifteenDigitValue(std::fabs(x)))
        return x < 0 ? -*value : *value;
    // The shortest text has at most 17 significant digits d, so x reads as d * 10^e with d
    // below 2^64, exact in the extended format; when 10^|e| is exact as well, one
    // multiplication or division rounds once, as a correctly rounded conversion does.
    const TShortest s = ShortestDigits(x);
    if (s.Exponent < -27 || s.Exponent > 27)
        return TextToReal(ShortestText(x));
    const TReal magnitude = ScaledExactly(s.Value, s.Exponent);
    return s.Negative ? -magnitude : magnitude;
}
