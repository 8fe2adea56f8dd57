// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/doubletext.h"

#include "engine/realtext.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

// 10^0 ... 10^27: 5^27 < 2^64, so each is held exactly by the 64-bit significand.
constexpr std::array<TReal, 28> ExactPow10 = [] {
    std::array<TReal, 28> powers {};
    TReal p = 1;
    for (TReal& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

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
    // The shortest text has at most 17 significant digits d, so x reads as d * 10^e with d
    // below 2^64, exact in the extended format. When 10^|e| is exact as well, one
    // multiplication or division rounds once, as a correctly rounded conversion does.
    const TShortest s = ShortestDigits(x);
    if (s.Exponent < -27 || s.Exponent > 27)
        return TextToReal(ShortestText(x));
    const auto d = static_cast<TReal>(s.Value);
    const TReal magnitude = s.Exponent >= 0
        ? d * ExactPow10[static_cast<std::size_t>(s.Exponent)]
        : d / ExactPow10[static_cast<std::size_t>(-s.Exponent)];
    return s.Negative ? -magnitude : magnitude;
}
