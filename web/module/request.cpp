// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "web/module/request.h"

#include "constsets/setfile.h"
#include "constsets/setjson.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "report/further.h"
#include "series/pcalist.h"
#include "series/seriesrecord.h"

#include <algorithm>

namespace {

constexpr std::string_view SeriesKeys[] = {"pca_list", "stock_a", "stock_b", "volume"};
constexpr std::string_view ConditionKeys[] = {
    "constants", "constants_file", "constants_file_name", "temperature_c", "ph_scale",
    "pca",       "ligands"};

bool IsKnownKey(std::string_view key)
{
    return FindColumn(key) >= 0 || IsConditionColumn(key) || IsSeriesColumn(key)
        || std::find(std::begin(ConditionKeys), std::end(ConditionKeys), key)
        != std::end(ConditionKeys)
        || std::find(std::begin(SeriesKeys), std::end(SeriesKeys), key) != std::end(SeriesKeys);
}

// The text of a scalar, as the user wrote it.
std::string ScalarText(const TJsonNode& node, std::string_view key)
{
    using enum TJsonNode::TKind;
    if (node.Kind == jkNumber || node.Kind == jkText)
        return node.Text;
    throw TRequestError("'" + std::string(key) + "' must be a number or a text.", std::string(key));
}

TReal ReadReal(const TJsonNode& node, std::string_view key)
{
    const std::string text = ScalarText(node, key);
    if (const auto value = TextToReal(text))
        return *value;
    // Named as quelix-cli names the option of a number that does not convert.
    throw TRequestError(std::string(key) + ": " + NumberMessage(text), std::string(key));
}

std::string BundledIds()
{
    std::string ids;
    for (const TBundledSet& bundled : BundledSets())
        ids += (ids.empty() ? "" : ", ") + std::string(bundled.Id);
    return ids;
}

TConstSet ReadSet(const TJsonNode& request)
{
    const TJsonNode* file = request.Find("constants_file");
    const TJsonNode* name = request.Find("constants");
    if (file && !file->IsNull()) {
        const TJsonNode* fileName = request.Find("constants_file_name");
        const std::string shownName = fileName && !fileName->IsNull()
            ? ScalarText(*fileName, "constants_file_name")
            : "the set file";
        try {
            // As quelix-cli reads a set file: the text, then its name.
            TConstSet set = ParseConstSet(ScalarText(*file, "constants_file"), shownName);
            CheckName(set, shownName);
            return set;
        } catch (const TConstSetError& e) {
            throw TRequestError(e.what(), "constants_file");
        }
    }
    if (!name || name->IsNull())
        return BuiltInSet();
    const std::string text = ScalarText(*name, "constants");
    if (const TBundledSet* bundled = FindBundledSet(text))
        return bundled->Set;
    throw TRequestError("'" + PrintableText(text) + "' is no bundled set (" + BundledIds()
                            + "); a set file is given as constants_file.",
                        "constants");
}

void ReadConditions(const TJsonNode& request, TCalcInput& input)
{
    if (const TJsonNode* t = request.Find("temperature_c"); t && !t->IsNull()) {
        const TReal celsius = ReadReal(*t, "temperature_c");
        if (!IsTemperatureInRange(celsius))
            throw TRequestError(
                TemperatureRangeMessage(ScalarText(*t, "temperature_c")), "temperature_c");
        input.TemperatureC = celsius;
    }
    if (const TJsonNode* s = request.Find("ph_scale"); s && !s->IsNull()) {
        const std::string word = ScalarText(*s, "ph_scale");
        if (word == pHScaleWord(TpHScale::psActivity))
            input.pHScale = TpHScale::psActivity;
        else if (word != pHScaleWord(TpHScale::psConcentration))
            throw TRequestError(
                "ph_scale must be concentration or activity, not '" + PrintableText(word) + "'",
                "ph_scale");
    }
}

} // namespace

namespace {

// The further ligand `name` in the calculation's run (the set's definition, else the
// library's), as quelix-cli's --ligand and batch column total_<n> add it.
std::size_t AddLigand(TWebCalculation& c, std::string_view name, const std::string& where)
{
    TRunConstants run;
    run.Set = c.Set;
    run.Ligands = c.Ligands;
    try {
        const std::size_t index = AddRunLigand(run, name, where);
        c.Ligands = run.Ligands;
        return index;
    } catch (const TUsageError& e) {
        throw TRequestError(e.what(), where);
    }
}

// "ligands": {"CrP": 14.5}, and a record's "total_crp": the further ligands and their totals.
void ReadLigands(const TJsonNode& request, TWebCalculation& c)
{
    if (const TJsonNode* ligands = request.Find("ligands"); ligands && !ligands->IsNull()) {
        if (ligands->Kind != TJsonNode::TKind::jkObject)
            throw TRequestError("ligands must be an object of the ligands' names and their totals "
                                "in mM, such as {\"CrP\": 14.5}.",
                                "ligands");
        for (const auto& member : ligands->Members) {
            const std::string where = "ligands." + member.first;
            const std::size_t before = c.Ligands.size();
            const std::size_t index = AddLigand(c, member.first, "ligands");
            if (index < before)
                throw TRequestError("ligands: " + member.first + " is given twice.", where);
            c.Input.FurtherTotals[index] = ReadReal(member.second, where);
        }
    }
    for (const auto& member : request.Members)
        if (member.first.starts_with("total_") && FindColumn(member.first) < 0
            && !member.second.IsNull())
            c.Input.FurtherTotals[AddLigand(c, member.first.substr(6), member.first)] = ReadReal(
                member.second, member.first);
}

} // namespace

TWebCalculation ReadCalculation(const TJsonNode& request)
{
    if (request.Kind != TJsonNode::TKind::jkObject)
        throw TRequestError("The request must be a JSON object of the record's inputs.");
    TWebCalculation c;
    const auto columns = RecordColumns();
    for (std::size_t i = 0; i < InputColumnCount; ++i) {
        const std::string_view key = columns[i].Name;
        const TJsonNode* node = request.Find(key);
        if (!node || node->IsNull())
            continue;
        if (i == 0) {
            const std::string text = ScalarText(*node, key);
            const auto mode = ModeOfText(text);
            if (!mode)
                throw TRequestError(NotAModeMessage(PrintableText(text)), std::string(key));
            c.Input.Mode = *mode;
        } else {
            c.Input.Values[i - 1] = ReadReal(*node, key);
        }
    }
    if (const TJsonNode* pCa = request.Find("pca");
        pCa && !pCa->IsNull() && IsModeInput(c.Input.Mode, TValueField::vfFreeCa)) {
        try {
            c.Input[TValueField::vfFreeCa] = FreeCaOfPCa(ReadReal(*pCa, "pca"));
        } catch (const TCalcError& e) {
            throw TRequestError(e.what(), "pca");
        }
    }
    ReadConditions(request, c.Input);
    c.Set = ReadSet(request);
    ReadLigands(request, c);
    // A key is known once the further ligands are: their fields are a record's, read back.
    const std::vector<std::string> further = FurtherColumnNames(c.Ligands);
    for (const auto& member : request.Members)
        if (!IsKnownKey(member.first)
            && std::find(further.begin(), further.end(), member.first) == further.end())
            throw TRequestError("Unknown key '" + PrintableText(member.first) + "'.", member.first);
    return c;
}

void UseCalculation(TEngine& engine, const TWebCalculation& calculation)
{
    UseSet(engine, calculation.Set);
    engine.SetFurtherLigands(calculation.Ligands);
}

namespace {

// The seven totals of a stock over `base` (unnamed ones 0), as quelix-cli's --stock-a
// reads them.
TCalcInput ReadStock(const TJsonNode* node, std::string_view key, const TCalcInput& base,
                     TWebCalculation& calculation)
{
    if (!node || node->Kind != TJsonNode::TKind::jkObject)
        throw TRequestError(
            std::string(key) + " must be an object of the stock's totals in mM.", std::string(key));
    TCalcInput stock = base;
    for (TValueField f : StockTotals)
        stock[f] = 0;
    stock.FurtherTotals = {};
    const auto columns = RecordColumns();
    for (const auto& member : node->Members) {
        // (clang 14, the WebAssembly compiler, cannot capture a structured binding.)
        const std::string& name = member.first;
        const TJsonNode& value = member.second;
        const auto field = std::find_if(StockTotals.begin(), StockTotals.end(), [&](TValueField f) {
            return columns[static_cast<std::size_t>(f) + 1].Name == name;
        });
        const std::string where = std::string(key) + "." + name;
        const bool further = field == StockTotals.end() && name.starts_with("total_");
        if (field == StockTotals.end() && !further)
            throw TRequestError(
                std::string(key) + ": unknown total '" + PrintableText(name) + "'", where);
        if (value.IsNull())
            continue;
        const TReal total = ReadReal(value, where);
        if (total < 0)
            throw TRequestError(std::string(key) + ": " + name + " must not be negative", where);
        if (further)
            stock.FurtherTotals[AddLigand(calculation, name.substr(6), where)] = total;
        else
            stock[*field] = total;
    }
    return stock;
}

} // namespace

TSeriesDesign ReadSeriesDesign(const TJsonNode& request, TWebCalculation& calculation)
{
    TSeriesDesign design;
    const TJsonNode* list = request.Find("pca_list");
    if (!list || list->IsNull())
        throw TRequestError(
            "A series needs its targets: pca_list, e.g. 9,6.5:5.5:0.1,4.5.", "pca_list");
    try {
        design.Targets = ParsePCaList(ScalarText(*list, "pca_list"));
    } catch (const std::exception& e) {
        throw TRequestError(e.what(), "pca_list");
    }
    const TJsonNode* stockA = request.Find("stock_a");
    const TJsonNode* stockB = request.Find("stock_b");
    if ((!stockA || stockA->IsNull()) && (!stockB || stockB->IsNull())) {
        design.Kind = TSeriesKind::skPerPoint;
        design.Base = calculation.Input;
        if (!TakesFreeCa(design.Base.Mode))
            throw TRequestError(
                "A per-point series needs a mode that takes free Ca++ (2 to 6).", "mode");
        return design;
    }
    design.Kind = TSeriesKind::skMixing;
    design.Mixing.StockA = ReadStock(stockA, "stock_a", calculation.Input, calculation);
    design.Mixing.StockB = ReadStock(stockB, "stock_b", calculation.Input, calculation);
    if (const TJsonNode* v = request.Find("volume"); v && !v->IsNull()) {
        design.Mixing.Volume = ReadReal(*v, "volume");
        if (!(design.Mixing.Volume > 0))
            throw TRequestError("volume must be a positive number, not " + v->Text + ".", "volume");
    }
    return design;
}
