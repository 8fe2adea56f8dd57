// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"
#include "engine/fpcheck.h"

#include <array>
#include <cmath>
#include <utility>

using namespace fpcheck;
using enum TLigand;
using enum TPartner;

namespace {

// The symbols of the balances for one ligand L: P_L, M_L, C_L.
struct TSums {
    TReal P, M, C;
};

TSums SumsOf(const TPerLigand<TLigandSums>& sums, TLigand lig)
{
    return {sums[lig][ptH], sums[lig][ptMg], sums[lig][ptCa]};
}

// (F1) free ligand from its total: T_L / (P_L + M_L [Mg] + C_L [Ca]).
TReal LigandFromTotal(TReal total, const TSums& s, TReal mg, TReal ca)
{
    return Div(total, Fin(s.P + s.M * mg + s.C * ca));
}

// (F2) free ligand from a complex: (complex / free cation) / K, two divisions in this order.
TReal LigandFromComplex(TReal complex, TReal freeCation, TReal k)
{
    return Div(Div(complex, freeCation), k);
}

// Denominator of a cation balance: 1 + sum over ligands of (sum constant x ligand).
TReal CationDenominator(const TPerLigand<TLigandSums>& sums, TPartner metal,
                        const TPerLigand<TReal>& ligand)
{
    TReal sum = 1;
    for (TLigand lig : AllLigands)
        sum += sums[lig][metal] * ligand[lig];
    return Fin(sum);
}

// The bounds of one bracketing iteration, held as doubles. A cation held at its entered
// free value, and a ligand fixed from an entered complex, have no bounds: their extended
// value enters the sums instead.
struct TBracket {
    double MgLow, MgHigh, CaLow, CaHigh;
    TPerLigand<double> LigLow, LigHigh;
};

// Which quantities a mode iterates: modes 0 (both cations), 1 and 3 (one cation, the
// nucleotides fixed from their complexes) and 6 (Mg only).
struct TBracketShape {
    bool IterateMg, IterateCa, FixedNucleotides;
};

constexpr bool IsFixed(TBracketShape shape, TLigand lig)
{
    return shape.FixedNucleotides && (lig == ligATP || lig == ligADP);
}

// The ratio test of one cation: an upper bound at or below Tiny counts as zero and
// passes; otherwise low/high, held as a double, must be within the tolerance of 1.
// Bounds still far apart (low below high * rejectBelow) fail without the division.
template <bool Checked>
bool Passes(double low, double high, TReal tiny, TReal tolerance, double rejectBelow)
{
    using A = TArith<Checked>;
    if (high <= tiny)
        return true;
    if (high > 0 && low < high * rejectBelow)
        return false;
    const double ratio = A::ToDouble(A::Div(low, high));
    return 1 - static_cast<TReal>(ratio) < tolerance;
}

// The factor of the shortcut in Passes: when low < high * (1 - 4 tol) in double
// arithmetic, low/high is below 1 - 2 tol even after the rounding of the product, and
// rounding the ratio to a double cannot lift it to 1 - tol. With a tolerance too small for
// that margin, or one that passes almost anything, only a negative low is rejected early.
double RejectBelow(TReal tolerance)
{
    if (tolerance >= 0x1p-40L && tolerance <= 0.25L)
        return static_cast<double>(1 - 4 * tolerance);
    return 0;
}

// Calls f(std::integral_constant<TLigand, L>) for every ligand L in order. The calls are
// unrolled, so what a bracketing shape decides per ligand is decided at compile time.
template <typename F>
void ForEachLigand(F&& f)
{
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (f(std::integral_constant<TLigand, static_cast<TLigand>(I)> {}), ...);
    }(std::make_index_sequence<LigandCount> {});
}

// The ligands that the fast flavour may leave out: no total, and a denominator that
// stays positive and finite for every cation bound the iteration can reach. Their bounds
// are then 0 in every iteration and add nothing to the cation sums, so leaving them out
// changes no value. With every input non-negative a cation's bounds stay between 0 and
// its total (as a double, so at most one rounding above it); a negative input anywhere
// leaves every ligand in.
template <TBracketShape Shape>
TPerLigand<bool> IdleLigands(const TPerLigand<TLigandSums>& sums, const TCalcState& s)
{
    TPerLigand<bool> idle {};
    const TReal mgMax = Shape.IterateMg ? s.TotalMg : s.FreeMg;
    const TReal caMax = Shape.IterateCa ? s.TotalCa : s.FreeCa;
    bool nonNegative = mgMax >= 0 && caMax >= 0;
    for (TLigand lig : AllLigands) {
        const TReal value = IsFixed(Shape, lig) ? s.FreeLigand[lig] : s.TotalLigand[lig];
        nonNegative = nonNegative && value >= 0 && sums[lig][ptH] >= 0
            && sums[lig][ptMg] >= 0 && sums[lig][ptCa] >= 0;
    }
    if (!nonNegative)
        return idle;
    for (TLigand lig : AllLigands) {
        const TReal p = sums[lig][ptH], m = sums[lig][ptMg], c = sums[lig][ptCa];
        idle[lig] = !IsFixed(Shape, lig) && s.TotalLigand[lig] == 0 && p > 0
            && std::isfinite(p + 2 * (m * mgMax + c * caMax));
    }
    return idle;
}

// Runs the bracketing iteration from bounds 0 and the total. Returns the number of
// iterations, or 0 when the fast flavour must give way to the checked one (a fault flag
// was raised, or the bounds would not close); the checked flavour raises instead.
template <bool Checked, TBracketShape Shape>
long Bracket(const TPerLigand<TLigandSums>& sums, const TCalcState& s, TReal tolerance,
             const TPerLigand<bool>& idle, TBracket& b)
{
    using A = TArith<Checked>;
    b = {};
    if constexpr (Shape.IterateMg)
        b.MgHigh = A::ToDouble(s.TotalMg);
    if constexpr (Shape.IterateCa)
        b.CaHigh = A::ToDouble(s.TotalCa);
    const double rejectBelow = RejectBelow(tolerance);
    const auto bound = [](TReal total, TReal denominator) {
        return A::ToDouble(A::Div(total, A::Fin(denominator)));
    };

    for (long iterations = 1;; ++iterations) {
        const TReal mgLow = Shape.IterateMg ? TReal {b.MgLow} : s.FreeMg;
        const TReal mgHigh = Shape.IterateMg ? TReal {b.MgHigh} : s.FreeMg;
        const TReal caLow = Shape.IterateCa ? TReal {b.CaLow} : s.FreeCa;
        const TReal caHigh = Shape.IterateCa ? TReal {b.CaHigh} : s.FreeCa;
        // More free cation leaves less free ligand: the upper cation bounds give the lower
        // ligand bounds and the lower cation bounds the upper ones.
        ForEachLigand([&](auto lig) {
            if constexpr (!IsFixed(Shape, lig)) {
                if (idle[lig])
                    return;
                const TReal p = sums[lig][ptH], m = sums[lig][ptMg], c = sums[lig][ptCa];
                const TReal total = s.TotalLigand[lig];
                b.LigLow[lig] = bound(total, p + m * mgHigh + c * caHigh);
                b.LigHigh[lig] = bound(total, p + m * mgLow + c * caLow);
            }
        });
        // New cation bounds: the upper ligand bounds give the lower cation bounds. The
        // four denominators are summed side by side, each in ligand order; a fixed
        // ligand's value enters both bounds.
        TReal mgLowDen = 1, mgHighDen = 1, caLowDen = 1, caHighDen = 1;
        ForEachLigand([&](auto lig) {
            if (idle[lig])
                return;
            const TReal low = IsFixed(Shape, lig) ? s.FreeLigand[lig] : TReal {b.LigLow[lig]};
            const TReal high = IsFixed(Shape, lig) ? s.FreeLigand[lig] : TReal {b.LigHigh[lig]};
            if constexpr (Shape.IterateCa) {
                caLowDen += sums[lig][ptCa] * high;
                caHighDen += sums[lig][ptCa] * low;
            }
            if constexpr (Shape.IterateMg) {
                mgLowDen += sums[lig][ptMg] * high;
                mgHighDen += sums[lig][ptMg] * low;
            }
        });
        const std::array<double, 4> old {b.MgLow, b.MgHigh, b.CaLow, b.CaHigh};
        if constexpr (Shape.IterateCa) {
            b.CaLow = bound(s.TotalCa, caLowDen);
            b.CaHigh = bound(s.TotalCa, caHighDen);
        }
        if constexpr (Shape.IterateMg) {
            b.MgLow = bound(s.TotalMg, mgLowDen);
            b.MgHigh = bound(s.TotalMg, mgHighDen);
        }
        // Both cations are tested, Mg first, before either result is looked at.
        const bool mgPasses = !Shape.IterateMg
            || Passes<Checked>(b.MgLow, b.MgHigh, s.Tiny, tolerance, rejectBelow);
        const bool caPasses = !Shape.IterateCa
            || Passes<Checked>(b.CaLow, b.CaHigh, s.Tiny, tolerance, rejectBelow);
        const bool passes = mgPasses && caPasses;
        if constexpr (!Checked) {
            if ((passes || iterations % 64 == 0) && TFpuFaults::Raised(b))
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
// which reproduces the same values and raises the first fault where it arose. Writes the
// iterated free cations, then the bounded free ligands, as midpoints.
template <TBracketShape Shape>
long IterateBounds(const TPerLigand<TLigandSums>& sums, TCalcState& s, TReal tolerance)
{
    TBracket b;
    TFpuFaults::Clear();
    long iterations = Bracket<false, Shape>(sums, s, tolerance, IdleLigands<Shape>(sums, s), b);
    if (iterations == 0)
        iterations = Bracket<true, Shape>(sums, s, tolerance, TPerLigand<bool> {}, b);
    if (Shape.IterateMg)
        s.FreeMg = (TReal {b.MgLow} + b.MgHigh) / 2;
    if (Shape.IterateCa)
        s.FreeCa = (TReal {b.CaLow} + b.CaHigh) / 2;
    // The free ligands come from the ligand bounds of the last iteration, that is from
    // the cation bounds it began with.
    for (TLigand lig : AllLigands)
        if (!IsFixed(Shape, lig))
            s.FreeLigand[lig] = (TReal {b.LigLow[lig]} + b.LigHigh[lig]) / 2;
    return iterations;
}

constexpr TBracketShape BothCations {true, true, false};
constexpr TBracketShape CaWithFixedNucleotides {false, true, true};
constexpr TBracketShape MgWithFixedNucleotides {true, false, true};
constexpr TBracketShape MgOnly {true, false, false};

} // namespace

long TEngine::SolveMajors(TCalcState& state, TCalcMode mode)
{
    for (TLigand lig : AllLigands) {
        FWorkConst[lig] = FAppConst[lig];
        FWorkSums[lig] = FBindSums[lig];
    }

    auto& s = state;
    auto& free = s.FreeLigand;
    const auto sums = [this](TLigand lig) { return SumsOf(FWorkSums, lig); };
    const auto k = [this](TLigand lig, TPartner metal) { return FWorkConst[lig][metal][0]; };
    // (F3) cation total, (F4) nucleotide total, (F5) complexes.
    const auto totalMg = [&] { return Fin(s.FreeMg * CationDenominator(FWorkSums, ptMg, free)); };
    const auto totalCa = [&] { return Fin(s.FreeCa * CationDenominator(FWorkSums, ptCa, free)); };
    const auto nucleotideTotal = [&](TLigand lig) {
        const TSums sl = sums(lig);
        return Fin(free[lig] * (sl.P + sl.M * s.FreeMg + sl.C * s.FreeCa));
    };
    const auto complex = [&](TLigand lig, TPartner metal, TReal freeCation) {
        return Fin(k(lig, metal) * freeCation * free[lig]);
    };
    const auto mgComplexes = [&] {
        s.MgATP = complex(ligATP, ptMg, s.FreeMg);
        s.MgADP = complex(ligADP, ptMg, s.FreeMg);
    };
    const auto caComplexes = [&] {
        s.CaATP = complex(ligATP, ptCa, s.FreeCa);
        s.CaADP = complex(ligADP, ptCa, s.FreeCa);
    };
    const auto fromTotal = [&](TLigand lig) {
        free[lig] = LigandFromTotal(s.TotalLigand[lig], sums(lig), s.FreeMg, s.FreeCa);
    };
    const auto& w = FWorkSums;
    const TReal tol = FConvergenceTolerance;

    long iterations = 0;
    switch (mode) {
    case TCalcMode::cmEveryGiven: // SolveGivenTotals
        iterations = IterateBounds<BothCations>(w, s, tol);
        mgComplexes();
        caComplexes();
        break;
    case TCalcMode::cmMgATP_MgADP_Mg: { // SolveMgComplexes
        const TReal atp = LigandFromComplex(s.MgATP, s.FreeMg, k(ligATP, ptMg));
        const TReal adp = LigandFromComplex(s.MgADP, s.FreeMg, k(ligADP, ptMg));
        free[ligATP] = atp;
        free[ligADP] = adp;
        iterations = IterateBounds<CaWithFixedNucleotides>(w, s, tol);
        s.TotalMg = totalMg();
        s.TotalLigand[ligATP] = nucleotideTotal(ligATP);
        s.TotalLigand[ligADP] = nucleotideTotal(ligADP);
        caComplexes();
        break;
    }
    case TCalcMode::cmMgATP_Mg_MgADP_Ca: // SolveMgComplexesCa
        fromTotal(ligEGTA);
        fromTotal(ligEDTA);
        free[ligATP] = LigandFromComplex(s.MgATP, s.FreeMg, k(ligATP, ptMg));
        free[ligADP] = LigandFromComplex(s.MgADP, s.FreeMg, k(ligADP, ptMg));
        fromTotal(ligPO4);
        s.TotalMg = totalMg();
        s.TotalCa = totalCa();
        s.TotalLigand[ligATP] = nucleotideTotal(ligATP);
        s.TotalLigand[ligADP] = nucleotideTotal(ligADP);
        caComplexes();
        break;
    case TCalcMode::cmCaATP_Ca_CaADP: { // SolveCaComplexes
        const TReal atp = LigandFromComplex(s.CaATP, s.FreeCa, k(ligATP, ptCa));
        const TReal adp = LigandFromComplex(s.CaADP, s.FreeCa, k(ligADP, ptCa));
        free[ligATP] = atp;
        free[ligADP] = adp;
        iterations = IterateBounds<MgWithFixedNucleotides>(w, s, tol);
        s.TotalCa = totalCa();
        s.TotalLigand[ligATP] = nucleotideTotal(ligATP);
        s.TotalLigand[ligADP] = nucleotideTotal(ligADP);
        mgComplexes();
        break;
    }
    case TCalcMode::cmCaATP_CaADP_Ca_Mg: // SolveCaComplexesMg
        fromTotal(ligEGTA);
        fromTotal(ligEDTA);
        fromTotal(ligPO4);
        free[ligATP] = LigandFromComplex(s.CaATP, s.FreeCa, k(ligATP, ptCa));
        free[ligADP] = LigandFromComplex(s.CaADP, s.FreeCa, k(ligADP, ptCa));
        s.TotalMg = totalMg();
        s.TotalCa = totalCa();
        s.TotalLigand[ligATP] = nucleotideTotal(ligATP);
        s.TotalLigand[ligADP] = nucleotideTotal(ligADP);
        mgComplexes();
        break;
    case TCalcMode::cmMgATP_CaATP_Ca: // SolveATPComplexes
        free[ligATP] = LigandFromComplex(s.CaATP, s.FreeCa, k(ligATP, ptCa));
        // The only mode that takes a free cation from a complex.
        s.FreeMg = LigandFromComplex(s.MgATP, free[ligATP], k(ligATP, ptMg));
        fromTotal(ligEGTA);
        fromTotal(ligEDTA);
        fromTotal(ligADP);
        fromTotal(ligPO4);
        s.TotalMg = totalMg();
        s.TotalCa = totalCa();
        s.TotalLigand[ligATP] = nucleotideTotal(ligATP);
        s.MgADP = complex(ligADP, ptMg, s.FreeMg);
        s.CaADP = complex(ligADP, ptCa, s.FreeCa);
        break;
    case TCalcMode::cmCa: // SolveFreeCa
        iterations = IterateBounds<MgOnly>(w, s, tol);
        s.TotalCa = totalCa();
        mgComplexes();
        caComplexes();
        break;
    default: // no mode selected: nothing to solve
        break;
    }
    s.HasResults = true;
    return iterations;
}
