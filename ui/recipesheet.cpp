// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/recipesheet.h"

#include "recipe/recipeoutput.h"
#include "ui/seriessheet.h"

#include <cstdio>

using enum TValueField;

namespace {

QString H(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toHtmlEscaped();
}

QString Significant(TReal x, int digits = 6)
{
    return QString::fromStdString(SignificantText(x, digits));
}

QString Fixed(TReal x, int decimals)
{
    return QString::fromStdString(FixedText(x, decimals));
}

QString Row(const QString& name, const QString& value)
{
    return QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(name, value);
}

// The steps: each line weighed or pipetted, then the titration and the making up.
QString StepsHtml(const TRecipe& recipe, const TRecipeOutcome& outcome)
{
    const TSolution& s = outcome.Solution;
    QString html = QStringLiteral(
        "<h3>What to weigh, in this order</h3>"
        "<table border=1 cellpadding=3 cellspacing=0 width=\"100%\"><tr><th>Step</th>"
        "<th>Component</th><th>Salt</th><th>mM</th><th>Weigh or pipette</th>"
        "<th>Purity</th><th>Done</th></tr>");
    int step = 0;
    for (const TWeighingLine& w : s.Weighing) {
        if (w.Key == "titrant")
            continue;
        QString amount;
        if (w.Ul)
            amount = QStringLiteral("%1&nbsp;\u00B5l of %2&nbsp;mM stock")
                         .arg(Fixed(*w.Ul, 1), Significant(*w.StockmM));
        else if (w.Mg)
            amount = Fixed(*w.Mg, 2) + QStringLiteral("&nbsp;mg");
        html += QStringLiteral("<tr><td align=right>%1.</td><td>%2</td><td>%3</td>"
                               "<td align=right>%4</td><td align=right><b>%5</b></td>"
                               "<td align=right>%6</td><td align=center>\u2610</td></tr>")
                    .arg(++step)
                    .arg(H(ComponentCaption(w.Key)), H(w.Salt), Significant(w.mM, 5), amount,
                         w.Purity != 1 ? Significant(w.Purity, 4) : QString());
    }
    const TReal pH = outcome.Calc.Input[vfpH];
    QString titrate;
    if (s.TitrantmM != 0) {
        titrate = QStringLiteral("Titrate to pH %1 with %2: expect <b>%3 mM</b>")
                      .arg(Significant(pH), H(s.TitrantName),
                           Significant(s.TitrantmM < 0 ? -s.TitrantmM : s.TitrantmM, 5));
        for (const TWeighingLine& w : s.Weighing)
            if (w.Key == "titrant" && w.Ul)
                titrate += QStringLiteral(" (<b>%1 \u00B5l</b> of %2 mM)")
                               .arg(Fixed(*w.Ul, 1), Significant(*w.StockmM));
        titrate += QLatin1Char('.');
    } else {
        titrate = QStringLiteral("Check pH %1: no titrant expected.").arg(Significant(pH));
    }
    // The last steps in a table of their own, so that their text sets no column's width.
    html += QStringLiteral("</table><p></p><table border=1 cellpadding=3 cellspacing=0 "
                           "width=\"100%\">");
    for (const QString& text :
         {QStringLiteral("Dissolve in about 80 % of the volume."), titrate,
          QStringLiteral("Make up to %1 ml.").arg(Significant(recipe.VolumeMl))})
        html += QStringLiteral("<tr><td align=right>%1.</td><td width=\"100%\">%2</td>"
                               "<td align=center>\u2610</td></tr>")
                    .arg(++step)
                    .arg(text);
    return html + QStringLiteral("</table>");
}

QString SolutionHtml(const TSolution& s)
{
    QString ions;
    for (const TCounterIon& c : s.CounterIons)
        ions += (ions.isEmpty() ? QString() : QStringLiteral(", ")) + H(IonText(c.Ion))
            + QLatin1Char(' ') + Significant(c.mM, 5);
    QString html = QStringLiteral("<h3>The solution as made</h3>"
                                  "<table border=1 cellpadding=3 cellspacing=0>");
    html += Row(QStringLiteral("Ionic strength"),
                QStringLiteral("<b>%1 M</b> (%2 M without the filler, %3 mM %4)")
                    .arg(Significant(s.IonStr), Significant(s.IonStrWithoutFiller, 4),
                         Significant(s.FillermM, 5), H(s.FillerName)));
    html += Row(QStringLiteral("Ionic equivalent"),
                Significant(s.IonicEquivalent) + QStringLiteral(" M (1/2 sum c |z|)"));
    html += Row(QStringLiteral("Titrant"),
                QStringLiteral("%1 mM %2%3")
                    .arg(Significant(s.TitrantmM, 5), H(s.TitrantName),
                         s.TitrantmM < 0 ? QStringLiteral(" (negative: acid)") : QString()));
    html += Row(QStringLiteral("Check: charge balance"),
                Significant(s.ChargeBalancemM, 3)
                    + QStringLiteral(" mM (sum c z over every species and ion; 0 when the "
                                     "balances hold)"));
    if (s.HasBuffer)
        html += Row(QStringLiteral("pH buffer"),
                    QStringLiteral("%1, pKa %2 here: %3 mM acid form, %4 mM base form")
                        .arg(H(s.BufferName), Fixed(s.BufferpKa, 3), Significant(s.BufferAcidmM, 4),
                             Significant(s.BufferBasemM, 4)));
    html += Row(QStringLiteral("Counter-ions (mM)"), ions);
    html += QStringLiteral("</table>");
    for (const std::string& note : s.Notes)
        html += QStringLiteral("<p>Note: ") + H(note) + QStringLiteral("</p>");
    return html;
}

} // namespace

QString RecipeSheetHtml(const TRecipe& recipe, const TRecipeOutcome& outcome, const QDateTime& made)
{
    const TCalcInput& input = outcome.Calc.Input;
    const TSolution& s = outcome.Solution;
    QString html = QStringLiteral("<html><body style=\"font-family: sans-serif; font-size: 10pt\">"
                                  "<h2>Weighing sheet%1</h2>"
                                  "<p>Made %2 with Quelix %3.</p>")
                       .arg(recipe.Name.empty() ? QString() : QStringLiteral(": ") + H(recipe.Name),
                            made.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                            QStringLiteral(QUELIX_VERSION));
    html += QStringLiteral("<p>Final volume <b>%1 ml</b>; pH %2 (%3) at %4 \u00B0C; ionic "
                           "strength %5 M; constants: %6.</p>")
                .arg(Significant(recipe.VolumeMl), Significant(input[vfpH]),
                     input.pHScale == TpHScale::psActivity ? QStringLiteral("activity")
                                                           : QStringLiteral("concentration"),
                     Significant(s.TemperatureC, 4), Significant(input[vfIonStr]),
                     H(recipe.Constants.Set.Name));
    if (outcome.Failed())
        return html + QStringLiteral("<p><b>The solution cannot be made as asked:</b> ")
            + H(outcome.Error()) + QStringLiteral("</p></body></html>");
    html += QStringLiteral("<p>Masses are of the salt as weighed, for its purity: the totals are "
                           "of the pure substance, so do not correct for purity again.</p>");
    html += StepsHtml(recipe, outcome);
    html += SolutionHtml(s);
    return html + QStringLiteral("</body></html>");
}

bool SaveRecipeSheet(const QString& path, const TRecipe& recipe, const TRecipeOutcome& outcome,
                     const QDateTime& made)
{
    return SaveHtmlAsPdf(
        path, QStringLiteral("Weighing sheet"), RecipeSheetHtml(recipe, outcome, made));
}
