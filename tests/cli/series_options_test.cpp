// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/options.h"
#include "cli/seriesoptions.h"
#include "engine/calcerror.h"

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using enum TValueField;

using clitest::Parse;

namespace {

const std::vector<std::string> StockArgs {
    "--pca", "6", "--stock-a", "total_egta=7", "--stock-b", "total_egta=7,total_ca=7"};

// `args` with the options of `more`: an option given in both takes the value of `more`
// (an option may be given only once).
std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    for (std::size_t i = 0; i < more.size(); ++i) {
        const auto same = std::ranges::find(args, more[i]);
        if (more[i].starts_with("--") && i + 1 < more.size() && same != args.end()
            && same + 1 != args.end()) {
            *(same + 1) = more[++i];
            continue;
        }
        args.push_back(more[i]);
    }
    return args;
}

} // namespace

TEST(SeriesOptions, PerPointTakesEveryOtherInputFromTheCommandLine)
{
    const TCliOptions o = Parse(
        {"--mode", "6", "--ph", "7", "--total-egta", "10", "--pca", "9, 6.5:6:0.25"});
    ASSERT_TRUE(o.Series);
    EXPECT_EQ(o.Series->Kind, TSeriesKind::skPerPoint);
    EXPECT_EQ(o.Series->Targets, (std::vector<TReal> {9, 6.5L, 6.25L, 6}));
    EXPECT_EQ(o.Series->Base.Mode, TCalcMode::cmCa);
    EXPECT_EQ(o.Series->Base.Values, o.Input.Values);
    EXPECT_FALSE(Parse({"--mode", "6"}).Series);
}

TEST(SeriesOptions, StockSpecsSetTheSevenTotalsAndNothingElse)
{
    const TCliOptions o = Parse(
        {"--ph", "7.2", "--ionic-strength", "0.15", "--pca", "6", "--stock-a",
         " Total_EGTA = 7, total-mg=5.4 ,total_atp=5e0", "--stock-b",
         "total_ca=7.03,total_po4=1,total_edta=0.5,total_adp=0.1", "--volume", "250"});
    ASSERT_TRUE(o.Series);
    const TMixingInput& mix = o.Series->Mixing;
    EXPECT_EQ(o.Series->Kind, TSeriesKind::skMixing);
    EXPECT_EQ(mix.Volume, 250);
    const std::vector<std::pair<TValueField, std::pair<TReal, TReal>>> expected {
        {vfTotalEGTA, {7, 0}},   {vfTotalEDTA, {0, 0.5L}}, {vfTotalMg, {5.4L, 0}},
        {vfTotalCa, {0, 7.03L}}, {vfTotalATP, {5, 0}},     {vfTotalADP, {0, 0.1L}},
        {vfTotalPO4, {0, 1}},    {vfpH, {7.2L, 7.2L}},     {vfIonStr, {0.15L, 0.15L}}};
    for (const auto& [field, values] : expected) {
        SCOPED_TRACE(static_cast<int>(field));
        EXPECT_EQ(mix.StockA[field], values.first);
        EXPECT_EQ(mix.StockB[field], values.second);
    }
    EXPECT_EQ(Parse(StockArgs).Series->Mixing.Volume, 1000);
}

TEST(SeriesOptions, UnusableSeriesAreUsageErrors)
{
    struct TCase {
        std::vector<std::string> Args;
        std::string Message; // a part of the message
    };
    const std::vector<TCase> cases {
        {{"--stock-a", "total_mg=1"}, "--stock-a needs --pca"},
        {{"--volume", "5"}, "--volume needs --pca"},
        {{"--mode", "6", "--pca", "6", "--batch", "rows.csv"}, "cannot be combined with --batch"},
        {{"--pca", "6"}, "needs --mode 2 to 6"},
        {{"--mode", "1", "--pca", "6"}, "the mode is 1"},
        {{"--mode", "6", "--pca", "6", "--free-ca", "1"}, "--free-ca cannot be given with --pca"},
        {{"--mode", "6", "--pca", "9:4.5"}, "--pca: pCa list item '9:4.5'"},
        {{"--mode", "6", "--pca", ""}, "--pca: The pCa list is empty."},
        {{"--mode", "6", "--pca", "6", "--volume", "5"}, "--volume applies only"},
        {{"--pca", "6", "--stock-a", "total_mg=1"}, "go together"},
        {With(StockArgs, {"--mode", "0"}), "--mode does not apply to a mixing table"},
        {With(StockArgs, {"--total-mg", "2"}), "--total-mg does not apply to a mixing table"},
        {With(StockArgs, {"--free-mg", "1"}), "--free-mg does not apply"},
        {With(StockArgs, {"--volume", "0"}), "--volume must be a positive number, not 0."},
        {With(StockArgs, {"--volume", "-5"}), "--volume must be a positive number"},
        {With(StockArgs, {"--volume", "1ml"}), "--volume: " + CalcMessage::NotAFloat("1ml")},
        {With(StockArgs, {"--volume", "1e9"}), ""},
        {With(StockArgs, {"--volume", "1.5e9"}), "must not be above 1e9, not 1500000000."},
        {{"--mode", "6", "--pca", "-3"}, "--pca: pCa list item '-3': a target pCa must lie"},
        {With(StockArgs, {"--stock-a", "total_mgg=1"}), "--stock-a: unknown total 'total_mgg'"},
        {With(StockArgs, {"--stock-b", "total_mg=1,TOTAL_MG=2"}), "'total_mg' is given twice"},
        {With(StockArgs, {"--stock-b", "total_mg=1,"}), "is not NAME=VALUE"},
        {With(StockArgs, {"--stock-b", "total_mg"}), "is not NAME=VALUE"},
        {With(StockArgs, {"--stock-b", "total_mg=7,2"}), "is not NAME=VALUE"},
        {With(StockArgs, {"--stock-b", "total_mg=x"}), CalcMessage::NotAFloat("x")},
        {With(StockArgs, {"--stock-a", "total_mg=-1"}), "total_mg must not be negative"},
        {With(StockArgs, {"--stock-a", "ph=7"}), "come from --ph and --ionic-strength"},
    };
    for (const TCase& c : cases) {
        std::string trace;
        for (const std::string& a : c.Args)
            trace += a + " ";
        SCOPED_TRACE(trace);
        if (c.Message.empty()) { // a case at the edge of what is accepted
            EXPECT_NO_THROW(Parse(c.Args));
            continue;
        }
        try {
            Parse(c.Args);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}
