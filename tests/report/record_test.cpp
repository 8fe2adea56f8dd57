// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/realtext.h"
#include "report/record.h"
#include "request/compute.h"
#include "request/request.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

using enum TValueField;

TEST(FormatReal, PrintsNineteenSignificantDigitsThatReadBack)
{
    const std::vector<std::pair<TReal, std::string>> cases {{8, "8"},
                                                            {0.2L, "0.2"},
                                                            {-2.5L, "-2.5"},
                                                            {1.5e-7L, "1.5e-07"},
                                                            {1.0L / 3, "0.3333333333333333333"},
                                                            {2e20L, "2e+20"},
                                                            {0, "0"},
                                                            {-0.0L, "-0"}};
    for (const auto& [x, text] : cases)
        EXPECT_EQ(FormatReal(x), text);
    for (TReal x : {1.0L / 3, 0.0022L, 6.02214076e23L, 1e-4000L, 1.969554034410661081e-06L}) {
        const auto back = TextToReal(FormatReal(x));
        ASSERT_TRUE(back) << FormatReal(x);
        EXPECT_LE(std::fabs(*back - x), std::fabs(x) * 1e-18L) << FormatReal(x);
    }
}

TEST(Record, SolvedRecordEchoesInputsAndReportsResultsInMillimolar)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    TCalcInput in = DefaultInput();
    in.Mode = TCalcMode::cmCa;
    in[vfFreeCa] = 1e-3L; // pCa 6
    const TCalcOutcome o = Compute(engine, in, TOutputFormat::ofJson);
    ASSERT_FALSE(o.Failed()) << o.Error;
    std::string line;
    AppendJsonRecord(line, o);
    const auto j = nlohmann::ordered_json::parse(line);
    ASSERT_EQ(j.size(), RecordColumns().size());
    std::size_t i = 0;
    for (const auto& item : j.items())
        EXPECT_EQ(item.key(), RecordColumns()[i++].Name);
    EXPECT_EQ(j["mode"], 6);
    EXPECT_EQ(j["free_ca"].get<double>(), 1e-3);
    EXPECT_NEAR(j["pca"].get<double>(), 6, 1e-12);
    EXPECT_NEAR(j["total_ca"].get<double>(), static_cast<double>(o.State.TotalCa * 1000), 1e-15);
    EXPECT_NEAR(j["caegta"].get<double>(), static_cast<double>(o.State.CaEGTA * 1000), 1e-15);
    EXPECT_EQ(j["iterations"], o.Iterations);
    EXPECT_TRUE(j["error"].is_null());

    in[vfFreeCa] = 0; // no free Ca: no pCa
    line.clear();
    AppendJsonRecord(line, Compute(engine, in, TOutputFormat::ofJson));
    EXPECT_TRUE(nlohmann::json::parse(line)["pca"].is_null()) << line;
}

TEST(Record, FailedRecordKeepsReadableInputsAndQuotesItsMessage)
{
    TCalcOutcome o;
    o.Input = DefaultInput();
    o.Unreadable.set(1 + static_cast<std::size_t>(vfpH));
    o.Error = "'7\"5, x' \u306f\nend";
    std::string csv;
    AppendCsvRecord(csv, o);
    // Mode 0 computes free Mg++, free Ca++ and the four complexes: empty, not the defaults.
    EXPECT_EQ(csv,
              "0,,0.2,2,0,2.2,0.5,0.22,0,0,,,,,," + std::string(33, ',')
                  + ",\"'7\"\"5, x' \u306f\nend\"\n");
    std::string json;
    AppendJsonRecord(json, o);
    const auto j = nlohmann::json::parse(json);
    EXPECT_EQ(j["error"], o.Error);
    EXPECT_TRUE(j["ph"].is_null());
    EXPECT_EQ(j["total_mg"], 2.2);
    EXPECT_TRUE(j["free_atp"].is_null());
    EXPECT_TRUE(j["iterations"].is_null());

    // In every mode a failed record echoes the inputs the mode reads, and only those; an
    // unreadable mode leaves unknown which are results, so every value is echoed.
    const std::vector<std::pair<int, std::string>> modes {
        {1, "1,,0.2,2,0,,0.5,,,0,1,,0.2,,0,"}, {2, "2,,0.2,2,0,,,,,0,1,1,0.2,,0,"},
        {3, "3,,0.2,2,0,2.2,,,,0,,1,,0,,0"},   {4, "4,,0.2,2,0,,,,,0,1,1,,0,,0"},
        {5, "5,,0.2,2,0,,,,0,0,,1,0.2,0,,"},   {6, "6,,0.2,2,0,2.2,,0.22,0,0,,1,,,,"}};
    for (const auto& [mode, inputs] : modes) {
        SCOPED_TRACE(mode);
        o.Input.Mode = static_cast<TCalcMode>(mode);
        csv.clear();
        AppendCsvRecord(csv, o);
        EXPECT_TRUE(csv.starts_with(inputs + ",")) << csv;
    }
    o.Unreadable.set(0);
    csv.clear();
    AppendCsvRecord(csv, o);
    EXPECT_TRUE(csv.starts_with(",,0.2,2,0,2.2,0.5,0.22,0,0,1,1,0.2,0,0,0,")) << csv;

    o.Error = "bad byte \xFF"; // a message quoting a cell that is not UTF-8
    json.clear();
    AppendJsonRecord(json, o);
    EXPECT_TRUE(nlohmann::json::accept(json)) << json;
}

// A record is written only where every real it holds is a number: one species beyond the
// range in mM (finite in M) is enough to fail it; and a failed record has no pCa, though
// its state still holds the free Ca++ it was given.
TEST(Record, OneRealBeyondTheRangeIsEnoughAndAFailedRecordHasNoPCa)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    TCalcInput in = DefaultInput();
    in.Mode = TCalcMode::cmCa;
    in[vfFreeCa] = 1e-3L;
    const TCalcOutcome solved = Compute(engine, in, TOutputFormat::ofCsv);
    ASSERT_FALSE(solved.Failed()) << solved.Error;
    EXPECT_TRUE(AllRealsFinite(solved));
    for (TReal TCalcState::*species :
         {&TCalcState::CaEGTA, &TCalcState::H2PO4, &TCalcState::MgADP}) {
        TCalcOutcome o = solved;
        o.State.*species = std::numeric_limits<TReal>::max() / 100; // x 1000 in mM overflows
        EXPECT_FALSE(AllRealsFinite(o));
    }

    in[vfpH] = 1e4932L; // the Tris term overflows after the solve
    const TCalcOutcome failed = Compute(engine, in, TOutputFormat::ofJson);
    ASSERT_TRUE(failed.Failed());
    ASSERT_GT(failed.State.FreeCa, failed.State.Tiny);
    const auto pCa = static_cast<std::size_t>(FindColumn("pca"));
    EXPECT_EQ(RecordColumns()[pCa].Value(failed).Kind, TCell::TKind::ckNull);
    EXPECT_EQ(RecordColumns()[pCa].Value(solved).Kind, TCell::TKind::ckReal);
}

// A text quoted in a message shows each control character and DEL as \xNN and keeps
// every other byte, UTF-8 included, as it is.
TEST(Record, PrintableTextShowsControlCharactersOnly)
{
    EXPECT_EQ(PrintableText(std::string("a\x01 b\tc\x7F\x1F~\xC3\xA9\0z", 13)),
              "a\\x01 b\\x09c\\x7F\\x1F~\xC3\xA9\\x00z");
    EXPECT_EQ(PrintableText(""), "");
}

// Every field is found by its name at its place; a name that is none is -1.
TEST(Record, FindColumnGivesEachFieldsPlace)
{
    for (std::size_t i = 0; i < RecordColumns().size(); ++i)
        EXPECT_EQ(FindColumn(RecordColumns()[i].Name), static_cast<int>(i));
    for (const char* name : {"", "Mode", "free_ca ", "constants", "total_crp"})
        EXPECT_EQ(FindColumn(name), -1) << name;
}

// A real that is not a number cannot come from the engine; written anyway it leaves the
// CSV cell empty and is null in JSON, so that the line stays readable, as an absent value.
TEST(Record, ANonFiniteRealIsWrittenAsAnAbsentValue)
{
    const std::vector<TCell> cells {TCell::Of(std::numeric_limits<TReal>::infinity()),
                                    TCell::Of(std::numeric_limits<TReal>::quiet_NaN()), TCell {},
                                    TCell::Of(2L), TCell::Of(std::string_view("x,y"))};
    std::string csv;
    AppendCsvLine(csv, cells);
    EXPECT_EQ(csv, ",,,2,\"x,y\"\n");
    const std::vector<std::string_view> names {"a", "b", "c", "d", "e"};
    std::string json;
    AppendJsonLine(json, names, cells);
    EXPECT_EQ(json, "{\"a\":null,\"b\":null,\"c\":null,\"d\":2,\"e\":\"x,y\"}\n");
}
