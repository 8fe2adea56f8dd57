// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// What the page receives: the answers of the module's calls as JSON. The report, the
// series tables and the records are quelix-cli's own texts for the same inputs (the golden
// files of its tests), a record given back is the same calculation, the CSV the page saves
// has a header that names every cell, and a failure says what failed and where.

#include "web/module/webapi.h"

#include "constsets/constset.h"
#include "constsets/setfile.h"
#include "engine/calcerror.h"
#include "engine/calcstate.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TJson = nlohmann::ordered_json;
// A record with its reals as the extended reals they were written from.
using TExactJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                        std::int64_t, std::uint64_t, long double>;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Golden(const char* name)
{
    return ReadFile(fs::path(QUELIX_TEST_DATA_DIR) / name);
}

TJson Parse(const std::string& answer)
{
    return TJson::parse(answer);
}

// The cells of one CSV line: quoted cells may hold commas and doubled quotes.
std::vector<std::string> CsvCells(std::string_view line)
{
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += ch;
        }
    }
    return cells;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The calculation of the golden file cli_report_pca6.txt (quelix-cli --mode 6 --free-ca
// 0.001 --total-edta 0.5 --total-adp 0.1 --total-po4 1).
const std::string PCa6 = R"({"mode": "6", "free_ca": "0.001", "total_edta": "0.5",
    "total_adp": "0.1", "total_po4": "1"})";
// The relaxing solution of cli_report_crp.txt, with 14.5 mM creatine phosphate.
const std::string Relaxing = R"({"mode": "2", "ph": "7", "ionic_strength": "0.18",
    "total_egta": "7", "free_mg": "1", "free_ca": "1e-6", "mgatp": "4",
    "ligands": {"CrP": "14.5"}})";
// Another set, a temperature and the activity scale: the records gain their trailing fields.
const std::string Conditions = R"({"mode": "6", "ph": "7", "total_egta": "10",
    "constants": "nist-srd46-20c", "temperature_c": "25", "ph_scale": "activity"})";

} // namespace

TEST(WebApi, ReportsAreQuelixClisReports)
{
    const TJson pCa6 = Parse(WebCalculate(PCa6));
    ASSERT_TRUE(pCa6["ok"].get<bool>()) << pCa6.dump();
    EXPECT_EQ(pCa6["report"].get<std::string>(), Golden("cli_report_pca6.txt"));
    const TJson relaxing = Parse(WebCalculate(Relaxing));
    ASSERT_TRUE(relaxing["ok"].get<bool>()) << relaxing.dump();
    EXPECT_EQ(relaxing["report"].get<std::string>(), Golden("cli_report_crp.txt"));
    // Under other conditions the report opens with the line that names them.
    const std::string conditions = Parse(WebCalculate(Conditions))["report"].get<std::string>();
    EXPECT_EQ(conditions.rfind("\nConstants: NIST SRD 46, 20 °C, 0.1 M; temperature 25 °C", 0), 0U)
        << conditions;
}

TEST(WebApi, TheCsvHeaderNamesEveryCellOfTheRecord)
{
    // The page saves "csv" as a file: its header and its line must have the record's fields,
    // in the record's order, with the record's values; with further ligands and with the
    // conditions' fields too.
    for (const std::string& request : {PCa6, Relaxing, Conditions}) {
        SCOPED_TRACE(request);
        const TJson answer = Parse(WebCalculate(request));
        ASSERT_TRUE(answer["ok"].get<bool>()) << answer.dump();
        const TExactJson record = TExactJson::parse(answer["record"].get<std::string>());
        const std::vector<std::string> lines = Lines(answer["csv"].get<std::string>());
        ASSERT_EQ(lines.size(), 2U);
        const std::vector<std::string> names = CsvCells(lines[0]);
        const std::vector<std::string> cells = CsvCells(lines[1]);
        ASSERT_EQ(names.size(), record.size());
        ASSERT_EQ(cells.size(), record.size());
        std::size_t i = 0;
        for (const auto& [key, value] : record.items()) {
            SCOPED_TRACE(key);
            EXPECT_EQ(names[i], key);
            if (value.is_null())
                EXPECT_EQ(cells[i], "");
            else if (value.is_string())
                EXPECT_EQ(cells[i], value.get<std::string>());
            else if (value.is_number_float())
                EXPECT_EQ(TextToReal(cells[i]), value.get<long double>());
            else
                EXPECT_EQ(cells[i], value.dump());
            ++i;
        }
    }
}

TEST(WebApi, ARecordGivenBackIsTheSameCalculation)
{
    for (const std::string& request : {PCa6, Relaxing, Conditions}) {
        SCOPED_TRACE(request);
        const std::string answer = WebCalculate(request);
        const std::string record = Parse(answer)["record"].get<std::string>();
        EXPECT_EQ(WebCalculate(record), answer);
    }
    // The record says what was asked: the set, the temperature, the ligand's total.
    const TJson conditions = TJson::parse(
        Parse(WebCalculate(Conditions))["record"].get<std::string>());
    EXPECT_EQ(conditions["constants"], "NIST SRD 46, 20 °C, 0.1 M");
    EXPECT_EQ(conditions["temperature_c"], 25);
    EXPECT_EQ(conditions["ph_scale"], "activity");
    const TJson relaxing = TJson::parse(Parse(WebCalculate(Relaxing))["record"].get<std::string>());
    EXPECT_EQ(relaxing["total_crp"], 14.5);
    EXPECT_EQ(relaxing["mode"], 2);
    EXPECT_FALSE(relaxing.contains("constants"));
}

TEST(WebApi, FailuresSayWhatFailedAndWhere)
{
    // A request that cannot be used names its key.
    struct TCase {
        std::string Answer;
        const char* Field;
        const char* Error;
    };
    for (const TCase& c :
         {TCase {WebCalculate(R"({"colour": "blue"})"), "colour", "Unknown key 'colour'."},
          {WebCalculate(R"({"ph": 7)"), "", "The request is not JSON: "},
          {WebCalculate(R"({"ph": "seven"})"), "ph", "ph: "},
          {WebSeries(R"({"pca_list": "7", "mode": "0"})"), "mode",
           "A per-point series needs a mode"},
          {WebSeries(R"({"pca_list": "7", "colour": 1})"), "colour", "Unknown key 'colour'."},
          {WebSeries(R"({"pca_list": "7")"), "", "The request is not JSON: "},
          {WebSetFileText("nope"), "constants", "'nope' is no bundled set."},
          {WebReadSetFile("{\"format\": 1}", "mine.json"), "constants_file", "mine.json"}}) {
        SCOPED_TRACE(c.Answer);
        const TJson answer = Parse(c.Answer);
        EXPECT_EQ(answer["ok"], false);
        EXPECT_EQ(answer["kind"], "request");
        EXPECT_EQ(answer["field"], c.Field);
        EXPECT_EQ(answer["error"].get<std::string>().rfind(c.Error, 0), 0U);
        EXPECT_FALSE(answer.contains("record"));
    }

    // A calculation that fails: its message, and the failed record as a batch run writes it.
    const TJson failed = Parse(WebCalculate(R"({"mode": "3", "free_ca": "0"})"));
    EXPECT_EQ(failed["ok"], false);
    EXPECT_EQ(failed["kind"], "calculation");
    EXPECT_EQ(failed["field"], "");
    EXPECT_EQ(failed["error"], std::string(CalcMessage::InvalidOp));
    const TJson record = TJson::parse(failed["record"].get<std::string>());
    EXPECT_EQ(record["error"], failed["error"]);
    EXPECT_EQ(record["mode"], 3);
    EXPECT_EQ(record["free_ca"], 0);
    EXPECT_TRUE(record["pca"].is_null());
    EXPECT_FALSE(failed.contains("report"));
    // Under other conditions the failed record keeps their fields.
    const TJson failedThere = Parse(WebCalculate(
        R"({"mode": "3", "free_ca": "0", "constants": "nist-srd46-20c", "ligands": {"CrP": 1}})"));
    const TJson thereRecord = TJson::parse(failedThere["record"].get<std::string>());
    EXPECT_EQ(thereRecord["constants"], "NIST SRD 46, 20 °C, 0.1 M");
    EXPECT_EQ(thereRecord["total_crp"], 1);
}

// A set may be named with words the overflow check looks for in a report ("inf", "nan"):
// the line that names the set is not read for them, and the calculation succeeds.
TEST(WebApi, ASetNamedWithInfOrNanIsNoOverflow)
{
    std::string text = WebSetFileText("nist-srd46-20c");
    text = Parse(text)["text"].get<std::string>();
    const std::string name = "NIST SRD 46, 20 °C, 0.1 M";
    text.replace(text.find(name), name.size(), "Values at inf dilution -nan =inf");
    const TJson answer = Parse(
        WebCalculate("{\"mode\": \"6\", \"constants_file\": " + TJson(text).dump() + "}"));
    ASSERT_EQ(answer["ok"], true) << answer.dump();
    EXPECT_EQ(answer["report"].get<std::string>().rfind(
                  "\nConstants: Values at inf dilution -nan =inf;", 0),
              0U);
}

TEST(WebApi, ModesListTheInputsEachModeReads)
{
    // As quelix-cli --help lists them: pH, ionic strength, total EGTA, total EDTA and total
    // PO4 in every mode, and four more of the mode's own, in the record's order.
    const std::vector<std::vector<std::string>> own {
        {"total_mg", "total_ca", "total_atp", "total_adp"},
        {"total_ca", "free_mg", "mgatp", "mgadp"},
        {"free_mg", "free_ca", "mgatp", "mgadp"},
        {"total_mg", "free_ca", "caatp", "caadp"},
        {"free_mg", "free_ca", "caatp", "caadp"},
        {"total_adp", "free_ca", "mgatp", "caatp"},
        {"total_mg", "total_atp", "total_adp", "free_ca"}};
    const std::vector<std::string> order {"ph",        "ionic_strength", "total_egta", "total_edta",
                                          "total_mg",  "total_ca",       "total_atp",  "total_adp",
                                          "total_po4", "free_mg",        "free_ca",    "mgatp",
                                          "caatp",     "mgadp",          "caadp"};
    const TJson answer = Parse(WebModes());
    EXPECT_EQ(answer["ok"], true);
    const TJson& modes = answer["modes"];
    ASSERT_EQ(modes.size(), 7U);
    for (std::size_t m = 0; m < 7; ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(modes[m]["mode"], m);
        EXPECT_EQ(modes[m]["caption"], std::string(ModeCaptions[m]));
        std::vector<std::string> expected;
        for (const std::string& name : order)
            if (name == "ph" || name == "ionic_strength" || name == "total_egta"
                || name == "total_edta" || name == "total_po4"
                || std::find(own[m].begin(), own[m].end(), name) != own[m].end())
                expected.push_back(name);
        EXPECT_EQ(modes[m]["inputs"].get<std::vector<std::string>>(), expected);
    }
    EXPECT_EQ(modes[6]["caption"], "Control Ca++");
}

TEST(WebApi, SeriesAreQuelixClisTables)
{
    // quelix-cli --ph 7 --ionic-strength 0.15 --mode 6 --total-egta 10 --total-mg 5
    // --total-atp 5 --pca=9:5:1
    const TJson perPoint = Parse(WebSeries(R"({"ph": "7", "ionic_strength": "0.15", "mode": "6",
        "total_egta": "10", "total_mg": "5", "total_atp": "5", "pca_list": "9:5:1"})"));
    ASSERT_EQ(perPoint["ok"], true) << perPoint.dump();
    EXPECT_EQ(perPoint["kind"], "per_point");
    EXPECT_EQ(perPoint["table"].get<std::string>(), Golden("cli_series_perpoint.txt"));
    const std::vector<std::string> json = Lines(perPoint["json"].get<std::string>());
    const std::vector<std::string> csv = Lines(perPoint["csv"].get<std::string>());
    ASSERT_EQ(json.size(), 5U);
    ASSERT_EQ(csv.size(), 6U);
    EXPECT_EQ(TJson::parse(json[3])["pca_target"], 6);
    EXPECT_EQ(CsvCells(csv[0]).size(), TJson::parse(json[0]).size());
    EXPECT_EQ(CsvCells(csv[0])[0], "pca_target");

    // The stocks of cli_series_mixing.txt, with --pca 9:5:1,4 (pCa 4 out of their range).
    const TJson mixing = Parse(WebSeries(R"({"ph": "7", "ionic_strength": "0.15",
        "stock_a": {"total_egta": "7", "total_mg": "5.4", "total_atp": "5", "total_ca": "0.028"},
        "stock_b": {"total_egta": "7", "total_mg": "5.1", "total_atp": "5", "total_ca": "7.03"},
        "pca_list": "9:5:1,4"})"));
    ASSERT_EQ(mixing["ok"], true) << mixing.dump();
    EXPECT_EQ(mixing["kind"], "mixing");
    EXPECT_EQ(mixing["table"].get<std::string>(), Golden("cli_series_mixing.txt"));
    EXPECT_EQ(Lines(mixing["json"].get<std::string>()).size(), 6U);

    // Under other conditions the table names them first, and the records carry them.
    const TJson activity = Parse(WebSeries(R"({"mode": "6", "ph_scale": "activity",
        "pca_list": "6", "ligands": {"CrP": "5"}})"));
    ASSERT_EQ(activity["ok"], true) << activity.dump();
    EXPECT_EQ(activity["table"].get<std::string>().rfind("Constants: ", 0), 0U);
    const TJson row = TJson::parse(activity["json"].get<std::string>());
    EXPECT_EQ(row["ph_scale"], "activity");
    EXPECT_EQ(row["total_crp"], 5);
    const std::vector<std::string> activityCsv = Lines(activity["csv"].get<std::string>());
    ASSERT_EQ(activityCsv.size(), 2U);
    EXPECT_EQ(CsvCells(activityCsv[0]).size(), row.size());
    EXPECT_EQ(CsvCells(activityCsv[1]).size(), row.size());
}

TEST(WebApi, BundledSetsTheirFilesAndSetFilesRead)
{
    const TJson answer = Parse(WebConstantSets());
    EXPECT_EQ(answer["ok"], true);
    const TJson& sets = answer["sets"];
    ASSERT_EQ(sets.size(), BundledSets().size());
    EXPECT_EQ(sets[0]["id"], "builtin");
    EXPECT_EQ(sets[0]["name"], "Built-in");
    EXPECT_TRUE(sets[0]["reference_temperature_c"].is_null());
    EXPECT_EQ(sets[1]["id"], "nist-srd46-20c");
    EXPECT_EQ(sets[1]["name"], "NIST SRD 46, 20 °C, 0.1 M");
    EXPECT_EQ(sets[1]["reference_temperature_c"], 20);
    EXPECT_EQ(sets[1]["entries"], 28);
    EXPECT_EQ(sets[1]["description"], BundledSets()[1].Set.Description);

    // A bundled set's file, by id or by name, read back as a set file: the same summary.
    const TJson file = Parse(WebSetFileText("nist-srd46-20c"));
    ASSERT_EQ(file["ok"], true);
    EXPECT_EQ(file["text"].get<std::string>(), ConstSetText(BundledSets()[1].Set));
    EXPECT_EQ(Parse(WebSetFileText("NIST SRD 46, 20 °C, 0.1 M"))["text"], file["text"]);
    TJson summary = Parse(WebReadSetFile(file["text"].get<std::string>(), "copy.json"));
    EXPECT_EQ(summary["ok"], true);
    TJson listed = sets[1];
    listed.erase("id");
    for (const char* key : {"name", "description", "entries", "reference_temperature_c"})
        EXPECT_EQ(summary[key], listed[key]) << key;
    EXPECT_EQ(summary.size(), listed.size() + 1); // and "ok"

    // The built-in table's name on a set of its own is refused, naming the file.
    std::string impostor = file["text"].get<std::string>();
    const std::string name = sets[1]["name"].get<std::string>();
    impostor.replace(impostor.find(name), name.size(), "Built-in");
    const TJson refused = Parse(WebReadSetFile(impostor, "b.json"));
    EXPECT_EQ(refused["ok"], false);
    EXPECT_EQ(refused["field"], "constants_file");
    EXPECT_EQ(refused["error"].get<std::string>().rfind("b.json: ", 0), 0U) << refused.dump();
}
