// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriessheet.h"

#include "engine/realtext.h"
#include "report/conditions.h"
#include "series/seriesrecord.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

using enum TValueField;

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toHtmlEscaped();
}

QString Number(TReal x)
{
    return QString::fromStdString(RealToText(x));
}

// Labels of the values, as the main window names its fields.
constexpr std::array<std::string_view, ValueFieldCount> FieldLabels {
    "pH",         "Ionic strength (M)",
    "Total EGTA", "Total EDTA",
    "Total Mg",   "Total Ca",
    "Total ATP",  "Total ADP",
    "Total PO4",  "Free Mg++",
    "Free Ca++",  "MgATP",
    "CaATP",      "MgADP",
    "CaADP"};

QString Label(TValueField f)
{
    QString label = Q(FieldLabels[static_cast<std::size_t>(f)]);
    return IsConcentration(f) ? label + QStringLiteral(" (mM)") : label;
}

QString StocksHtml(const TMixingInput& mix)
{
    QString html = QStringLiteral("<h3>Stocks</h3><table border=1 cellpadding=2 cellspacing=0>"
                                  "<tr><th></th><th>Stock A</th><th>Stock B</th></tr>");
    for (TValueField f : {vfpH, vfIonStr})
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
                    .arg(Label(f), Number(mix.StockA[f]), Number(mix.StockB[f]));
    for (TValueField f : StockTotals)
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
                    .arg(Label(f), Number(mix.StockA[f]), Number(mix.StockB[f]));
    return html
        + QStringLiteral("</table><p>Final volume of each mixture: %1. Each row mixes "
                         "volume A of stock A with volume B of stock B.</p>")
              .arg(Number(mix.Volume));
}

QString InputsHtml(const TCalcInput& base)
{
    const auto mode = static_cast<std::size_t>(base.Mode);
    QString html = QStringLiteral("<h3>Inputs, mode %1 (%2)</h3>"
                                  "<table border=1 cellpadding=2 cellspacing=0>")
                       .arg(mode)
                       .arg(mode < ModeCaptions.size() ? Q(ModeCaptions[mode]) : QString());
    for (TValueField f : AllValueFields)
        if (f != vfFreeCa && IsModeInput(base.Mode, f))
            html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td></tr>")
                        .arg(Label(f), Number(base[f]));
    return html + QStringLiteral("</table><p>Free Ca++ of each row: 10^(3 - pCa) mM.</p>");
}

QString TableHtml(const TSeriesDesign& design, const std::vector<TSeriesRow>& rows)
{
    const auto columns = SeriesTableColumns(design.Kind);
    QString html = QStringLiteral("<h3>%1</h3><table border=1 cellpadding=2 cellspacing=0><tr>")
                       .arg(design.Kind == TSeriesKind::skMixing
                                ? QStringLiteral("Mixing table")
                                : QStringLiteral("Solutions, one per pCa"));
    for (const TSeriesColumn& column : columns)
        html += QStringLiteral("<th style=\"white-space: nowrap\">%1%2</th>")
                    .arg(Q(column.Caption),
                         column.Unit.empty() ? QString() : QStringLiteral("<br>") + Q(column.Unit));
    html += QStringLiteral("</tr>");
    for (const TSeriesRow& row : rows) {
        html += QStringLiteral("<tr><td align=right>%1</td>")
                    .arg(Q(SeriesTableCell(columns[0], row, design.Mixing.Volume)));
        if (row.Failed()) {
            html += QStringLiteral("<td colspan=%1>%2</td></tr>")
                        .arg(columns.size() - 1)
                        .arg(Q(row.Outcome.Error));
            continue;
        }
        for (std::size_t j = 1; j < columns.size(); ++j)
            html += QStringLiteral("<td align=right>%1</td>")
                        .arg(Q(SeriesTableCell(columns[j], row, design.Mixing.Volume)));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

// The values the series was calculated with; at a temperature, the set's own values at its
// reference temperature beside them.
QString ConstantsHtml(const TEngine& engine, std::optional<TReal> temperatureC)
{
    const TConstTable& reference = engine.BaseConst();
    TConstTable constants = reference;
    try {
        if (temperatureC)
            constants = Log10KInForce(engine, temperatureC);
    } catch (const TCalcError&) {
        temperatureC.reset(); // the series failed alike; the table shows what was given
    }
    const std::optional<TReal> referenceC = engine.Origin().ReferenceC;
    const bool beside = temperatureC.has_value();
    QString conditions;
    try {
        conditions = QStringLiteral("<p>") + Q(ConditionsLine(engine)) + QStringLiteral("</p>");
    } catch (const TCalcError&) {
        // No pcH for a negative ionic strength: the table still says what was used.
    }
    QString heading = QStringLiteral("Binding constants used (log10 K at 0.1 M");
    if (beside)
        heading += QStringLiteral(", at %1 \u00B0C; in brackets the set's values%2")
                       .arg(Number(*temperatureC),
                            referenceC ? QStringLiteral(" at %1 \u00B0C").arg(Number(*referenceC))
                                       : QString());
    QString html = QStringLiteral("<h3>") + heading.toHtmlEscaped() + QStringLiteral(")</h3>")
        + conditions
        + QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><th></th><th>step 0</th>"
                         "<th>step 1</th><th>step 2</th><th>step 3</th></tr>");
    for (TLigand lig : AllLigands)
        for (TPartner partner : AllPartners) {
            html += QStringLiteral("<tr><td>%1-%2</td>")
                        .arg(Q(LigandNames[static_cast<std::size_t>(lig)]),
                             Q(PartnerNames[static_cast<std::size_t>(partner)]));
            for (std::size_t step = 0; step < StepCount; ++step) {
                const TReal k = constants[lig][partner][step];
                const TReal given = reference[lig][partner][step];
                QString cell = k > 0 ? QString::fromStdString(FormatFixed(k, 0, 3)) : QString();
                if (beside && k > 0)
                    cell += QStringLiteral(" (%1)").arg(
                        QString::fromStdString(FormatFixed(given, 0, 3)));
                html += QStringLiteral("<td align=right>%1</td>").arg(cell);
            }
            html += QStringLiteral("</tr>");
        }
    return html + QStringLiteral("</table>");
}

} // namespace

QString BenchSheetHtml(const TSeriesDesign& design, const std::vector<TSeriesRow>& rows,
                       const TEngine& engine, const QDateTime& made)
{
    QString html = QStringLiteral("<html><body style=\"font-family: sans-serif; font-size: 9pt\">"
                                  "<h2>pCa series: bench sheet</h2>"
                                  "<p>Made %1 with Quelix %2.</p>")
                       .arg(made.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                            QStringLiteral(QUELIX_VERSION));
    // The first line of the heading says what the series is; the tables say the rest.
    html += QStringLiteral("<p>") + Q(SeriesHeading(design).front()) + QStringLiteral("</p>");
    html += design.Kind == TSeriesKind::skMixing ? StocksHtml(design.Mixing)
                                                 : InputsHtml(design.Base);
    html += TableHtml(design, rows);
    // The temperature of the series' inputs, as Compute handed it to the engine.
    html += ConstantsHtml(engine,
                          design.Kind == TSeriesKind::skMixing ? design.Mixing.StockA.TemperatureC
                                                               : design.Base.TemperatureC);
    return html + QStringLiteral("</body></html>");
}

bool SaveBenchSheet(const QString& path, const TSeriesDesign& design,
                    const std::vector<TSeriesRow>& rows, const TEngine& engine,
                    const QDateTime& made)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("pCa series bench sheet"));
        writer.setCreator(QStringLiteral("Quelix " QUELIX_VERSION));
        QTextDocument document;
        document.setHtml(BenchSheetHtml(design, rows, engine, made));
        document.print(&writer);
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}
