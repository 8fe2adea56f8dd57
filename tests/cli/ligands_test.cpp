// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Further ligands on the command line, as a user meets them: --ligand, the batch columns
// total_<n>, the stocks of a mixing table, the records' fields and the report's blocks.

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using clitest::Lines;
using clitest::ReadFile;
using clitest::WriteFile;
using TResult = clitest::TCliRun;
using TJson = nlohmann::json;

// The relaxing solution of a skinned-fibre protocol at pH 7.0 and 0.18 M: free Mg++ 1 mM
// and MgATP 4 mM in mode 2, 7 mM EGTA, pCa 9, 14.5 mM creatine phosphate.
const std::vector<std::string> Relaxing {
    "--mode",    "2", "--ph",      "7",    "--ionic-strength", "0.18", "--total-egta", "7",
    "--free-mg", "1", "--free-ca", "1e-6", "--mgatp",          "4",    "--ligand",     "CrP=14.5"};

class Ligands : public ::testing::Test {
protected:
    TResult Run(std::vector<std::string> args, const std::string& input = "")
    {
        return clitest::RunCli(FDir, args, input);
    }

    static std::vector<std::string> With(std::vector<std::string> args,
                                         std::initializer_list<std::string> more)
    {
        args.insert(args.end(), more);
        return args;
    }

    clitest::TTempDir FTemp;
    const fs::path& FDir = FTemp.Path();
};

double Rel(double a, double b)
{
    return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b));
}

// The species of `name` in a record add up to its total: to rounding where both free
// cations are given, to the solver's tolerance where it iterates.
void ExpectBalanceCloses(const TJson& record, const std::string& name, double tolerance = 1e-12)
{
    double sum = 0;
    for (const auto& [key, value] : record.items())
        if (key != "total_" + name && key.ends_with(name) && key != "ionic_strength")
            sum += value.get<double>();
    EXPECT_LT(Rel(sum, record["total_" + name].get<double>()), tolerance) << name;
}

} // namespace

TEST_F(Ligands, ReportOfTheRelaxingSolutionMatchesTheGoldenFile)
{
    const TResult r = Run(Relaxing);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / "cli_report_crp.txt"));
}

// Creatine phosphate holds Mg: at 1 mM free Mg++ the total Mg rises by exactly what its
// complexes hold, and the record's fields say so in their documented order.
TEST_F(Ligands, CreatinePhosphateRaisesTotalMgByItsComplexesAndEndsTheRecord)
{
    std::vector<std::string> without(Relaxing.begin(), Relaxing.end() - 2);
    const TJson a = TJson::parse(Run(With(without, {"--format", "json"})).Out);
    const TResult r = Run(With(Relaxing, {"--format", "json"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const TJson b = TJson::parse(r.Out);
    // The order of the fields is checked on the CSV header below.
    for (const char* key :
         {"total_crp", "free_crp", "hcrp", "h2crp", "mgcrp", "mghcrp", "cacrp", "cahcrp"})
        EXPECT_TRUE(b.contains(key)) << key;
    const double held = b["mgcrp"].get<double>() + b["mghcrp"].get<double>();
    EXPECT_GT(held, 0.19);
    EXPECT_LT(held, 0.21);
    EXPECT_LT(Rel(b["total_mg"].get<double>() - a["total_mg"].get<double>(), held), 1e-12);
    EXPECT_EQ(b["free_egta"], a["free_egta"]);
    ExpectBalanceCloses(b, "crp");

    const TResult csv = Run(With(Relaxing, {"--format", "csv", "--ligand", "HEDTA=1"}));
    const std::string header = Lines(csv.Out).at(0);
    EXPECT_TRUE(header.ends_with(",error,total_crp,free_crp,hcrp,h2crp,mgcrp,mghcrp,cacrp,cahcrp,"
                                 "total_hedta,free_hedta,hhedta,h2hedta,h3hedta,h4hedta,mg_hedta,"
                                 "mghhedta,ca_hedta,cahhedta"))
        << header;
}

// An output file given back to --batch brings its ligands with it: total_crp adds CrP and
// the species' columns are read back and ignored, so the same records come out.
TEST_F(Ligands, AnOutputFileReadBackComputesTheSameRecords)
{
    const TResult first = Run(With(Relaxing, {"--format", "csv"}));
    ASSERT_EQ(first.Status, 0) << first.Err;
    WriteFile(FDir / "out.csv", first.Out);
    const TResult again = Run({"--batch", "out.csv", "--format", "csv"});
    EXPECT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(again.Out, first.Out);

    WriteFile(FDir / "series.csv", "total_bapta,free_ca\n1,0.0001\n2,0.0001\n");
    const TResult bapta = Run({"--mode", "6", "--batch", "series.csv", "--format", "json"});
    ASSERT_EQ(bapta.Status, 0) << bapta.Err;
    const auto rows = Lines(bapta.Out);
    ASSERT_EQ(rows.size(), 2u);
    const TJson one = TJson::parse(rows[0]);
    const TJson two = TJson::parse(rows[1]);
    EXPECT_EQ(one["total_bapta"], 1);
    ExpectBalanceCloses(two, "bapta", 1e-8);
    // More BAPTA holds more Ca at the same free Ca++.
    EXPECT_GT(two["total_ca"].get<double>(), one["total_ca"].get<double>());
}

TEST_F(Ligands, UnusableLigandsAreUsageErrorsThatSayWhatIsKnown)
{
    struct Case {
        std::vector<std::string> Args;
        std::string Input;
        const char* Message;
    };
    const Case cases[] = {
        {{"--ligand", "Creatine=1"},
         "",
         "--ligand: no further ligand is named 'Creatine'; the known ones are CrP, BAPTA, "
         "DiBrBAPTA, HEDTA, Citrate, ADA, AMP."},
        {{"--ligand", "CrP=1", "--ligand", "crp=2"}, "", "--ligand crp is given twice."},
        {{"--ligand", "CrP"}, "", "expected NAME=TOTAL"},
        {{"--ligand", "CrP=1,5"}, "", "'1,5' は浮動小数点数ではありません"},
        {{"--ligand", "CrP=1", "--ligand", "BAPTA=1", "--ligand", "HEDTA=1", "--ligand", "ADA=1",
          "--ligand", "AMP=1"},
         "",
         "at most 4 further ligands"},
        {{"--batch", "-"},
         "total_xyz\n1\n",
         "The batch column total_xyz: no further ligand is "
         "named 'xyz'"},
        {{"--batch", "-"}, "free_crp\n1\n", "Unknown column 'free_crp'"},
        {{"--pca", "7", "--stock-a", "total_egta=1", "--stock-b", "total_ca=1", "--ligand",
          "CrP=1"},
         "",
         "--ligand does not apply to a mixing table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        const TResult r = Run(c.Args, c.Input);
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
}

// Two stocks that both hold creatine phosphate mix it like every other total: each mixture
// holds exactly the stocks' share, and the pCa it was solved for.
TEST_F(Ligands, AMixingTableMixesTheFurtherTotalsOfItsStocks)
{
    const TResult r = Run({"--ph", "7", "--ionic-strength", "0.18", "--pca", "9,6,5", "--stock-a",
                           "total_egta=7,total_mg=5.4,total_atp=4.74,total_crp=14.5", "--stock-b",
                           "total_egta=7,total_mg=5.3,total_atp=4.74,total_ca=7,total_crp=10",
                           "--format", "json"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    for (const std::string& line : Lines(r.Out)) {
        const TJson row = TJson::parse(line);
        const double f = row["fraction_b"].get<double>();
        EXPECT_LT(Rel(row["total_crp"].get<double>(), (1 - f) * 14.5 + f * 10), 1e-15);
        EXPECT_LT(std::fabs(row["pca"].get<double>() - row["pca_target"].get<double>()), 1e-9);
        ExpectBalanceCloses(row, "crp", 1e-8);
    }
}

// A set's own definition of a ligand wins over the library's.
TEST_F(Ligands, ASetsOwnDefinitionWinsOverTheLibrary)
{
    WriteFile(FDir / "lab.json", R"({"format": "quelix constant set", "version": 1,
        "name": "Lab", "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1,
        "entries": [], "ligands": [{"name": "CrP", "charge": -2, "entries": [
        {"row": "CrP-H", "step": 0, "log10_k": 4.7, "source": "lab"},
        {"row": "CrP-Mg", "step": 0, "log10_k": 2.3, "source": "lab"}]}]})");
    const TJson library = TJson::parse(Run(With(Relaxing, {"--format", "json"})).Out);
    const TResult r = Run(With(Relaxing, {"--format", "json", "--constants", "lab.json"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const TJson lab = TJson::parse(r.Out);
    // Ten times the binding constant: about ten times the complex at the same free Mg++.
    EXPECT_GT(lab["mgcrp"].get<double>(), 5 * library["mgcrp"].get<double>());
    EXPECT_EQ(lab["cacrp"], 0);
    // Its one proton step still shows HL and H2L, as its record does, and nothing beyond.
    const TResult report = Run(With(Relaxing, {"--constants", "lab.json"}));
    EXPECT_NE(report.Out.find("HCrP-     ="), std::string::npos) << report.Out;
    EXPECT_NE(report.Out.find("H2CrP     = 0 M"), std::string::npos) << report.Out;
    EXPECT_EQ(report.Out.find("H3CrP"), std::string::npos);
}

TEST_F(Ligands, EstimatedConstantsAreMarkedInTheReport)
{
    const TResult r = Run({"--ligand", "DiBrBAPTA=1"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("(DiBrBAPTA: Mg and Ca binding constants are estimates of the source, "
                         "not measurements)"),
              std::string::npos)
        << r.Out;
}

// A ligand that takes four protons shows all four forms, with their charges; one that takes
// two shows HL and H2L only; the MHL complexes show where the ligand forms them.
TEST_F(Ligands, TheReportShowsTheFormsAndComplexesEachLigandHas)
{
    const TResult r = Run({"--ligand", "HEDTA=1", "--ligand", "CrP=1", "--ligand", "Citrate=1"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    for (const char* label :
         {"HEDTA3-   =", "HHEDTA2-  =", "H2HEDTA-  =", "H3HEDTA   =", "H4HEDTA+  =", "MgHEDTA-  =",
          "H2CrP     =", "MgHCitrate=", "CaHCitrate="})
        EXPECT_NE(r.Out.find(label), std::string::npos) << label;
    for (const char* absent : {"H3CrP", "MgHCrP", "CaHHEDTA"})
        EXPECT_EQ(r.Out.find(absent), std::string::npos) << absent;
}
