// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The pCa of the mixtures of two stocks as a function of the fraction f of stock B, and
// the root finder that gives the fraction for a target pCa.
//
// The curve is first calculated on a grid of fractions (the stocks themselves at its
// ends). The grid tells whether pCa is monotonic in f, gives each target its bracket, and
// so lets a target that no single fraction reaches say so instead of giving a wrong root.
// Inside a bracket Brent's method (inverse quadratic interpolation and secant steps, kept
// inside the bracket, with bisection when they would be slow) closes on the fraction;
// every calculated point is kept, so a later target starts from the tightest bracket
// known. A mixture without free Ca++ (a Ca-free stock) has an infinite pCa; the finder
// then steps towards it geometrically.

#include "series/series.h"

#include <optional>
#include <string>
#include <vector>

class TMixCurve {
public:
    /// The root finder stops when the pCa is this close to the target; a step of the grid's
    /// pCa against the curve's direction no larger than this is the solver's rounding, not
    /// a turn.
    static constexpr TReal PCaTolerance = 1e-9L;
    /// The root finder stops when the fraction is known to this.
    static constexpr TReal FractionTolerance = 1e-12L;
    /// Intervals of the grid.
    static constexpr int GridIntervals = 32;

    /// Calculates the grid on `engine`; a grid point whose calculation fails is kept as
    /// the message of every row. `input` must have passed CheckMixingInput.
    TMixCurve(TEngine& engine, const TMixingInput& input);

    /// The row for one target.
    TSeriesRow Solve(TReal target);

    /// True when the grid's pCa never turns against the direction from A to B.
    bool Monotonic() const { return FMonotonic; }

private:
    struct TProbe {
        TReal F;
        TReal PCa; // +infinity when the mixture holds no free Ca++
    };

    // One calculation of the mixture with the fraction f; the pCa, or nothing on failure
    // (the message is in outcome.Error).
    std::optional<TReal> Evaluate(TReal f, TCalcOutcome& outcome);
    void Remember(const TProbe& probe);
    TSeriesRow Bracketed(TReal target, TProbe lo, TProbe hi, TSeriesRow row);
    TSeriesRow Closed(TReal target, TProbe lo, TProbe hi, TSeriesRow row);
    TSeriesRow Found(TSeriesRow row, TReal f, TCalcOutcome outcome) const;
    TSeriesRow Refused(TSeriesRow row, const std::string& message) const;
    std::string RangeText() const;

    TEngine& FEngine;
    const TMixingInput& FInput;
    std::vector<TProbe> FGrid;
    std::vector<TCalcOutcome> FGridOutcomes;
    std::vector<TProbe> FProbes; // every point calculated so far, sorted by F
    bool FMonotonic = true;
    std::string FError; // a grid point that could not be calculated
};
