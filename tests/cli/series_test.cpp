// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The pCa series of the built quelix-cli, run as a user runs it.

#include "engine/realtext.h"

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using clitest::Lines;
using clitest::ReadFile;
using TRun = clitest::TCliRun;

const fs::path& TempPath()
{
    static const clitest::TTempDir temp("quelix-series");
    return temp.Path();
}

// Runs quelix-cli with `args` under a locale whose decimal separator is a comma.
TRun Cli(const std::vector<std::string>& args)
{
    return clitest::RunCli(TempPath(), args);
}

// Cells of a CSV line without quoted commas.
std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        cells.push_back(line.substr(start, comma - start));
    cells.push_back(line.substr(start));
    return cells;
}

std::size_t IndexOf(const std::vector<std::string>& header, const std::string& name)
{
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
}

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> Conditions {"--ph", "7", "--ionic-strength", "0.15"};
const std::vector<std::string> Stocks = Plus(
    Conditions,
    {"--stock-a", "total_egta=7,total_mg=5.4,total_atp=5,total_ca=0.028", "--stock-b",
     "total_egta=7,total_mg=5.1,total_atp=5,total_ca=7.03"});

} // namespace

TEST(CliSeries, PerPointRowsAreSingleRunsFieldForField)
{
    const std::vector<std::vector<std::string>> bases {
        Plus(Conditions,
             {"--mode", "6", "--total-egta", "7", "--total-mg", "5.4", "--total-atp", "5",
              "--total-po4", "1"}),
        Plus(Conditions,
             {"--mode", "2", "--total-egta", "10", "--free-mg", "1", "--mgatp", "4", "--mgadp",
              "0.02"}),
        // Another constant set, a temperature and the activity scale: the records end with
        // the fields that say so, as a single run's do.
        Plus(Conditions,
             {"--mode", "6", "--total-egta", "7", "--total-mg", "5", "--total-atp", "5",
              "--constants", "nist-srd46-20c", "--temperature", "25", "--ph-scale", "activity"}),
    };
    for (const auto& base : bases) {
        SCOPED_TRACE(base.back());
        const TRun csv = Cli(Plus(base, {"--pca", "9:4.5:1.5,5.2", "--format", "csv"}));
        const TRun json = Cli(Plus(base, {"--pca", "9:4.5:1.5,5.2", "--format", "json"}));
        ASSERT_EQ(csv.Status, 0) << csv.Err;
        const auto csvLines = Lines(csv.Out), jsonLines = Lines(json.Out);
        ASSERT_EQ(csvLines.size(), 6U);
        ASSERT_EQ(jsonLines.size(), 5U);
        const auto header = Cells(csvLines[0]);
        ASSERT_EQ(header[0], "pca_target");
        const std::size_t freeCa = IndexOf(header, "free_ca");
        for (std::size_t i = 1; i < csvLines.size(); ++i) {
            const auto cells = Cells(csvLines[i]);
            // The row's printed free Ca++, given to a single run, gives the row back.
            const auto single = Plus(base, {"--free-ca", cells[freeCa], "--format"});
            const std::string rest = csvLines[i].substr(cells[0].size() + 1);
            EXPECT_EQ(Lines(Cli(Plus(single, {"csv"})).Out).at(1), rest);
            EXPECT_EQ(jsonLines[i - 1],
                      "{\"pca_target\":" + cells[0] + ","
                          + Lines(Cli(Plus(single, {"json"})).Out).at(0).substr(1));
        }
    }
}

TEST(CliSeries, APerPointFileGivenBackAsABatchGivesItsRowsAgain)
{
    const auto base = Plus(Conditions,
                           {"--mode", "6", "--total-egta", "7", "--total-mg", "5.4", "--total-atp",
                            "5", "--format", "csv"});
    const TRun series = Cli(Plus(base, {"--pca", "9:4:0.25"}));
    ASSERT_EQ(series.Status, 0) << series.Err;
    const fs::path file = TempPath() / "series.csv";
    std::ofstream(file, std::ios::binary) << series.Out;
    const TRun batch = Cli(Plus(base, {"--batch", file.string()}));
    ASSERT_EQ(batch.Status, 0) << batch.Err;
    // The same records, byte for byte, without the target column.
    std::string expected;
    for (const std::string& line : Lines(series.Out))
        expected += line.substr(line.find(',') + 1) + "\n";
    EXPECT_EQ(batch.Out, expected);
}

TEST(CliSeries, MixingTableFieldsReadBackAndItsRecipesGiveTheTargets)
{
    const auto args = Plus(Stocks, {"--pca", "9:4.5:0.5,4,10", "--volume", "500"});
    const TRun csv = Cli(Plus(args, {"--format", "csv"}));
    const TRun json = Cli(Plus(args, {"--format", "json"}));
    // Two targets are out of reach: their rows are kept, the status says so.
    EXPECT_EQ(csv.Status, 1);
    EXPECT_EQ(json.Status, 1);
    EXPECT_EQ(csv.Err, "");
    const auto csvLines = Lines(csv.Out), jsonLines = Lines(json.Out);
    ASSERT_EQ(csvLines.size(), 13U);
    ASSERT_EQ(jsonLines.size(), 12U);
    const auto header = Cells(csvLines[0]);
    ASSERT_EQ(
        std::vector<std::string>(header.begin(), header.begin() + 5),
        (std::vector<std::string> {"pca_target", "fraction_b", "volume_a", "volume_b", "mode"}));
    const std::vector<double> typed {9, 8.5, 8, 7.5, 7, 6.5, 6, 5.5, 5, 4.5, 4, 10};
    for (std::size_t i = 0; i < typed.size(); ++i) {
        SCOPED_TRACE(typed[i]);
        const auto cells = Cells(csvLines[i + 1]);
        const auto object = nlohmann::ordered_json::parse(jsonLines[i]);
        ASSERT_EQ(object.size(), header.size());
        std::size_t j = 0;
        for (const auto& [key, value] : object.items()) {
            EXPECT_EQ(key, header[j]);
            if (value.is_number()) {
                EXPECT_EQ(value.get<double>(), std::strtod(cells[j].c_str(), nullptr)) << key;
            } else if (value.is_null()) {
                EXPECT_EQ(cells[j], "") << key;
            }
            ++j;
        }
        EXPECT_EQ(object["pca_target"].get<double>(), typed[i]);
        if (i >= 10) {
            EXPECT_TRUE(object["fraction_b"].is_null());
            EXPECT_TRUE(object["volume_a"].is_null());
            EXPECT_NE(
                object["error"].get<std::string>().find("is outside the range"), std::string::npos);
            continue;
        }
        const double f = object["fraction_b"].get<double>();
        EXPECT_GE(f, 0);
        EXPECT_LE(f, 1);
        EXPECT_NEAR(
            object["volume_a"].get<double>() + object["volume_b"].get<double>(), 500, 1e-12);
        EXPECT_NEAR(object["pca"].get<double>(), typed[i], 1e-9);
    }
    // The printed totals of a row, calculated on their own, give its pCa.
    const auto row = Cells(csvLines[7]); // pCa 6
    std::vector<std::string> single = Plus(Conditions, {"--format", "json"});
    for (const char* total : {"total_egta", "total_edta", "total_mg", "total_ca", "total_atp",
                              "total_adp", "total_po4"}) {
        std::string option = std::string("--") + total;
        std::replace(option.begin(), option.end(), '_', '-');
        single = Plus(single, {option, row[IndexOf(header, total)]});
    }
    const auto again = nlohmann::json::parse(Cli(single).Out);
    EXPECT_NEAR(again["pca"].get<double>(), 6, 1e-9);
    EXPECT_EQ(again["free_mg"].get<double>(),
              std::strtod(row[IndexOf(header, "free_mg")].c_str(), nullptr));
}

TEST(CliSeries, ReportIsAReadableTable)
{
    const TRun r = Cli(Plus(Stocks, {"--pca", "9:5:1,4"}));
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_series_mixing.txt"));
    // Under other conditions the table opens with the line that names them, as a report.
    const TRun activity = Cli(Plus(Stocks, {"--pca", "6", "--ph-scale", "activity"}));
    EXPECT_EQ(activity.Status, 0) << activity.Err;
    EXPECT_EQ(activity.Out.substr(0, 11), "Constants: ");
    EXPECT_EQ(activity.Out.substr(activity.Out.find('\n') + 1, 27), "Mixing table of stocks A an");
}

TEST(CliSeries, UsageErrorsStopBeforeAnyOutput)
{
    for (const auto& args : std::vector<std::vector<std::string>> {
             {"--pca", "6"},
             Plus(Stocks, {"--pca", "6", "--stock-b", "total_mg=-1"}),
             Plus(Stocks, {"--pca", "6:7"}),
             {"--mode", "6", "--pca", "6", "--batch", "-"}}) {
        const TRun r = Cli(args);
        EXPECT_EQ(r.Status, 2) << r.Err;
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find("Run 'quelix-cli --help'"), std::string::npos);
    }
    EXPECT_NE(Cli({"--help"}).Out.find("--stock-a SPEC --stock-b SPEC"), std::string::npos);
}

TEST(CliSeries, PerPointReportIsTheTableOnFileWithEachSingleRunsIonicStrength)
{
    // The manual's pCa 6 buffer as a ladder.
    const auto base = Plus(
        Conditions, {"--mode", "6", "--total-egta", "10", "--total-mg", "5", "--total-atp", "5"});
    const TRun r = Cli(Plus(base, {"--pca=9:5:1"}));
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_series_perpoint.txt"));
    // The I >= column is the lower bound of the ionic strength in mM that a single run of
    // the row's free Ca++ reports ("Ionic strength >=   49.877 mM + [KCl] ...").
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 10U);
    for (std::size_t i = 5; i < 10; ++i) {
        std::istringstream row(lines[i]);
        std::string pCa, cell, last;
        row >> pCa;
        while (row >> cell)
            last = cell;
        SCOPED_TRACE(pCa);
        const int exponent = 3 - std::stoi(pCa);
        const TRun single = Cli(Plus(base, {"--free-ca", "1e" + std::to_string(exponent)}));
        ASSERT_EQ(single.Status, 0) << single.Err;
        const auto at = single.Out.find("Ionic strength >=");
        ASSERT_NE(at, std::string::npos);
        std::istringstream report(single.Out.substr(at + 17));
        std::string figure, unit;
        report >> figure >> unit;
        EXPECT_EQ(unit, "mM");
        EXPECT_EQ(last, figure);
    }
}
