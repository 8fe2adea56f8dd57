// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/series.h"

#include "engine/calcerror.h"
#include "engine/exp10.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "request/request.h"
#include "series/pcalist.h"
#include "series/seriesrecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

using enum TValueField;

namespace {

// A pCa 6 buffer recipe of the manual: 10 mM EGTA, 5 mM ATP and 5 mM Mg at pH 7, 0.15 M.
TCalcInput BufferBase(TCalcMode mode)
{
    TCalcInput in = DefaultInput();
    in.Mode = mode;
    in[vfpH] = 7;
    in[vfIonStr] = 0.15L;
    in[vfTotalEGTA] = 10;
    in[vfTotalMg] = 5;
    in[vfTotalATP] = 5;
    return in;
}

TEngine DefaultEngine()
{
    TEngine engine;
    engine.LoadDefaultConstants();
    return engine;
}

} // namespace

TEST(FreeCaOfPCa, IsTheNumberThatTheRecordPrints)
{
    // Worked values: 10^-3 mM, and 10^-1.5 = sqrt(10) / 100 to 19 digits.
    EXPECT_EQ(FreeCaOfPCa(6), *TextToReal("0.001"));
    EXPECT_EQ(FreeCaOfPCa(4.5L), *TextToReal("0.03162277660168379332"));
    EXPECT_EQ(FreeCaOfPCa(3), 1);
    // Reading the printed free_ca back gives the same number, over the whole range of
    // pCa a series can ask for (the fast path and the text route alike).
    std::mt19937_64 rng(12);
    std::uniform_real_distribution<double> pCa(-20, 40);
    std::vector<TReal> cases;
    for (int k = -3000; k <= 16000; k += 7)
        cases.push_back(static_cast<TReal>(k) / 1000);
    for (int i = 0; i < 20000; ++i)
        cases.push_back(static_cast<TReal>(pCa(rng)));
    for (const TReal p : cases) {
        const TReal freeCa = FreeCaOfPCa(p);
        ASSERT_EQ(TextToReal(FormatReal(freeCa)), freeCa) << FormatReal(p);
        ASSERT_LE(std::fabs(freeCa / Exp10(3 - p) - 1), 1e-18L) << FormatReal(p);
    }
}

TEST(PerPoint, EachRowIsTheBaseWithTheTargetsFreeCa)
{
    for (const TCalcMode mode :
         {TCalcMode::cmMgATP_Mg_MgADP_Ca, TCalcMode::cmCaATP_CaADP_Ca_Mg,
          TCalcMode::cmMgATP_CaATP_Ca, TCalcMode::cmCaATP_Ca_CaADP, TCalcMode::cmCa}) {
        SCOPED_TRACE(static_cast<int>(mode));
        TEngine engine = DefaultEngine();
        TCalcInput base = BufferBase(mode);
        base[vfFreeMg] = 0.9L;
        base[vfMgATP] = 4;
        base[vfCaATP] = 0.002L;
        base[vfMgADP] = 0.05L;
        base[vfCaADP] = 0.0001L;
        const std::vector<TReal> targets = ParsePCaList("8:5:0.5");
        const auto rows = DesignPerPoint(engine, base, targets);
        ASSERT_EQ(rows.size(), targets.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const TSeriesRow& row = rows[i];
            ASSERT_FALSE(row.Failed()) << row.Outcome.Error;
            EXPECT_EQ(row.PCaTarget, targets[i]);
            EXPECT_EQ(row.Outcome.Input.Mode, mode);
            for (TValueField f : AllValueFields) {
                if (f == vfFreeCa)
                    continue;
                EXPECT_EQ(row.Outcome.Input[f], base[f]) << static_cast<int>(f);
            }
            // The solved free Ca++ is the prescribed one: pCa back within rounding.
            EXPECT_NEAR(-std::log10(row.Outcome.State.FreeCa), targets[i], 1e-15L);
            EXPECT_EQ(row.Evaluations, 1);
        }
    }
}

TEST(PerPoint, MoreCalciumIsNeededForEachLowerPCa)
{
    TEngine engine = DefaultEngine();
    const auto rows = DesignPerPoint(engine, BufferBase(TCalcMode::cmCa), ParsePCaList("9:4:0.25"));
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_GT(rows[i].Outcome.State.TotalCa, rows[i - 1].Outcome.State.TotalCa) << i;
    // The README's single run of this buffer at free Ca++ 0.001 mM (pCa 6), to the digit.
    EXPECT_EQ(FormatReal(rows[12].Outcome.State.TotalCa * 1000), "8.030482017615576864");
}

TEST(PerPoint, AModeWithoutFreeCaIsRefusedBeforeAnyCalculation)
{
    for (const int mode : {-1, 0, 1, 7}) {
        SCOPED_TRACE(mode);
        TEngine engine = DefaultEngine();
        EXPECT_THROW(
            DesignPerPoint(engine, BufferBase(static_cast<TCalcMode>(mode)), ParsePCaList("6")),
            TCalcError);
        EXPECT_EQ(engine.pH(), 0); // the engine never saw the inputs
    }
}

TEST(PerPoint, AFailingRowKeepsItsPlaceAndTheOthersAreComputed)
{
    TEngine engine = DefaultEngine();
    // pCa -5000 asks for 10^5003 mM, beyond the extended range.
    const std::vector<TReal> targets {6, -5000, 7};
    const auto rows = DesignPerPoint(engine, BufferBase(TCalcMode::cmCa), targets);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_FALSE(rows[0].Failed());
    EXPECT_EQ(rows[1].Outcome.Error, CalcMessage::Overflow);
    EXPECT_EQ(rows[1].PCaTarget, -5000);
    EXPECT_FALSE(rows[2].Failed());
    // Mode 5 with no CaATP divides by zero free ATP: every row fails alike.
    TCalcInput faulty = BufferBase(TCalcMode::cmMgATP_CaATP_Ca);
    faulty[vfCaATP] = 0;
    for (const TSeriesRow& row : DesignPerPoint(engine, faulty, targets))
        EXPECT_TRUE(row.Failed());
}

TEST(PerPoint, ProgressSeesEveryRowAndCanStopTheSeries)
{
    TEngine engine = DefaultEngine();
    const std::vector<TReal> targets = ParsePCaList("9:5:0.5");
    std::vector<std::size_t> seen;
    const auto rows = DesignPerPoint(
        engine, BufferBase(TCalcMode::cmCa), targets, [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(total, targets.size());
            seen.push_back(done);
            return done < 3;
        });
    EXPECT_EQ(rows.size(), 3U);
    EXPECT_EQ(seen, (std::vector<std::size_t> {1, 2, 3}));
}

TEST(PerPoint, TheReadableTableIsTheOneOnFile)
{
    // The ladder of the manual's pCa 6 buffer as quelix-cli prints it and the window shows
    // it; the I >= column is in mM (the single run of pCa 6 reports
    // "Ionic strength >=   49.877 mM").
    TEngine engine = DefaultEngine();
    TSeriesDesign design;
    design.Kind = TSeriesKind::skPerPoint;
    design.Base = BufferBase(TCalcMode::cmCa);
    design.Targets = ParsePCaList("9:5:1");
    const auto rows = RunSeries(engine, design);
    std::ifstream file(
        std::string(QUELIX_TEST_DATA_DIR) + "/cli_series_perpoint.txt", std::ios::binary);
    const std::string expected {std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(SeriesTableText(design, rows), expected);
}

TEST(PerPoint, AFailedRowShowsItsTargetAndNoNumbers)
{
    // In the window's table and on the bench sheet, as in the printed table.
    TEngine engine = DefaultEngine();
    const auto rows = DesignPerPoint(
        engine, BufferBase(TCalcMode::cmCa), std::vector<TReal> {-5000});
    ASSERT_TRUE(rows.at(0).Failed());
    // Its record keeps the inputs it was given, with free Ca++ left empty.
    TCalcOutcome single;
    single.Input = BufferBase(TCalcMode::cmCa);
    single.Input[vfFreeCa] = 0;
    single.Unreadable.set(1 + static_cast<std::size_t>(vfFreeCa));
    single.Error = rows[0].Outcome.Error;
    std::string record;
    AppendCsvRecord(record, single);
    const std::string csv = SeriesCsv(TSeriesKind::skPerPoint, rows);
    EXPECT_EQ(csv.substr(csv.find('\n') + 1), "-5000," + record);
    EXPECT_NE(record.find(",7,0.15,10,"), std::string::npos) << record;
    for (const TSeriesColumn& column : SeriesTableColumns(TSeriesKind::skPerPoint)) {
        SCOPED_TRACE(column.Caption);
        EXPECT_EQ(
            SeriesTableCell(column, rows[0], 1000), column.Caption == "pCa" ? "-5000.000" : "");
    }
}

TEST(PerPoint, UnderOtherConditionsEachRecordEndsWithThem)
{
    // The pH read from a meter at 25 degrees C: each row is the target, then the record a
    // single calculation prints, its trailing fields of the conditions included.
    TEngine engine = DefaultEngine();
    TSeriesDesign design;
    design.Base = BufferBase(TCalcMode::cmCa);
    design.Base.pHScale = TpHScale::psActivity;
    design.Base.TemperatureC = 25;
    design.Targets = ParsePCaList("8:6:1");
    const auto rows = RunSeries(engine, design);
    ASSERT_TRUE(SeriesNeedsConditions(engine, design));
    const std::string csv = SeriesCsv(TSeriesKind::skPerPoint, rows, &engine);
    std::string expected = "pca_target," + RecordCsvHeader(true);
    for (const TSeriesRow& row : rows) {
        expected += FormatReal(row.PCaTarget) + ",";
        AppendRecord(expected, row.Outcome, TOutputFormat::ofCsv, engine, true);
    }
    EXPECT_EQ(csv, expected);
    EXPECT_NE(csv.find(",activity,"), std::string::npos);
}
