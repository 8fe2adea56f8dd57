// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/conditions.h"

#include "engine/realtext.h"

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
    cells.push_back(temperature ? TCell::Of(
                        static_cast<long>(EntriesWithoutCorrection(engine.BaseConst(), origin)))
                                : TCell {});
    cells.push_back(TCell::Of(pHScaleWord(o.Input.pHScale)));
    cells.push_back(o.Failed() ? TCell {} : TCell::Of(o.pcH));
}

TConstTable Log10KInForce(const TEngine& engine, std::optional<TReal> temperatureC)
{
    // A scratch engine makes the values, at the table's own 0.1 M, where the ionic
    // strength changes nothing.
    TEngine scratch;
    scratch.SetBaseConst(engine.BaseConst());
    scratch.SetOrigin(engine.Origin());
    scratch.SetIonStr(0.1L); // the ionic strength the table's values refer to
    scratch.SetTemperatureC(temperatureC);
    scratch.AdjustConstants();
    return scratch.CorrConst();
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

std::string RecordCsvHeader(bool withConditions)
{
    if (!withConditions)
        return CsvHeader();
    std::vector<std::string_view> names;
    AppendRecordNames(names);
    names.insert(names.end(), ConditionNames.begin(), ConditionNames.end());
    return CsvHeaderLine(names);
}

void AppendRecord(std::string& out, const TCalcOutcome& outcome, TOutputFormat format,
                  const TEngine& engine, bool withConditions)
{
    if (!withConditions) {
        if (format == TOutputFormat::ofJson)
            AppendJsonRecord(out, outcome);
        else
            AppendCsvRecord(out, outcome);
        return;
    }
    std::vector<TCell> cells;
    AppendRecordCells(cells, outcome);
    AppendConditionCells(cells, outcome, engine);
    if (format == TOutputFormat::ofJson) {
        std::vector<std::string_view> names;
        AppendRecordNames(names);
        names.insert(names.end(), ConditionNames.begin(), ConditionNames.end());
        AppendJsonLine(out, names, cells);
    } else {
        AppendCsvLine(out, cells);
    }
}
