// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriessheet.h"

#include "constsets/constset.h"
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

QString FurtherLabel(const TFurtherLigand& ligand)
{
    return QStringLiteral("Total ") + Q(ligand.Name) + QStringLiteral(" (mM)");
}

QString StocksHtml(const TMixingInput& mix, std::span<const TFurtherLigand> further)
{
    QString html = QStringLiteral("<h3>Stocks</h3><table border=1 cellpadding=2 cellspacing=0>"
                                  "<tr><th></th><th>Stock A</th><th>Stock B</th></tr>");
    for (TValueField f : {vfpH, vfIonStr})
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
                    .arg(Label(f), Number(mix.StockA[f]), Number(mix.StockB[f]));
    for (TValueField f : StockTotals)
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
                    .arg(Label(f), Number(mix.StockA[f]), Number(mix.StockB[f]));
    for (std::size_t i = 0; i < further.size(); ++i)
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
                    .arg(FurtherLabel(further[i]), Number(mix.StockA.FurtherTotals[i]),
                         Number(mix.StockB.FurtherTotals[i]));
    return html
        + QStringLiteral("</table><p>Final volume of each mixture: %1. Each row mixes "
                         "volume A of stock A with volume B of stock B.</p>")
              .arg(Number(mix.Volume));
}

QString InputsHtml(const TCalcInput& base, std::span<const TFurtherLigand> further)
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
    for (std::size_t i = 0; i < further.size(); ++i)
        html += QStringLiteral("<tr><td>%1</td><td align=right>%2</td></tr>")
                    .arg(FurtherLabel(further[i]), Number(base.FurtherTotals[i]));
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

QString Fixed(TReal k)
{
    return k > 0 ? QString::fromStdString(FormatFixed(k, 0, 3)) : QString();
}

// One row of the constants table: each step in force, and with a temperature set the value
// it was brought from beside it.
QString ConstantsRow(const QString& label, const std::array<TReal, StepCount>& inForce,
                     const std::array<TReal, StepCount>& reference, bool withReference)
{
    QString html = QStringLiteral("<tr><td>%1</td>").arg(label);
    for (std::size_t step = 0; step < StepCount; ++step) {
        html += QStringLiteral("<td align=right>%1</td>").arg(Fixed(inForce[step]));
        if (withReference)
            html += QStringLiteral("<td align=right><i>%1</i></td>").arg(Fixed(reference[step]));
    }
    return html + QStringLiteral("</tr>");
}

QString ConstantsHtml(const TEngine& engine)
{
    const TConstTable& constants = engine.BaseConst();
    QString conditions;
    try {
        conditions = QStringLiteral("<p>") + Q(ConditionsLine(engine)) + QStringLiteral("</p>");
    } catch (const TCalcError&) {
        // No pcH for a negative ionic strength: the table still says what was used.
    }
    // With a temperature the values in force are those brought to it; the table's own
    // (at the temperature of their set) stand beside them, so that neither is mistaken for
    // the other.
    const std::optional<TReal> celsius = engine.TemperatureC();
    const TConstantsInForce inForce = ConstantsInForce(engine);
    const bool withReference = celsius.has_value();
    QString html = QStringLiteral("<h3>Binding constants used (log10 K at 0.1 M)</h3>")
        + conditions;
    if (withReference)
        html += QStringLiteral("<p>Each step as in force at %1 \u00B0C, and beside it in italics "
                               "(ref.) the value it was brought from: the set's, at %2, or a "
                               "further ligand's, at its own temperature. A value without a known "
                               "enthalpy stays as it is.</p>")
                    .arg(Number(*celsius),
                         engine.Origin().ReferenceC
                             ? Number(*engine.Origin().ReferenceC) + QStringLiteral(" \u00B0C")
                             : QStringLiteral("an unstated temperature"));
    html += QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><th></th>");
    for (std::size_t step = 0; step < StepCount; ++step)
        html += withReference ? QStringLiteral("<th colspan=2>step %1</th>").arg(step)
                              : QStringLiteral("<th>step %1</th>").arg(step);
    html += QStringLiteral("</tr>");
    if (withReference) {
        html += QStringLiteral("<tr><th></th>");
        for (std::size_t step = 0; step < StepCount; ++step)
            html += QStringLiteral("<th style=\"white-space: nowrap\">%1 \u00B0C</th>"
                                   "<th><i>ref.</i></th>")
                        .arg(Number(*celsius));
        html += QStringLiteral("</tr>");
    }
    for (TLigand lig : AllLigands)
        for (TPartner partner : AllPartners)
            html += ConstantsRow(
                QStringLiteral("%1-%2").arg(Q(LigandNames[static_cast<std::size_t>(lig)]),
                                            Q(PartnerNames[static_cast<std::size_t>(partner)])),
                inForce.Table[lig][partner], constants[lig][partner], withReference);
    const auto further = engine.FurtherLigands();
    for (std::size_t i = 0; i < further.size(); ++i)
        for (TPartner partner : AllPartners)
            html += ConstantsRow(Q(LigandRowLabel(further[i].Name, partner)),
                                 inForce.Further.Const[i][partner], further[i].BaseConst[partner],
                                 withReference);
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
    html += design.Kind == TSeriesKind::skMixing
        ? StocksHtml(design.Mixing, engine.FurtherLigands())
        : InputsHtml(design.Base, engine.FurtherLigands());
    html += TableHtml(design, rows);
    html += ConstantsHtml(engine);
    return html + QStringLiteral("</body></html>");
}

bool SaveHtmlAsPdf(const QString& path, const QString& title, const QString& html)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Quelix " QUELIX_VERSION));
        QTextDocument document;
        document.setHtml(html);
        document.print(&writer);
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

bool SaveBenchSheet(const QString& path, const TSeriesDesign& design,
                    const std::vector<TSeriesRow>& rows, const TEngine& engine,
                    const QDateTime& made)
{
    return SaveHtmlAsPdf(
        path, QStringLiteral("pCa series bench sheet"), BenchSheetHtml(design, rows, engine, made));
}
