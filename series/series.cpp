// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/series.h"

#include "engine/calcerror.h"
#include "engine/realtext.h"
#include "request/request.h"
#include "series/mixcurve.h"

#include <cmath>

using enum TValueField;

bool TakesFreeCa(TCalcMode mode)
{
    return IsModeInput(mode, vfFreeCa);
}

std::vector<TSeriesRow> DesignPerPoint(TEngine& engine, const TCalcInput& base,
                                       std::span<const TReal> targets,
                                       const TSeriesProgress& progress)
{
    if (!TakesFreeCa(base.Mode))
        RaiseCalcError("A pCa series per point needs a mode that takes free Ca++ (2 to 6).");
    std::vector<TSeriesRow> rows;
    rows.reserve(targets.size());
    TCalcInput input = base;
    for (const TReal target : targets) {
        TSeriesRow& row = rows.emplace_back();
        row.PCaTarget = target;
        try {
            input[vfFreeCa] = FreeCaOfPCa(target);
            row.Outcome = Compute(engine, input, TOutputFormat::ofCsv);
            row.Evaluations = 1;
        } catch (const TCalcError& e) {
            // 10^(3 - pCa) beyond the extended range.
            row.Outcome.Input = input;
            row.Outcome.Input[vfFreeCa] = 0;
            row.Outcome.Unreadable.set(1 + static_cast<std::size_t>(vfFreeCa));
            row.Outcome.Error = e.what();
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
    for (const TCalcInput* stock : {&a, &b})
        for (TReal total : stock->FurtherTotals)
            if (!(total >= 0))
                RaiseCalcError(std::string("Stock ") + (stock == &a ? "A" : "B")
                               + ": the total of a further ligand must not be negative ("
                               + RealToText(total) + " mM).");
    if (!(input.Volume > 0) || !std::isfinite(input.Volume))
        RaiseCalcError("The final volume must be a positive number, not " + RealToText(input.Volume)
                       + ".");
    // A billion of any unit one pipettes in is no bench volume; it is a slip.
    if (input.Volume > MaxVolume)
        RaiseCalcError("The final volume must not be above 1e9, not " + RealToText(input.Volume)
                       + ".");
}

TCalcInput MixtureInput(const TMixingInput& input, TReal f)
{
    TCalcInput mixture = input.StockA;
    mixture.Mode = TCalcMode::cmEveryGiven;
    for (TValueField field : StockTotals)
        mixture[field] = (1 - f) * input.StockA[field] + f * input.StockB[field];
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i)
        mixture.FurtherTotals[i] = (1 - f) * input.StockA.FurtherTotals[i]
            + f * input.StockB.FurtherTotals[i];
    return mixture;
}

std::vector<TSeriesRow> DesignMixingTable(TEngine& engine, const TMixingInput& input,
                                          std::span<const TReal> targets,
                                          const TSeriesProgress& progress)
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

std::vector<TSeriesRow> RunSeries(TEngine& engine, const TSeriesDesign& design,
                                  const TSeriesProgress& progress)
{
    if (design.Kind == TSeriesKind::skMixing)
        return DesignMixingTable(engine, design.Mixing, design.Targets, progress);
    return DesignPerPoint(engine, design.Base, design.Targets, progress);
}
