// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "recipe/recipeoutput.h"

#include "engine/asciitext.h"
#include "report/conditions.h"
#include "report/further.h"
#include "series/seriesrecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The fields every solution has, before the counter-ions.
constexpr std::string_view LeadingNames[] {
    "ionic_strength_solution", "ionic_equivalent", "titrant", "titrant_mM", "filler", "filler_mM"};
constexpr std::string_view BufferNames[] {
    "buffer",           "buffer_pka",         "buffer_acid_mM",
    "buffer_base_mM",   "buffer_acid_charge", "buffer_base_charge",
    "charge_balance_mM"};

TCell RealOr(bool present, TReal x)
{
    return present ? TCell::Of(x) : TCell {};
}

std::vector<TCell> LeadingCellsOf(const TSolution& s)
{
    const bool ok = !s.Failed();
    return {RealOr(ok, s.IonStr),
            RealOr(ok, s.IonicEquivalent),
            ok ? TCell::Of(std::string_view(s.TitrantName)) : TCell {},
            RealOr(ok, s.TitrantmM),
            ok ? TCell::Of(std::string_view(s.FillerName)) : TCell {},
            RealOr(ok, s.FillermM)};
}

std::vector<TCell> BufferCellsOf(const TSolution& s)
{
    const bool buffer = !s.Failed() && s.HasBuffer;
    return {buffer ? TCell::Of(std::string_view(s.BufferName)) : TCell {},
            RealOr(buffer, s.BufferpKa),
            RealOr(buffer, s.BufferAcidmM),
            RealOr(buffer, s.BufferBasemM),
            buffer ? TCell::Of(long {s.BufferAcidCharge}) : TCell {},
            buffer ? TCell::Of(long {s.BufferBaseCharge}) : TCell {},
            RealOr(!s.Failed(), s.ChargeBalancemM)};
}

const TCounterIon* FindIon(const TSolution& s, const TIon& ion)
{
    for (const TCounterIon& c : s.CounterIons)
        if (c.Ion == ion)
            return &c;
    return nullptr;
}

const TWeighingLine* FindLine(const TSolution& s, const std::string& key)
{
    for (const TWeighingLine& line : s.Weighing)
        if (line.Key == key)
            return &line;
    return nullptr;
}

TCell OptionalCell(const std::optional<TReal>& x)
{
    return x ? TCell::Of(*x) : TCell {};
}

// `line` without its "\n" (and for JSON without its closing brace), then `tail`, then what
// was taken off.
void Splice(std::string& line, const std::string& tail, TOutputFormat format)
{
    const std::string_view end = format == TOutputFormat::ofJson ? "}\n" : "\n";
    if (line.ends_with(end))
        line.resize(line.size() - end.size());
    line += tail;
    line += end;
}

// A JSON object line's members without braces and line end: "\"a\":1,\"b\":2".
std::string JsonMembers(std::span<const std::string_view> names, std::span<const TCell> cells)
{
    std::string object;
    AppendJsonLine(object, names, cells);
    return object.substr(1, object.size() - 3);
}

std::string Fixed(TReal x, int decimals)
{
    return FixedText(x, decimals);
}

std::string Significant(TReal x, int digits = 4)
{
    return SignificantText(x, digits);
}

std::string Padded(std::string text, std::size_t width)
{
    // Width in characters: a UTF-8 continuation byte takes no column.
    std::size_t columns = 0;
    for (char ch : text)
        columns += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    if (columns < width)
        text.append(width - columns, ' ');
    return text;
}

std::string ChargeText(int z)
{
    return z > 0 ? "+" + std::to_string(z) : std::to_string(z);
}

std::string IonsText(const std::vector<TCounterIon>& ions)
{
    std::string text;
    for (const TCounterIon& c : ions)
        text += (text.empty() ? "" : ", ") + IonText(c.Ion) + " " + Significant(c.mM);
    return text;
}

} // namespace

std::span<const std::string_view> SolutionLeadingNames()
{
    return LeadingNames;
}

std::vector<TCell> SolutionLeadingCells(const TSolution& solution)
{
    return LeadingCellsOf(solution);
}

std::span<const std::string_view> SolutionBufferNames()
{
    return BufferNames;
}

std::vector<TCell> SolutionBufferCells(const TSolution& solution)
{
    return BufferCellsOf(solution);
}

std::string ComponentCaption(const std::string& key)
{
    static constexpr std::pair<std::string_view, std::string_view> captions[] {
        {"ca", "Ca"},         {"mg", "Mg"},          {"atp", "ATP"},       {"egta", "EGTA"},
        {"edta", "EDTA"},     {"adp", "ADP"},        {"po4", "phosphate"}, {"buffer", "pH buffer"},
        {"filler", "filler"}, {"titrant", "titrant"}};
    for (const auto& [k, caption] : captions)
        if (k == key)
            return std::string(caption);
    return key;
}

TRecipeColumns RecipeColumnsOf(std::span<const TSolution* const> solutions)
{
    TRecipeColumns columns;
    for (const TSolution* s : solutions) {
        for (const TCounterIon& c : s->CounterIons)
            if (std::find(columns.Ions.begin(), columns.Ions.end(), c.Ion) == columns.Ions.end())
                columns.Ions.push_back(c.Ion);
        for (const TWeighingLine& line : s->Weighing)
            if (std::find(columns.Lines.begin(), columns.Lines.end(), line.Key)
                == columns.Lines.end())
                columns.Lines.push_back(line.Key);
    }
    return columns;
}

std::string RecipeCsvHeaderTail(const TRecipeColumns& columns)
{
    std::string tail;
    for (std::string_view name : LeadingNames)
        tail += "," + std::string(name);
    for (const TIon& ion : columns.Ions)
        tail += ",counter_ions_mM:" + IonText(ion);
    for (std::string_view name : BufferNames)
        tail += "," + std::string(name);
    for (const std::string& key : columns.Lines)
        for (std::string_view field : {"_salt", "_mM", "_mg", "_ul"})
            tail += ",weigh_" + AsciiLowered(key) + std::string(field);
    tail += ",recipe_error";
    return tail;
}

void AppendRecipeFields(std::string& line, const TSolution& solution, TOutputFormat format,
                        const TRecipeColumns& columns)
{
    const bool ok = !solution.Failed();
    std::vector<TCell> cells = LeadingCellsOf(solution);
    if (format != TOutputFormat::ofJson) {
        for (const TIon& ion : columns.Ions) {
            const TCounterIon* c = ok ? FindIon(solution, ion) : nullptr;
            cells.push_back(c ? TCell::Of(c->mM) : ok ? TCell::Of(TReal {0}) : TCell {});
        }
        const std::vector<TCell> buffer = BufferCellsOf(solution);
        cells.insert(cells.end(), buffer.begin(), buffer.end());
        for (const std::string& key : columns.Lines) {
            const TWeighingLine* w = ok ? FindLine(solution, key) : nullptr;
            cells.push_back(w ? TCell::Of(std::string_view(w->Salt)) : TCell {});
            cells.push_back(w ? TCell::Of(w->mM) : TCell {});
            cells.push_back(w ? OptionalCell(w->Mg) : TCell {});
            cells.push_back(w ? OptionalCell(w->Ul) : TCell {});
        }
        cells.push_back(TCell::Of(std::string_view(solution.Error)));
        std::string tail;
        AppendCsvLine(tail, cells);
        tail.pop_back();
        Splice(line, "," + tail, format);
        return;
    }
    std::string tail = "," + JsonMembers(LeadingNames, cells);
    // The counter-ions as one object, each ion with its charge.
    std::vector<std::string> ionNames;
    std::vector<TCell> ionCells;
    for (const TCounterIon& c : solution.CounterIons) {
        ionNames.push_back(IonText(c.Ion));
        ionCells.push_back(TCell::Of(c.mM));
    }
    const std::vector<std::string_view> ionViews(ionNames.begin(), ionNames.end());
    tail += ",\"counter_ions_mM\":" + (ok ? "{" + JsonMembers(ionViews, ionCells) + "}" : "null");
    tail += "," + JsonMembers(BufferNames, BufferCellsOf(solution));
    tail += ",\"weighing\":";
    if (!ok) {
        tail += "null";
    } else {
        static constexpr std::array<std::string_view, 5> lineNames {
            "component", "salt", "mM", "mg", "ul"};
        tail += "[";
        for (const TWeighingLine& w : solution.Weighing) {
            // As many cells as names, or this does not compile.
            const std::array<TCell, lineNames.size()> lineCells = std::to_array<TCell>(
                {TCell::Of(std::string_view(w.Key)), TCell::Of(std::string_view(w.Salt)),
                 TCell::Of(w.mM), OptionalCell(w.Mg), OptionalCell(w.Ul)});
            tail += (tail.back() == '[' ? "{" : ",{") + JsonMembers(lineNames, lineCells) + "}";
        }
        tail += "]";
    }
    static constexpr std::string_view errorName[] {"recipe_error"};
    const TCell errorCell[] {solution.Failed() ? TCell::Of(std::string_view(solution.Error))
                                               : TCell {}};
    tail += "," + JsonMembers(errorName, errorCell);
    Splice(line, tail, format);
}

std::string RecipeOutputText(const TEngine& engine, const TRecipe& recipe,
                             const TRecipeOutcome& outcome, TOutputFormat format)
{
    if (format == TOutputFormat::ofReport)
        return outcome.Calc.Report + "\n" + WeighingSheetText(recipe, outcome);
    const TSolution* solutions[] {&outcome.Solution};
    const TRecipeColumns columns = RecipeColumnsOf(solutions);
    std::string text;
    if (format == TOutputFormat::ofCsv) {
        text = RecordCsvHeader(true, engine.FurtherLigands());
        text.pop_back();
        text += RecipeCsvHeaderTail(columns) + "\n";
    }
    std::string line;
    AppendRecord(line, outcome.Calc, format, engine, true);
    AppendRecipeFields(line, outcome.Solution, format, columns);
    return text + line;
}

std::string WeighingSheetText(const TRecipe& recipe, const TRecipeOutcome& outcome)
{
    const TSolution& s = outcome.Solution;
    const TCalcInput& input = outcome.Calc.Input;
    std::string out = "Weighing sheet";
    if (!recipe.Name.empty())
        out += ": " + recipe.Name;
    out += "\n";
    out += "Final volume " + Significant(recipe.VolumeMl, 6) + " ml; pH "
        + Significant(input[TValueField::vfpH], 6) + " at " + Significant(s.TemperatureC, 4)
        + " \u00B0C; ionic strength " + Significant(input[TValueField::vfIonStr], 6) + " M\n";
    if (outcome.Failed()) {
        out += "The solution cannot be made as asked: " + outcome.Error() + "\n";
        return out;
    }
    out += "Masses are of the salt as weighed, for its purity; the totals are of the pure\n"
           "substance, so do not correct for purity again.\n\n";
    out += "  " + Padded("Step", 6) + Padded("Component", 12) + Padded("Salt", 46)
        + Padded("mM", 12) + "Weigh or pipette\n";
    int step = 0;
    for (const TWeighingLine& w : s.Weighing) {
        if (w.Key == "titrant")
            continue;
        std::string amount;
        if (w.Ul)
            amount = Fixed(*w.Ul, 1) + " \u00B5l of " + Significant(*w.StockmM, 6) + " mM stock";
        else if (w.Mg)
            amount = Fixed(*w.Mg, 2) + " mg";
        if (w.Purity != 1)
            amount += " (purity " + Significant(w.Purity, 4) + ")";
        out += "  " + Padded(std::to_string(++step) + ".", 6) + Padded(ComponentCaption(w.Key), 12)
            + Padded(w.Salt, 46) + Padded(Significant(w.mM, 5), 12) + amount + "\n";
    }
    out += "  " + Padded(std::to_string(++step) + ".", 6)
        + "Dissolve in about 80 % of the volume, ";
    if (s.TitrantmM > 0 || s.TitrantmM < 0) {
        const TReal titrant = s.TitrantmM < 0 ? -s.TitrantmM : s.TitrantmM;
        out += "titrate to pH " + Significant(input[TValueField::vfpH], 6) + " with "
            + s.TitrantName + ": expect " + Significant(titrant, 5) + " mM";
        if (const TWeighingLine* w = FindLine(s, "titrant"); w && w->Ul)
            out += " (" + Fixed(*w->Ul, 1) + " \u00B5l of " + Significant(*w->StockmM, 6) + " mM)";
        out += ",\n" + std::string(8, ' ');
    } else {
        out += "check pH " + Significant(input[TValueField::vfpH], 6) + " (no titrant expected), ";
    }
    out += "then make up to " + Significant(recipe.VolumeMl, 6) + " ml.\n\n";
    out += "The solution as made\n";
    out += "  Ionic strength      " + Significant(s.IonStr, 6) + " M ("
        + Significant(s.IonStrWithoutFiller, 4) + " M without the filler, "
        + Significant(s.FillermM, 5) + " mM " + s.FillerName + ")\n";
    out += "  Ionic equivalent    " + Significant(s.IonicEquivalent, 6) + " M (1/2 sum c |z|)\n";
    out += "  Charge balance      " + Significant(s.ChargeBalancemM, 3)
        + " mM (sum c z over every species and ion; 0 when the balances hold)\n";
    if (s.HasBuffer)
        out += "  pH buffer           " + s.BufferName + ", pKa " + Fixed(s.BufferpKa, 3)
            + " here: " + Significant(s.BufferAcidmM, 4) + " mM acid form ("
            + ChargeText(s.BufferAcidCharge) + "), " + Significant(s.BufferBasemM, 4)
            + " mM base form (" + ChargeText(s.BufferBaseCharge) + ")\n";
    out += "  Counter-ions (mM)   " + IonsText(s.CounterIons) + "\n";
    for (const std::string& note : s.Notes)
        out += "Note: " + note + "\n";
    return out;
}

std::string RecipeSeriesText(const TEngine& engine, const TRecipe& recipe,
                             const TSeriesDesign& design, const TRecipeSeries& series,
                             TOutputFormat format)
{
    const bool mixing = design.Kind == TSeriesKind::skMixing;
    if (format != TOutputFormat::ofReport) {
        std::vector<const TSolution*> solutions;
        for (const TSolution& s : series.Solutions)
            solutions.push_back(&s);
        const TRecipeColumns columns = RecipeColumnsOf(solutions);
        const std::vector<std::string> further = FurtherColumnNames(engine.FurtherLigands());
        const std::vector<std::string_view> names = SeriesColumnNames(design.Kind, true, further);
        std::string text;
        if (format == TOutputFormat::ofCsv)
            text = CsvHeaderLine(names).substr(0, CsvHeaderLine(names).size() - 1)
                + RecipeCsvHeaderTail(columns) + "\n";
        for (std::size_t i = 0; i < series.Rows.size(); ++i) {
            const std::vector<TCell> cells = SeriesCells(
                design.Kind, series.Rows[i], &engine, engine.FurtherLigands());
            std::string line;
            if (format == TOutputFormat::ofJson)
                AppendJsonLine(line, names, cells);
            else
                AppendCsvLine(line, cells);
            AppendRecipeFields(line, series.Solutions[i], format, columns);
            text += line;
        }
        return text;
    }
    std::string text = SeriesTableText(design, series.Rows, &engine);
    if (mixing) {
        for (const auto& [label, stock] :
             {std::pair {"A", &series.StockA}, std::pair {"B", &series.StockB}}) {
            TRecipe made = WithCalculation(recipe, stock->Calc.Input);
            made.Name = "stock " + std::string(label);
            text += "\n" + WeighingSheetText(made, *stock);
        }
    }
    text += "\n";
    text += mixing ? "Each mixture as made from the stocks (target ionic strength "
                   : "Each solution as made (target ionic strength ";
    text += Significant(engine.IonStr(), 6) + " M; titrant " + recipe.Titrant.Name + ", filler "
        + recipe.Filler.Name + "):\n";
    text += "  " + Padded("pCa", 8) + Padded("titrant mM", 13) + Padded("filler mM", 13)
        + Padded("I (M)", 12) + (mixing ? "drift (mM)" : "charge balance (mM)") + "\n";
    for (std::size_t i = 0; i < series.Rows.size(); ++i) {
        const TSolution& s = series.Solutions[i];
        text += "  " + Padded(Fixed(series.Rows[i].PCaTarget, 2), 8);
        if (series.Rows[i].Failed() || s.Failed() || (mixing && !series.Rows[i].HasMixture)) {
            text += s.Failed() ? s.Error : series.Rows[i].Outcome.Error;
            text += "\n";
            continue;
        }
        text += Padded(Fixed(s.TitrantmM, 3), 13) + Padded(Fixed(s.FillermM, 3), 13)
            + Padded(Fixed(s.IonStr, 5), 12)
            + (mixing ? Fixed((s.IonStr - engine.IonStr()) * 1000, 3)
                      : Significant(s.ChargeBalancemM, 2))
            + "\n";
    }
    return text;
}
