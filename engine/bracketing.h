// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Internal to the solver: the bracketing iteration of the modes that iterate a free
// cation (0, 1, 3 and 6), in its two flavours. The fast flavour runs the plain
// operations and leaves the faults to the sticky flags of the floating-point unit; the
// checked flavour raises each fault where it arises. Both compute the same values.

#include "engine/bindconst.h"
#include "engine/fpcheck.h"
#include "engine/solverdetail.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <utility>

// Only solver.cpp includes this header. The unnamed namespace gives every piece internal
// linkage, so that the compiler builds each mode's loop as code of that one file: with
// external linkage the same instructions ran a quarter slower.
namespace bracketing {
namespace {

using namespace fpcheck;
using enum TLigand;
using enum TPartner;
using solverdetail::Passes;
using solverdetail::RejectBelow;

// The bounds of one bracketing iteration, held as doubles. A cation held at its entered
// free value, and a ligand fixed from an entered complex, have no bounds: their extended
// value enters the sums instead.
struct TBracket {
    double MgLow, MgHigh, CaLow, CaHigh;
    TPerLigand<double> LigLow, LigHigh;
};

// The bounds of the further ligands, bracketed as the built-in chelators are. A calculation
// without further ligands runs the loop built without them.
struct TFurtherBracket {
    std::array<double, MaxFurtherLigands> Low, High;
};

// Which quantities a mode iterates: modes 0 (both cations), 1 and 3 (one cation, the
// nucleotides fixed from their complexes) and 6 (Mg only).
struct TBracketShape {
    bool IterateMg, IterateCa, FixedNucleotides;
};

// ATP and ADP in modes 1 and 3: their free values come from the entered complexes before
// the iteration, so they get no bounds.
constexpr bool IsFixedFromComplex(TBracketShape shape, TLigand lig)
{
    return shape.FixedNucleotides && (lig == ligATP || lig == ligADP);
}

// Calls f(std::integral_constant<TLigand, L>) for every ligand L in order. The calls are
// unrolled, so what a bracketing shape decides per ligand is decided at compile time.
template <typename F, std::size_t... I>
void ForEachLigandOf(F& f, std::index_sequence<I...>)
{
    (f(std::integral_constant<TLigand, static_cast<TLigand>(I)> {}), ...);
}

template <typename F>
void ForEachLigand(F&& f)
{
    ForEachLigandOf(f, std::make_index_sequence<LigandCount> {});
}

// The ligands that the bracketing may leave out: no total, and a denominator that stays
// positive and finite for every cation bound the iteration can reach. Their bounds are
// then 0 in every iteration and add nothing to the cation sums, and they cannot fault, so
// leaving them out changes no value and hides no fault; only a total of -0 would have
// given a free ligand of -0 instead of 0. Both flavours leave out the same ligands, so
// they agree to the bit. With every input non-negative a cation's bounds stay between 0
// and its total (as a double, so at most one rounding above it); a negative input
// anywhere leaves every ligand in.
template <TBracketShape Shape>
TPerLigand<bool> IdleLigands(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
                             const TCalcState& s)
{
    TPerLigand<bool> idle {};
    const TReal mgMax = Shape.IterateMg ? s.TotalMg : s.FreeMg;
    const TReal caMax = Shape.IterateCa ? s.TotalCa : s.FreeCa;
    bool nonNegative = mgMax >= 0 && caMax >= 0;
    for (TLigand lig : AllLigands) {
        const TReal value = IsFixedFromComplex(Shape, lig) ? s.FreeLigand[lig] : s.TotalLigand[lig];
        nonNegative = nonNegative && value >= 0 && sums[lig][ptH] >= 0 && sums[lig][ptMg] >= 0
            && sums[lig][ptCa] >= 0;
    }
    for (std::size_t i = 0; i < further.Count; ++i) {
        const TLigandSums& sum = further.Sums[i];
        nonNegative = nonNegative && s.Further[i].Total >= 0 && sum[ptH] >= 0 && sum[ptMg] >= 0
            && sum[ptCa] >= 0;
    }
    if (!nonNegative)
        return idle;
    for (TLigand lig : AllLigands) {
        const TLigandSums& sum = sums[lig];
        idle[lig] = !IsFixedFromComplex(Shape, lig) && s.TotalLigand[lig] == 0 && sum[ptH] > 0
            && std::isfinite(sum[ptH] + 2 * (sum[ptMg] * mgMax + sum[ptCa] * caMax));
    }
    return idle;
}

// A bound: total / denominator, rounded to a double as the bounds are held.
template <bool Checked>
double BoundOf(TReal total, TReal denominator)
{
    using A = TArith<Checked>;
    return A::ToDouble(A::Div(total, A::CheckFinite(denominator)));
}

// The ligand bounds from the cation bounds an iteration begins with. More free cation
// leaves less free ligand: the upper cation bounds give the lower ligand bounds and the
// lower cation bounds the upper ones.
template <bool Checked, TBracketShape Shape, bool WithFurther>
void NewLigandBounds(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
                     const TCalcState& s, const TPerLigand<bool>& idle, TBracket& b,
                     TFurtherBracket& fb)
{
    const TReal mgLow = Shape.IterateMg ? TReal {b.MgLow} : s.FreeMg;
    const TReal mgHigh = Shape.IterateMg ? TReal {b.MgHigh} : s.FreeMg;
    const TReal caLow = Shape.IterateCa ? TReal {b.CaLow} : s.FreeCa;
    const TReal caHigh = Shape.IterateCa ? TReal {b.CaHigh} : s.FreeCa;
    ForEachLigand([&](auto lig) {
        if constexpr (!IsFixedFromComplex(Shape, lig)) {
            if (idle[lig])
                return;
            const TLigandSums& sum = sums[lig];
            const TReal total = s.TotalLigand[lig];
            b.LigLow[lig] = BoundOf<Checked>(
                total, sum[ptH] + sum[ptMg] * mgHigh + sum[ptCa] * caHigh);
            b.LigHigh[lig] = BoundOf<Checked>(
                total, sum[ptH] + sum[ptMg] * mgLow + sum[ptCa] * caLow);
        }
    });
    if constexpr (WithFurther) {
        for (std::size_t i = 0; i < further.Count; ++i) {
            const TLigandSums& sum = further.Sums[i];
            const TReal total = s.Further[i].Total;
            fb.Low[i] = BoundOf<Checked>(total, sum[ptH] + sum[ptMg] * mgHigh + sum[ptCa] * caHigh);
            fb.High[i] = BoundOf<Checked>(total, sum[ptH] + sum[ptMg] * mgLow + sum[ptCa] * caLow);
        }
    }
}

// The new cation bounds from the ligand bounds: the upper ligand bounds give the lower
// cation bounds. The four denominators are summed side by side, each in ligand order; a
// fixed ligand's value enters both bounds.
template <bool Checked, TBracketShape Shape, bool WithFurther>
void NewCationBounds(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
                     const TCalcState& s, const TPerLigand<bool>& idle, TBracket& b,
                     const TFurtherBracket& fb)
{
    TReal mgLowDen = 1, mgHighDen = 1, caLowDen = 1, caHighDen = 1;
    const auto add = [&](const TLigandSums& sum, TReal low, TReal high) {
        if constexpr (Shape.IterateCa) {
            caLowDen += sum[ptCa] * high;
            caHighDen += sum[ptCa] * low;
        }
        if constexpr (Shape.IterateMg) {
            mgLowDen += sum[ptMg] * high;
            mgHighDen += sum[ptMg] * low;
        }
    };
    ForEachLigand([&](auto lig) {
        if (idle[lig])
            return;
        const bool fixed = IsFixedFromComplex(Shape, lig);
        const TReal low = fixed ? s.FreeLigand[lig] : TReal {b.LigLow[lig]};
        const TReal high = fixed ? s.FreeLigand[lig] : TReal {b.LigHigh[lig]};
        add(sums[lig], low, high);
    });
    if constexpr (WithFurther)
        for (std::size_t i = 0; i < further.Count; ++i)
            add(further.Sums[i], TReal {fb.Low[i]}, TReal {fb.High[i]});
    if constexpr (Shape.IterateCa) {
        b.CaLow = BoundOf<Checked>(s.TotalCa, caLowDen);
        b.CaHigh = BoundOf<Checked>(s.TotalCa, caHighDen);
    }
    if constexpr (Shape.IterateMg) {
        b.MgLow = BoundOf<Checked>(s.TotalMg, mgLowDen);
        b.MgHigh = BoundOf<Checked>(s.TotalMg, mgHighDen);
    }
}

// The fast flavour reads the sticky fault flags when the bounds pass, and otherwise every
// FaultCheckInterval iterations. Reading them waits for every operation in flight, which
// costs noticeably when done in every iteration; once a fault has made a bound NaN the
// bounds neither pass nor stall, so without the periodic check a faulted loop would run
// to the iteration cap before the checked flavour takes over. 64 keeps the reads out of
// the timings and the wasted iterations few.
constexpr long FaultCheckInterval = 64;

// Runs the bracketing iteration from bounds 0 and the total. Returns the number of
// iterations, or 0 when the fast flavour must give way to the checked one (a fault flag
// was raised, or the bounds would not close); the checked flavour raises instead.
template <bool Checked, TBracketShape Shape, bool WithFurther>
long Bracket(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
             const TCalcState& s, TReal tolerance, const TPerLigand<bool>& idle, TBracket& b,
             TFurtherBracket& fb)
{
    using A = TArith<Checked>;
    b = {};
    if constexpr (Shape.IterateMg)
        b.MgHigh = A::ToDouble(s.TotalMg);
    if constexpr (Shape.IterateCa)
        b.CaHigh = A::ToDouble(s.TotalCa);
    const double rejectBelow = RejectBelow(tolerance);

    for (long iterations = 1;; ++iterations) {
        NewLigandBounds<Checked, Shape, WithFurther>(sums, further, s, idle, b, fb);
        const std::array<double, 4> old {b.MgLow, b.MgHigh, b.CaLow, b.CaHigh};
        NewCationBounds<Checked, Shape, WithFurther>(sums, further, s, idle, b, fb);
        // Both cations are tested, Mg first, before either result is looked at.
        const bool mgPasses = !Shape.IterateMg
            || Passes<Checked>(b.MgLow, b.MgHigh, s.Tiny, tolerance, rejectBelow);
        const bool caPasses = !Shape.IterateCa
            || Passes<Checked>(b.CaLow, b.CaHigh, s.Tiny, tolerance, rejectBelow);
        const bool passes = mgPasses && caPasses;
        if constexpr (!Checked) {
            // The cation bounds are made from every ligand bound, the further ones too,
            // so testing with them as operands waits for all of them.
            if ((passes || iterations % FaultCheckInterval == 0) && TFpuFaults::Raised(b))
                return 0;
        }
        if (passes)
            return iterations;
        // Bounds that no longer move cannot close: with meaningful inputs this does not
        // happen, with negative totals or constants it would loop for ever.
        const bool stalled = old == std::array<double, 4> {b.MgLow, b.MgHigh, b.CaLow, b.CaHigh};
        if (stalled || iterations >= TEngine::MaxIterations) {
            if constexpr (!Checked)
                return 0;
            RaiseCalcError(CalcMessage::NotConverged);
        }
    }
}

// The bracketing of one mode, fast where it can be: the plain loop runs first, and only
// a raised fault flag or bounds that do not close send it through the checked loop,
// which reproduces the same values and raises the first fault where it arose (CheckedOnly
// runs the checked loop alone). Writes the iterated free cations, then the bounded free
// ligands, as midpoints.
template <TBracketShape Shape, bool CheckedOnly, bool WithFurther>
long IterateBounds(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
                   TCalcState& s, TReal tolerance)
{
    TBracket b;
    TFurtherBracket fb;
    long iterations = 0;
    const TPerLigand<bool> idle = IdleLigands<Shape>(sums, further, s);
    if constexpr (!CheckedOnly) {
        TFpuFaults::Clear();
        iterations = Bracket<false, Shape, WithFurther>(sums, further, s, tolerance, idle, b, fb);
    }
    if (iterations == 0)
        iterations = Bracket<true, Shape, WithFurther>(sums, further, s, tolerance, idle, b, fb);
    if (Shape.IterateMg)
        s.FreeMg = (TReal {b.MgLow} + b.MgHigh) / 2;
    if (Shape.IterateCa)
        s.FreeCa = (TReal {b.CaLow} + b.CaHigh) / 2;
    // The free ligands come from the ligand bounds of the last iteration, that is from
    // the cation bounds it began with.
    for (TLigand lig : AllLigands)
        if (!IsFixedFromComplex(Shape, lig))
            s.FreeLigand[lig] = (TReal {b.LigLow[lig]} + b.LigHigh[lig]) / 2;
    if constexpr (WithFurther)
        for (std::size_t i = 0; i < further.Count; ++i)
            s.Further[i].Free = (TReal {fb.Low[i]} + fb.High[i]) / 2;
    return iterations;
}

constexpr TBracketShape BothCations {true, true, false};
constexpr TBracketShape CaWithFixedNucleotides {false, true, true};
constexpr TBracketShape MgWithFixedNucleotides {true, false, true};
constexpr TBracketShape MgOnly {true, false, false};

} // namespace
} // namespace bracketing
