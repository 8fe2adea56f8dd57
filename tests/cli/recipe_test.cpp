// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// quelix-cli --recipe as a lab uses it: the manual's skinned-fibre solutions with their
// weighing sheets, the records in the three formats, series made with a recipe, and the
// options a recipe file replaces.

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using clitest::Lines;
using clitest::ReadFile;
using clitest::WriteFile;
using TJson = nlohmann::json;

const fs::path Recipes = fs::path(QUELIX_TEST_DATA_DIR) / ".." / ".." / "docs" / "recipes";

class Recipe : public ::testing::Test {
protected:
    clitest::TCliRun Run(const std::vector<std::string>& args)
    {
        return clitest::RunCli(FTemp.Path(), args);
    }
    std::string Relaxing() const { return (Recipes / "relaxing-pca9.json").string(); }

    clitest::TTempDir FTemp;
};

TEST_F(Recipe, TheReportEndsWithTheWeighingSheetOfTheManual)
{
    const auto r = Run({"--recipe", Relaxing()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_recipe_relaxing.txt"));
    // The Ca of pCa 9 is a fraction of a milligram: it comes from the stock solution.
    EXPECT_EQ(r.Err, "");
}

TEST_F(Recipe, TheRecordIsTheCalculationsOwnWithTheSolutionAfterIt)
{
    const auto made = Run({"--recipe", Relaxing(), "--format", "json"});
    const auto plain = Run({"--mode",           "2",        "--ph",         "7.0",
                            "--ionic-strength", "0.18",     "--total-egta", "7",
                            "--mgatp",          "4",        "--free-mg",    "1",
                            "--free-ca",        "1e-06",    "--mgadp",      "0",
                            "--ligand",         "CrP=14.5", "--constants",  "nist-srd46-20c",
                            "--temperature",    "22",       "--format",     "json"});
    ASSERT_EQ(made.Status, 0) << made.Err;
    ASSERT_EQ(plain.Status, 0) << plain.Err;
    const TJson recipe = TJson::parse(made.Out);
    const TJson record = TJson::parse(plain.Out);
    // Mode 2 needs no bracketing, so the recipe's tighter tolerance changes nothing.
    for (const auto& [key, value] : record.items())
        EXPECT_EQ(recipe.at(key), value) << key;
    EXPECT_DOUBLE_EQ(recipe.at("ionic_strength_solution").get<double>(), 0.18);
    EXPECT_EQ(recipe.at("titrant"), "KOH");
    EXPECT_GT(recipe.at("titrant_mM").get<double>(), 10);
    EXPECT_EQ(recipe.at("buffer_acid_charge"), 1);
    double cations = 0;
    for (const auto& [ion, mM] : recipe.at("counter_ions_mM").items())
        cations += ion.ends_with("+") ? mM.get<double>() : 0;
    EXPECT_GT(cations, 100); // K+ of KOH and KCl, Na+ of the ATP and CrP salts
    ASSERT_TRUE(recipe.at("weighing").is_array());
    EXPECT_EQ(recipe.at("weighing")[0].at("component"), "buffer");
    EXPECT_TRUE(recipe.at("recipe_error").is_null());

    // The CSV row has a cell for every header name, and the same numbers.
    const auto csv = Run({"--recipe", Relaxing(), "--format", "csv"});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    const std::vector<std::string> lines = Lines(csv.Out);
    ASSERT_EQ(lines.size(), 2u);
    // Cells, with commas inside quoted texts (the set's name) not counted.
    const auto count = [](const std::string& line) {
        int cells = 1;
        bool quoted = false;
        for (char ch : line) {
            quoted = ch == '"' ? !quoted : quoted;
            cells += !quoted && ch == ',';
        }
        return cells;
    };
    EXPECT_EQ(count(lines[0]), count(lines[1]));
    EXPECT_NE(lines[0].find(",counter_ions_mM:K+,"), std::string::npos);
    EXPECT_NE(lines[0].find(",weigh_crp_mg,"), std::string::npos);
}

TEST_F(Recipe, ASeriesIsMadeAtItsIonicStrengthAtEveryPoint)
{
    const auto points = Run({"--recipe", Relaxing(), "--pca", "9,6,4.5", "--format", "json"});
    ASSERT_EQ(points.Status, 0) << points.Err;
    const std::vector<std::string> rows = Lines(points.Out);
    ASSERT_EQ(rows.size(), 3u);
    double lastTitrant = 0;
    for (const std::string& row : rows) {
        const TJson j = TJson::parse(row);
        EXPECT_DOUBLE_EQ(j.at("ionic_strength_solution").get<double>(), 0.18);
        EXPECT_NEAR(j.at("charge_balance_mM").get<double>(), 0, 1e-9);
        // More Ca on EGTA frees more protons: more base at every step down in pCa.
        EXPECT_GT(j.at("titrant_mM").get<double>(), lastTitrant);
        lastTitrant = j.at("titrant_mM").get<double>();
    }
    // The readable table of a ladder, as the manual shows it.
    const auto table = Run({"--recipe", Relaxing(), "--pca", "9,6,4.5"});
    ASSERT_EQ(table.Status, 0) << table.Err;
    EXPECT_EQ(table.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_recipe_ladder.txt"));
    const auto mixing = Run(
        {"--recipe", Relaxing(), "--pca", "8,6,5", "--stock-a",
         "total_egta=7,total_mg=5.4,total_atp=4.73,total_ca=0.027,total_crp=14.5", "--stock-b",
         "total_egta=7,total_mg=5.2,total_atp=4.79,total_ca=7.04,total_crp=14.5"});
    ASSERT_EQ(mixing.Status, 0) << mixing.Err;
    EXPECT_NE(mixing.Out.find("Weighing sheet: stock A"), std::string::npos);
    EXPECT_NE(mixing.Out.find("Weighing sheet: stock B"), std::string::npos);
    EXPECT_NE(mixing.Out.find("drift (mM)"), std::string::npos);
}

TEST_F(Recipe, OptionsTheFileGivesAreRefusedAndBadFilesNamed)
{
    struct TCase {
        std::vector<std::string> Args;
        int Status;
        std::string Message;
    };
    WriteFile(
        FTemp.Path() / "bad.json", R"({"format": "quelix-recipe", "version": 1, "buffer": 20})");
    WriteFile(FTemp.Path() / "salty.json",
              R"({"format": "quelix-recipe", "version": 1,
                  "calculation": {"ionic_strength": 0.01, "total_mg": 20}})");
    const TCase cases[] {
        {{"--recipe", Relaxing(), "--ph", "7.2"}, 2, "--ph cannot be combined with --recipe"},
        {{"--recipe", Relaxing(), "--constants", "nist-srd46-20c"}, 2, "--constants cannot"},
        {{"--recipe", Relaxing(), "--ligand", "CrP=1"}, 2, "--ligand cannot"},
        {{"--recipe", Relaxing(), "--batch", "x.csv"}, 2, "--batch cannot"},
        {{"--recipe", "missing.json"}, 2, "missing.json: the file cannot be opened"},
        {{"--recipe", ""}, 2, "expected the path of a recipe file"},
        {{"--recipe", "bad.json"}, 2, "bad.json: \"buffer\" must be an object"},
        {{"--recipe", "salty.json"}, 1, "already has an ionic strength of"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args[1] + " " + (c.Args.size() > 2 ? c.Args[2] : ""));
        const auto r = Run(c.Args);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    }
    // A solution that cannot be made still shows its calculation, and the sheet says why.
    const auto salty = Run({"--recipe", "salty.json"});
    EXPECT_NE(
        salty.Out.find("The solution cannot be made as asked: Without filler"), std::string::npos)
        << salty.Out;
    EXPECT_EQ(salty.Out.find("Step  Component"), std::string::npos);
}

} // namespace
