// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The constant set, temperature and pH scale of the command line: parsing, the table it
// shows, and the built program's outputs with them.
#include "cli/options.h"
#include "engine/calcerror.h"
#include "report/conditions.h"

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using enum TLigand;
using enum TPartner;

using clitest::Parse;
using clitest::ReadFile;

namespace {

// The line of --show-constants for a row and step ("EGTA-Ca,0,").
std::string ShownLine(const std::string& table, const std::string& rowAndStep)
{
    const auto at = table.find("\n" + rowAndStep);
    if (at == std::string::npos)
        return {};
    return table.substr(at + 1, table.find('\n', at + 1) - at - 1);
}

// The built program in a temporary directory, as a user runs it.
class ConstSetRun : public ::testing::Test {
protected:
    using TResult = clitest::TCliRun;

    TResult Run(const std::vector<std::string>& args, const std::string& input = "")
    {
        return clitest::RunCli(FDir, args, input);
    }

    clitest::TTempDir FTemp {"quelix-sets"};
    const fs::path& FDir = FTemp.Path();
};

} // namespace

TEST(ConstOptions, ChooseASetTemperatureAndScaleWithEditsOnTop)
{
    const TCliOptions plain = Parse({});
    EXPECT_EQ(plain.Constants.Set, BuiltInSet());
    EXPECT_FALSE(plain.Input.TemperatureC);
    EXPECT_EQ(plain.Input.pHScale, TpHScale::psConcentration);

    const TCliOptions o = Parse({"--constants", "NIST SRD 46, 20 \u00B0C, 0.1 M", "--temperature",
                                 "37", "--ph-scale", "activity", "--const", "EGTA-Ca:0=11",
                                 "--const", "EGTA-Ca:0=11.1", "--const", "ADP-H:0=6.374"});
    EXPECT_EQ(o.Constants.Chosen.Name, "NIST SRD 46, 20 \u00B0C, 0.1 M");
    EXPECT_EQ(o.Input.TemperatureC, TReal(37));
    EXPECT_EQ(o.Input.pHScale, TpHScale::psActivity);
    // Two edits of one entry count once; restating the set's own value is no edit.
    EXPECT_EQ(o.Constants.EditedEntries, 1);
    EXPECT_EQ(EntryInForce(o.Constants.Set, ligEGTA, ptCa, 0).Log10K, 11.1L);
    EXPECT_EQ(EntryInForce(o.Constants.Set, ligEGTA, ptCa, 0).Source, EditedSource);
    EXPECT_EQ(Parse({"--constants", "nist-srd46-20c"}).Constants.Set, o.Constants.Chosen);

    // A value <= 0 on a step the set lacks leaves it lacking: the set is not edited.
    const TCliOptions absent = Parse({"--constants", "nist-srd46-20c", "--const", "PO4-Ca:0=-2",
                                      "--const", "ATP-Mg:2=-0.5", "--const", "EDTA-Mg:2=0"});
    EXPECT_EQ(absent.Constants.EditedEntries, 0);
    EXPECT_EQ(absent.Constants.Set, absent.Constants.Chosen);
    // On a step the set has, it removes the step: one edit.
    EXPECT_EQ(
        Parse({"--constants", "nist-srd46-20c", "--const", "EGTA-Ca:1=-2"}).Constants.EditedEntries,
        1);
}

TEST(ConstOptions, UnusableChoicesAreUsageErrors)
{
    const fs::path bad = fs::temp_directory_path() / "quelix-bad-set.json";
    std::ofstream(bad) << R"({"format": "quelix constant set", "version": 1, "name": "Bad",
        "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1,
        "entries": [{"row": "EGTA-Ca", "step": 0, "log10_k": 11, "enthalpy": -30, "source": "x"}]})";
    struct TCase {
        std::vector<std::string> Args;
        std::string Message;
    };
    const std::vector<TCase> cases {
        {{"--temperature", "warm"}, CalcMessage::NotAFloat("warm")},
        {{"--temperature", "310.15"}, "between 0 and 100 \u00B0C (liquid water), not 310.15"},
        {{"--temperature", "-5"}, "between 0 and 100"},
        {{"--ph-scale", "meter"}, "--ph-scale must be concentration or activity, not 'meter'"},
        {{"--constants", "nist"}, "--constants 'nist': no bundled set has this name"},
        {{"--constants", bad.string()},
         bad.string() + ": entry 1 (EGTA-Ca step 0): the enthalpy has no unit"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.back());
        try {
            Parse(c.Args);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
    fs::remove(bad);
}

TEST(ConstOptions, ShownTableGivesEachEntrysSourceAndItsValueAtTheTemperature)
{
    const TCliOptions o = Parse({"--constants", "nist-srd46-20c", "--temperature", "25", "--const",
                                 "EGTA-Ca:1=5.5", "--const", "EDTA-Ca:1=0"});
    const std::string table = ShowConstantsText(o.Constants, o.Input);
    EXPECT_TRUE(
        table.starts_with("row,step,log10_k,enthalpy,enthalpy_unit,"
                          "reference_temperature_c,temperature_c,log10_k_in_force,source\n"));
    // 6.476 with 0.5 kcal/mol from 20 to 25 C, worked by hand: 6.4822511093865142.
    EXPECT_TRUE(ShownLine(table, "ATP-H,0,")
                    .starts_with("ATP-H,0,6.476,0.5,kcal/mol,20,25,6.48225110938651419"));
    EXPECT_NE(ShownLine(table, "ATP-H,0,").find(",\"NIST SRD 46 (R.M. Smith"), std::string::npos);
    EXPECT_EQ(ShownLine(table, "EGTA-Ca,1,"), "EGTA-Ca,1,5.5,,,20,25,5.5,edited by the user");
    EXPECT_EQ(ShownLine(table, "EDTA-Ca,1,"), ""); // removed
    EXPECT_TRUE(ShownLine(table, "PO4-H,0,").starts_with("PO4-H,0,11.652"));
    EXPECT_TRUE(
        ShownLine(table, "PO4-H,0,")
            .ends_with(",,,,25," + FormatReal(BuiltInTable()[ligPO4][ptH][0]) + ",built-in table"));
    EXPECT_NE(ListConstantsText().find("nist-srd46-20c\n    NIST SRD 46, 20 \u00B0C, 0.1 M\n"),
              std::string::npos);
}

TEST_F(ConstSetRun, ReportAndRecordsNameTheConditionsAndABatchReadsItsOwnOutputBack)
{
    const std::vector<std::string> conditions {
        "--constants", "nist-srd46-20c", "--temperature", "25", "--ph-scale", "activity"};
    std::vector<std::string> args = conditions;
    args.insert(args.end(),
                {"--mode", "6", "--ph", "7", "--ionic-strength", "0.15", "--total-egta", "10",
                 "--total-mg", "5", "--total-atp", "5", "--free-ca", "0.001"});
    const TResult report = Run(args);
    ASSERT_EQ(report.Status, 0) << report.Err;
    EXPECT_TRUE(report.Out.starts_with(
        "\nConstants: NIST SRD 46, 20 \u00B0C, 0.1 M; temperature 25 \u00B0C (9 entries not "
        "corrected); pH is a meter reading (H+ activity), pcH = 6.873\nZ =  0.150 M  pH =  7.00"))
        << report.Out;

    args.insert(args.end(), {"--format", "csv"});
    const TResult csv = Run(args);
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_EQ(csv.Out.substr(0, csv.Out.find('\n') + 1), RecordCsvHeader(true));
    std::vector<std::string> batch = conditions;
    batch.insert(batch.end(), {"--batch", "-", "--format", "csv"});
    const TResult again = Run(batch, csv.Out);
    ASSERT_EQ(again.Status, 0) << again.Err;
    // Mode 6 wrote its totals back; read as mode 6 again they give the same record.
    EXPECT_EQ(again.Out, csv.Out);

    // Under other conditions the file is refused before anything is computed or written,
    // naming the column, the file's value and the option.
    struct TCase {
        std::vector<std::string> Conditions;
        std::string Message;
    };
    const std::vector<TCase> others {
        {{},
         "constants 'NIST SRD 46, 20 \u00B0C, 0.1 M', but this run has 'Built-in': give "
         "--constants"},
        {{"--constants", "nist-srd46-20c"},
         "temperature_c '25', but this run has no "
         "temperature: give --temperature 25"},
        {{"--constants", "nist-srd46-20c", "--temperature", "37", "--ph-scale", "activity"},
         "temperature_c '25', but this run has 37 \u00B0C: give --temperature 25"},
        {{"--constants", "nist-srd46-20c", "--temperature", "25"},
         "ph_scale 'activity', but this run has 'concentration': give --ph-scale activity"},
        {{"--constants", "nist-srd46-20c", "--temperature", "25", "--ph-scale", "activity",
          "--const", "EGTA-Ca:0=11"},
         "edited_entries '0', but this run has 1: give the --const edits"},
    };
    for (const TCase& c : others) {
        SCOPED_TRACE(c.Message);
        std::vector<std::string> other = c.Conditions;
        other.insert(other.end(), {"--mode", "6", "--batch", "-", "--format", "csv"});
        const TResult refused = Run(other, csv.Out);
        EXPECT_EQ(refused.Status, 2);
        EXPECT_EQ(refused.Out, "");
        EXPECT_NE(refused.Err.find("Row 1 of the batch file was computed with " + c.Message),
                  std::string::npos)
            << refused.Err;
    }
}

TEST_F(ConstSetRun, BuiltInSetByNameChangesNoOutputAndABadFileNoneEither)
{
    for (const char* format : {"report", "csv", "json"}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(
            Run({"--constants", "builtin", "--format", format}).Out, Run({"--format", format}).Out);
    }
    std::ofstream(FDir / "set.json") << R"({"format": "quelix constant set"})";
    const TResult bad = Run({"--constants", "set.json", "--format", "csv"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Out, "");
    EXPECT_NE(bad.Err.find("set.json: the key \"version\" is missing"), std::string::npos)
        << bad.Err;
}

TEST_F(ConstSetRun, ShownTableInJsonAndABundledNameBeforeAFileOfThatName)
{
    const TResult csv = Run({"--show-constants", "--constants", "nist-srd46-20c"});
    const TResult json = Run(
        {"--show-constants", "--constants", "nist-srd46-20c", "--format", "json"});
    ASSERT_EQ(json.Status, 0) << json.Err;
    // One object per entry line of the CSV table, with its header's names as keys.
    std::istringstream csvLines(csv.Out), jsonLines(json.Out);
    std::string header, line, object;
    std::getline(csvLines, header);
    std::size_t count = 0;
    while (std::getline(csvLines, line) && std::getline(jsonLines, object)) {
        const auto j = nlohmann::ordered_json::parse(object);
        std::string keys;
        for (const auto& item : j.items())
            keys += (keys.empty() ? "" : ",") + item.key();
        EXPECT_EQ(keys, header);
        EXPECT_TRUE(line.starts_with(j["row"].get<std::string>() + ","
                                     + std::to_string(j["step"].get<int>()) + ","))
            << line;
        ++count;
    }
    EXPECT_EQ(count, 33U);
    EXPECT_FALSE(std::getline(jsonLines, object));

    // A file named like a bundled set: the bundled set is used, and the run says so.
    clitest::WriteFile(FDir / "nist-srd46-20c", "{}");
    const TResult named = Run({"--constants", "nist-srd46-20c", "--format", "csv"});
    EXPECT_EQ(named.Status, 0);
    EXPECT_NE(named.Err.find("warning: --constants 'nist-srd46-20c' is the bundled set of that "
                             "name; the file 'nist-srd46-20c' in the current folder is not read"),
              std::string::npos)
        << named.Err;
    EXPECT_EQ(Run({"--constants", "./nist-srd46-20c"}).Status, 2); // the file, which is no set
}
