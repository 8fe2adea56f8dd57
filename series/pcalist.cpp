// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/pcalist.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

[[noreturn]] void Refuse(std::string_view item, std::string_view why)
{
    RaiseCalcError("pCa list item '" + std::string(item) + "': " + std::string(why));
}

// Decimals of a number text that TextToReal accepted: the digits after the point, less
// the exponent ("0.125" 3, "1.5e-2" 3, "25e-1" 1, "2.5E1" 0).
int DecimalsOf(std::string_view text)
{
    text = TrimBlanks(text);
    const std::size_t e = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t point = mantissa.find('.');
    long decimals = point == std::string_view::npos
        ? 0
        : static_cast<long>(mantissa.size() - point - 1);
    if (e != std::string_view::npos) {
        // The exponent's digits are all that follow an optional sign; a long exponent
        // only matters as "large", so it is read with saturation.
        std::string_view exp = text.substr(e + 1);
        const bool negative = !exp.empty() && exp.front() == '-';
        if (!exp.empty() && (exp.front() == '-' || exp.front() == '+'))
            exp.remove_prefix(1);
        long value = 0;
        for (char ch : exp)
            value = std::min(value * 10 + (ch - '0'), 100000L);
        decimals += negative ? value : -value;
    }
    return static_cast<int>(std::clamp(decimals, 0L, 100000L));
}

TReal ReadNumber(std::string_view item, std::string_view text)
{
    if (const auto value = TextToReal(text))
        return *value;
    Refuse(item, CalcMessage::NotAFloat(TrimBlanks(text)));
}

TReal ReadTarget(std::string_view item, std::string_view text)
{
    const TReal pCa = ReadNumber(item, text);
    if (!(pCa >= MinTargetPCa && pCa <= MaxTargetPCa))
        Refuse(
            item, "a target pCa must lie between -2 and 20, not " + std::string(TrimBlanks(text)));
    return pCa;
}

// x times 10^decimals as an integer; the caller has made sure that it is one (up to the
// binary rounding of x) and that it fits.
std::int64_t Scaled(TReal x, int decimals)
{
    return std::llround(x * std::pow(10.0L, static_cast<TReal>(decimals)));
}

// The decimal number n / 10^decimals, read as the text a user would write for it.
TReal Unscaled(std::int64_t n, int decimals)
{
    std::string digits = std::to_string(n < 0 ? -static_cast<std::uint64_t>(n)
                                              : static_cast<std::uint64_t>(n));
    const auto width = static_cast<std::size_t>(decimals) + 1;
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    if (decimals > 0)
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
    return *TextToReal((n < 0 ? "-" : "") + digits);
}

// A range is computed in integers of its last decimal, so that no step drifts: 1e17 keeps
// FROM, TO and each step exact in a 64-bit integer with room for the sums.
constexpr TReal MaxScaled = 1e17L;

void AppendRange(std::vector<TReal>& out, std::string_view item, std::vector<std::string>* notes)
{
    std::array<std::string_view, 3> parts;
    std::string_view rest = item;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t colon = rest.find(':');
        if ((i < 2) == (colon == std::string_view::npos))
            Refuse(item, "a range is FROM:TO:STEP, for example 6.5:5.5:0.1");
        parts[i] = rest.substr(0, colon);
        rest = i < 2 ? rest.substr(colon + 1) : std::string_view();
    }
    std::array<TReal, 3> values {};
    int decimals = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        values[i] = i < 2 ? ReadTarget(item, parts[i]) : ReadNumber(item, parts[i]);
        decimals = std::max(decimals, DecimalsOf(parts[i]));
    }
    const auto [from, to, step] = values;
    if (step == 0)
        Refuse(item, "the step must not be zero");
    if (step < 0 && to > from)
        Refuse(item, "a negative step leads away from TO");
    const TReal scale = std::pow(10.0L, static_cast<TReal>(std::min(decimals, 40)));
    if (decimals > 18
        || std::max({std::fabs(from), std::fabs(to), std::fabs(step)}) * scale >= MaxScaled)
        Refuse(item, "the range has more than 17 digits");
    const std::int64_t first = Scaled(from, decimals);
    const std::int64_t last = Scaled(to, decimals);
    const std::int64_t stride = std::abs(Scaled(step, decimals)) * (last < first ? -1 : 1);
    const std::uint64_t count = static_cast<std::uint64_t>((last - first) / stride) + 1;
    if (count > MaxSeriesTargets - std::min(out.size(), MaxSeriesTargets))
        RaiseCalcError("The pCa list has more than " + std::to_string(MaxSeriesTargets)
                       + " values.");
    for (std::uint64_t k = 0; k < count; ++k)
        out.push_back(Unscaled(first + static_cast<std::int64_t>(k) * stride, decimals));
    if (notes && (last - first) % stride != 0)
        notes->push_back("pCa list item '" + std::string(item) + "': the steps do not land on TO ("
                         + std::string(TrimBlanks(parts[1])) + "); the range ends at "
                         + RealToText(out.back()) + ".");
}

} // namespace

std::vector<TReal> ParsePCaList(std::string_view text, std::vector<std::string>* notes)
{
    if (TrimBlanks(text).empty())
        RaiseCalcError("The pCa list is empty.");
    std::vector<TReal> targets;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = TrimBlanks(text.substr(start, comma - start));
        if (item.empty())
            RaiseCalcError("The pCa list has an empty item (two commas, or one at an end).");
        if (item.find(':') != std::string_view::npos) {
            AppendRange(targets, item, notes);
        } else {
            if (targets.size() >= MaxSeriesTargets)
                RaiseCalcError("The pCa list has more than " + std::to_string(MaxSeriesTargets)
                               + " values.");
            targets.push_back(ReadTarget(item, item));
        }
        if (comma == std::string_view::npos)
            return targets;
        start = comma + 1;
    }
}
