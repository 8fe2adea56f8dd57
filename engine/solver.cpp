// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The major species solver: the seven mode solvers, built from the five formulas of the
// balances and, in modes 0, 1, 3 and 6, the bracketing iteration (engine/bracketing.h).
#include "engine/bindconst.h"
#include "engine/bracketing.h"
#include "engine/fpcheck.h"
#include "engine/solverdetail.h"

using namespace fpcheck;
using namespace bracketing;
using enum TLigand;
using enum TPartner;

namespace {

// (F2) free ligand from a complex: (complex / free partner) / K, two divisions in this
// order. Mode 5 takes free Mg++ from MgATP the same way, with ATP4- as the partner.
TReal FromComplex(TReal complex, TReal freePartner, TReal k)
{
    return Div(Div(complex, freePartner), k);
}

// Denominator of a cation balance: 1 + sum over ligands of (sum constant x ligand), the
// further ligands after the five.
TReal CationDenominator(const TPerLigand<TLigandSums>& sums, const TFurtherTables& further,
                        TPartner metal, const TCalcState& s)
{
    TReal sum = 1;
    for (TLigand lig : AllLigands)
        sum += sums[lig][metal] * s.FreeLigand[lig];
    for (std::size_t i = 0; i < further.Count; ++i)
        sum += further.Sums[i][metal] * s.Further[i].Free;
    return CheckFinite(sum);
}

// One cation as the mode solvers see it: its binding partner, its fields in the state and
// its complexes with the two nucleotides. Modes 1 and 3, and modes 2 and 4, are the same
// procedure with the roles of the two cations exchanged.
struct TCation {
    TPartner Partner;
    TReal TCalcState::*Free;
    TReal TCalcState::*Total;
    TReal TCalcState::*WithATP;
    TReal TCalcState::*WithADP;
};
constexpr TCation Mg {
    ptMg, &TCalcState::FreeMg, &TCalcState::TotalMg, &TCalcState::MgATP, &TCalcState::MgADP};
constexpr TCation Ca {
    ptCa, &TCalcState::FreeCa, &TCalcState::TotalCa, &TCalcState::CaATP, &TCalcState::CaADP};

constexpr const TCation& CationOf(TPartner partner)
{
    return partner == ptMg ? Mg : Ca;
}
constexpr const TCation& OtherCation(TPartner partner)
{
    return partner == ptMg ? Ca : Mg;
}

// The seven mode solvers on one state, with the working constants and sums. Each writes
// its results in the order of its steps, which decides what a fault leaves written.
template <bool CheckedOnly>
class TModeSolvers {
public:
    TModeSolvers(const TPerLigand<TLigandConst>& consts, const TPerLigand<TLigandSums>& sums,
                 const TFurtherTables& further, TReal tolerance, TCalcState& state)
        : FConsts(consts)
        , FSums(sums)
        , FFurther(further)
        , FTolerance(tolerance)
        , FState(state)
    {
    }

    // Runs the solver of `mode`; none for a mode outside 0..6. Returns the iterations made.
    long Solve(TCalcMode mode)
    {
        switch (mode) {
        case TCalcMode::cmEveryGiven:
            return SolveGivenTotals();
        case TCalcMode::cmMgATP_MgADP_Mg:
            return SolveFromComplexes<ptMg>(); // SolveMgComplexes
        case TCalcMode::cmMgATP_Mg_MgADP_Ca:
            return SolveBothFree<ptMg>(); // SolveMgComplexesCa
        case TCalcMode::cmCaATP_Ca_CaADP:
            return SolveFromComplexes<ptCa>(); // SolveCaComplexes
        case TCalcMode::cmCaATP_CaADP_Ca_Mg:
            return SolveBothFree<ptCa>(); // SolveCaComplexesMg
        case TCalcMode::cmMgATP_CaATP_Ca:
            return SolveATPComplexes();
        case TCalcMode::cmCa:
            return SolveFreeCa();
        default:
            return 0; // no mode selected: nothing to solve
        }
    }

private:
    // Mode 0: both free cations iterated from the totals.
    long SolveGivenTotals()
    {
        const long iterations = Iterate<BothCations>();
        WriteComplexes(Mg);
        WriteComplexes(Ca);
        return iterations;
    }

    // Modes 1 and 3: the entered cation's free value and its two nucleotide complexes fix
    // ATP4- and ADP3- (both written at once); the other cation is iterated.
    template <TPartner Entered>
    long SolveFromComplexes()
    {
        constexpr TCation entered = CationOf(Entered);
        const TReal atp = FreeFromComplex(ligATP, entered);
        const TReal adp = FreeFromComplex(ligADP, entered);
        Free()[ligATP] = atp;
        Free()[ligADP] = adp;
        constexpr TBracketShape shape = Entered == ptMg ? CaWithFixedNucleotides
                                                        : MgWithFixedNucleotides;
        const long iterations = Iterate<shape>();
        FState.*entered.Total = CationTotal(entered);
        NucleotideTotals();
        WriteComplexes(OtherCation(Entered));
        return iterations;
    }

    // Modes 2 and 4: both free cations entered, ATP4- and ADP3- from the entered cation's
    // complexes, no iteration. Mode 4 takes phosphate with the other chelators, mode 2
    // after the nucleotides; no value depends on the place, only what a fault leaves.
    template <TPartner Entered>
    long SolveBothFree()
    {
        constexpr TCation entered = CationOf(Entered);
        FreeFromTotal(ligEGTA);
        FreeFromTotal(ligEDTA);
        if constexpr (Entered == ptCa)
            FreeFromTotal(ligPO4);
        Free()[ligATP] = FreeFromComplex(ligATP, entered);
        Free()[ligADP] = FreeFromComplex(ligADP, entered);
        if constexpr (Entered == ptMg)
            FreeFromTotal(ligPO4);
        FurtherFromTotals();
        FState.TotalMg = CationTotal(Mg);
        FState.TotalCa = CationTotal(Ca);
        NucleotideTotals();
        WriteComplexes(OtherCation(Entered));
        return 0;
    }

    // Mode 5: ATP4- from CaATP, then free Mg++ from MgATP (the only mode that takes a free
    // cation from a complex), then the other ligands from their totals.
    long SolveATPComplexes()
    {
        TCalcState& s = FState;
        Free()[ligATP] = FreeFromComplex(ligATP, Ca);
        s.FreeMg = FromComplex(s.MgATP, Free()[ligATP], Constant(ligATP, ptMg));
        for (TLigand lig : {ligEGTA, ligEDTA, ligADP, ligPO4})
            FreeFromTotal(lig);
        FurtherFromTotals();
        s.TotalMg = CationTotal(Mg);
        s.TotalCa = CationTotal(Ca);
        s.TotalLigand[ligATP] = NucleotideTotal(ligATP);
        s.MgADP = Complex(ligADP, Mg);
        s.CaADP = Complex(ligADP, Ca);
        return 0;
    }

    // Mode 6: free Ca++ entered, free Mg++ iterated with all five ligands bounded.
    long SolveFreeCa()
    {
        const long iterations = Iterate<MgOnly>();
        FState.TotalCa = CationTotal(Ca);
        WriteComplexes(Mg);
        WriteComplexes(Ca);
        return iterations;
    }

    // The bracketing of `Shape`, built without the further ligands' bounds when there are
    // none, so that a calculation without them runs the very loop it always ran.
    template <TBracketShape Shape>
    long Iterate()
    {
        if (FFurther.Count == 0)
            return IterateBounds<Shape, CheckedOnly, false>(FSums, FFurther, FState, FTolerance);
        return IterateBounds<Shape, CheckedOnly, true>(FSums, FFurther, FState, FTolerance);
    }

    TPerLigand<TReal>& Free() { return FState.FreeLigand; }

    // The apparent constant of the unprotonated complex of `lig` with `cation`.
    TReal Constant(TLigand lig, TPartner cation) const { return FConsts[lig][cation][0]; }

    // P_L + M_L [Mg] + C_L [Ca]: the forms of the ligand per unit of its free form.
    TReal LigandSum(TLigand lig) const
    {
        const TLigandSums& sum = FSums[lig];
        return sum[ptH] + sum[ptMg] * FState.FreeMg + sum[ptCa] * FState.FreeCa;
    }

    // (F1) free ligand from its total.
    void FreeFromTotal(TLigand lig)
    {
        Free()[lig] = Div(FState.TotalLigand[lig], CheckFinite(LigandSum(lig)));
    }

    // (F1) for each further ligand, in the modes where both free cations are known.
    void FurtherFromTotals()
    {
        for (std::size_t i = 0; i < FFurther.Count; ++i) {
            const TLigandSums& sum = FFurther.Sums[i];
            TFurtherSpecies& further = FState.Further[i];
            further.Free = Div(
                further.Total,
                CheckFinite(sum[ptH] + sum[ptMg] * FState.FreeMg + sum[ptCa] * FState.FreeCa));
        }
    }

    // (F2) free nucleotide from its complex with `cation` and the cation's free value.
    TReal FreeFromComplex(TLigand nucleotide, const TCation& cation) const
    {
        const TReal complex = FState.*(nucleotide == ligATP ? cation.WithATP : cation.WithADP);
        return FromComplex(complex, FState.*cation.Free, Constant(nucleotide, cation.Partner));
    }

    // (F3) cation total.
    TReal CationTotal(const TCation& cation) const
    {
        return CheckFinite(FState.*cation.Free
                           * CationDenominator(FSums, FFurther, cation.Partner, FState));
    }

    // (F4) nucleotide total, for ATP and then ADP.
    TReal NucleotideTotal(TLigand nucleotide) const
    {
        return CheckFinite(FState.FreeLigand[nucleotide] * LigandSum(nucleotide));
    }
    void NucleotideTotals()
    {
        FState.TotalLigand[ligATP] = NucleotideTotal(ligATP);
        FState.TotalLigand[ligADP] = NucleotideTotal(ligADP);
    }

    // (F5) the unprotonated complex of a nucleotide with a cation, and both of a cation.
    TReal Complex(TLigand nucleotide, const TCation& cation) const
    {
        return CheckFinite(Constant(nucleotide, cation.Partner) * FState.*cation.Free
                           * FState.FreeLigand[nucleotide]);
    }
    void WriteComplexes(const TCation& cation)
    {
        FState.*cation.WithATP = Complex(ligATP, cation);
        FState.*cation.WithADP = Complex(ligADP, cation);
    }

    const TPerLigand<TLigandConst>& FConsts;
    const TPerLigand<TLigandSums>& FSums;
    const TFurtherTables& FFurther;
    TReal FTolerance;
    TCalcState& FState;
};

} // namespace

long TEngine::SolveMajors(TCalcState& state, TCalcMode mode)
{
    for (TLigand lig : AllLigands) {
        FWorkConst[lig] = FAppConst[lig];
        FWorkSums[lig] = FBindSums[lig];
    }
    FFurtherWork.Count = FFurtherApp.Count;
    for (std::size_t i = 0; i < FFurtherApp.Count; ++i) {
        FFurtherWork.Const[i] = FFurtherApp.Const[i];
        FFurtherWork.Sums[i] = FFurtherApp.Sums[i];
    }
    const long iterations = TModeSolvers<false>(
                                FWorkConst, FWorkSums, FFurtherWork, FConvergenceTolerance, state)
                                .Solve(mode);
    state.HasResults = true;
    return iterations;
}

long solverdetail::SolveMajorsChecked(const TEngine& engine, TCalcState& state, TCalcMode mode)
{
    const long iterations = TModeSolvers<true>(engine.AppConst(), engine.BindSums(),
                                               engine.FurtherApp(), engine.ConvergenceTolerance(),
                                               state)
                                .Solve(mode);
    state.HasResults = true;
    return iterations;
}
