// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The rows of a series as records and as a readable table. A record is the calculation's
// own record (RecordColumns) after leading columns of the series: pca_target, and for a
// mixing table fraction_b, volume_a and volume_b; under other than the default conditions
// (another constant set, a temperature, the activity pH scale) the trailing fields of
// those conditions follow, as in a single run's record. The readable table (quelix-cli's
// report format, the window's results table and the bench sheet) shows a few columns with
// fixed decimals, and a failing row's message in place of its numbers.

#include "series/series.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// Whether the records of `design`, calculated on `engine`, carry the conditions' trailing
/// fields (NeedsConditionFields of the per-point base or of stock A).
bool SeriesNeedsConditions(const TEngine& engine, const TSeriesDesign& design);

/// The record's column names: the series' own, then RecordColumns, then the conditions'
/// trailing fields when `withConditions`, then `furtherNames` (the further ligands' fields,
/// FurtherColumnNames, which the caller keeps).
std::vector<std::string_view> SeriesColumnNames(TSeriesKind kind, bool withConditions = false,
                                                std::span<const std::string> furtherNames = {});

/// True for the columns a series puts before the record's own (pca_target, fraction_b,
/// volume_a, volume_b).
bool IsSeriesColumn(std::string_view name);

/// The cells of one row under SeriesColumnNames. A target that no mixture reaches leaves
/// fraction_b, volume_a and volume_b empty (null). `conditions`, the engine that computed
/// the row, gives the trailing fields; none leaves them out. `ligands`, the engine's further
/// ligands, give theirs at the end.
std::vector<TCell> SeriesCells(TSeriesKind kind, const TSeriesRow& row,
                               const TEngine* conditions = nullptr,
                               std::span<const TFurtherLigand> ligands = {});

/// The rows as CSV (a header line, then a line per row) and as JSON (an object per line),
/// with the trailing fields of `conditions` when it is given and those of `ligands`.
std::string SeriesCsv(TSeriesKind kind, std::span<const TSeriesRow> rows,
                      const TEngine* conditions = nullptr,
                      std::span<const TFurtherLigand> ligands = {});
std::string SeriesJson(TSeriesKind kind, std::span<const TSeriesRow> rows,
                       const TEngine* conditions = nullptr,
                       std::span<const TFurtherLigand> ligands = {});

/// A column of the readable table.
struct TSeriesColumn {
    std::string_view Caption;
    std::string_view Unit; // "mM", or empty; the volumes are in the user's unit
    int Decimals;          // -1: the volumes' decimals (VolumeDecimals)
    std::optional<TReal> (*Value)(const TSeriesRow& row); // nothing for an empty cell
};

/// The columns of the readable table of a design.
std::span<const TSeriesColumn> SeriesTableColumns(TSeriesKind kind);

/// Decimals of the volumes for a final volume: five significant digits of the final
/// volume (1000: one decimal; 1: four), at least none.
int VolumeDecimals(TReal volume);

/// One cell of the readable table; empty for a failed row or an absent value.
std::string SeriesTableCell(const TSeriesColumn& column, const TSeriesRow& row, TReal volume);

/// The lines that say what a series was made of: the design, pH and ionic strength, the
/// inputs (per point) or the two stocks and the final volume (mixing table).
std::vector<std::string> SeriesHeading(const TSeriesDesign& design);

/// The readable table as quelix-cli prints it: the conditions' line of `conditions` when
/// it is given (as a report opens with it), the heading, the column captions and units,
/// and one line per row, a failed row with its message after the target.
std::string SeriesTableText(const TSeriesDesign& design, std::span<const TSeriesRow> rows,
                            const TEngine* conditions = nullptr);
