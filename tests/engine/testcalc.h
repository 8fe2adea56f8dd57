// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A calculation set up as the window does it at start: default constants, Tiny, and the
// built-in default inputs (in M).

#include "engine/bindconst.h"

#include <algorithm>
#include <cmath>

struct TTestCalc {
    TEngine Engine;
    TCalcState State;

    TTestCalc()
    {
        using enum TLigand;
        State.Tiny = 10 * MachineEpsilon();
        Engine.SetpH(8);
        Engine.SetIonStr(0.2L);
        State.TotalMg = 0.0022L;
        State.TotalCa = 0.0005L;
        State.TotalLigand[ligATP] = 0.00022L;
        State.TotalLigand[ligEGTA] = 0.002L;
        State.FreeMg = 0.001L;
        State.FreeCa = 0.001L;
        State.MgATP = 0.0002L;
        Engine.LoadDefaultConstants();
    }

    // Total Ca just below total EGTA: the free Ca bounds close slowly (about a thousand
    // iterations).
    void UseHardCase()
    {
        using enum TLigand;
        Engine.SetpH(7);
        Engine.SetIonStr(0.15L);
        State.TotalLigand[ligEGTA] = 0.007L;
        State.TotalLigand[ligATP] = 0.005L;
        State.TotalMg = 0.006L;
        State.TotalCa = 0.00699L;
    }

    // One whole calculation; a failure is raised as the engine's error.
    long Solve(TCalcMode mode)
    {
        const TCalcStatus status = Engine.Calculate(State, mode);
        if (status.Failed())
            RaiseCalcError(status.Error);
        return status.Iterations;
    }
};

// Inputs for which every mode has something to work with: all five ligands present,
// both cations and all four complexes positive.
inline TTestCalc RichCalc()
{
    TTestCalc c;
    auto& s = c.State;
    c.Engine.SetpH(7.1L);
    c.Engine.SetIonStr(0.15L);
    s.TotalLigand[TLigand::ligEDTA] = 0.0001L;
    s.TotalLigand[TLigand::ligADP] = 0.0001L;
    s.TotalLigand[TLigand::ligPO4] = 0.001L;
    s.FreeCa = 1e-6L;
    s.MgADP = 5e-5L;
    s.CaATP = 1e-7L;
    s.CaADP = 1e-8L;
    return c;
}

// The relative difference of two values, 0 where both are 0.
inline double Rel(TReal a, TReal b)
{
    const TReal scale = std::max(std::fabs(a), std::fabs(b));
    return scale == 0 ? 0.0 : static_cast<double>(std::fabs(a - b) / scale);
}
