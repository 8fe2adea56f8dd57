// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/realtext.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/exp10.h"
#include "engine/fpcheck.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

// Checks the grammar and rewrites the number in the form std::from_chars reads: no
// leading plus sign, "." as the point.
std::optional<std::string> CanonicalNumber(std::string_view text, char decimalPoint)
{
    std::size_t i = 0;
    std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (n > i && IsBlank(text[n - 1]))
        --n;
    std::string out;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            out.push_back('-');
        ++i;
    }
    int digits = 0;
    while (i < n && IsAsciiDigit(text[i])) {
        out.push_back(text[i++]);
        ++digits;
    }
    if (i < n && text[i] == decimalPoint) {
        out.push_back('.');
        ++i;
        while (i < n && IsAsciiDigit(text[i])) {
            out.push_back(text[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        out.push_back('e');
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-')
                out.push_back('-');
            ++i;
        }
        int expDigits = 0;
        while (i < n && IsAsciiDigit(text[i])) {
            out.push_back(text[i++]);
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != n)
        return std::nullopt;
    return out;
}

// Significant digits and decimal exponent of x rounded to `digits` significant digits:
// x = 0.d1d2d3... x 10^(exp + 1), trailing zeros removed.
struct TDecimalDigits {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

TDecimalDigits ToDecimalDigits(TReal x, int digits)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, digits - 1);
    std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
    TDecimalDigits d;
    if (!s.empty() && s.front() == '-') {
        d.Negative = true;
        s.remove_prefix(1);
    }
    const auto ePos = s.find('e');
    for (char c : s.substr(0, ePos))
        if (IsAsciiDigit(c))
            d.Digits.push_back(c);
    std::string_view expText = s.substr(ePos + 1);
    if (!expText.empty() && expText.front() == '+')
        expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), d.Exponent);
    while (d.Digits.size() > 1 && d.Digits.back() == '0')
        d.Digits.pop_back();
    return d;
}

// The decimal exponent of the first significant digit of a canonical number text.
long DecimalMagnitude(std::string_view canonical)
{
    const auto ePos = canonical.find('e');
    long exponent = 0;
    if (ePos != std::string_view::npos) {
        std::string_view expText = canonical.substr(ePos + 1);
        const bool negative = !expText.empty() && expText.front() == '-';
        if (negative)
            expText.remove_prefix(1);
        // Exponents too long for a long are clamped; they are far outside the range anyway.
        if (std::from_chars(expText.data(), expText.data() + expText.size(), exponent).ec
            != std::errc())
            exponent = 100000;
        if (negative)
            exponent = -exponent;
        canonical = canonical.substr(0, ePos);
    }
    if (!canonical.empty() && canonical.front() == '-')
        canonical.remove_prefix(1);
    const auto point = std::min(canonical.find('.'), canonical.size());
    const auto first = canonical.find_first_of("123456789");
    if (first == std::string_view::npos)
        return -100000;
    const long position = first < point ? static_cast<long>(point - first) - 1
                                        : -static_cast<long>(first - point);
    return position + exponent;
}

} // namespace

std::optional<TReal> TextToReal(std::string_view text, char decimalPoint)
{
    const auto canonical = CanonicalNumber(text, decimalPoint);
    if (!canonical)
        return std::nullopt;
    TReal value = 0;
    const char* first = canonical->data();
    const char* last = first + canonical->size();
    const auto res = std::from_chars(first, last, value);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero, as the runtime's conversion does; overflow is no number.
        if (DecimalMagnitude(*canonical) >= 0)
            return std::nullopt;
        return canonical->front() == '-' ? -0.0L : 0.0L;
    }
    if (res.ec != std::errc() || res.ptr != last)
        return std::nullopt;
    return value;
}

TReal TextToRealOrRaise(std::string_view text, char decimalPoint)
{
    if (const auto value = TextToReal(text, decimalPoint))
        return *value;
    throw TCalcError(CalcMessage::NotAFloat(text));
}

std::string RealToText(TReal x, char decimalPoint)
{
    if (x == 0)
        return "0";
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    const TDecimalDigits d = ToDecimalDigits(x, 15);
    std::string out = d.Negative ? "-" : "";
    const int nDigits = static_cast<int>(d.Digits.size());
    if (d.Exponent >= -4 && d.Exponent < 15) {
        if (d.Exponent < 0) {
            out += '0';
            out += decimalPoint;
            out.append(static_cast<std::size_t>(-d.Exponent - 1), '0');
            out += d.Digits;
        } else if (nDigits <= d.Exponent + 1) {
            out += d.Digits;
            out.append(static_cast<std::size_t>(d.Exponent + 1 - nDigits), '0');
        } else {
            const auto intLen = static_cast<std::size_t>(d.Exponent + 1);
            out += d.Digits.substr(0, intLen);
            out += decimalPoint;
            out += d.Digits.substr(intLen);
        }
        return out;
    }
    out += d.Digits[0];
    if (nDigits > 1) {
        out += decimalPoint;
        out += d.Digits.substr(1);
    }
    out += 'E';
    out += std::to_string(d.Exponent);
    return out;
}

namespace {

// Whether x lies exactly halfway between two numbers with `decimals` decimals. Such a
// number is (2n + 1) / (2 * 10^decimals); written as m / 2^f with m odd, it has exactly
// f = decimals + 1 fraction bits, so x * 2^(decimals + 1) is an odd whole number. Scaling
// by a power of two is exact (an overflow leaves no tie: such an x is a whole number).
bool IsDecimalTie(TReal x, int decimals)
{
    const TReal scaled = std::ldexp(x, decimals + 1);
    return decimals >= 0 && std::isfinite(scaled) && scaled == std::trunc(scaled)
        && std::fmod(scaled, 2) != 0;
}

// The exact way, for what the fast path of AppendFixed cannot decide: to_chars gives the
// correctly rounded text but breaks exact ties to even, and here they go away from zero.
std::string FixedExact(TReal x, int decimals)
{
    if (IsDecimalTie(x, decimals)) {
        const TReal scale = std::pow(10.0L, static_cast<TReal>(decimals));
        x = (std::signbit(x) ? std::floor(x * scale) : std::ceil(x * scale)) / scale;
    }
    // Room for the longest text: a sign, the whole part of the largest extended real
    // (max_exponent10 + 1 digits), the point and the decimals.
    constexpr int longestWhole = std::numeric_limits<TReal>::max_exponent10 + 1;
    std::string text(static_cast<std::size_t>(longestWhole + 2 + std::max(decimals, 0)), '\0');
    const auto res = std::to_chars(
        text.data(), text.data() + text.size(), x, std::chars_format::fixed, decimals);
    text.resize(static_cast<std::size_t>(res.ptr - text.data()));
    return text;
}

// 10^0 ... 10^18: integers below 2^63, which the extended format holds exactly.
constexpr auto ExactPow10 = PowersOfTen<std::uint64_t, 19>();

// "00" "01" ... "99": two decimal digits per entry.
constexpr std::array<char, 200> DigitPairs = [] {
    std::array<char, 200> pairs {};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// Writes n / 10^decimals in fixed-point backwards, ending just before `end`: the decimals,
// the point, the whole part (at least one digit) and the sign. Whole part and decimals are
// split first, and each is written two digits per division, which keeps the chains of
// dependent divisions short. Returns the first character written.
char* WriteFixedBackwards(char* end, std::uint64_t n, std::size_t decimals, bool negative)
{
    char* first = end;
    const auto put2 = [&](std::uint64_t twoDigits) {
        first -= 2;
        std::memcpy(first, DigitPairs.data() + 2 * twoDigits, 2);
    };
    std::uint64_t fraction = n % ExactPow10[decimals];
    std::uint64_t whole = n / ExactPow10[decimals];
    std::size_t left = decimals;
    for (; left >= 2; left -= 2, fraction /= 100)
        put2(fraction % 100);
    if (left == 1)
        *--first = static_cast<char>('0' + fraction);
    if (decimals > 0)
        *--first = '.';
    for (; whole >= 100; whole /= 100)
        put2(whole % 100);
    if (whole >= 10)
        put2(whole);
    else
        *--first = static_cast<char>('0' + whole);
    if (negative)
        *--first = '-';
    return first;
}

} // namespace

void AppendFixed(std::string& out, TReal x, int width, int decimals)
{
    const TReal magnitude = std::fabs(x);
    const bool fastRange = decimals >= 0 && decimals < static_cast<int>(ExactPow10.size())
        && magnitude < 1e17L;
    if (fastRange) {
        // y = |x| * 10^decimals is rounded once (10^decimals is exact), by at most half a
        // unit in its last place, that is by at most y * 2^-64. Farther than that from a
        // half-way point, y rounds to the same whole number as the exact product; the test
        // keeps eight times that margin (y * 2^-61, four times the epsilon of the real) to
        // be safe, and the rare values closer to a half-way point take the exact way. Below
        // 1e18 the whole number fits the integer of Nearest and the buffer.
        const auto d = static_cast<std::size_t>(decimals);
        const TReal y = magnitude * static_cast<TReal>(static_cast<std::int64_t>(ExactPow10[d]));
        const fpcheck::TNearest nearest = fpcheck::Nearest(y);
        const TReal offset = y - nearest.Value; // exact, within [-0.5, 0.5]
        constexpr TReal margin = 4 * std::numeric_limits<TReal>::epsilon();
        if (y < 1e18L && std::fabs(std::fabs(offset) - 0.5L) > y * margin) {
            std::array<char, 64> buf;
            char* const end = buf.data() + buf.size();
            char* first = WriteFixedBackwards(
                end, static_cast<std::uint64_t>(nearest.Integer), d, x < 0);
            // The padding goes into the same buffer as far as it fits, and the text is
            // appended at once.
            while (end - first < width && first > buf.data())
                *--first = ' ';
            if (end - first < width)
                out.append(static_cast<std::size_t>(width - (end - first)), ' ');
            out.append(first, end);
            return;
        }
    }
    const std::string text = FixedExact(x, decimals);
    if (static_cast<int>(text.size()) < width)
        out.append(static_cast<std::size_t>(width) - text.size(), ' ');
    out += text;
}

std::string FormatFixed(TReal x, int width, int decimals)
{
    std::string text;
    AppendFixed(text, x, width, decimals);
    return text;
}
