// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The equilibrium engine. TEngine holds what belongs to every calculation besides its
// TCalcState: pH, ionic strength, the binding constant table the user edits (BaseConst,
// log10 K at 0.1 M), the tables derived from it (CorrConst at the solution's ionic
// strength, AppConst at its pH, BindSums) and the solver's working copies.
//
// One calculation runs LoadDefaultConstants once, then per Calculate:
//   AdjustConstants -> MakeApparentConstants -> SolveMajors -> CalcMinors
// and the report reads GetIonStr and GetIonStrTris. Arithmetic faults (division by zero,
// invalid operation, overflow) throw TCalcError at the step where they arise; values
// written before that step stay written.

#include "engine/calcerror.h"
#include "engine/calcstate.h"

#include <array>
#include <string_view>

enum class TPartner : int { ptH, ptMg, ptCa };
inline constexpr std::size_t PartnerCount = 3;
inline constexpr std::size_t StepCount = 4;
inline constexpr std::array<TPartner, PartnerCount> AllPartners {
    TPartner::ptH, TPartner::ptMg, TPartner::ptCa};

/// Display names, used for the rows of the constants dialog ("ATP-H" ... "PO4-Ca").
inline constexpr std::array<std::string_view, LigandCount> LigandNames {
    "ATP", "EGTA", "EDTA", "ADP", "PO4"};
inline constexpr std::array<std::string_view, PartnerCount> PartnerNames {"H", "Mg", "Ca"};

/// One ligand's constants [partner][step 0..3].
using TLigandConst = TEnumArray<TPartner, std::array<TReal, StepCount>, PartnerCount>;
/// The whole table [ligand][partner][step]; an entry <= 0 is a step that does not exist.
using TConstTable = TPerLigand<TLigandConst>;
/// One ligand's three binding sums [partner].
using TLigandSums = TEnumArray<TPartner, TReal, PartnerCount>;

/// The smallest power of two e with 1 + e != 1 in extended arithmetic (2^-63).
TReal MachineEpsilon();

/// log10 of the activity coefficient of an ion of charge z is -z^2 * ActivityTerm(I).
/// I in M. Raises the invalid-operation error for a negative I.
TReal ActivityTerm(TReal ionStr);

class TEngine {
public:
    TReal pH {};
    TReal IonStr {}; // M
    TConstTable BaseConst {};
    TConstTable CorrConst {};
    TConstTable AppConst {};
    TPerLigand<TLigandSums> BindSums {};
    // Working copies taken by SolveMajors: WorkConst[ligATP] is ATPConst, and so on.
    TPerLigand<TLigandConst> WorkConst {};
    TPerLigand<TLigandSums> WorkSums {};
    TReal ConvergenceTolerance = 1e-9L;

    /// Iteration cap of the bracketing solver; reaching it raises "did not converge".
    static constexpr long MaxIterations = 100000;

    /// Replaces BaseConst by the built-in defaults. Leaves the derived tables alone.
    void LoadDefaultConstants();

    /// CorrConst := BaseConst corrected from 0.1 M to IonStr. Rejects a negative IonStr
    /// ("The ionic strength must not be negative.") before touching any table.
    void AdjustConstants();

    /// AppConst and BindSums from BaseConst (presence), CorrConst and pH.
    void MakeApparentConstants();

    /// Solves the major species for `mode`, writing results into `state` in the documented
    /// order, and sets state.HasResults. A mode outside 0..6 solves nothing but still sets
    /// the flag. Throws TCalcError on an arithmetic fault or when the bracketing does not
    /// close; values written before the fault stay. Returns the number of iterations made
    /// (0 for the modes that need none).
    long SolveMajors(TCalcState& state, TCalcMode mode);

    /// The 24 minor species from the free concentrations and the working copies.
    void CalcMinors(TCalcState& state) const;

    /// Lower bound of the ionic strength from the species the calculation knows, in M;
    /// 0 when the state holds no results.
    TReal GetIonStr(const TCalcState& state) const;

    /// Ionic strength contributed by 20 mM Tris at pH, in M.
    TReal GetIonStrTris() const;

};

/// The value of `field` in the calculation: pH and IonStr from the engine, the rest from
/// the state (concentrations in M).
TReal& ValueRef(TEngine& engine, TCalcState& state, TValueField field);
TReal ValueOf(const TEngine& engine, const TCalcState& state, TValueField field);
