// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "web/module/webapi.h"

#include "constsets/setfile.h"
#include "constsets/setjson.h"
#include "engine/calcerror.h"
#include "report/conditions.h"
#include "series/seriesrecord.h"
#include "web/module/request.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

using TAnswer = nlohmann::json;

std::string Failure(std::string_view kind, const std::string& message, const std::string& field)
{
    TAnswer answer {{"ok", false}, {"kind", kind}, {"error", message}, {"field", field}};
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string Success(TAnswer answer)
{
    answer["ok"] = true;
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Runs `body`, which returns the outputs of a successful call, and turns every error into
// the failure answer: a request that cannot be used, or a calculation's error.
template <typename TBody>
std::string Answer(TBody body)
{
    try {
        return Success(body());
    } catch (const TRequestError& e) {
        return Failure("request", e.what(), e.Field);
    } catch (const std::exception& e) {
        return Failure("calculation", e.what(), "");
    }
}

TAnswer SetSummary(const TConstSet& set)
{
    int entries = 0;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (const auto& entry : set.Entries[lig][pt])
                entries += entry.has_value() ? 1 : 0;
    TAnswer summary {{"name", set.Name}, {"description", set.Description}, {"entries", entries}};
    summary["reference_temperature_c"] = set.ReferenceC
        ? TAnswer(static_cast<double>(*set.ReferenceC))
        : TAnswer(nullptr);
    return summary;
}

// Whether a calculation's outputs hold a number that left the range of the real type: the
// report scales a concentration to its unit (x 1e15 for fM) after the calculation's checks,
// which in double can overflow where the extended real has room. A report's numbers follow
// "=", ">=" or "+" and blanks; the conditions line, which names the set, is not read.
bool HoldsNonFinite(const TCalcOutcome& outcome)
{
    for (const TRecordColumn& column : RecordColumns()) {
        const TCell cell = column.Value(outcome);
        if (cell.Kind == TCell::TKind::ckReal && !std::isfinite(cell.Real))
            return true;
    }
    std::string_view report = outcome.Report;
    if (report.starts_with("\nConstants:"))
        report.remove_prefix(report.find('\n', 1));
    for (std::string_view word : {" inf", "-inf", "=inf", " nan", "-nan", "=nan"})
        if (report.find(word) != std::string_view::npos)
            return true;
    return false;
}

} // namespace

std::string WebCalculate(std::string_view request)
{
    TWebCalculation calculation;
    try {
        calculation = ReadCalculation(ParseJsonTree(request));
    } catch (const TRequestError& e) {
        return Failure("request", e.what(), e.Field);
    }
    TEngine engine;
    UseCalculation(engine, calculation);
    const TCalcOutcome outcome = Compute(engine, calculation.Input, TOutputFormat::ofReport);
    const bool withConditions = NeedsConditionFields(engine.Origin(), calculation.Input);
    std::string record;
    AppendRecord(record, outcome, TOutputFormat::ofJson, engine, withConditions);
    if (!outcome.Failed() && HoldsNonFinite(outcome)) {
        // Beyond the range of numbers, as quelix-cli fails such a record: the overflow error.
        TCalcOutcome failed;
        failed.Input = outcome.Input;
        failed.Error = CalcMessage::Overflow;
        record.clear();
        AppendRecord(record, failed, TOutputFormat::ofJson, engine, withConditions);
        TAnswer answer {{"ok", false},
                        {"kind", "calculation"},
                        {"error", failed.Error},
                        {"field", ""},
                        {"record", record}};
        return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    if (outcome.Failed()) {
        TAnswer answer {{"ok", false},
                        {"kind", "calculation"},
                        {"error", outcome.Error},
                        {"field", ""},
                        {"record", record}};
        return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    std::string csv = RecordCsvHeader(withConditions, engine.FurtherLigands());
    AppendRecord(csv, outcome, TOutputFormat::ofCsv, engine, withConditions);
    return Success({{"record", record}, {"report", outcome.Report}, {"csv", csv}});
}

std::string WebModes()
{
    return Answer([] {
        TAnswer modes = TAnswer::array();
        const auto columns = RecordColumns();
        for (int mode = 0; mode < ModeCount; ++mode) {
            TAnswer inputs = TAnswer::array();
            for (TValueField f : AllValueFields)
                if (IsModeInput(static_cast<TCalcMode>(mode), f))
                    inputs.push_back(columns[static_cast<std::size_t>(f) + 1].Name);
            modes.push_back({{"mode", mode},
                             {"caption", ModeCaptions[static_cast<std::size_t>(mode)]},
                             {"inputs", inputs}});
        }
        return TAnswer {{"modes", modes}};
    });
}

std::string WebSeries(std::string_view request)
{
    return Answer([&] {
        const TJsonNode tree = ParseJsonTree(request);
        TWebCalculation calculation = ReadCalculation(tree);
        const TSeriesDesign design = ReadSeriesDesign(tree, calculation);
        TEngine engine;
        UseCalculation(engine, calculation);
        const std::vector<TSeriesRow> rows = RunSeries(engine, design);
        const TEngine* conditions = SeriesNeedsConditions(engine, design) ? &engine : nullptr;
        return TAnswer {
            {"kind", design.Kind == TSeriesKind::skMixing ? "mixing" : "per_point"},
            {"table", SeriesTableText(design, rows, conditions)},
            {"json", SeriesJson(design.Kind, rows, conditions, engine.FurtherLigands())},
            {"csv", SeriesCsv(design.Kind, rows, conditions, engine.FurtherLigands())}};
    });
}

std::string WebConstantSets()
{
    return Answer([] {
        TAnswer sets = TAnswer::array();
        for (const TBundledSet& bundled : BundledSets()) {
            TAnswer summary = SetSummary(bundled.Set);
            summary["id"] = bundled.Id;
            sets.push_back(std::move(summary));
        }
        return TAnswer {{"sets", sets}};
    });
}

std::string WebSetFileText(std::string_view idOrName)
{
    return Answer([&] {
        const TBundledSet* bundled = FindBundledSet(idOrName);
        if (!bundled)
            throw TRequestError(
                "'" + PrintableText(idOrName) + "' is no bundled set.", "constants");
        return TAnswer {{"text", ConstSetText(bundled->Set)}};
    });
}

std::string WebReadSetFile(std::string_view text, std::string_view fileName)
{
    return Answer([&] {
        try {
            const TConstSet set = ParseConstSet(text, fileName);
            CheckName(set, fileName);
            return SetSummary(set);
        } catch (const TConstSetError& e) {
            throw TRequestError(e.what(), "constants_file");
        }
    });
}
