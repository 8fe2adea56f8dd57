// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriesview.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string CellText(const TCell& cell)
{
    std::string line;
    AppendCsvLine(line, std::span(&cell, 1));
    line.pop_back(); // the line's "\n"
    return line;
}

// The record's value of `column` for a row that has one (the number its CSV shows).
std::optional<TReal> RecordReal(const TSeriesRow& row, const char* column)
{
    const int index = FindColumn(column);
    if (row.Failed() || index < 0)
        return std::nullopt;
    const TCell cell = RecordColumns()[static_cast<std::size_t>(index)].Value(row.Outcome);
    if (cell.Kind != TCell::TKind::ckReal)
        return std::nullopt;
    return cell.Real;
}

// Rows beyond this are drawn as a line only.
constexpr std::size_t MaxMarkers = 200;
// A line of more points than this keeps every k-th: the plot is a few hundred pixels
// wide, and each point costs the chart time on the GUI thread.
constexpr qsizetype MaxLinePoints = 1000;

QList<QPointF> Thinned(const QList<QPointF>& points)
{
    if (points.size() <= MaxLinePoints)
        return points;
    QList<QPointF> kept;
    const qsizetype stride = (points.size() + MaxLinePoints - 1) / MaxLinePoints;
    for (qsizetype i = 0; i < points.size(); i += stride)
        kept.append(points[i]);
    if (kept.back() != points.back())
        kept.append(points.back());
    return kept;
}

QValueAxis* AddAxis(QChart& chart, const QString& title, Qt::Alignment side)
{
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    chart.addAxis(axis, side);
    return axis;
}

} // namespace

void TSeriesTableModel::SetRows(const TSeriesDesign& design, std::vector<TSeriesRow> rows)
{
    beginResetModel();
    FDesign = design;
    FRows = std::move(rows);
    endResetModel();
}

int TSeriesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TSeriesTableModel::columnCount(const QModelIndex& parent) const
{
    // The readable columns and the message column.
    return parent.isValid() ? 0 : static_cast<int>(SeriesTableColumns(FDesign.Kind).size()) + 1;
}

QVariant TSeriesTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TSeriesRow& row = FRows[static_cast<std::size_t>(index.row())];
    const auto columns = SeriesTableColumns(FDesign.Kind);
    const auto column = static_cast<std::size_t>(index.column());
    if (column >= columns.size()) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return Q(row.Outcome.Error);
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return Q(SeriesTableCell(columns[column], row, FDesign.Mixing.Volume));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return row.Failed() ? Q(row.Outcome.Error) : QVariant();
    default:
        return {};
    }
}

QVariant TSeriesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const auto columns = SeriesTableColumns(FDesign.Kind);
    const auto column = static_cast<std::size_t>(section);
    if (column >= columns.size())
        return QStringLiteral("Message");
    QString caption = Q(columns[column].Caption);
    if (!columns[column].Unit.empty())
        caption += QLatin1Char('\n') + Q(columns[column].Unit);
    return caption;
}

QString TSeriesTableModel::TabSeparated() const
{
    std::string text;
    const auto names = SeriesColumnNames(FDesign.Kind);
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::string(i > 0 ? "\t" : "") + std::string(names[i]);
    text += '\n';
    for (const TSeriesRow& row : FRows) {
        const std::vector<TCell> cells = SeriesCells(FDesign.Kind, row);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            std::string cell = CellText(cells[i]);
            // A tab or line break inside a message would split the spreadsheet's cell.
            std::ranges::replace_if(cell, [](char ch) { return ch == '\t' || ch == '\n' || ch == '\r'; }, ' ');
            text += (i > 0 ? "\t" : "") + cell;
        }
        text += '\n';
    }
    return QString::fromStdString(text);
}

void ShowSeriesChart(QChart& chart, const TSeriesDesign& design,
    const std::vector<TSeriesRow>& rows, const std::vector<TSeriesRow>& curve)
{
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes())
        chart.removeAxis(axis);
    const bool mixing = design.Kind == TSeriesKind::skMixing;
    const auto x = [mixing](const TSeriesRow& row) -> std::optional<TReal> {
        if (!mixing)
            return row.PCaTarget;
        return row.HasMixture ? std::optional(row.FractionB) : std::nullopt;
    };
    QValueAxis* xAxis = AddAxis(chart,
        mixing ? QStringLiteral("fraction of stock B") : QStringLiteral("pCa"), Qt::AlignBottom);
    QValueAxis* leftAxis = AddAxis(chart,
        mixing ? QStringLiteral("pCa") : QStringLiteral("total Ca (mM)"), Qt::AlignLeft);
    QValueAxis* rightAxis = AddAxis(chart, QStringLiteral("mM"), Qt::AlignRight);
    std::array<double, 4> bounds {INFINITY, -INFINITY, INFINITY, -INFINITY}; // left, right
    const auto plot = [&](const char* column, const QString& name, QValueAxis* axis) {
        const auto points = [&](const std::vector<TSeriesRow>& from) {
            QList<QPointF> list;
            for (const TSeriesRow& row : from) {
                const auto px = x(row);
                const auto py = RecordReal(row, column);
                if (px && py && std::isfinite(*py))
                    list.append(QPointF(double(*px), double(*py)));
            }
            // A line joins the points in the order of x, whatever the order of the targets.
            std::ranges::sort(list, {}, &QPointF::x);
            return list;
        };
        auto* line = new QLineSeries(&chart);
        line->setName(name);
        line->replace(Thinned(points(curve.empty() ? rows : curve)));
        chart.addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(axis);
        QList<QPointF> marked;
        if (rows.size() <= MaxMarkers) {
            // Each marker is an item of its own in the chart's scene: only a ladder of a
            // size one pipettes gets them.
            auto* marks = new QScatterSeries(&chart);
            marks->setMarkerSize(7);
            marks->replace(points(rows));
            chart.addSeries(marks);
            marks->attachAxis(xAxis);
            marks->attachAxis(axis);
            marks->setColor(line->color());
            marks->setBorderColor(line->color());
            chart.legend()->markers(marks).front()->setVisible(false);
            marked = marks->points();
        }
        const std::size_t at = axis == leftAxis ? 0 : 2;
        for (const QPointF& p : line->points() + marked) {
            bounds[at] = std::min(bounds[at], p.y());
            bounds[at + 1] = std::max(bounds[at + 1], p.y());
        }
    };
    plot(mixing ? "pca" : "total_ca", mixing ? QStringLiteral("pCa") : QStringLiteral("total Ca"),
        leftAxis);
    plot("free_mg", QStringLiteral("free Mg++"), rightAxis);
    plot("mgatp", QStringLiteral("MgATP"), rightAxis);
    // Concentrations start at zero; pCa and the fractions take the span of their values.
    const auto fit = [](QValueAxis* axis, double lo, double hi, bool fromZero = false) {
        if (lo > hi)
            return;
        const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(std::fabs(hi) * 0.05, 0.1);
        axis->setRange(fromZero ? 0 : lo - pad, hi + pad);
        axis->applyNiceNumbers();
    };
    fit(leftAxis, bounds[0], bounds[1], !mixing);
    fit(rightAxis, bounds[2], bounds[3], true);
    if (mixing) {
        xAxis->setRange(0, 1);
    } else {
        double lo = INFINITY, hi = -INFINITY;
        for (const TSeriesRow& row : rows) {
            lo = std::min(lo, double(row.PCaTarget));
            hi = std::max(hi, double(row.PCaTarget));
        }
        fit(xAxis, lo, hi);
    }
}
