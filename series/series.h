// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The pCa series designer: a ladder of solutions over a list of target pCa values, in one
// of two designs.
//
// Per point: the caller's inputs in a mode that takes free Ca++ (modes 2 to 6), and for
// each target one calculation with free Ca++ = 10^(3 - pCa) mM. Each row is the record of
// that calculation, the one a single quelix-cli run with the same inputs prints.
//
// Mixing table: two stock solutions A (low Ca) and B (high Ca) at the same pH and ionic
// strength. A mixture with the fraction f of B holds every total at (1 - f) A + f B; for
// each target the fraction whose mixture, calculated with every concentration given,
// has the target pCa, found by a bracketing root finder, with the volumes of A and B for
// a final volume and the mixture's whole record.
//
// Both run every calculation through Compute on the caller's engine, whose BaseConst the
// caller has set; the constants for the ionic strength and the pH are made once for the
// whole series. The caller's inputs are copied whole and only the values named here are
// changed, so whatever else an input carries reaches every calculation.

#include "request/compute.h"

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

enum class TSeriesKind { skPerPoint, skMixing };

/// The seven totals that make up a stock solution, in the order of the entry fields.
inline constexpr std::array<TValueField, 7> StockTotals {
    TValueField::vfTotalEGTA, TValueField::vfTotalEDTA, TValueField::vfTotalMg,
    TValueField::vfTotalCa,   TValueField::vfTotalATP,  TValueField::vfTotalADP,
    TValueField::vfTotalPO4};

/// One row of a series.
struct TSeriesRow {
    TReal PCaTarget = 0;
    // Mixing table only, when a mixture reaches the target: the fraction of B and the
    // volumes of A and B (in the unit of the final volume).
    bool HasMixture = false;
    TReal FractionB = 0;
    TReal VolumeA = 0;
    TReal VolumeB = 0;
    /// The calculation of the row; its Error says why a row has no result.
    TCalcOutcome Outcome;
    /// Calculations made for this row (root finder steps; 1 per point).
    int Evaluations = 0;

    bool Failed() const { return Outcome.Failed(); }
};

/// Called after each row with the rows done and the rows in all; returning false stops
/// the series there (the rows done so far are kept).
using TSeriesProgress = std::function<bool(std::size_t done, std::size_t total)>;

/// True for the modes that take free Ca++ as an input (2 to 6).
bool TakesFreeCa(TCalcMode mode);

/// The per-point design. `base` is copied whole for every target; only its free Ca++ is
/// set. Throws TCalcError, before any calculation, when base.Mode does not take free Ca++.
/// A row whose calculation fails carries the message; the other rows are still computed.
std::vector<TSeriesRow> DesignPerPoint(TEngine& engine, const TCalcInput& base,
                                       std::span<const TReal> targets,
                                       const TSeriesProgress& progress = {});

/// The inputs of a mixing table. Each stock is a whole input (pH, ionic strength and the
/// seven totals in mM are read; its mode and other values are not); the mixtures are
/// copies of StockA with the mode set to 0 and the seven totals mixed.
struct TMixingInput {
    TCalcInput StockA;
    TCalcInput StockB;
    TReal Volume = 1000; // the final volume, in whatever unit the user works in
};

/// The largest final volume a mixing table takes.
inline constexpr TReal MaxVolume = 1e9;

/// Throws TCalcError when the stocks cannot be mixed: a different pH, ionic strength,
/// temperature or pH scale, a negative total, or a final volume that is not a positive
/// number or above MaxVolume.
void CheckMixingInput(const TMixingInput& input);

/// The inputs of the mixture with the fraction f of B: StockA with mode 0 and each of the
/// seven totals, and each further ligand's, (1 - f) A + f B, so f = 0 gives A's totals and
/// f = 1 B's, exactly.
TCalcInput MixtureInput(const TMixingInput& input, TReal f);

/// The mixtures with the fractions 0, 1/intervals, ..., 1 of B, each as a row without a
/// target (for a plot of the whole titration curve). A mixture whose calculation fails
/// carries its message.
std::vector<TSeriesRow> SampleMixtures(TEngine& engine, const TMixingInput& input, int intervals);

/// A whole series as the user sets it up: the design, its inputs and the targets.
struct TSeriesDesign {
    TSeriesKind Kind = TSeriesKind::skPerPoint;
    TCalcInput Base;     // per point: the inputs, in a mode that takes free Ca++
    TMixingInput Mixing; // mixing table: the stocks and the final volume
    std::vector<TReal> Targets;
};

/// The mixing table. Throws TCalcError (CheckMixingInput) before any calculation. For each
/// target, the fraction of B in [0, 1] whose mixture has the target pCa, to 1e-9 in pCa or
/// 1e-12 in the fraction; a target at one stock's own pCa (to 1e-9) gives that stock
/// exactly. A target the stocks cannot reach, or one that no single fraction reaches
/// because pCa turns with the fraction, is that row's error; the other rows are computed.
std::vector<TSeriesRow> DesignMixingTable(TEngine& engine, const TMixingInput& input,
                                          std::span<const TReal> targets,
                                          const TSeriesProgress& progress = {});

/// DesignPerPoint or DesignMixingTable, as `design` says.
std::vector<TSeriesRow> RunSeries(TEngine& engine, const TSeriesDesign& design,
                                  const TSeriesProgress& progress = {});
