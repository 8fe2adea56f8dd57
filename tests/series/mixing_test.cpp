// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/series.h"

#include "engine/calcerror.h"
#include "engine/realtext.h"
#include "request/request.h"
#include "series/mixcurve.h"
#include "series/pcalist.h"
#include "series/seriesrecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <regex>

using enum TValueField;

namespace {

constexpr TReal Infinity = std::numeric_limits<TReal>::infinity();

TEngine DefaultEngine()
{
    TEngine engine;
    engine.LoadDefaultConstants();
    return engine;
}

// A stock at pH 7 and 0.15 M from its totals in mM, in the order of StockTotals (EGTA,
// EDTA, Mg, Ca, ATP, ADP, PO4).
TCalcInput Stock(std::array<TReal, 7> totals)
{
    TCalcInput in = DefaultInput();
    in[vfpH] = 7;
    in[vfIonStr] = 0.15L;
    for (std::size_t i = 0; i < StockTotals.size(); ++i)
        in[StockTotals[i]] = totals[i];
    return in;
}

// The skinned-fibre stocks: 7 mM EGTA, 5 mM ATP, about 1 mM free Mg++; A at pCa 9 (or
// without calcium), B at pCa 4.5.
TMixingInput FibreStocks(TReal caA = 0.028L)
{
    TMixingInput mix;
    mix.StockA = Stock({7, 0, 5.4L, caA, 5, 0, 0});
    mix.StockB = Stock({7, 0, 5.1L, 7.03L, 5, 0, 0});
    return mix;
}

// The mixture as the manual defines it, calculated on an engine of its own with every
// concentration given: what a user re-running a row would get.
TCalcOutcome Independent(const TMixingInput& mix, TReal f)
{
    TCalcInput in = mix.StockA;
    in.Mode = TCalcMode::cmEveryGiven;
    for (TValueField t : StockTotals)
        in[t] = (1 - f) * mix.StockA[t] + f * mix.StockB[t];
    TEngine engine = DefaultEngine();
    return Compute(engine, in, TOutputFormat::ofCsv);
}

TReal PCaOf(const TCalcOutcome& o)
{
    return o.State.FreeCa > o.State.Tiny ? -std::log10(o.State.FreeCa) : Infinity;
}

std::string CsvOf(const TCalcOutcome& o)
{
    std::string line;
    AppendCsvRecord(line, o);
    return line;
}

// Whether pCa turns (by more than the solver's rounding) over a fine grid of fractions.
bool Turns(const TMixingInput& mix)
{
    std::vector<TReal> p;
    for (int i = 0; i <= 200; ++i)
        p.push_back(PCaOf(Independent(mix, static_cast<TReal>(i) / 200)));
    bool up = false, down = false;
    for (std::size_t i = 1; i < p.size(); ++i) {
        if (std::isinf(p[i]) && std::isinf(p[i - 1]))
            continue;
        up = up || p[i] > p[i - 1] + 1e-9L;
        down = down || p[i] < p[i - 1] - 1e-9L;
    }
    return up && down;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(MixingTable, RandomStocksGiveTheTargetPCaOrSayWhyNot)
{
    std::mt19937_64 rng(2026);
    const auto uniform = [&rng](double lo, double hi) {
        // Values as a user types them: three decimals.
        return std::round(std::uniform_real_distribution<double>(lo, hi)(rng) * 1000) / 1000;
    };
    int found = 0, outside = 0;
    for (int trial = 0; trial < 30; ++trial) {
        TMixingInput mix;
        const double egtaA = uniform(0.5, 20), egtaB = uniform(0.5, 20);
        mix.StockA = Stock({egtaA, uniform(0, 0.5), uniform(0, 10), uniform(0, 0.6 * egtaA),
                            uniform(0, 10), uniform(0, 1), uniform(0, 5)});
        mix.StockB = Stock({egtaB, uniform(0, 0.5), uniform(0, 10), uniform(0.5, 2 * egtaB),
                            uniform(0, 10), uniform(0, 1), uniform(0, 5)});
        mix.StockA[vfpH] = mix.StockB[vfpH] = uniform(6.5, 7.5);
        mix.StockA[vfIonStr] = mix.StockB[vfIonStr] = uniform(0.1, 0.2);
        mix.Volume = uniform(1, 5000);
        const TReal pA = PCaOf(Independent(mix, 0)), pB = PCaOf(Independent(mix, 1));
        const TReal high = std::isinf(pA) ? 11 : std::max(pA, pB);
        const TReal low = std::min(pA, pB);
        std::vector<TReal> targets;
        for (int i = 0; i < 6; ++i)
            targets.push_back(
                uniform(static_cast<double>(low) - 0.5, static_cast<double>(high) + 0.5));
        TEngine engine = DefaultEngine();
        const auto rows = DesignMixingTable(engine, mix, targets);
        ASSERT_EQ(rows.size(), targets.size());
        const bool turns = Turns(mix);
        for (const TSeriesRow& row : rows) {
            const TReal t = row.PCaTarget;
            SCOPED_TRACE("trial " + std::to_string(trial) + ", pCa " + FormatReal(t));
            if (row.HasMixture) {
                ++found;
                ASSERT_FALSE(row.Failed()) << row.Outcome.Error;
                ASSERT_GE(row.FractionB, 0);
                ASSERT_LE(row.FractionB, 1);
                EXPECT_NEAR(row.VolumeA + row.VolumeB, mix.Volume, mix.Volume * 1e-15L);
                const TCalcOutcome again = Independent(mix, row.FractionB);
                EXPECT_LE(std::fabs(PCaOf(again) - t), 1e-9L);
                EXPECT_EQ(CsvOf(row.Outcome), CsvOf(again));
                continue;
            }
            ASSERT_TRUE(row.Failed());
            if (Contains(row.Outcome.Error, "is outside the range of these stocks")) {
                ++outside;
                EXPECT_TRUE(t > std::max(pA, pB) + 1e-9L || t < low - 1e-9L);
            } else {
                EXPECT_TRUE(turns) << row.Outcome.Error;
            }
            // A monotonic curve reaches every target between its ends.
            if (!turns) {
                EXPECT_FALSE(t < high - 1e-9L && t > low + 1e-9L && !std::isinf(pA));
            }
        }
    }
    EXPECT_GT(found, 60);
    EXPECT_GT(outside, 10);
}

TEST(MixingTable, AStocksOwnPCaGivesThatStockExactly)
{
    const TMixingInput mix = FibreStocks();
    const TCalcOutcome a = Independent(mix, 0), b = Independent(mix, 1);
    // At the tolerance, not only at the very number.
    const std::vector<TReal> targets {PCaOf(a), PCaOf(b), PCaOf(a) + 5e-10L, PCaOf(b) - 5e-10L};
    TEngine engine = DefaultEngine();
    const auto rows = DesignMixingTable(engine, mix, targets);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const bool isA = i % 2 == 0;
        ASSERT_TRUE(rows[i].HasMixture) << rows[i].Outcome.Error;
        EXPECT_EQ(rows[i].FractionB, isA ? 0 : 1);
        EXPECT_EQ(rows[i].VolumeA, isA ? mix.Volume : 0);
        EXPECT_EQ(rows[i].VolumeB, isA ? 0 : mix.Volume);
        TCalcOutcome stock = isA ? a : b;
        EXPECT_EQ(CsvOf(rows[i].Outcome), CsvOf(stock));
        for (TValueField t : StockTotals)
            EXPECT_EQ(rows[i].Outcome.Input[t], (isA ? mix.StockA : mix.StockB)[t]);
    }
}

TEST(MixingTable, TargetsOutOfReachNameTheRangeAndTheOtherRowsAreComputed)
{
    TEngine engine = DefaultEngine();
    const TMixingInput mix = FibreStocks();
    const TReal pA = PCaOf(Independent(mix, 0)), pB = PCaOf(Independent(mix, 1));
    const auto rows = DesignMixingTable(engine, mix, std::vector<TReal> {10, 6, 4});
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_TRUE(rows[1].HasMixture);
    const std::regex message(
        R"(pCa (\d+) is outside the range of these stocks: (\d+\.\d\d) to (\d+\.\d\d))");
    for (const std::size_t i : {0U, 2U}) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(rows[i].Outcome.Error, m, message)) << rows[i].Outcome.Error;
        // The ends are cut towards each other: every pCa shown can be reached.
        const TReal shownA = *TextToReal(m[2].str()), shownB = *TextToReal(m[3].str());
        EXPECT_LE(shownA, pA);
        EXPECT_GT(shownA, pA - 0.01L);
        EXPECT_GE(shownB, pB);
        EXPECT_LT(shownB, pB + 0.01L);
        EXPECT_FALSE(rows[i].HasMixture);
    }

    struct TCase {
        TMixingInput Mix;
        std::string Message;
    };
    TMixingInput same = FibreStocks();
    same.StockB = same.StockA;
    TMixingInput noCalcium = FibreStocks(0);
    noCalcium.StockB = noCalcium.StockA;
    const std::vector<TCase> cases {
        {FibreStocks(0), "pCa 4 is outside the range of these stocks: Ca-free to 4."},
        {same, "pCa 4 is outside the range of these stocks: both have pCa 9."},
        {noCalcium, "pCa 4 is outside the range of these stocks: neither holds free Ca++"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        const auto row = DesignMixingTable(engine, c.Mix, std::vector<TReal> {4}).at(0);
        EXPECT_TRUE(Contains(row.Outcome.Error, c.Message)) << row.Outcome.Error;
    }
}

TEST(MixingTable, ATargetThatPCaTurnsAroundHasNoSilentRoot)
{
    // Magnesium from B displaces calcium from A's EGTA faster than B dilutes it: pCa falls
    // from 4.66 to about 4.65 near f = 0.2, then rises to no free Ca++ at all in B.
    TMixingInput mix;
    mix.StockA = Stock({2, 0, 0, 2, 0, 0, 0});
    mix.StockB = Stock({0, 0, 50, 0, 0, 0, 0});
    ASSERT_TRUE(Turns(mix));
    TEngine engine = DefaultEngine();
    const auto rows = DesignMixingTable(engine, mix, std::vector<TReal> {4.5L, 4.655L, 5.5L});
    EXPECT_TRUE(
        Contains(rows[0].Outcome.Error,
                 "pCa 4.5 has no bracket: the pCa of these stocks' mixtures is not monotonic"))
        << rows[0].Outcome.Error;
    EXPECT_TRUE(Contains(rows[1].Outcome.Error, "pCa 4.655 is reached by more than one mixture"))
        << rows[1].Outcome.Error;
    ASSERT_TRUE(rows[2].HasMixture) << rows[2].Outcome.Error;
    EXPECT_LE(std::fabs(PCaOf(Independent(mix, rows[2].FractionB)) - 5.5L), 1e-9L);
}

TEST(MixingTable, UnmixableStocksAreRefusedBeforeAnyCalculation)
{
    struct TCase {
        const char* Name;
        void (*Spoil)(TMixingInput&);
        std::string Message;
    };
    const std::vector<TCase> cases {
        {"pH", [](TMixingInput& m) { m.StockB[vfpH] = 7.1L; },
         "Stocks A and B must have the same pH and ionic strength (A: pH 7, 0.15 M; B: pH "
         "7.1, 0.15 M)."},
        {"ionic strength", [](TMixingInput& m) { m.StockA[vfIonStr] = 0.1L; }, "same pH"},
        {"temperature", [](TMixingInput& m) { m.StockB.TemperatureC = 25; }, "same temperature"},
        {"pH scale", [](TMixingInput& m) { m.StockA.pHScale = TpHScale::psActivity; },
         "same pH scale"},
        {"negative total", [](TMixingInput& m) { m.StockB[vfTotalATP] = -1; },
         "Stock B: total_atp must not be negative (-1 mM)."},
        {"volume", [](TMixingInput& m) { m.Volume = 0; }, "final volume"},
        {"negative volume", [](TMixingInput& m) { m.Volume = -5; }, "final volume"},
        {"infinite volume", [](TMixingInput& m) { m.Volume = Infinity; }, "final volume"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMixingInput mix = FibreStocks();
        c.Spoil(mix);
        TEngine engine = DefaultEngine();
        try {
            DesignMixingTable(engine, mix, std::vector<TReal> {6});
            ADD_FAILURE() << "accepted";
        } catch (const TCalcError& e) {
            EXPECT_TRUE(Contains(e.what(), c.Message)) << e.what();
        }
        EXPECT_EQ(engine.pH(), 0); // the engine never saw the inputs
    }
}

TEST(MixingTable, RowsAsRecordsLeadWithTheSeriesColumns)
{
    TEngine engine = DefaultEngine();
    TMixingInput mix = FibreStocks();
    mix.Volume = 500;
    const auto rows = DesignMixingTable(engine, mix, std::vector<TReal> {6, 3});
    const std::string csv = SeriesCsv(TSeriesKind::skMixing, rows);
    EXPECT_EQ(csv.substr(0, 60), "pca_target,fraction_b,volume_a,volume_b,mode,ph,ionic_streng");
    const std::size_t second = csv.find('\n') + 1, third = csv.find('\n', second) + 1;
    const std::string found = csv.substr(second, third - second);
    EXPECT_EQ(found,
              "6," + FormatReal(rows[0].FractionB) + "," + FormatReal(rows[0].VolumeA) + ","
                  + FormatReal(rows[0].VolumeB) + "," + CsvOf(rows[0].Outcome));
    // No mixture: the conditions stay, the concentrations and results are empty.
    EXPECT_EQ(csv.substr(third, 26), "3,,,,0,7,0.15,,,,,,,,,,,,,");
    EXPECT_TRUE(Contains(csv.substr(third), ",pCa 3 is outside the range of these stocks"));
    EXPECT_EQ(VolumeDecimals(1000), 1);
    EXPECT_EQ(VolumeDecimals(1), 4);
    EXPECT_EQ(VolumeDecimals(0.25L), 5);
    // Five significant digits, between none and nine decimals.
    EXPECT_EQ(VolumeDecimals(99999), 0);
    EXPECT_EQ(VolumeDecimals(1e6L), 0);
    EXPECT_EQ(VolumeDecimals(0.0001L), 8);
    EXPECT_EQ(VolumeDecimals(0.00001L), 9);
    EXPECT_EQ(VolumeDecimals(1e-7L), 9);
    // A row without a mixture shows its target and nothing else.
    for (const TSeriesColumn& column : SeriesTableColumns(TSeriesKind::skMixing)) {
        SCOPED_TRACE(column.Caption);
        EXPECT_EQ(
            SeriesTableCell(column, rows[1], mix.Volume), column.Caption == "pCa" ? "3.000" : "");
    }
}

TEST(MixingTable, TheFibreLadderNeedsFewCalculationsPerRow)
{
    TEngine engine = DefaultEngine();
    const auto rows = DesignMixingTable(engine, FibreStocks(0), ParsePCaList("9:4.5:0.125"));
    int calculations = 0;
    for (const TSeriesRow& row : rows) {
        ASSERT_TRUE(row.HasMixture) << row.Outcome.Error;
        calculations += row.Evaluations;
    }
    // Bisection alone would need some 40 per row.
    EXPECT_LE(calculations, 6 * 37);
    // Each lower pCa needs more of B.
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_GT(rows[i].FractionB, rows[i - 1].FractionB);
}

TEST(MixingTable, ProgressCanStopTheTable)
{
    TEngine engine = DefaultEngine();
    const auto rows = DesignMixingTable(engine, FibreStocks(), ParsePCaList("8:5:1"),
                                        [](std::size_t done, std::size_t) { return done < 2; });
    EXPECT_EQ(rows.size(), 2U);
    EXPECT_TRUE(DesignMixingTable(engine, FibreStocks(), {}).empty());
}

TEST(MixingTable, TheSampledCurveRunsFromStockAToStockB)
{
    TEngine engine = DefaultEngine();
    const TMixingInput mix = FibreStocks();
    const auto curve = SampleMixtures(engine, mix, 8);
    ASSERT_EQ(curve.size(), 9U);
    EXPECT_EQ(CsvOf(curve.front().Outcome), CsvOf(Independent(mix, 0)));
    EXPECT_EQ(CsvOf(curve.back().Outcome), CsvOf(Independent(mix, 1)));
    EXPECT_EQ(curve[2].FractionB, 0.25L);
    EXPECT_EQ(curve[2].VolumeB, 250);
    for (std::size_t i = 1; i < curve.size(); ++i)
        EXPECT_LT(PCaOf(curve[i].Outcome), PCaOf(curve[i - 1].Outcome)) << i;
    for (const TSeriesRow& row : curve)
        EXPECT_EQ(row.Evaluations, 1); // one calculation per point of the curve
}

TEST(MixingTable, TheRangeShownHoldsOnlyPCaThatCanBeReached)
{
    // Stocks A of many calcium contents: whatever digits the ends of the range have, each
    // end shown is cut towards the other, to two decimals where that leaves a range.
    for (int i = 0; i < 24; ++i) {
        TMixingInput mix = FibreStocks(0.004L + 0.0037L * i);
        const TReal pA = PCaOf(Independent(mix, 0)), pB = PCaOf(Independent(mix, 1));
        SCOPED_TRACE(FormatReal(pA));
        TEngine engine = DefaultEngine();
        const auto row = DesignMixingTable(engine, mix, std::vector<TReal> {3}).at(0);
        std::smatch m;
        const std::regex message(R"(.*: (\d+\.\d\d) to (\d+\.\d\d))");
        ASSERT_TRUE(std::regex_match(row.Outcome.Error, m, message)) << row.Outcome.Error;
        const TReal shownA = *TextToReal(m[1].str()), shownB = *TextToReal(m[2].str());
        EXPECT_LE(shownA, pA);
        EXPECT_GT(shownA, pA - 0.01L);
        EXPECT_GE(shownB, pB);
        EXPECT_LT(shownB, pB + 0.01L);
    }
}

TEST(MixingTable, NearlyIdenticalStocksAreARangeNotATurn)
{
    // Stock B a hair richer in calcium (or poorer in magnesium) than A: the pCa of the
    // mixtures moves by less than the solver's rounding from one grid point to the next,
    // which is no turn of the curve. A target beyond both is outside their range; one
    // between them is mixed.
    struct TCase {
        const char* Name;
        TValueField Field;
        TReal Factor;
    };
    const TCase cases[] = {
        {"total Ca +5e-8", vfTotalCa, 1 + 5e-8L},
        {"total Ca +1e-6", vfTotalCa, 1 + 1e-6L},
        {"total Mg -2e-7", vfTotalMg, 1 - 2e-7L},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMixingInput mix = FibreStocks();
        mix.StockB = mix.StockA;
        mix.StockB[c.Field] *= c.Factor;
        const TReal pA = PCaOf(Independent(mix, 0)), pB = PCaOf(Independent(mix, 1));
        ASSERT_GT(std::fabs(pA - pB), 2 * TMixCurve::PCaTolerance);
        TEngine engine = DefaultEngine();
        const auto rows = DesignMixingTable(engine, mix, std::vector<TReal> {4, (pA + pB) / 2});
        EXPECT_TRUE(Contains(rows[0].Outcome.Error, "pCa 4 is outside the range of these stocks: "))
            << rows[0].Outcome.Error;
        ASSERT_TRUE(rows[1].HasMixture) << rows[1].Outcome.Error;
        EXPECT_LE(std::fabs(PCaOf(Independent(mix, rows[1].FractionB)) - (pA + pB) / 2), 1e-9L);
    }
}

TEST(MixingTable, ALadderCostsUnderFourCalculationsPerRow)
{
    // What a ladder costs beyond the grid of the curve: the root finder stops as soon as a
    // mixture is at the target's tolerance, and starts each target from the tightest
    // bracket the targets before it left. Without either, the same ladders take 6 to 45 %
    // more calculations.
    struct TCase {
        const char* Name;
        TMixingInput Mix;
        const char* Targets;
        double PerRow; // at most, on average
    };
    const TCase cases[] = {
        {"pCa 9 to 4.5 stocks", FibreStocks(), "9:4.5:0.125", 4.0}, // 141 of 37 rows
        {"Ca-free stock A", FibreStocks(0), "9:4.5:0.125", 4.2},    // 142
        {"a dense ladder", FibreStocks(), "8:5:0.01", 3.3},         // 913 of 301 rows
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TEngine engine = DefaultEngine();
        const auto rows = DesignMixingTable(engine, c.Mix, ParsePCaList(c.Targets));
        int total = 0;
        for (const TSeriesRow& row : rows) {
            ASSERT_TRUE(row.HasMixture) << row.Outcome.Error;
            // A row between the grid's points is calculated at least once for its record.
            const bool onGrid = std::fmod(row.FractionB * TMixCurve::GridIntervals, 1) == 0;
            EXPECT_GE(row.Evaluations, onGrid ? 0 : 1) << FormatReal(row.PCaTarget);
            EXPECT_LE(row.Evaluations, 8) << FormatReal(row.PCaTarget);
            total += row.Evaluations;
        }
        EXPECT_LE(total, c.PerRow * static_cast<double>(rows.size()));
        // Each row is counted: a ladder never comes free.
        EXPECT_GE(total, 2 * static_cast<int>(rows.size()));
    }
}

TEST(MixingTable, TargetsCloserThanTheToleranceNearACaFreeStock)
{
    // Near a Ca-free stock A pCa rises steeply as the fraction of B goes to 0: targets a
    // few times the tolerance apart lie in brackets that earlier targets have closed
    // already. Each still gets its own mixture, calculated for its record, at the target
    // to 1e-9 in pCa or to 1e-12 in the fraction (where pCa moves faster than 1000 per
    // unit fraction).
    std::vector<TReal> targets;
    for (const TReal pCa : {10.0L, 11.0L, 12.0L, 13.0L})
        for (const TReal offset : {0.0L, 1.5e-9L, -1.5e-9L, 3e-9L})
            targets.push_back(pCa + offset);
    const TMixingInput mix = FibreStocks(0);
    TEngine engine = DefaultEngine();
    const auto rows = DesignMixingTable(engine, mix, targets);
    for (const TSeriesRow& row : rows) {
        SCOPED_TRACE(FormatReal(row.PCaTarget));
        ASSERT_TRUE(row.HasMixture) << row.Outcome.Error;
        const TReal f = row.FractionB, step = TMixCurve::FractionTolerance;
        const bool atTarget = std::fabs(PCaOf(row.Outcome) - row.PCaTarget)
            <= TMixCurve::PCaTolerance;
        const bool straddles = PCaOf(Independent(mix, f - step)) > row.PCaTarget
            && PCaOf(Independent(mix, f + step)) < row.PCaTarget;
        EXPECT_TRUE(atTarget || straddles) << FormatReal(PCaOf(row.Outcome));
        EXPECT_EQ(CsvOf(row.Outcome), CsvOf(Independent(mix, f)));
        EXPECT_GE(row.Evaluations, 1);
    }
}

TEST(MixingTable, TheReadableTableIsTheOneOnFile)
{
    // The skinned-fibre stocks' ladder as quelix-cli prints it and the window shows it,
    // with a target out of reach.
    TSeriesDesign design;
    design.Kind = TSeriesKind::skMixing;
    design.Mixing = FibreStocks();
    design.Targets = ParsePCaList("9:5:1,4");
    TEngine engine = DefaultEngine();
    const auto rows = RunSeries(engine, design);
    std::ifstream file(
        std::string(QUELIX_TEST_DATA_DIR) + "/cli_series_mixing.txt", std::ios::binary);
    const std::string expected {std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(SeriesTableText(design, rows), expected);
}
