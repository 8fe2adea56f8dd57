// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriesview.h"

#include "report/further.h"

#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

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

// A number as printf writes it with `format`, as quelix-cli's tables do.
QString Printed(const char* format, TReal x)
{
    char text[64];
    std::snprintf(text, sizeof text, format, x);
    return QString::fromLatin1(text);
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

// The span of values an axis shows: concentrations from zero, pCa and fractions from their
// smallest value, with a margin, on round numbers.
void FitAxis(QValueAxis* axis, double lo, double hi, bool fromZero)
{
    if (lo > hi)
        return;
    const double pad = hi > lo ? (hi - lo) * 0.05 : std::max(std::fabs(hi) * 0.05, 0.1);
    axis->setRange(fromZero ? 0 : lo - pad, hi + pad);
    axis->applyNiceNumbers();
}

// One quantity of the plot: where it is read and on which axis it is drawn.
struct TPlotted {
    const char* Column; // a record column
    QString Name;
    QValueAxis* Axis;
};

// The points of `rows` with x from `x` and y from the record's column, sorted by x: a line
// joins them in that order, whatever the order of the targets.
template <typename TX>
QList<QPointF> PointsOf(const std::vector<TSeriesRow>& rows, TX x, const char* column)
{
    QList<QPointF> points;
    for (const TSeriesRow& row : rows) {
        const std::optional<TReal> px = x(row);
        const std::optional<TReal> py = RecordReal(row, column);
        if (px && py && std::isfinite(*py))
            points.append(QPointF(static_cast<double>(*px), static_cast<double>(*py)));
    }
    std::ranges::sort(points, {}, &QPointF::x);
    return points;
}

// Draws one quantity: a line through `line` and, for a ladder of a size one pipettes, a
// marker at each of `marks` in the line's colour. Returns every point drawn.
QList<QPointF> Draw(QChart& chart, QValueAxis* xAxis, const TPlotted& what,
                    const QList<QPointF>& line, const QList<QPointF>& marks)
{
    auto* series = new QLineSeries(&chart);
    series->setName(what.Name);
    series->replace(Thinned(line));
    chart.addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(what.Axis);
    if (marks.size() > static_cast<qsizetype>(MaxMarkers))
        return series->points();
    // Each marker is an item of its own in the chart's scene, which costs time on the GUI
    // thread: only a ladder of a size one pipettes gets them.
    auto* dots = new QScatterSeries(&chart);
    dots->setMarkerSize(7);
    dots->replace(marks);
    chart.addSeries(dots);
    dots->attachAxis(xAxis);
    dots->attachAxis(what.Axis);
    dots->setColor(series->color());
    dots->setBorderColor(series->color());
    chart.legend()->markers(dots).front()->setVisible(false);
    return series->points() + marks;
}

} // namespace

void TSeriesTableModel::SetRows(const TSeriesDesign& design, std::vector<TSeriesRow> rows,
                                const TEngine& engine, std::vector<TSolution> solutions)
{
    beginResetModel();
    FDesign = design;
    FRows = std::move(rows);
    FEngine = engine;
    FSolutions = std::move(solutions);
    endResetModel();
}

const TEngine* TSeriesTableModel::Conditions() const
{
    return SeriesNeedsConditions(FEngine, FDesign) ? &FEngine : nullptr;
}

int TSeriesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TSeriesTableModel::columnCount(const QModelIndex& parent) const
{
    // The readable columns, a recipe's, and the message column.
    const std::size_t recipe = FSolutions.empty() ? 0 : RecipeColumnCount;
    return parent.isValid()
        ? 0
        : static_cast<int>(SeriesTableColumns(FDesign.Kind).size() + recipe) + 1;
}

QString TSeriesTableModel::RecipeCell(std::size_t column, std::size_t row) const
{
    // As quelix-cli's table of each solution as made.
    const TSolution& s = FSolutions[row];
    const TSeriesRow& r = FRows[row];
    if (r.Failed() || s.Failed() || (FDesign.Kind == TSeriesKind::skMixing && !r.HasMixture))
        return {};
    switch (column) {
    case 0:
        return Printed("%.3Lf", s.TitrantmM);
    case 1:
        return Printed("%.3Lf", s.FillermM);
    case 2:
        return Printed("%.5Lf", s.IonStr);
    default:
        if (FDesign.Kind == TSeriesKind::skMixing)
            return Printed("%.3Lf", (s.IonStr - FEngine.IonStr()) * 1000);
        return Printed("%.2Lg", s.ChargeBalancemM);
    }
}

QVariant TSeriesTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto rowIndex = static_cast<std::size_t>(index.row());
    const TSeriesRow& row = FRows[rowIndex];
    const auto columns = SeriesTableColumns(FDesign.Kind);
    auto column = static_cast<std::size_t>(index.column());
    if (!FSolutions.empty() && column >= columns.size()) {
        column -= columns.size();
        if (column < RecipeColumnCount) {
            if (role == Qt::DisplayRole)
                return RecipeCell(column, rowIndex);
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return {};
        }
        // The message: the row's, else why its solution cannot be made.
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return Q(row.Failed() ? row.Outcome.Error : FSolutions[rowIndex].Error);
        return {};
    }
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
    if (!FSolutions.empty() && column >= columns.size()
        && column < columns.size() + RecipeColumnCount) {
        const bool mixing = FDesign.Kind == TSeriesKind::skMixing;
        const std::array<QString, RecipeColumnCount> captions {
            QStringLiteral("Titrant\nmM"), QStringLiteral("Filler\nmM"),
            QStringLiteral("I as made\nM"),
            mixing ? QStringLiteral("Drift\nmM") : QStringLiteral("Charge balance\nmM")};
        return captions[column - columns.size()];
    }
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
    // The further ligands' fields close every row, as in quelix-cli's records.
    const auto ligands = FEngine.FurtherLigands();
    const std::vector<std::string> further = FurtherColumnNames(ligands);
    const auto names = SeriesColumnNames(FDesign.Kind, Conditions() != nullptr, further);
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::string(i > 0 ? "\t" : "") + std::string(names[i]);
    text += '\n';
    for (const TSeriesRow& row : FRows) {
        const std::vector<TCell> cells = SeriesCells(FDesign.Kind, row, Conditions(), ligands);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            std::string cell = CellText(cells[i]);
            // A tab or line break inside a message would split the spreadsheet's cell.
            std::ranges::replace_if(
                cell, [](char ch) { return ch == '\t' || ch == '\n' || ch == '\r'; }, ' ');
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
    QValueAxis* xAxis = AddAxis(
        chart, mixing ? QStringLiteral("fraction of stock B") : QStringLiteral("pCa"),
        Qt::AlignBottom);
    QValueAxis* left = AddAxis(
        chart, mixing ? QStringLiteral("pCa") : QStringLiteral("total Ca (mM)"), Qt::AlignLeft);
    QValueAxis* right = AddAxis(chart, QStringLiteral("mM"), Qt::AlignRight);
    const std::array<TPlotted, 3> quantities {{
        {mixing ? "pca" : "total_ca", mixing ? QStringLiteral("pCa") : QStringLiteral("total Ca"),
         left},
        {"free_mg", QStringLiteral("free Mg++"), right},
        {"mgatp", QStringLiteral("MgATP"), right},
    }};
    std::array<QList<QPointF>, 2> drawn; // on the left axis, on the right one
    for (const TPlotted& what : quantities) {
        const QList<QPointF> marks = PointsOf(rows, x, what.Column);
        const QList<QPointF> line = curve.empty() ? marks : PointsOf(curve, x, what.Column);
        drawn[what.Axis == left ? 0 : 1] += Draw(chart, xAxis, what, line, marks);
    }
    const auto fit = [](QValueAxis* axis, const QList<QPointF>& points, bool vertical,
                        bool fromZero) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const QPointF& p : points) {
            lo = std::min(lo, vertical ? p.y() : p.x());
            hi = std::max(hi, vertical ? p.y() : p.x());
        }
        FitAxis(axis, lo, hi, fromZero);
    };
    fit(left, drawn[0], true, !mixing);
    fit(right, drawn[1], true, true);
    if (mixing)
        xAxis->setRange(0, 1);
    else
        fit(xAxis, drawn[0], false, false);
}
