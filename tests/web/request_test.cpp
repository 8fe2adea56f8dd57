// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The page's requests read into calculations and series: each key reaches the input it
// names, the conditions and further ligands are those quelix-cli's options give, and what
// cannot be used is refused naming the key, so that the page marks the right field.

#include "web/module/request.h"

#include "constsets/setfile.h"
#include "engine/realtext.h"
#include "request/request.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace {

TWebCalculation Read(const std::string& json)
{
    return ReadCalculation(ParseJsonTree(json));
}

TSeriesDesign ReadSeries(const std::string& json)
{
    TWebCalculation calculation = Read(json);
    return ReadSeriesDesign(ParseJsonTree(json), calculation);
}

// The error a request raises: its field and message, or "accepted".
struct TRefusal {
    std::string Field;
    std::string Message;
};

template <typename TCall>
TRefusal RefusalOf(TCall call)
{
    try {
        call();
    } catch (const TRequestError& e) {
        return {e.Field, e.what()};
    }
    return {"accepted", ""};
}

TRefusal Refusal(const std::string& json)
{
    return RefusalOf([&] { Read(json); });
}

TRefusal SeriesRefusal(const std::string& json)
{
    return RefusalOf([&] { ReadSeries(json); });
}

std::string NistId()
{
    return std::string(BundledSets()[1].Id);
}

} // namespace

TEST(WebRequest, EachInputKeySetsItsOwnValueAndNoOther)
{
    const auto columns = RecordColumns();
    const TCalcInput defaults = DefaultInput();
    for (std::size_t f = 0; f < ValueFieldCount; ++f) {
        const std::string name(columns[f + 1].Name);
        SCOPED_TRACE(name);
        for (const char* value : {"\"0.125\"", "0.125", "\" 1.25e-1 \""}) {
            const TWebCalculation c = Read("{\"" + name + "\": " + value + "}");
            for (std::size_t g = 0; g < ValueFieldCount; ++g)
                EXPECT_EQ(c.Input.Values[g], g == f ? 0.125L : defaults.Values[g]) << g;
            EXPECT_EQ(c.Input.Mode, TCalcMode::cmEveryGiven);
        }
    }
    // null keeps the default, as an absent key does.
    EXPECT_EQ(Read(R"({"ph": null, "mode": null})").Input.Values, defaults.Values);
}

TEST(WebRequest, ModeIsReadAsQuelixCliReadsIt)
{
    for (const auto& [text, mode] : {std::pair {"\"6\"", TCalcMode::cmCa},
                                     {"3", TCalcMode::cmCaATP_Ca_CaADP},
                                     {"\" 02 \"", TCalcMode::cmMgATP_Mg_MgADP_Ca},
                                     {"0", TCalcMode::cmEveryGiven}}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Read(std::string("{\"mode\": ") + text + "}").Input.Mode, mode);
    }
    for (const char* text : {"\"7\"", "\"2.0\"", "\"-1\"", "\"\"", "2.5"}) {
        SCOPED_TRACE(text);
        const TRefusal r = Refusal(std::string("{\"mode\": ") + text + "}");
        EXPECT_EQ(r.Field, "mode");
        EXPECT_NE(r.Message.find("is not a calculation mode (0 to 6)"), std::string::npos)
            << r.Message;
    }
}

TEST(WebRequest, PCaSetsFreeCaOnlyWhereTheModeReadsIt)
{
    // Mode 6 reads free Ca++: pCa 6.5 is 10^-3.5 mM, and it wins over a free_ca beside it.
    const TWebCalculation six = Read(R"({"mode": "6", "free_ca": "5", "pca": "6.5"})");
    EXPECT_EQ(six.Input[TValueField::vfFreeCa], FreeCaOfPCa(6.5L));
    EXPECT_NEAR(static_cast<double>(six.Input[TValueField::vfFreeCa]), 3.16227766016838e-4, 1e-15);
    // Mode 0 and mode 1 compute free Ca++: the key changes nothing.
    for (const char* mode : {"0", "1"}) {
        SCOPED_TRACE(mode);
        const TWebCalculation c = Read(std::string(R"({"free_ca": "5", "pca": "6.5", "mode": )")
                                       + mode + "}");
        EXPECT_EQ(c.Input[TValueField::vfFreeCa], 5);
    }
    EXPECT_EQ(Read(R"({"mode": "6", "pca": null})").Input[TValueField::vfFreeCa], 1);
    // A pCa whose free Ca++ leaves the range of numbers is the key's fault.
    EXPECT_EQ(Refusal(R"({"mode": "6", "pca": "-99999"})").Field, "pca");
    EXPECT_EQ(Refusal(R"({"mode": "6", "pca": "six"})").Field, "pca");
}

TEST(WebRequest, TemperatureAndPHScale)
{
    const TWebCalculation plain = Read("{}");
    EXPECT_FALSE(plain.Input.TemperatureC.has_value());
    EXPECT_EQ(plain.Input.pHScale, TpHScale::psConcentration);

    const TWebCalculation warm = Read(R"({"temperature_c": "37", "ph_scale": "activity"})");
    EXPECT_EQ(warm.Input.TemperatureC, 37);
    EXPECT_EQ(warm.Input.pHScale, TpHScale::psActivity);
    EXPECT_EQ(Read(R"({"temperature_c": 0, "ph_scale": "concentration"})").Input.TemperatureC, 0);
    EXPECT_EQ(Read(R"({"temperature_c": "100"})").Input.TemperatureC, 100);
    EXPECT_EQ(Read(R"({"ph_scale": "concentration"})").Input.pHScale, TpHScale::psConcentration);
    EXPECT_FALSE(Read(R"({"temperature_c": null, "ph_scale": null})").Input.TemperatureC);

    struct TCase {
        const char* Json;
        const char* Field;
        const char* Message;
    };
    for (const TCase& c :
         {TCase {R"({"temperature_c": "-0.5"})", "temperature_c", "between 0 and 100"},
          {R"({"temperature_c": "100.01"})", "temperature_c", "between 0 and 100"},
          {R"({"temperature_c": "warm"})", "temperature_c", "temperature_c: "},
          {R"({"ph_scale": "Activity"})", "ph_scale",
           "ph_scale must be concentration or activity, not 'Activity'"},
          {R"({"ph_scale": 7})", "ph_scale", "not '7'"},
          {R"({"ph_scale": true})", "ph_scale", "'ph_scale' must be a number or a text."}}) {
        SCOPED_TRACE(c.Json);
        const TRefusal r = Refusal(c.Json);
        EXPECT_EQ(r.Field, c.Field);
        EXPECT_NE(r.Message.find(c.Message), std::string::npos) << r.Message;
    }
}

TEST(WebRequest, ConstantSetByIdNameOrFile)
{
    const TConstSet& nist = BundledSets()[1].Set;
    EXPECT_EQ(Read("{}").Set, BuiltInSet());
    EXPECT_EQ(Read(R"({"constants": null})").Set, BuiltInSet());
    EXPECT_EQ(Read("{\"constants\": \"" + NistId() + "\"}").Set, nist);
    EXPECT_EQ(Read("{\"constants\": \"" + nist.Name + "\"}").Set, nist);

    // A set file's text, given as a JSON text, and it goes before "constants".
    TConstSet mine = nist;
    mine.Name = "Mine";
    const std::string text = nlohmann::json(ConstSetText(mine)).dump();
    EXPECT_EQ(
        Read("{\"constants_file\": " + text + ", \"constants\": \"builtin\"}").Set.Name, "Mine");

    const TRefusal unknown = Refusal(R"({"constants": "nope"})");
    EXPECT_EQ(unknown.Field, "constants");
    EXPECT_EQ(unknown.Message,
              "'nope' is no bundled set (builtin, " + NistId()
                  + "); a set file is given as constants_file.");
    EXPECT_EQ(Refusal(R"({"constants": ["builtin"]})").Field, "constants");

    // A file that cannot be used is named as the page names it, else as "the set file".
    const TRefusal named = Refusal(
        R"({"constants_file": "{\"format\": 1}", "constants_file_name": "mine.json"})");
    EXPECT_EQ(named.Field, "constants_file");
    EXPECT_EQ(named.Message.rfind("mine.json", 0), 0U) << named.Message;
    const TRefusal unnamed = Refusal(R"({"constants_file": "{\"format\": 1}"})");
    EXPECT_EQ(unnamed.Field, "constants_file");
    EXPECT_EQ(unnamed.Message.rfind("the set file", 0), 0U) << unnamed.Message;
    // A set file that takes the built-in table's name is refused as quelix-cli refuses it.
    std::string impostor = ConstSetText(nist);
    impostor.replace(impostor.find(nist.Name), nist.Name.size(), "Built-in");
    const TRefusal builtIn = Refusal("{\"constants_file\": " + nlohmann::json(impostor).dump()
                                     + ", \"constants_file_name\": \"b.json\"}");
    EXPECT_EQ(builtIn.Field, "constants_file");
    EXPECT_NE(builtIn.Message.find("b.json"), std::string::npos) << builtIn.Message;
}

TEST(WebRequest, FurtherLigandsByObjectOrByARecordsTotals)
{
    const TWebCalculation c = Read(R"({"ligands": {"CrP": "14.5", "HEDTA": 0.5}})");
    ASSERT_EQ(c.Ligands.size(), 2U);
    EXPECT_EQ(c.Ligands[0].Name, "CrP");
    EXPECT_EQ(c.Ligands[1].Name, "HEDTA");
    EXPECT_EQ(c.Input.FurtherTotals[0], 14.5L);
    EXPECT_EQ(c.Input.FurtherTotals[1], 0.5L);
    EXPECT_EQ(c.Input.FurtherTotals[2], 0);

    // A record's total_<name>, and its other fields of the ligand, read back.
    const TWebCalculation back = Read(R"({"total_mg": "3", "total_crp": 2, "mgcrp": 0.1})");
    ASSERT_EQ(back.Ligands.size(), 1U);
    EXPECT_EQ(back.Ligands[0].Name, "CrP");
    EXPECT_EQ(back.Input.FurtherTotals[0], 2);
    EXPECT_EQ(back.Input[TValueField::vfTotalMg], 3);
    EXPECT_TRUE(Read(R"({"ligands": null})").Ligands.empty());

    struct TCase {
        const char* Json;
        const char* Field;
        const char* Message;
    };
    for (const TCase& t :
         {TCase {R"({"ligands": ["CrP"]})", "ligands", "ligands must be an object"},
          {R"({"ligands": {"CrP": "1", "CrP": "2"}})", "ligands.CrP",
           "ligands: CrP is given twice."},
          {R"({"ligands": {"Creatine": "1"}})", "ligands",
           "ligands: no further ligand is named 'Creatine'; the known ones are CrP"},
          {R"({"ligands": {"CrP": "x"}})", "ligands.CrP", "ligands.CrP: "},
          {R"({"total_creatine": "1"})", "total_creatine", "no further ligand is named"},
          {R"({"mgcrp": "1"})", "mgcrp", "Unknown key 'mgcrp'."},
          {R"({"ligands": {"CrP": 1, "HEDTA": 1, "ADA": 1, "AMP": 1, "Citrate": 1}})", "ligands",
           "at most 4 further ligands"}}) {
        SCOPED_TRACE(t.Json);
        const TRefusal r = Refusal(t.Json);
        EXPECT_EQ(r.Field, t.Field);
        EXPECT_NE(r.Message.find(t.Message), std::string::npos) << r.Message;
    }
}

TEST(WebRequest, ARecordsOwnFieldsAreIgnoredAndOtherKeysRefused)
{
    // Results, conditions and series columns of a record are read back and ignored.
    const TWebCalculation c = Read(R"({"ph": "7", "free_egta": 1, "pca": 6, "constants": null,
        "edited_entries": 0, "pch": 7, "uncorrected_entries": 0, "error": null,
        "iterations": 3, "pca_target": 6, "fraction_b": 0.5})");
    EXPECT_EQ(c.Input[TValueField::vfpH], 7);
    EXPECT_EQ(c.Input[TValueField::vfFreeCa], 1);

    const TRefusal colour = Refusal(R"({"ph": "7", "colour": "blue"})");
    EXPECT_EQ(colour.Field, "colour");
    EXPECT_EQ(colour.Message, "Unknown key 'colour'.");
    EXPECT_EQ(Refusal("{\"a\\u0001b\": 1}").Message, "Unknown key 'a\\x01b'.");
    for (const char* json : {"[]", "7", "\"ph\"", "null"}) {
        SCOPED_TRACE(json);
        const TRefusal r = Refusal(json);
        EXPECT_EQ(r.Field, "");
        EXPECT_EQ(r.Message, "The request must be a JSON object of the record's inputs.");
    }
}

TEST(WebRequest, PerPointSeriesTakesTheRequestsInputs)
{
    const TSeriesDesign d = ReadSeries(
        R"({"mode": "6", "total_egta": "10", "pca_list": "9,6.5:5.5:0.5"})");
    EXPECT_EQ(d.Kind, TSeriesKind::skPerPoint);
    ASSERT_EQ(d.Targets.size(), 4U);
    EXPECT_EQ(d.Targets[0], 9);
    EXPECT_EQ(d.Targets[3], 5.5L);
    EXPECT_EQ(d.Base.Mode, TCalcMode::cmCa);
    EXPECT_EQ(d.Base[TValueField::vfTotalEGTA], 10);

    EXPECT_EQ(SeriesRefusal(R"({"mode": "6"})").Field, "pca_list");
    EXPECT_EQ(SeriesRefusal(R"({"mode": "6", "pca_list": null})").Field, "pca_list");
    EXPECT_EQ(SeriesRefusal(R"({"mode": "6", "pca_list": "9:5:0"})").Field, "pca_list");
    EXPECT_EQ(SeriesRefusal(R"({"mode": "6", "pca_list": {}})").Field, "pca_list");
    for (const char* mode : {"0", "1"}) {
        SCOPED_TRACE(mode);
        const TRefusal r = SeriesRefusal(std::string(R"({"pca_list": "7", "mode": )") + mode + "}");
        EXPECT_EQ(r.Field, "mode");
        EXPECT_EQ(r.Message, "A per-point series needs a mode that takes free Ca++ (2 to 6).");
    }
}

TEST(WebRequest, MixingTableStocksHoldOnlyTheirOwnTotals)
{
    // The request's pH and ionic strength reach both stocks; its totals (EGTA 2 by default,
    // and CrP here) do not: a stock holds what it names, the rest 0.
    const std::string json = R"({"ph": "7.1", "ligands": {"CrP": "9"}, "pca_list": "7",
        "stock_a": {"total_egta": "7", "total_mg": 5.4, "total_atp": "5", "total_ca": "0.028",
                    "total_adp": null},
        "stock_b": {"total_ca": "7.03", "total_hedta": "0.5", "total_edta": 1,
                    "total_po4": "2", "total_adp": "0.3"}})";
    TWebCalculation c = Read(json);
    const TSeriesDesign d = ReadSeriesDesign(ParseJsonTree(json), c);
    EXPECT_EQ(d.Kind, TSeriesKind::skMixing);
    const TCalcInput& a = d.Mixing.StockA;
    const TCalcInput& b = d.Mixing.StockB;
    for (const TCalcInput* stock : {&a, &b}) {
        EXPECT_EQ((*stock)[TValueField::vfpH], 7.1L);
        EXPECT_EQ((*stock)[TValueField::vfIonStr], 0.2L);
    }
    using enum TValueField;
    EXPECT_EQ(a[vfTotalEGTA], 7);
    EXPECT_EQ(a[vfTotalMg], 5.4L);
    EXPECT_EQ(a[vfTotalATP], 5);
    EXPECT_EQ(a[vfTotalCa], 0.028L);
    EXPECT_EQ(a[vfTotalADP], 0);
    EXPECT_EQ(a[vfTotalEDTA], 0);
    EXPECT_EQ(a[vfTotalPO4], 0);
    EXPECT_EQ(b[vfTotalEGTA], 0);
    EXPECT_EQ(b[vfTotalMg], 0);
    EXPECT_EQ(b[vfTotalCa], 7.03L);
    EXPECT_EQ(b[vfTotalEDTA], 1);
    EXPECT_EQ(b[vfTotalPO4], 2);
    EXPECT_EQ(b[vfTotalADP], 0.3L);
    // CrP from "ligands" (index 0) is in neither stock; HEDTA, which stock B names, joins.
    ASSERT_EQ(c.Ligands.size(), 2U);
    EXPECT_EQ(c.Ligands[1].Name, "HEDTA");
    EXPECT_EQ(a.FurtherTotals[0], 0);
    EXPECT_EQ(b.FurtherTotals[0], 0);
    EXPECT_EQ(b.FurtherTotals[1], 0.5L);
    EXPECT_EQ(a.FurtherTotals[1], 0);
    EXPECT_EQ(d.Mixing.Volume, 1000);
    ASSERT_EQ(d.Targets.size(), 1U);
}

TEST(WebRequest, MixingTableRefusalsNameTheStocksKey)
{
    const std::string stocks = R"("pca_list": "7", "stock_a": {"total_mg": "1"}, )";
    EXPECT_EQ(ReadSeries("{" + stocks + R"("stock_b": {}, "volume": "250"})").Mixing.Volume, 250);
    EXPECT_EQ(ReadSeries("{" + stocks + R"("stock_b": {}, "volume": null})").Mixing.Volume, 1000);
    // Any positive volume is one: the unit is the user's (0.25 of a litre, say).
    EXPECT_EQ(ReadSeries("{" + stocks + R"("stock_b": {}, "volume": 0.25})").Mixing.Volume, 0.25L);
    struct TCase {
        const char* Rest;
        const char* Field;
        const char* Message;
    };
    for (const TCase& c :
         {TCase {R"("stock_b": null)", "stock_b",
                 "stock_b must be an object of the stock's totals in mM."},
          {R"("stock_b": "total_mg=1")", "stock_b", "stock_b must be an object"},
          {R"("stock_b": {"total_mg": "-0.001"})", "stock_b.total_mg",
           "stock_b: total_mg must not be negative"},
          {R"("stock_b": {"total_mg": "0", "free_mg": "1"})", "stock_b.free_mg",
           "stock_b: unknown total 'free_mg'"},
          {R"("stock_b": {"total_mg": "x"})", "stock_b.total_mg", "stock_b.total_mg: "},
          {R"("stock_b": {"total_nope": "1"})", "stock_b.total_nope", "no further ligand"},
          {R"("stock_b": {}, "volume": "0")", "volume", "volume must be a positive number, not 0."},
          {R"("stock_b": {}, "volume": -5)", "volume", "not -5."},
          {R"("stock_b": {}, "volume": "big")", "volume", "volume: "}}) {
        SCOPED_TRACE(c.Rest);
        const TRefusal r = SeriesRefusal("{" + stocks + c.Rest + "}");
        EXPECT_EQ(r.Field, c.Field);
        EXPECT_NE(r.Message.find(c.Message), std::string::npos) << r.Message;
    }
    // Only stock B given: stock A is the one missing.
    EXPECT_EQ(SeriesRefusal(R"({"pca_list": "7", "stock_b": {}})").Field, "stock_a");
}
