// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/series.h"

#include "engine/calcerror.h"
#include "engine/exp10.h"
#include "engine/realtext.h"
#include "series/mixcurve.h"

#include <array>
#include <cmath>
#include <cstdint>

using enum TValueField;

namespace {

__extension__ typedef unsigned __int128 TUInt128;

// 5^j for j = 0 ... 27, each below 2^63.
constexpr auto PowersOfFive = [] {
    std::array<std::uint64_t, 28> p {};
    p[0] = 1;
    for (std::size_t j = 1; j < p.size(); ++j)
        p[j] = p[j - 1] * 5;
    return p;
}();

constexpr std::uint64_t E18 = 1000000000000000000ULL;
constexpr std::uint64_t E19 = 10 * E18;

// x > 0 rounded to the 19 significant digits that FormatReal prints and read back, as
// TextToReal(FormatReal(x)) gives it, but without the text: the text conversions would
// take a third of the time of a point. x = m 2^(e - 64) with a 64-bit m, so x 10^j is
// m 5^j 2^(e - 64 + j), exact in 128 bits for j <= 27; cut to an integer n of 19 digits
// and rounded half to even as the printed digits are, n / 10^j is one correctly rounded
// division of two exact numbers, as reading the text is. Other x take the text route.
TReal RoundToPrintedDigits(TReal x)
{
    const auto byText = [x] { return TextToReal(FormatReal(x)).value_or(x); };
    int e = 0;
    const TReal fraction = std::frexp(x, &e);
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    int k = static_cast<int>(std::floor(std::log10(x))); // may be one off; corrected below
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int j = 18 - k;
        const int shift = 64 - e - j; // x 10^j = m 5^j / 2^shift
        if (j < 0 || j > 27 || shift <= 0 || shift >= 128)
            return byText();
        const TUInt128 p = static_cast<TUInt128>(m) * PowersOfFive[static_cast<std::size_t>(j)];
        const TUInt128 q = p >> shift;
        if (q < E18 || q >= E19) {
            k += q < E18 ? -1 : 1;
            continue;
        }
        const TUInt128 rest = p - (q << shift);
        const TUInt128 half = static_cast<TUInt128>(1) << (shift - 1);
        auto n = static_cast<std::uint64_t>(q);
        if (rest > half || (rest == half && (n & 1) != 0))
            ++n;
        return static_cast<TReal>(n) / Exp10(static_cast<TReal>(j));
    }
    return byText();
}

} // namespace

TReal FreeCaOfPCa(TReal pCa)
{
    const TReal freeCa = Exp10(3 - pCa);
    if (!std::isfinite(freeCa) || !(freeCa > 0))
        return freeCa; // left for the caller to reject
    return RoundToPrintedDigits(freeCa);
}

bool TakesFreeCa(TCalcMode mode)
{
    return IsModeInput(mode, vfFreeCa);
}

std::vector<TSeriesRow> DesignPerPoint(TEngine& engine, const TCalcInput& base,
    std::span<const TReal> targets, const TSeriesProgress& progress)
{
    if (!TakesFreeCa(base.Mode))
        RaiseCalcError("A pCa series per point needs a mode that takes free Ca++ (2 to 6).");
    std::vector<TSeriesRow> rows;
    rows.reserve(targets.size());
    TCalcInput input = base;
    for (const TReal target : targets) {
        input[vfFreeCa] = FreeCaOfPCa(target);
        TSeriesRow& row = rows.emplace_back();
        row.PCaTarget = target;
        if (std::isfinite(input[vfFreeCa])) {
            row.Outcome = Compute(engine, input, TOutputFormat::ofCsv);
            row.Evaluations = 1;
        } else {
            // 10^(3 - pCa) beyond the extended range: the overflow the engine would raise.
            row.Outcome.Input = input;
            row.Outcome.Error = CalcMessage::Overflow;
        }
        if (progress && !progress(rows.size(), targets.size()))
            break;
    }
    return rows;
}

void CheckMixingInput(const TMixingInput& input)
{
    const TCalcInput& a = input.StockA;
    const TCalcInput& b = input.StockB;
    if (a[vfpH] != b[vfpH] || a[vfIonStr] != b[vfIonStr])
        RaiseCalcError("Stocks A and B must have the same pH and ionic strength (A: pH "
            + RealToText(a[vfpH]) + ", " + RealToText(a[vfIonStr]) + " M; B: pH "
            + RealToText(b[vfpH]) + ", " + RealToText(b[vfIonStr]) + " M).");
    if (a.TemperatureC != b.TemperatureC || a.pHScale != b.pHScale)
        RaiseCalcError("Stocks A and B must be taken at the same temperature and on the same "
                       "pH scale.");
    for (const TCalcInput* stock : {&a, &b})
        for (TValueField f : StockTotals)
            if (!((*stock)[f] >= 0))
                RaiseCalcError(std::string("Stock ") + (stock == &a ? "A" : "B") + ": "
                    + std::string(RecordColumns()[static_cast<std::size_t>(f) + 1].Name)
                    + " must not be negative (" + RealToText((*stock)[f]) + " mM).");
    if (!(input.Volume > 0) || !std::isfinite(input.Volume))
        RaiseCalcError("The final volume must be a positive number, not "
            + RealToText(input.Volume) + ".");
}

TCalcInput MixtureInput(const TMixingInput& input, TReal f)
{
    TCalcInput mixture = input.StockA;
    mixture.Mode = TCalcMode::cmEveryGiven;
    for (TValueField field : StockTotals)
        mixture[field] = (1 - f) * input.StockA[field] + f * input.StockB[field];
    return mixture;
}

std::vector<TSeriesRow> DesignMixingTable(TEngine& engine, const TMixingInput& input,
    std::span<const TReal> targets, const TSeriesProgress& progress)
{
    CheckMixingInput(input);
    std::vector<TSeriesRow> rows;
    rows.reserve(targets.size());
    if (targets.empty())
        return rows;
    TMixCurve curve(engine, input);
    for (const TReal target : targets) {
        rows.push_back(curve.Solve(target));
        if (progress && !progress(rows.size(), targets.size()))
            break;
    }
    return rows;
}

std::vector<TSeriesRow> SampleMixtures(TEngine& engine, const TMixingInput& input, int intervals)
{
    std::vector<TSeriesRow> rows;
    for (int i = 0; i <= intervals; ++i) {
        TSeriesRow& row = rows.emplace_back();
        row.HasMixture = true;
        row.FractionB = static_cast<TReal>(i) / static_cast<TReal>(intervals);
        row.VolumeB = row.FractionB * input.Volume;
        row.VolumeA = input.Volume - row.VolumeB;
        row.Outcome = Compute(engine, MixtureInput(input, row.FractionB), TOutputFormat::ofCsv);
        row.Evaluations = 1;
    }
    return rows;
}

std::vector<TSeriesRow> RunSeries(
    TEngine& engine, const TSeriesDesign& design, const TSeriesProgress& progress)
{
    if (design.Kind == TSeriesKind::skMixing)
        return DesignMixingTable(engine, design.Mixing, design.Targets, progress);
    return DesignPerPoint(engine, design.Base, design.Targets, progress);
}
