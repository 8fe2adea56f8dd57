// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/conditions.h"

#include "engine/realtext.h"
#include "report/further.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 6> ConditionNames {
    "constants", "edited_entries", "temperature_c", "uncorrected_entries", "ph_scale", "pch"};

std::string Entries(int count)
{
    return std::to_string(count) + (count == 1 ? " entry" : " entries");
}

} // namespace

void AppendConditionCells(std::vector<TCell>& cells, const TCalcOutcome& o, const TEngine& engine)
{
    const TConstOrigin& origin = engine.Origin();
    cells.push_back(TCell::Of(std::string_view(origin.SetName)));
    cells.push_back(TCell::Of(static_cast<long>(origin.EditedEntries)));
    const std::optional<TReal>& temperature = o.Input.TemperatureC;
    cells.push_back(temperature ? TCell::Of(*temperature) : TCell {});
    const int uncorrected = EntriesWithoutCorrection(engine.BaseConst(), origin)
        + EntriesWithoutCorrection(engine.FurtherLigands());
    cells.push_back(temperature ? TCell::Of(static_cast<long>(uncorrected)) : TCell {});
    cells.push_back(TCell::Of(pHScaleWord(o.Input.pHScale)));
    cells.push_back(o.Failed() ? TCell {} : TCell::Of(o.pcH));
}

std::string_view pHScaleWord(TpHScale scale)
{
    return scale == TpHScale::psActivity ? "activity" : "concentration";
}

std::string ConditionsLine(const TEngine& engine)
{
    const TConstOrigin& origin = engine.Origin();
    std::string line = "Constants: " + origin.SetName;
    if (origin.EditedEntries > 0)
        line += " (" + Entries(origin.EditedEntries) + " edited)";
    if (const auto& temperature = engine.TemperatureC())
        line += "; temperature " + FormatReal(*temperature) + " \u00B0C ("
            + Entries(engine.UncorrectedEntries()) + " not corrected)";
    else
        line += "; no temperature correction";
    if (engine.pHScale() == TpHScale::psActivity) {
        line += "; ";
        line += ActivityScaleText;
        line += ", pcH = ";
        AppendFixed(line, engine.pcH(), 0, 3);
    } else {
        line += "; ";
        line += ConcentrationScaleText;
    }
    return line;
}

std::span<const std::string_view> ConditionColumns()
{
    return ConditionNames;
}

bool IsConditionColumn(std::string_view name)
{
    return std::ranges::find(ConditionNames, name) != ConditionNames.end();
}

bool NeedsConditionFields(const TConstOrigin& origin, const TCalcInput& input)
{
    return origin.SetName != BuiltInSetName || input.TemperatureC
        || input.pHScale != TpHScale::psConcentration;
}

namespace {

// The names of a record with the trailing fields: the conditions' when `withConditions`,
// then those of the further ligands (whose texts `storage` holds).
std::vector<std::string_view> TrailingRecordNames(bool withConditions,
                                                  std::span<const TFurtherLigand> ligands,
                                                  std::vector<std::string>& storage)
{
    std::vector<std::string_view> names;
    AppendRecordNames(names);
    if (withConditions)
        names.insert(names.end(), ConditionNames.begin(), ConditionNames.end());
    storage = FurtherColumnNames(ligands);
    names.insert(names.end(), storage.begin(), storage.end());
    return names;
}

} // namespace

std::string RecordCsvHeader(bool withConditions, std::span<const TFurtherLigand> ligands)
{
    if (!withConditions && ligands.empty())
        return CsvHeader();
    std::vector<std::string> storage;
    return CsvHeaderLine(TrailingRecordNames(withConditions, ligands, storage));
}

void AppendRecord(std::string& out, const TCalcOutcome& outcome, TOutputFormat format,
                  const TEngine& engine, bool withConditions)
{
    const std::span<const TFurtherLigand> ligands = engine.FurtherLigands();
    if (!withConditions && ligands.empty()) {
        if (format == TOutputFormat::ofJson)
            AppendJsonRecord(out, outcome);
        else
            AppendCsvRecord(out, outcome);
        return;
    }
    std::vector<TCell> cells;
    AppendRecordCells(cells, outcome);
    if (withConditions)
        AppendConditionCells(cells, outcome, engine);
    AppendFurtherCells(cells, outcome, ligands);
    if (format == TOutputFormat::ofJson) {
        std::vector<std::string> storage;
        AppendJsonLine(out, TrailingRecordNames(withConditions, ligands, storage), cells);
    } else {
        AppendCsvLine(out, cells);
    }
}

TConstantsInForce ConstantsInForce(const TEngine& engine)
{
    // At the table's own ionic strength the correction for it moves nothing, so the
    // corrected table of a copy is the temperature's alone, made by the engine's own code.
    TEngine copy = engine;
    copy.SetIonStr(0.1L); // M, the ionic strength of the tables
    copy.AdjustConstants();
    return {copy.CorrConst(), copy.FurtherCorr()};
}
