// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/mixcurve.h"

#include "engine/realtext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr TReal Infinity = std::numeric_limits<TReal>::infinity();
// Points kept for later brackets; beyond this a long series stops adding to them (the grid
// alone still brackets every target).
constexpr std::size_t MaxProbes = 4096;
// Brent's method needs at most about the square of the bisection count (some 40 steps
// from 1 to 1e-12); the cap only guards against a curve that is not continuous.
constexpr int MaxSteps = 400;

// +1 when pCa is above the target, -1 below, 0 at it to the tolerance. Infinite pCa (no
// free Ca++) is above every target; two infinite values are level.
int Side(TReal pCa, TReal target)
{
    const TReal g = pCa - target;
    return g > TMixCurve::PCaTolerance ? 1 : g < -TMixCurve::PCaTolerance ? -1 : 0;
}

// x cut to `decimals` decimals, downwards or upwards.
TReal RoundTo(TReal x, int decimals, bool down)
{
    const TReal scale = std::pow(10.0L, static_cast<TReal>(decimals));
    return (down ? std::floor(x * scale) : std::ceil(x * scale)) / scale;
}

std::string FractionMessage(TReal f, const std::string& error)
{
    const std::string what = f == 0 ? "Stock A"
        : f == 1                    ? "Stock B"
                                    : "The mixture with a fraction of B of " + RealToText(f);
    return what + " could not be calculated: " + error;
}

// Brent's method on g(f) = pCa(f) - target: B is the best point so far, C the other end of
// the bracket, A the previous B; D is the last step and E the one before.
struct TBrentState {
    TReal A, FA, B, FB, C, FC, D, E;
};

// Makes B the better end of the bracket and returns the next point to calculate: inverse
// quadratic interpolation or a secant step where it stays well inside the bracket and
// shrinks it fast enough, bisection otherwise. Nothing when the bracket is closed (f known
// to FractionTolerance) or B is at the target.
std::optional<TReal> NextBrentPoint(TBrentState& z)
{
    if ((z.FB > 0) == (z.FC > 0)) {
        z.C = z.A;
        z.FC = z.FA;
        z.D = z.E = z.B - z.A;
    }
    if (std::fabs(z.FC) < std::fabs(z.FB)) {
        z.A = z.B;
        z.B = z.C;
        z.C = z.A;
        z.FA = z.FB;
        z.FB = z.FC;
        z.FC = z.FA;
    }
    const TReal tol = 2 * std::numeric_limits<TReal>::epsilon() * std::fabs(z.B)
        + TMixCurve::FractionTolerance / 2;
    const TReal xm = (z.C - z.B) / 2;
    if (std::fabs(xm) <= tol || std::fabs(z.FB) <= TMixCurve::PCaTolerance)
        return std::nullopt;
    if (std::isinf(z.FC)) {
        // No free Ca++ at C: pCa grows like -log f there, which no interpolation follows;
        // close in on C geometrically instead.
        z.D = z.E = (z.C - z.B) * 15 / 16;
    } else if (std::fabs(z.E) >= tol && std::fabs(z.FA) > std::fabs(z.FB)) {
        const TReal s = z.FB / z.FA;
        TReal p, q;
        if (z.A == z.C) {
            p = 2 * xm * s;
            q = 1 - s;
        } else {
            const TReal qa = z.FA / z.FC;
            const TReal r = z.FB / z.FC;
            p = s * (2 * xm * qa * (qa - r) - (z.B - z.A) * (r - 1));
            q = (qa - 1) * (r - 1) * (s - 1);
        }
        if (p > 0)
            q = -q;
        else
            p = -p;
        const bool accept = 2 * p < std::min(3 * xm * q - std::fabs(tol * q), std::fabs(z.E * q));
        z.E = accept ? z.D : xm;
        z.D = accept ? p / q : xm;
    } else {
        z.D = z.E = xm;
    }
    z.A = z.B;
    z.FA = z.FB;
    return z.B + (std::fabs(z.D) > tol ? z.D : (xm > 0 ? tol : -tol));
}

} // namespace

TMixCurve::TMixCurve(TEngine& engine, const TMixingInput& input)
    : FEngine(engine)
    , FInput(input)
{
    FGrid.reserve(GridIntervals + 1);
    FGridOutcomes.reserve(GridIntervals + 1);
    for (int i = 0; i <= GridIntervals; ++i) {
        const TReal f = static_cast<TReal>(i) / GridIntervals; // exact: a power of two
        TCalcOutcome outcome;
        const auto pCa = Evaluate(f, outcome);
        if (!pCa) {
            FError = FractionMessage(f, outcome.Error);
            return;
        }
        FGrid.push_back({f, *pCa});
        FGridOutcomes.push_back(std::move(outcome));
    }
    FProbes = FGrid;
    const int direction = Side(FGrid.back().PCa, FGrid.front().PCa);
    for (std::size_t i = 1; i < FGrid.size(); ++i) {
        const int step = Side(FGrid[i].PCa, FGrid[i - 1].PCa);
        if (step != 0 && step != direction)
            FMonotonic = false;
    }
}

std::optional<TReal> TMixCurve::Evaluate(TReal f, TCalcOutcome& outcome)
{
    outcome = Compute(FEngine, MixtureInput(FInput, f), TOutputFormat::ofCsv);
    if (outcome.Failed())
        return std::nullopt;
    // The record's own pca, so that a row shows the very value the finder closed on.
    const TReal freeCa = outcome.State.FreeCa;
    return freeCa > outcome.State.Tiny ? -std::log10(freeCa) : Infinity;
}

void TMixCurve::Remember(const TProbe& probe)
{
    if (FProbes.size() >= MaxProbes)
        return;
    const auto at = std::ranges::upper_bound(FProbes, probe.F, {}, &TProbe::F);
    FProbes.insert(at, probe);
}

TSeriesRow TMixCurve::Solve(TReal target)
{
    TSeriesRow row;
    row.PCaTarget = target;
    if (!FError.empty())
        return Refused(std::move(row), FError);
    // The places where the grid meets the target: a run of grid points at the target, or a
    // change of side between two neighbours. A monotonic curve meets each target in its
    // range once (a level stretch may look like more); the first place is the answer.
    int meetings = 0;
    std::optional<std::size_t> at;     // a grid point at the target
    std::optional<std::size_t> across; // the grid interval from here to the next
    int previous = 2;
    for (std::size_t i = 0; i < FGrid.size(); ++i) {
        const int side = Side(FGrid[i].PCa, target);
        const bool meets = side == 0 ? previous != 0 : previous == -side;
        if (meets && ++meetings == 1) {
            if (side == 0)
                at = i;
            else
                across = i - 1;
        }
        previous = side;
    }
    const std::string pCa = "pCa " + RealToText(target);
    const std::string turns =
        ": the pCa of these stocks' mixtures is not monotonic in the fraction of B.";
    if (meetings == 0 && FMonotonic)
        return Refused(
            std::move(row), pCa + " is outside the range of these stocks: " + RangeText());
    if (meetings == 0)
        return Refused(std::move(row), pCa + " has no bracket" + turns);
    if (meetings > 1 && !FMonotonic)
        return Refused(std::move(row), pCa + " is reached by more than one mixture" + turns);
    if (at)
        return Found(std::move(row), FGrid[*at].F, FGridOutcomes[*at]);
    return Bracketed(target, FGrid[*across], FGrid[*across + 1], std::move(row));
}

TSeriesRow TMixCurve::Bracketed(TReal target, TProbe lo, TProbe hi, TSeriesRow row)
{
    // The tightest bracket that earlier targets left inside this grid interval.
    const int loSide = Side(lo.PCa, target);
    for (auto it = std::ranges::upper_bound(FProbes, lo.F, {}, &TProbe::F);
         it != FProbes.end() && it->F < hi.F; ++it) {
        const int side = Side(it->PCa, target);
        if (side == 0) {
            TCalcOutcome outcome;
            row.Evaluations = 1;
            if (!Evaluate(it->F, outcome))
                return Refused(std::move(row), FractionMessage(it->F, outcome.Error));
            return Found(std::move(row), it->F, std::move(outcome));
        }
        if (side != loSide) {
            hi = *it;
            break;
        }
        lo = *it;
    }

    return Closed(target, lo, hi, std::move(row));
}

TSeriesRow TMixCurve::Closed(TReal target, TProbe lo, TProbe hi, TSeriesRow row)
{
    TBrentState z {lo.F, lo.PCa - target, hi.F,        hi.PCa - target,
                   lo.F, lo.PCa - target, hi.F - lo.F, hi.F - lo.F};
    TCalcOutcome best;
    TReal bestF = 0;
    TReal bestG = Infinity;
    TCalcOutcome outcome;
    for (int step = 0; step < MaxSteps; ++step) {
        const std::optional<TReal> next = NextBrentPoint(z);
        if (!next)
            break;
        ++row.Evaluations;
        const auto pCa = Evaluate(*next, outcome);
        if (!pCa)
            return Refused(std::move(row), FractionMessage(*next, outcome.Error));
        z.B = *next;
        z.FB = *pCa - target;
        Remember({z.B, *pCa});
        if (std::fabs(z.FB) < bestG) {
            bestG = std::fabs(z.FB);
            bestF = z.B;
            best = outcome;
        }
    }
    if (bestG == Infinity) {
        // The bracket was already closed; the better end was calculated for an earlier
        // target, so calculate it once more for its record.
        ++row.Evaluations;
        if (!Evaluate(z.B, best))
            return Refused(std::move(row), FractionMessage(z.B, best.Error));
        bestF = z.B;
    }
    return Found(std::move(row), bestF, std::move(best));
}

TSeriesRow TMixCurve::Found(TSeriesRow row, TReal f, TCalcOutcome outcome) const
{
    row.HasMixture = true;
    row.FractionB = f;
    row.VolumeB = f * FInput.Volume;
    row.VolumeA = FInput.Volume - row.VolumeB;
    row.Outcome = std::move(outcome);
    return row;
}

TSeriesRow TMixCurve::Refused(TSeriesRow row, const std::string& message) const
{
    // No mixture: the record keeps the conditions (mode 0, pH, ionic strength) and leaves
    // every concentration empty rather than showing numbers of no solution.
    row.HasMixture = false;
    row.Outcome = TCalcOutcome {};
    row.Outcome.Input = MixtureInput(FInput, 0);
    for (TValueField f : AllValueFields)
        if (IsConcentration(f))
            row.Outcome.Unreadable.set(static_cast<std::size_t>(f) + 1);
    row.Outcome.Error = message;
    return row;
}

std::string TMixCurve::RangeText() const
{
    const TReal a = FGrid.front().PCa;
    const TReal b = FGrid.back().PCa;
    if (std::isinf(a) && std::isinf(b))
        return "neither holds free Ca++";
    if (Side(a, b) == 0)
        return "both have pCa " + FormatFixed(a, 0, 2);
    // Each end is cut towards the other, so that every value shown can be reached; more
    // decimals where two decimals would cross.
    const auto text = [](TReal x, int decimals, bool down) {
        return std::isinf(x) ? std::string("Ca-free")
                             : FormatFixed(RoundTo(x, decimals, down), 0, decimals);
    };
    int decimals = 2;
    while (decimals < 9 && !std::isinf(std::max(a, b))
           && RoundTo(std::max(a, b), decimals, true) < RoundTo(std::min(a, b), decimals, false))
        ++decimals;
    return text(a, decimals, a > b) + " to " + text(b, decimals, b > a);
}
