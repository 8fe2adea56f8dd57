// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/numtext.h"

#include "engine/asciitext.h"

#include <algorithm>
#include <cstddef>

namespace {

bool IsNonZeroDigit(char c)
{
    return c >= '1' && c <= '9';
}

std::size_t Count(int n)
{
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Strips from the end every character that is not a significant digit, keeping at least
// `keep` characters. The mantissa keeps its sign and first digit, so a zero written with a
// sign ("-0.000") stays a number ("-0") instead of losing every digit.
void StripInsignificant(std::string& r, std::size_t keep)
{
    while (r.size() > keep && !IsNonZeroDigit(r.back()))
        r.pop_back();
}

// The exponent digits of ExpandExponent: an optional "+" and at least one digit, anything
// else counts as 0. Values above `cap` are held at `cap`.
long ReadExponent(std::string_view text, long cap)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return 0;
    long value = 0;
    for (char c : text) {
        if (!IsAsciiDigit(c))
            return 0;
        value = std::min(cap, value * 10 + (c - '0'));
    }
    return value;
}

} // namespace

TNumberParts SplitNumber(std::string_view s)
{
    TNumberParts p;
    if (!s.empty() && s.front() == '-') {
        p.Sign = "-";
        s.remove_prefix(1);
    }
    const auto point = s.find('.');
    if (point == std::string_view::npos) {
        p.IntPart.assign(s);
    } else {
        p.IntPart.assign(s.substr(0, point));
        p.Point = ".";
        p.Frac.assign(s.substr(point + 1));
    }
    return p;
}

std::string JoinNumber(std::string_view sign, std::string_view intPart, std::string_view point,
                       std::string_view frac)
{
    std::string r;
    r.reserve(sign.size() + intPart.size() + point.size() + frac.size());
    r.append(sign).append(intPart).append(point).append(frac);
    return r;
}

std::string GroupDigits(std::string_view digits)
{
    std::string r;
    r.reserve(digits.size() + digits.size() / 3);
    std::size_t copied = 0;
    for (std::size_t i = digits.size(); i-- > 0;) {
        r.push_back(digits[i]);
        if (++copied % 3 == 0 && i != 0)
            r.push_back(',');
    }
    std::reverse(r.begin(), r.end());
    return r;
}

char FoldFullWidthChar(char32_t c)
{
    if (c >= U'\uFF10' && c <= U'\uFF19')
        return static_cast<char>('0' + (c - U'\uFF10'));
    switch (c) {
    case U'\uFF0C':
        return ',';
    case U'\uFF0D':
        return '-';
    case U'\uFF0E':
        return '.';
    default:
        return '\0';
    }
}

std::string FoldFullWidth(std::string_view s)
{
    // EF BC 80..BF is U+FF00..U+FF3F in UTF-8. Only the characters FoldFullWidthChar knows
    // are accepted, so an invalid or overlong sequence ends the text like any other foreign
    // character. The full-width comma becomes "," and is dropped by the filter like an
    // ASCII one, at the place it takes in the text.
    std::string r;
    r.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            r.push_back(s[i]);
            ++i;
            continue;
        }
        if (i + 2 >= s.size() || c != 0xEF || static_cast<unsigned char>(s[i + 1]) != 0xBC)
            break;
        const auto t = static_cast<unsigned char>(s[i + 2]);
        const char folded = t >= 0x80 && t <= 0xBF ? FoldFullWidthChar(U'\uFF00' + (t - 0x80u))
                                                   : '\0';
        if (folded == '\0')
            break;
        r.push_back(folded);
        i += 3;
    }
    return r;
}

std::string FilterText(std::string_view s, const TFilterLimits& limits)
{
    const std::string folded = FoldFullWidth(s);
    std::string r;
    bool pointTaken = false;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const char c = folded[i];
        if (c == ',')
            continue;
        if (c == '.') {
            if (limits.DecimalLength == 0 || pointTaken)
                break;
            pointTaken = true;
        } else if (c == '-') {
            if (!limits.Minus || i > 0)
                break;
        } else if (!IsAsciiDigit(c)) {
            break;
        }
        r.push_back(c);
    }
    if (r.empty())
        return r;
    const auto point = r.find('.');
    if (point != std::string::npos && r.size() - point - 1 > Count(limits.DecimalLength))
        r.resize(point + 1 + Count(limits.DecimalLength));
    std::size_t intDigits = std::min(point, r.size());
    if (r.find('-') != std::string::npos)
        --intDigits;
    if (intDigits > Count(limits.IntegerLength))
        r.clear();
    return r;
}

std::string NormalizeText(std::string_view s)
{
    const bool negative = s.find('-') != std::string_view::npos;
    std::string_view body = negative ? s.substr(1) : s;
    std::size_t zeros = 0;
    while (zeros < body.size() && body[zeros] == '0')
        ++zeros;
    body.remove_prefix(zeros);
    std::string r = negative ? "-" : "";
    if (body.empty() && zeros > 0)
        r.push_back('0');
    else if (!body.empty() && body.front() == '.')
        r.push_back('0');
    r.append(body);
    return r;
}

std::string ExpandExponent(std::string_view s)
{
    const std::string lower = AsciiLowered(s);
    const auto e = lower.find('e');
    if (e == std::string::npos || e == 0 || e + 1 == lower.size())
        return std::string(s);
    const TNumberParts mantissa = SplitNumber(std::string_view(lower).substr(0, e));
    const TNumberParts exponent = SplitNumber(std::string_view(lower).substr(e + 1));
    const std::string& intDigits = mantissa.IntPart;
    const std::string& fracDigits = mantissa.Frac;
    const long cap = MaxExpandExponent + static_cast<long>(intDigits.size() + fracDigits.size());
    // How many places the point moves: right for a positive exponent, left for a negative.
    const auto shift = static_cast<std::size_t>(ReadExponent(exponent.IntPart, cap));
    if (shift == 0)
        return std::string(s);
    std::string r;
    if (exponent.Sign.empty()) {
        const std::size_t f = fracDigits.size();
        if (shift >= f)
            r = intDigits + fracDigits + std::string(shift - f, '0');
        else
            r = intDigits + fracDigits.substr(0, shift) + "." + fracDigits.substr(shift);
    } else {
        const std::size_t i = intDigits.size();
        if (intDigits == "0")
            r = "0." + std::string(shift, '0') + fracDigits;
        else if (shift >= i)
            r = "0." + std::string(shift - i, '0') + intDigits + fracDigits;
        else
            r = intDigits.substr(0, i - shift) + "." + intDigits.substr(i - shift) + fracDigits;
    }
    return mantissa.Sign + r;
}

std::string ToExponentText(std::string_view v)
{
    const TNumberParts p = SplitNumber(v);
    const std::size_t keep = p.Sign.size() + 1;
    if (!p.IntPart.empty() && p.IntPart != "0" && p.IntPart.size() >= 2) {
        std::string r = p.Sign + p.IntPart.front() + "." + p.IntPart.substr(1) + p.Frac;
        StripInsignificant(r, keep);
        return r + "E" + std::to_string(p.IntPart.size() - 1);
    }
    if (p.IntPart == "0" && !p.Frac.empty()) {
        const auto first = p.Frac.find_first_of("123456789");
        const std::size_t k = first == std::string::npos ? p.Frac.size() : first + 1;
        std::string r = p.Sign + p.Frac[k - 1] + "." + p.Frac.substr(k);
        StripInsignificant(r, keep);
        return r + "E-" + std::to_string(k);
    }
    return std::string(v);
}
