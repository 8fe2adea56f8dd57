// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Internal to the engine and its tests: the ratio test of the bracketing solver, and a way
// to run the solver with its checked bracketing only. Nothing outside engine/ and the
// engine's tests includes this header; the front ends call TEngine::Calculate.

#include "engine/bindconst.h"
#include "engine/fpcheck.h"

namespace solverdetail {

/// The factor of the shortcut in Passes: when low < high * (1 - 4 tol) in double
/// arithmetic, low/high is below 1 - 2 tol even after the rounding of the product, and
/// rounding the ratio to a double cannot lift it to 1 - tol. With a tolerance too small for
/// that margin, or one that passes almost anything, only a negative low is rejected early.
inline double RejectBelow(TReal tolerance)
{
    if (tolerance >= 0x1p-40L && tolerance <= 0.25L)
        return static_cast<double>(1 - 4 * tolerance);
    return 0;
}

/// The ratio test of one cation: an upper bound at or below `tiny` counts as zero and
/// passes; otherwise low/high, held as a double, must be within the tolerance of 1. Bounds
/// still far apart (low below high * rejectBelow, see RejectBelow) fail without the
/// division, which decides nothing differently: it only saves the division.
template <bool Checked>
bool Passes(double low, double high, TReal tiny, TReal tolerance, double rejectBelow)
{
    using A = fpcheck::TArith<Checked>;
    if (high <= tiny)
        return true;
    if (high > 0 && low < high * rejectBelow)
        return false;
    const double ratio = A::ToDouble(A::Div(low, high));
    return 1 - static_cast<TReal>(ratio) < tolerance;
}

/// SolveMajors with the bracketing run in its checked flavour only, as it runs when the
/// fast flavour gives way. For the tests that hold the two flavours to the same results:
/// reads the apparent constants and sums that SolveMajors would copy, and leaves the
/// engine's working copies alone.
long SolveMajorsChecked(const TEngine& engine, TCalcState& state, TCalcMode mode);

} // namespace solverdetail
