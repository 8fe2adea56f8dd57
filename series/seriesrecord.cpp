// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/seriesrecord.h"

#include "report/further.h"

#include "engine/realtext.h"
#include "report/conditions.h"

#include <algorithm>
#include <array>
#include <cmath>

using enum TValueField;

namespace {

constexpr std::array<std::string_view, 1> PerPointNames {"pca_target"};
constexpr std::array<std::string_view, 4> MixingNames {
    "pca_target", "fraction_b", "volume_a", "volume_b"};

std::span<const std::string_view> LeadingNames(TSeriesKind kind)
{
    if (kind == TSeriesKind::skMixing)
        return MixingNames;
    return PerPointNames;
}

// A record column's name as a template argument, so that a table column can read the
// record's own value (the number the CSV shows) through a plain function pointer.
template <std::size_t N>
struct TColumnName {
    char Text[N];
    constexpr TColumnName(const char (&s)[N]) { std::copy_n(s, N, Text); }
};

template <TColumnName Name, bool InMilli = false>
std::optional<TReal> RecordValue(const TSeriesRow& row)
{
    static const int column = FindColumn(Name.Text);
    if (row.Failed() || column < 0)
        return std::nullopt;
    const TCell cell = RecordColumns()[static_cast<std::size_t>(column)].Value(row.Outcome);
    if (cell.Kind != TCell::TKind::ckReal)
        return std::nullopt;
    return InMilli ? cell.Real * 1000 : cell.Real;
}

std::optional<TReal> TargetValue(const TSeriesRow& row)
{
    return row.PCaTarget;
}

template <TReal TSeriesRow::*Field>
std::optional<TReal> MixingValue(const TSeriesRow& row)
{
    if (!row.HasMixture || row.Failed())
        return std::nullopt;
    return row.*Field;
}

constexpr int Milli = 4; // decimals of a concentration in mM: 0.1 uM

constexpr std::array PerPointColumns {
    TSeriesColumn {"pCa", "", 3, TargetValue},
    TSeriesColumn {"total Ca", "mM", Milli, RecordValue<"total_ca">},
    TSeriesColumn {"total Mg", "mM", Milli, RecordValue<"total_mg">},
    TSeriesColumn {"total ATP", "mM", Milli, RecordValue<"total_atp">},
    TSeriesColumn {"total ADP", "mM", Milli, RecordValue<"total_adp">},
    TSeriesColumn {"free Mg++", "mM", Milli, RecordValue<"free_mg">},
    TSeriesColumn {"MgATP", "mM", Milli, RecordValue<"mgatp">},
    TSeriesColumn {"I >=", "mM", 3, RecordValue<"ionic_strength_species", true>},
};

constexpr std::array MixingColumns {
    TSeriesColumn {"pCa", "", 3, TargetValue},
    TSeriesColumn {"fraction B", "", 6, MixingValue<&TSeriesRow::FractionB>},
    TSeriesColumn {"volume A", "", -1, MixingValue<&TSeriesRow::VolumeA>},
    TSeriesColumn {"volume B", "", -1, MixingValue<&TSeriesRow::VolumeB>},
    TSeriesColumn {"total Ca", "mM", Milli, RecordValue<"total_ca">},
    TSeriesColumn {"free Mg++", "mM", Milli, RecordValue<"free_mg">},
    TSeriesColumn {"MgATP", "mM", Milli, RecordValue<"mgatp">},
    TSeriesColumn {"I >=", "mM", 3, RecordValue<"ionic_strength_species", true>},
};

// The words for the inputs in the heading, by TValueField.
constexpr std::array<std::string_view, ValueFieldCount> InputWords {
    "pH",        "ionic strength", "total EGTA", "total EDTA", "total Mg",
    "total Ca",  "total ATP",      "total ADP",  "total PO4",  "free Mg++",
    "free Ca++", "MgATP",          "CaATP",      "MgADP",      "CaADP"};

// "total EGTA 7, total Mg 5.5 mM" for the listed fields whose value passes `keep`.
template <typename TKeep>
std::string ValuesText(const TCalcInput& input, std::span<const TValueField> fields, TKeep keep)
{
    std::string text;
    for (TValueField f : fields) {
        if (!keep(f))
            continue;
        text += text.empty() ? "" : ", ";
        text += std::string(InputWords[static_cast<std::size_t>(f)]) + " " + RealToText(input[f]);
    }
    return text.empty() ? "no totals" : text + " mM";
}

std::string ConditionsText(const TCalcInput& input)
{
    return "pH " + RealToText(input[vfpH]) + ", ionic strength " + RealToText(input[vfIonStr])
        + " M";
}

} // namespace

bool SeriesNeedsConditions(const TEngine& engine, const TSeriesDesign& design)
{
    return NeedsConditionFields(
        engine.Origin(), design.Kind == TSeriesKind::skMixing ? design.Mixing.StockA : design.Base);
}

std::vector<std::string_view> SeriesColumnNames(TSeriesKind kind, bool withConditions,
                                                std::span<const std::string> furtherNames)
{
    const auto leading = LeadingNames(kind);
    std::vector<std::string_view> names(leading.begin(), leading.end());
    AppendRecordNames(names);
    if (withConditions)
        names.insert(names.end(), ConditionColumns().begin(), ConditionColumns().end());
    names.insert(names.end(), furtherNames.begin(), furtherNames.end());
    return names;
}

bool IsSeriesColumn(std::string_view name)
{
    return std::ranges::find(MixingNames, name) != MixingNames.end();
}

std::vector<TCell> SeriesCells(TSeriesKind kind, const TSeriesRow& row, const TEngine* conditions,
                               std::span<const TFurtherLigand> ligands)
{
    std::vector<TCell> cells;
    cells.reserve(LeadingNames(kind).size() + RecordColumns().size());
    cells.push_back(TCell::Of(row.PCaTarget));
    if (kind == TSeriesKind::skMixing)
        for (const TReal TSeriesRow::*field :
             {&TSeriesRow::FractionB, &TSeriesRow::VolumeA, &TSeriesRow::VolumeB})
            cells.push_back(row.HasMixture ? TCell::Of(row.*field) : TCell {});
    AppendRecordCells(cells, row.Outcome);
    if (conditions)
        AppendConditionCells(cells, row.Outcome, *conditions);
    AppendFurtherCells(cells, row.Outcome, ligands);
    return cells;
}

std::string SeriesCsv(TSeriesKind kind, std::span<const TSeriesRow> rows, const TEngine* conditions,
                      std::span<const TFurtherLigand> ligands)
{
    const std::vector<std::string> further = FurtherColumnNames(ligands);
    std::string text = CsvHeaderLine(SeriesColumnNames(kind, conditions != nullptr, further));
    for (const TSeriesRow& row : rows)
        AppendCsvLine(text, SeriesCells(kind, row, conditions, ligands));
    return text;
}

std::string SeriesJson(TSeriesKind kind, std::span<const TSeriesRow> rows,
                       const TEngine* conditions, std::span<const TFurtherLigand> ligands)
{
    const std::vector<std::string> further = FurtherColumnNames(ligands);
    const std::vector<std::string_view> names = SeriesColumnNames(
        kind, conditions != nullptr, further);
    std::string text;
    for (const TSeriesRow& row : rows)
        AppendJsonLine(text, names, SeriesCells(kind, row, conditions, ligands));
    return text;
}

std::span<const TSeriesColumn> SeriesTableColumns(TSeriesKind kind)
{
    if (kind == TSeriesKind::skMixing)
        return MixingColumns;
    return PerPointColumns;
}

int VolumeDecimals(TReal volume)
{
    if (!(volume > 0) || !std::isfinite(volume))
        return 0;
    const auto magnitude = static_cast<int>(std::floor(std::log10(volume)));
    return std::clamp(4 - magnitude, 0, 9);
}

std::string SeriesTableCell(const TSeriesColumn& column, const TSeriesRow& row, TReal volume)
{
    const std::optional<TReal> value = column.Value(row);
    if (!value)
        return {};
    return FormatFixed(*value, 0, column.Decimals < 0 ? VolumeDecimals(volume) : column.Decimals);
}

std::vector<std::string> SeriesHeading(const TSeriesDesign& design)
{
    if (design.Kind == TSeriesKind::skMixing) {
        const TMixingInput& mix = design.Mixing;
        const auto totals = [](const TCalcInput& stock) {
            return ValuesText(
                stock, StockTotals, [&stock](TValueField f) { return stock[f] != 0; });
        };
        return {"Mixing table of stocks A and B: " + ConditionsText(mix.StockA) + ", final volume "
                    + RealToText(mix.Volume),
                "stock A: " + totals(mix.StockA), "stock B: " + totals(mix.StockB)};
    }
    const TCalcInput& base = design.Base;
    const auto mode = static_cast<std::size_t>(base.Mode);
    const std::string modeText = mode < ModeCaptions.size()
        ? std::to_string(mode) + " (" + std::string(ModeCaptions[mode]) + ")"
        : std::to_string(static_cast<int>(base.Mode));
    std::vector<TValueField> inputs;
    for (TValueField f : AllValueFields)
        if (IsConcentration(f) && f != vfFreeCa && IsModeInput(base.Mode, f))
            inputs.push_back(f);
    return {"pCa series per point in mode " + modeText + ": " + ConditionsText(base),
            "inputs: " + ValuesText(base, inputs, [](TValueField) { return true; })};
}

std::string SeriesTableText(const TSeriesDesign& design, std::span<const TSeriesRow> rows,
                            const TEngine* conditions)
{
    const auto columns = SeriesTableColumns(design.Kind);
    const TReal volume = design.Mixing.Volume;
    std::vector<std::vector<std::string>> cells;
    std::vector<std::size_t> widths;
    for (const TSeriesColumn& column : columns)
        widths.push_back(std::max(column.Caption.size(), column.Unit.size()));
    for (const TSeriesRow& row : rows) {
        auto& line = cells.emplace_back();
        for (std::size_t j = 0; j < columns.size(); ++j) {
            line.push_back(SeriesTableCell(columns[j], row, volume));
            widths[j] = std::max(widths[j], line.back().size());
        }
    }
    std::string text = conditions ? ConditionsLine(*conditions) + "\n" : std::string();
    for (const std::string& line : SeriesHeading(design))
        text += line + "\n";
    text += "\n";
    const auto append = [&](std::size_t j, std::string_view cell) {
        text += j == 0 ? "" : "  ";
        text.append(widths[j] - std::min(widths[j], cell.size()), ' ');
        text += cell;
    };
    for (std::size_t j = 0; j < columns.size(); ++j)
        append(j, columns[j].Caption);
    text += "\n";
    for (std::size_t j = 0; j < columns.size(); ++j)
        append(j, columns[j].Unit);
    // Trailing blanks of the unit line (the volumes have no unit of ours) carry nothing.
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    text += "\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        append(0, cells[i][0]);
        if (rows[i].Failed()) {
            text += "  " + rows[i].Outcome.Error + "\n";
            continue;
        }
        for (std::size_t j = 1; j < columns.size(); ++j)
            append(j, cells[i][j]);
        text += "\n";
    }
    return text;
}
