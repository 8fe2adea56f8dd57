// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The built quelix-cli run as a user runs it: arguments, standard input, standard output,
// standard error and exit status, in a temporary directory and under a locale whose
// decimal separator is a comma (the output must not follow it).

#include "engine/calcerror.h"
#include "report/record.h"

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using clitest::Lines;
using clitest::ReadFile;
using clitest::WriteFile;
using TResult = clitest::TCliRun;

class EndToEnd : public ::testing::Test {
protected:
    TResult Run(const std::vector<std::string>& args, const std::string& input = "")
    {
        return clitest::RunCli(FDir, args, input);
    }

    clitest::TTempDir FTemp;
    const fs::path& FDir = FTemp.Path();
};

} // namespace

TEST_F(EndToEnd, ReportMatchesTheGoldenFile)
{
    const TResult r = Run({"--mode", "6", "--free-ca", "0.001", "--total-edta", "0.5",
                           "--total-adp", "0.1", "--total-po4", "1"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_report_pca6.txt"));
    EXPECT_EQ(r.Err, "");
}

TEST_F(EndToEnd, ExitStatusAndMessages)
{
    struct TCase {
        std::vector<std::string> Args;
        std::string Input;
        int Status;
        std::string Err; // a part of standard error
    };
    const std::vector<TCase> cases {
        {{"--mode", "1", "--free-mg", "0"}, "", 1, std::string(CalcMessage::ZeroDivide)},
        {{"--ionic-strength", "-0.1", "--format", "csv"},
         "",
         1,
         std::string(CalcMessage::NegativeIonStr)},
        {{"--ph", "7,2", "--format", "json"}, "", 2, CalcMessage::NotAFloat("7,2")},
        {{"--format", "xml"}, "", 2, "--format"},
        {{"--mode"}, "", 2, "--mode"},
        {{"--batch", "missing.csv"}, "", 2, "missing.csv"},
        {{"--batch", "-", "--format", "csv"}, "ph,nope\n1,2\n", 2, "nope"},
        {{"--batch", "."}, "", 2, "Cannot read the batch file '.': it is a directory."},
        {{"--mode", "5"},
         "",
         1,
         std::string(CalcMessage::ZeroDivide) + "\nMode 5 (Control MgATP, CaATP, Ca++) "
             + "divides by --caatp, which is 0 by default: give it a value.\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Args.back());
        const TResult r = Run(c.Args, c.Input);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, ""); // no record, not even a CSV header
    }
    EXPECT_EQ(Run({"--version"}).Out, "quelix-cli 3.6\n");
    const TResult help = Run({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("--const ROW:STEP=VALUE"), std::string::npos);
    for (const char* part : {"an H row has steps 0..3", "a Mg or Ca row steps 0..2",
                             "caadp, and pca", "\"row N:\" and its report", "Warnings:"})
        EXPECT_NE(help.Out.find(part), std::string::npos) << part;
}

TEST_F(EndToEnd, WarningsGoToStandardErrorAndLeaveTheResultsAlone)
{
    struct TCase {
        std::vector<std::string> Args;
        std::vector<std::string> Same; // a run whose output must be the same, or none
        std::string Err;
    };
    const std::string mode0 = "warning: mode 0 (Every concentration is given) does not read ";
    const std::string mode6 = "warning: mode 6 (Control Ca++) does not read ";
    const std::string reads = "of the inputs that depend on the mode it reads ";
    const std::vector<TCase> cases {
        {{"--free-ca", "2"},
         {},
         mode0 + "--free-ca; " + reads + "--total-mg, --total-ca, --total-atp and --total-adp.\n"},
        {{"--mode", "6", "--mgatp", "1", "--total-ca", "9"},
         {"--mode", "6"},
         mode6 + "--total-ca; " + reads + "--total-mg, --total-atp, --total-adp and --free-ca.\n"
             + mode6 + "--mgatp; " + reads
             + "--total-mg, --total-atp, --total-adp and --free-ca.\n"},
        {{"--ionic-strength", "150"},
         {},
         "warning: --ionic-strength 150 is above 5 M (the ionic strength is in M, not mM); it "
         "is used as given.\n"},
        {{"--ph", "-0.5"}, {}, "warning: --ph -0.5 is outside 0 to 14; it is used as given.\n"},
        {{"--ph", "12"},
         {},
         "warning: at pH 12 the Tris term of the ionic strength estimate is negative: that "
         "estimate holds only up to pH 11.27.\n"},
        {{"--total-mg", "-1"}, {}, "warning: --total-mg -1 is negative; it is used as given.\n"},
        {{"--total-egta", "-0", "--ph", "11", "--mode", "6", "--free-ca", "1e-3"}, {}, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Args.back());
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"--format", "csv"});
        const TResult r = Run(args);
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Err, c.Err);
        EXPECT_EQ(Lines(r.Out).size(), 2U);
        if (!c.Same.empty()) {
            std::vector<std::string> same = c.Same;
            same.insert(same.end(), {"--format", "csv"});
            EXPECT_EQ(r.Out, Run(same).Out);
        }
    }
}

TEST_F(EndToEnd, AResultBeyondTheRangeFailsAlikeInEveryFormat)
{
    // The Tris term of an enormous pH overflows: no format may print it or leave it empty.
    for (const char* format : {"report", "csv", "json"}) {
        SCOPED_TRACE(format);
        const TResult r = Run({"--ph", "1e4932", "--format", format});
        EXPECT_EQ(r.Status, 1);
        EXPECT_EQ(r.Out, "");
        EXPECT_TRUE(r.Err.ends_with(std::string(CalcMessage::Overflow) + "\n")) << r.Err;
    }
}

TEST_F(EndToEnd, BatchReportsAreHeadedByTheirRowNumbers)
{
    const TResult r = Run({"--batch", "-", "--format", "report"}, "ph\n7\nx\n7.5\n");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "\nrow 1:" + Run({"--ph", "7"}).Out + "\nrow 3:" + Run({"--ph", "7.5"}).Out);
    EXPECT_EQ(r.Err, "row 2: " + CalcMessage::NotAFloat("x") + "\n");
}

TEST_F(EndToEnd, ConstantEditsReachTheCalculation)
{
    const auto freeCa = [this](std::vector<std::string> args) {
        args.insert(args.end(), {"--format", "json"});
        const TResult r = Run(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return nlohmann::json::parse(r.Out)["free_ca"].get<double>();
    };
    const double plain = freeCa({});
    // Restating a default changes nothing; removing Ca binding of EGTA frees the Ca.
    EXPECT_EQ(freeCa({"--const", "EGTA-Ca:0=10.97"}), plain);
    EXPECT_GT(freeCa({"--const", "EGTA-Ca:0=0", "--const", "EGTA-Ca:1=-2"}), 1000 * plain);
    EXPECT_LT(freeCa({"--const", "EGTA-Ca:0=12"}), plain / 5);
}

TEST_F(EndToEnd, BatchFileRowsMatchSingleRunsAndAFailedRowSetsTheStatus)
{
    WriteFile(FDir / "rows.csv", "ph,mode,free_mg\r\n7,,\r\n7.2,1,0\r\n\"6.8\",2,\r\n");
    const TResult r = Run({"--batch", "rows.csv", "--format", "json", "--total-po4", "2"});
    EXPECT_EQ(r.Status, 1);
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0] + "\n", Run({"--ph", "7", "--total-po4", "2", "--format", "json"}).Out);
    EXPECT_EQ(nlohmann::json::parse(lines[1])["error"], CalcMessage::ZeroDivide);
    EXPECT_EQ(lines[2] + "\n",
              Run({"--ph", "6.8", "--mode", "2", "--total-po4", "2", "--format", "json"}).Out);
}

TEST_F(EndToEnd, OutputRowFedBackAsInputGivesBackTheFreeCations)
{
    const TResult controlled = Run({"--mode", "2", "--free-mg", "0.8", "--free-ca", "5e-4",
                                    "--mgatp", "3", "--mgadp", "0.05", "--total-edta", "0.2",
                                    "--total-po4", "1", "--format", "csv"});
    ASSERT_EQ(controlled.Status, 0) << controlled.Err;
    std::string batch = controlled.Out;
    const std::size_t row = batch.find('\n') + 1;
    ASSERT_EQ(batch.substr(row, 2), "2,");
    batch[row] = '0'; // the same totals, every concentration given
    const TResult plain = Run({"--batch", "-", "--format", "json"}, batch);
    ASSERT_EQ(plain.Status, 0) << plain.Err;
    const auto j = nlohmann::json::parse(plain.Out);
    EXPECT_EQ(j["mode"], 0);
    for (const auto& [key, value] :
         {std::pair {"free_mg", 0.8}, {"free_ca", 5e-4}, {"mgatp", 3.0}, {"mgadp", 0.05}})
        EXPECT_NEAR(j[key].get<double>(), value, value * 1e-9) << key;
}
