// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The built quelix-cli run as a user runs it: arguments, standard input, standard output,
// standard error and exit status, in a temporary directory and under a locale whose
// decimal separator is a comma (the output must not follow it).

#include "report/record.h"
#include "engine/calcerror.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string ShellQuoted(const std::string& s)
{
    std::string q = "'";
    for (char ch : s)
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

struct TResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quelix-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        FDir = pattern;
    }

    void TearDown() override { fs::remove_all(FDir); }

    TResult Run(const std::vector<std::string>& args, const std::string& input = "")
    {
        WriteFile(FDir / "stdin", input);
        std::string command = "cd " + ShellQuoted(FDir.string()) + " && LC_ALL=de_DE.UTF-8 "
            + ShellQuoted(QUELIX_CLI_PATH);
        for (const std::string& a : args)
            command += " " + ShellQuoted(a);
        command += " <stdin >stdout 2>stderr";
        const int status = std::system(command.c_str());
        TResult r;
        r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.Out = ReadFile(FDir / "stdout");
        r.Err = ReadFile(FDir / "stderr");
        return r;
    }

    fs::path FDir;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

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
        {{"--ionic-strength", "-0.1", "--format", "csv"}, "", 1,
            std::string(CalcMessage::NegativeIonStr)},
        {{"--ph", "7,2", "--format", "json"}, "", 2, CalcMessage::NotAFloat("7,2")},
        {{"--format", "xml"}, "", 2, "--format"},
        {{"--mode"}, "", 2, "--mode"},
        {{"--batch", "missing.csv"}, "", 2, "missing.csv"},
        {{"--batch", "-", "--format", "csv"}, "ph,nope\n1,2\n", 2, "nope"},
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
    const TResult controlled
        = Run({"--mode", "2", "--free-mg", "0.8", "--free-ca", "5e-4", "--mgatp", "3", "--mgadp",
            "0.05", "--total-edta", "0.2", "--total-po4", "1", "--format", "csv"});
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
