// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The results of a pCa series in the series window: a table model over the rows (the
// readable table's columns with the same texts as quelix-cli's report, and the message of
// a failed row in a last column) and the plot of the series.

#include "recipe/recipe.h"
#include "series/seriesrecord.h"

#include <QAbstractTableModel>

#include <vector>

class QChart;

/// What the series window computes off the GUI thread: the rows, for a mixing table the
/// mixtures over the whole range of fractions for the plot, and the engine that computed
/// them (its constants and conditions go into the exports and the bench sheet).
struct TSeriesResult {
    std::vector<TSeriesRow> Rows;
    std::vector<TSeriesRow> Curve;
    TEngine Engine;
    // A series made with a recipe: each row's solution, the stocks of a mixing table as
    // made, and why the series could not run at all.
    std::vector<TSolution> Solutions;
    TRecipeOutcome StockA, StockB;
    std::string Error;
};

class TSeriesTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Replaces the rows; `design` says which columns and the final volume, `engine` is the
    /// engine that computed them. With `solutions` (one per row, a series made with a
    /// recipe) the table shows each row's titrant, filler, real ionic strength and, for a
    /// mixing table, its drift from the target (per point: the charge balance).
    void SetRows(const TSeriesDesign& design, std::vector<TSeriesRow> rows, const TEngine& engine,
                 std::vector<TSolution> solutions = {});
    const std::vector<TSeriesRow>& Rows() const { return FRows; }
    const std::vector<TSolution>& Solutions() const { return FSolutions; }
    const TSeriesDesign& Design() const { return FDesign; }
    const TEngine& Engine() const { return FEngine; }
    /// The engine whose conditions the records carry as trailing fields, or none under the
    /// default conditions (SeriesNeedsConditions).
    const TEngine* Conditions() const;

    /// The table as tab-separated text with a header line, for a spreadsheet: the record's
    /// columns (as the CSV export) at full precision.
    QString TabSeparated() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static constexpr std::size_t RecipeColumnCount = 4;
    QString RecipeCell(std::size_t column, std::size_t row) const;

    TSeriesDesign FDesign;
    std::vector<TSeriesRow> FRows;
    TEngine FEngine;
    std::vector<TSolution> FSolutions;
};

/// Fills `chart` with the series: for a mixing table pCa against the fraction of B (the
/// titration curve), for a per-point series total Ca against pCa; free Mg++ and MgATP on
/// a second axis. The rows are marked; `curve` (mixtures over the whole range of
/// fractions, or nothing) draws the lines between them.
void ShowSeriesChart(QChart& chart, const TSeriesDesign& design,
                     const std::vector<TSeriesRow>& rows, const std::vector<TSeriesRow>& curve);
