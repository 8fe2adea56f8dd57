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

TEST(ConstantsInForce, BringsEveryEntryWithAnEnthalpyToTheTemperatureByVantHoff)
{
    // log10 K(T) = log10 K(T0) - dH / (R ln 10) (1/T - 1/T0), written out here on its own.
    const auto vantHoff = [](TReal logK, TReal dH, TReal fromC, TReal toC) {
        return logK
            - dH / (GasConstant * std::log(10.0L))
            * (1 / (toC + ZeroCelsiusK) - 1 / (fromC + ZeroCelsiusK));
    };
    TEngine engine = EngineWith("Lab", 0);
    TFurtherLigand crp;
    crp.Name = "CrP";
    crp.Charge = -3;
    crp.BaseConst[ptH][0] = 4.5L;
    crp.BaseConst[ptMg][0] = 1.6L;
    crp.EnthalpyJPerMol[ptMg][0] = 8000;
    crp.ReferenceC = 25;
    const TFurtherLigand ligands[] = {crp};
    engine.SetFurtherLigands(ligands);
    engine.SetIonStr(0.2L); // the values shown are at 0.1 M whatever the solution's

    for (const std::optional<TReal> celsius : {std::optional<TReal>(), std::optional<TReal>(37)}) {
        SCOPED_TRACE(celsius ? "37 degrees C" : "no temperature");
        engine.SetTemperatureC(celsius);
        const TConstantsInForce inForce = ConstantsInForce(engine);
        const TReal egtaCa = engine.BaseConst()[ligEGTA][ptCa][0];
        EXPECT_NEAR(inForce.Table[ligEGTA][ptCa][0],
                    celsius ? vantHoff(egtaCa, -35145.6L, 20, 37) : egtaCa, 1e-12L);
        // No enthalpy: the entry stays as the table has it.
        EXPECT_EQ(inForce.Table[ligATP][ptMg][0], engine.BaseConst()[ligATP][ptMg][0]);
        ASSERT_EQ(inForce.Further.Count, 1U);
        EXPECT_NEAR(inForce.Further.Const[0][ptMg][0],
                    celsius ? vantHoff(1.6L, 8000, 25, 37) : 1.6L, 1e-12L);
        EXPECT_EQ(inForce.Further.Const[0][ptH][0], 4.5L);
    }
    // At 37 degrees the EGTA-Ca constant of an exothermic binding falls.
    EXPECT_LT(
        ConstantsInForce(engine).Table[ligEGTA][ptCa][0], engine.BaseConst()[ligEGTA][ptCa][0]);
}
