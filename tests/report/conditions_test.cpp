// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The report's line and the records' fields that name the constant set, the temperature
// and the pH scale.
#include "report/conditions.h"

#include "report/report.h"
#include "request/compute.h"
#include "request/request.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

using enum TValueField;
using enum TLigand;
using enum TPartner;

namespace {

TEngine EngineWith(const char* setName, int edited)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    TConstOrigin origin;
    origin.SetName = setName;
    origin.EditedEntries = edited;
    origin.ReferenceC = 20;
    origin.EnthalpyJPerMol[ligEGTA][ptCa][0] = -35145.6L;
    engine.SetOrigin(origin);
    return engine;
}

TCalcInput PCa6Input(std::optional<TReal> celsius, TpHScale scale)
{
    TCalcInput in = DefaultInput();
    in.Mode = TCalcMode::cmCa;
    in[vfpH] = 7;
    in[vfIonStr] = 0.1L;
    in[vfFreeCa] = 1e-3L;
    in.TemperatureC = celsius;
    in.pHScale = scale;
    return in;
}

} // namespace

TEST(ConditionsLine, NamesSetTemperatureAndScale)
{
    struct TCase {
        const char* Set;
        int Edited;
        std::optional<TReal> Celsius;
        TpHScale Scale;
        const char* Line;
    };
    const TCase cases[] = {
        {"Built-in", 0, std::nullopt, TpHScale::psActivity,
         "Constants: Built-in; no temperature correction; pH is a meter reading (H+ activity), "
         "pcH = 6.888"},
        {"Lab", 1, 25, TpHScale::psConcentration,
         "Constants: Lab (1 entry edited); temperature 25 \u00B0C (32 entries not corrected); "
         "pH is -log10 [H+] (concentration)"},
        {"Lab", 3, 37.5L, TpHScale::psActivity,
         "Constants: Lab (3 entries edited); temperature 37.5 \u00B0C (32 entries not corrected); "
         "pH is a meter reading (H+ activity), pcH = 6.888"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        TEngine engine = EngineWith(c.Set, c.Edited);
        const TCalcOutcome o = Compute(
            engine, PCa6Input(c.Celsius, c.Scale), TOutputFormat::ofReport);
        ASSERT_FALSE(o.Failed()) << o.Error;
        // The line comes first, after the empty line that opens every report.
        EXPECT_TRUE(o.Report.starts_with("\n" + std::string(c.Line) + "\nZ =  0.100 M  pH =  7.00"))
            << o.Report;
    }
}

TEST(ConditionsLine, AbsentUnderTheDefaultConditionsEvenWithEditedBuiltInConstants)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    engine.SetBaseEntry(ligATP, ptMg, 0, 4.1L);
    const TCalcOutcome o = Compute(
        engine, PCa6Input(std::nullopt, TpHScale::psConcentration), TOutputFormat::ofReport);
    EXPECT_TRUE(o.Report.starts_with("\nZ = ")) << o.Report;
}

TEST(Records, TrailingFieldsFollowTheRecordsOwnAndReadBackAsJson)
{
    TEngine engine = EngineWith("Lab", 2);
    const TCalcOutcome o = Compute(
        engine, PCa6Input(25, TpHScale::psActivity), TOutputFormat::ofJson);
    ASSERT_FALSE(o.Failed());
    std::string json;
    AppendRecord(json, o, TOutputFormat::ofJson, engine, true);
    const auto j = nlohmann::ordered_json::parse(json);
    ASSERT_EQ(j.size(), RecordColumns().size() + ConditionColumns().size());
    std::size_t i = 0;
    for (const auto& item : j.items()) {
        const std::string_view expected = i < RecordColumns().size()
            ? RecordColumns()[i].Name
            : ConditionColumns()[i - RecordColumns().size()];
        EXPECT_EQ(item.key(), expected);
        ++i;
    }
    EXPECT_EQ(j["constants"], "Lab");
    EXPECT_EQ(j["edited_entries"], 2);
    EXPECT_EQ(j["temperature_c"], 25);
    EXPECT_EQ(j["uncorrected_entries"], 32);
    EXPECT_EQ(j["ph_scale"], "activity");
    EXPECT_NEAR(j["pch"].get<double>(), 6.887869160356475, 1e-14);
    EXPECT_EQ(j["ph"], 7);

    const std::string header = RecordCsvHeader(true);
    EXPECT_TRUE(header.starts_with(CsvHeader().substr(0, CsvHeader().size() - 1) + ","));
    EXPECT_TRUE(header.ends_with(",constants,edited_entries,temperature_c,uncorrected_entries,"
                                 "ph_scale,pch\n"));
    std::string csv;
    AppendRecord(csv, o, TOutputFormat::ofCsv, engine, true);
    EXPECT_NE(csv.find(",Lab,2,25,32,activity,6.88786916035647"), std::string::npos) << csv;
}

TEST(Records, FailedRecordStillNamesItsConditionsButHasNoPcH)
{
    TEngine engine = EngineWith("Lab", 0);
    TCalcInput in = PCa6Input(std::nullopt, TpHScale::psConcentration);
    in[vfIonStr] = -1;
    const TCalcOutcome o = Compute(engine, in, TOutputFormat::ofJson);
    ASSERT_TRUE(o.Failed());
    std::string json;
    AppendRecord(json, o, TOutputFormat::ofJson, engine, true);
    const auto j = nlohmann::json::parse(json);
    EXPECT_EQ(j["constants"], "Lab");
    EXPECT_TRUE(j["temperature_c"].is_null());
    EXPECT_TRUE(j["uncorrected_entries"].is_null());
    EXPECT_EQ(j["ph_scale"], "concentration");
    EXPECT_TRUE(j["pch"].is_null());
    EXPECT_EQ(j["error"], CalcMessage::NegativeIonStr);
}

// The constants in force are the set's at 0.1 M, whatever the calculation's ionic
// strength: without a temperature the set's own values, at 25 °C an entry with an enthalpy
// brought there by van 't Hoff from the set's 20 °C, and one without left as it is.
TEST(ConstantsInForce, TheSetsValuesAtTheCalculationsTemperature)
{
    TEngine engine = EngineWith("Lab", 0);
    engine.SetIonStr(0.2L);
    engine.SetpH(7);
    EXPECT_EQ(ConstantsInForce(engine).Table, engine.BaseConst());

    engine.SetTemperatureC(25);
    const TConstTable table = ConstantsInForce(engine).Table;
    const TReal base = engine.BaseConst()[ligEGTA][ptCa][0];
    const TReal gasConstant = 8.314462618L;
    const TReal expected = base
        - (-35145.6L) / (gasConstant * std::log(10.0L)) * (1 / 298.15L - 1 / 293.15L);
    EXPECT_NEAR(static_cast<double>(table[ligEGTA][ptCa][0]), static_cast<double>(expected), 1e-12);
    EXPECT_LT(table[ligEGTA][ptCa][0], base - 0.1L); // exothermic binding: weaker when warmer
    EXPECT_EQ(table[ligEGTA][ptMg][0], engine.BaseConst()[ligEGTA][ptMg][0]);
    EXPECT_EQ(table[ligATP][ptH][0], engine.BaseConst()[ligATP][ptH][0]);
}

// The records carry the conditions' fields for another set, a temperature or the activity
// scale, each alone enough; under the default conditions they carry none.
TEST(Records, ConditionFieldsWhereAnyConditionDiffersFromTheDefault)
{
    struct TCase {
        const char* Set;
        std::optional<TReal> Celsius;
        TpHScale Scale;
        bool Needs;
    };
    for (const TCase& c : {TCase {"Built-in", std::nullopt, TpHScale::psConcentration, false},
                           {"Lab", std::nullopt, TpHScale::psConcentration, true},
                           {"Built-in", 25, TpHScale::psConcentration, true},
                           {"Built-in", std::nullopt, TpHScale::psActivity, true},
                           {"Lab", 0, TpHScale::psActivity, true}}) {
        SCOPED_TRACE(std::string(c.Set) + (c.Celsius ? " warm" : "")
                     + (c.Scale == TpHScale::psActivity ? " activity" : ""));
        TConstOrigin origin;
        origin.SetName = c.Set;
        EXPECT_EQ(NeedsConditionFields(origin, PCa6Input(c.Celsius, c.Scale)), c.Needs);
    }
}

// Under the default conditions the records of a run with a further ligand still end with
// its fields, in JSON and in CSV alike, after the record's own.
TEST(Records, FurtherLigandFieldsWithoutConditionFields)
{
    TFurtherLigand crp;
    crp.Name = "CrP";
    crp.BaseConst[ptH] = {4.7L, 2.82L, 0, 0};
    crp.BaseConst[ptMg] = {1.3L, 0, 0, 0};
    TEngine engine;
    engine.LoadDefaultConstants();
    engine.SetFurtherLigands({&crp, 1});
    TCalcInput in = PCa6Input(std::nullopt, TpHScale::psConcentration);
    in.FurtherTotals[0] = 14.5L;
    const TCalcOutcome o = Compute(engine, in, TOutputFormat::ofJson);
    ASSERT_FALSE(o.Failed()) << o.Error;
    std::string json;
    AppendRecord(json, o, TOutputFormat::ofJson, engine, false);
    const auto j = nlohmann::ordered_json::parse(json);
    ASSERT_EQ(j.size(), RecordColumns().size() + 8);
    EXPECT_EQ(j.items().begin().key(), "mode");
    EXPECT_EQ(j["total_crp"], 14.5);
    EXPECT_FALSE(j.contains("constants"));
    EXPECT_GT(j["mgcrp"].get<double>(), 0);

    std::string csv;
    AppendRecord(csv, o, TOutputFormat::ofCsv, engine, false);
    const std::string header = RecordCsvHeader(false, engine.FurtherLigands());
    EXPECT_TRUE(
        header.ends_with(",error,total_crp,free_crp,hcrp,h2crp,mgcrp,mghcrp,cacrp,cahcrp\n"))
        << header;
    EXPECT_EQ(
        std::count(csv.begin(), csv.end(), ','), std::count(header.begin(), header.end(), ','));
}

// Under the default conditions and without further ligands a record is the record's own,
// in the format asked for.
TEST(Records, DefaultConditionsGiveTheRecordsOwnLineInEitherFormat)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const TCalcOutcome o = Compute(
        engine, PCa6Input(std::nullopt, TpHScale::psConcentration), TOutputFormat::ofJson);
    ASSERT_FALSE(o.Failed()) << o.Error;
    std::string json, ownJson, csv, ownCsv;
    AppendRecord(json, o, TOutputFormat::ofJson, engine, false);
    AppendJsonRecord(ownJson, o);
    EXPECT_EQ(json, ownJson);
    AppendRecord(csv, o, TOutputFormat::ofCsv, engine, false);
    AppendCsvRecord(ownCsv, o);
    EXPECT_EQ(csv, ownCsv);
    EXPECT_EQ(RecordCsvHeader(false), CsvHeader());
}
