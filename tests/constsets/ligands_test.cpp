// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Further ligands in set files and the bundled library: every bad definition refused with a
// message naming the file, the ligand and the entry; the library holding exactly the data it
// was made from; a set's own definition winning over the library's.
#include "constsets/setfile.h"

#include "engine/realtext.h"
#include "tests/constsets/datatable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

using enum TPartner;

namespace {

const std::string GoodText = R"({"format": "quelix constant set", "version": 1,
 "name": "Lab set", "reference_temperature_c": 22, "reference_ionic_strength_m": 0.1,
 "entries": [],
 "ligands": [
  {"name": "CrP", "description": "creatine phosphate", "charge": -2, "entries": [
   {"row": "CrP-H", "step": 0, "log10_k": 4.8, "source": "lab"},
   {"row": "CrP-Mg", "step": 0, "log10_k": 1.4, "enthalpy": 2, "enthalpy_unit": "kcal/mol", "source": "lab"}]},
  {"name": "MyChel", "charge": -4, "entries": [
   {"row": "MyChel-Ca", "step": 1, "log10_k": 3, "source": "lab", "estimate": true}]}
 ]})";

std::string Replaced(std::string_view from, std::string_view to)
{
    std::string text = GoodText;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string ReadError(const std::string& text)
{
    try {
        ParseConstSet(text, "lab.json");
    } catch (const TConstSetError& e) {
        return e.what();
    }
    return "(read without error)";
}

std::string ManyLigands(int count)
{
    std::string list;
    for (int i = 0; i < count; ++i)
        list += (i ? ", " : "") + std::string(R"({"name": "L)") + std::to_string(i)
            + R"(", "charge": -1, "entries": []})";
    return Replaced(GoodText.substr(GoodText.find("[\n  {\"name\": \"CrP\"")), "[" + list + "]}");
}

} // namespace

TEST(LigandSection, ReadsNamesChargesEntriesAndEstimates)
{
    const TConstSet set = ParseConstSet(GoodText, "lab.json");
    ASSERT_EQ(set.Ligands.size(), 2u);
    const TLigandDef& crp = set.Ligands[0];
    EXPECT_EQ(crp.Name, "CrP");
    EXPECT_EQ(crp.Charge, -2);
    EXPECT_EQ(crp.Entries[ptMg][0]->Log10K, 1.4L);
    EXPECT_EQ(crp.Entries[ptMg][0]->EnthalpyUnit, TEnthalpyUnit::euKcalPerMol);
    EXPECT_FALSE(crp.Entries[ptH][1].has_value());
    EXPECT_FALSE(HasEstimates(crp));
    EXPECT_TRUE(set.Ligands[1].Entries[ptCa][1]->Estimate);
    EXPECT_TRUE(HasEstimates(set.Ligands[1]));
}

TEST(LigandSection, EveryBadDefinitionIsRefusedNamingFileLigandAndEntry)
{
    struct Case {
        const char* Name;
        std::string Text;
        const char* Message;
    };
    const Case cases[] = {
        {"a name given twice, in another case", Replaced(R"("name": "MyChel")", R"("name": "crp")"),
         "lab.json: ligand 2 (crp): the name is given to two ligands"},
        {"a built-in ligand's name", Replaced(R"("name": "MyChel")", R"("name": "egta")"),
         "lab.json: ligand 2: \"egta\": \"EGTA\" is a built-in ligand"},
        {"a cation's name, whose columns it would take",
         Replaced(R"("name": "MyChel")", R"("name": "MG")"), "\"Mg\" names a binding partner"},
        {"a name too long", Replaced(R"("name": "MyChel")", R"("name": "ABCDEFGHIJKLMNOPQ")"),
         "ligand 2: \"ABCDEFGHIJKLMNOPQ\": the name is longer than 16 characters"},
        {"a space in the name", Replaced(R"("name": "MyChel")", R"("name": "My Chel")"),
         "letters, digits, '-' and '_' only"},
        {"no charge", Replaced(R"("charge": -4, )", ""),
         "ligand 2 (MyChel): the key \"charge\" is missing"},
        {"a charge of 0", Replaced(R"("charge": -4)", R"("charge": 0)"),
         "ligand 2 (MyChel): \"charge\", of the fully deprotonated ligand, must be a whole number "
         "from -1 to -6, not 0"},
        {"a charge of -7", Replaced(R"("charge": -4)", R"("charge": -7)"), "not -7"},
        {"a positive charge", Replaced(R"("charge": -4)", R"("charge": 2)"), "not 2"},
        {"a charge that is not whole", Replaced(R"("charge": -4)", R"("charge": -2.5)"),
         "not -2.5"},
        {"a charge as text", Replaced(R"("charge": -4)", R"("charge": "-4")"), "not the text"},
        {"a fifth proton", Replaced(R"("row": "CrP-H", "step": 0)", R"("row": "CrP-H", "step": 4)"),
         "ligand 1 (CrP), entry 1: \"step\" of CrP-H must be 0, 1, 2 or 3, not 4"},
        {"a metal bound to H2L",
         Replaced(R"("row": "CrP-Mg", "step": 0)", R"("row": "CrP-Mg", "step": 2)"),
         "ligand 1 (CrP), entry 2: a further ligand binds Mg and Ca as ML (step 0) and MHL "
         "(step 1) only"},
        {"another ligand's row", Replaced(R"("row": "MyChel-Ca")", R"("row": "CrP-Ca")"),
         "ligand 2 (MyChel), entry 1: unknown row \"CrP-Ca\" (the rows of this ligand are "
         "MyChel-H, MyChel-Mg and MyChel-Ca)"},
        {"an entry given twice",
         Replaced(R"("row": "CrP-Mg", "step": 0)", R"("row": "CrP-h", "step": 0)"),
         "ligand 1 (CrP), CrP-H step 0: this row and step is given twice"},
        {"an unknown key in a ligand", Replaced(R"("charge": -2)", R"("charge": -2, "pka": 4)"),
         "ligand 1 (CrP): unknown key \"pka\""},
        {"an estimate mark that is not true or false",
         Replaced(R"("estimate": true)", R"("estimate": 1)"),
         "ligand 2 (MyChel), MyChel-Ca step 1: \"estimate\" must be true or false"},
        {"a negative log10 K", Replaced(R"("log10_k": 4.8)", R"("log10_k": -1)"),
         "CrP-H step 0: \"log10_k\" must not be negative"},
        {"ligands not a list", Replaced(R"("ligands": [)", R"("ligands": {"x": [)") + "}",
         "\"ligands\" must be a list"},
        {"seventeen ligands", ManyLigands(17),
         "lab.json: a set defines at most 16 further "
         "ligands, this one 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_NE(ReadError(c.Text).find(c.Message), std::string::npos) << ReadError(c.Text);
    }
    EXPECT_EQ(ParseConstSet(ManyLigands(16), "lab.json").Ligands.size(), 16u);
}

TEST(LigandSection, WrittenLigandsReadBackAndOtherFilesKeepTheirText)
{
    TConstSet set = ParseConstSet(GoodText, "lab.json");
    set.Ligands[1].Entries[ptH][3] = TSetEntry {0.1L, std::nullopt, TEnthalpyUnit::euKJPerMol, "x"};
    EXPECT_EQ(ParseConstSet(ConstSetText(set), "again.json"), set);
    // A set without further ligands is written without the key, as before.
    set.Ligands.clear();
    EXPECT_EQ(ConstSetText(set).find("ligands"), std::string::npos);
    EXPECT_EQ(ParseConstSet(ConstSetText(set), "again.json"), set);
}

// Every library entry is the data file's row: value, enthalpy with its unit, the source word
// for word, the charge, and the mark of an estimate exactly where the source guesses.
TEST(LigandLibrary, HoldsExactlyTheDataItWasMadeFrom)
{
    auto rows = DataTable("extra_ligands_20C.csv");
    const TConstSet& library = LigandLibrary();
    EXPECT_EQ(library.ReferenceC, 20);
    std::size_t entries = 0;
    for (const TLigandDef& def : library.Ligands) {
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const auto& entry = def.Entries[pt][step];
                if (!entry)
                    continue;
                const std::string key = LigandRowLabel(def.Name, pt) + ":" + std::to_string(step);
                SCOPED_TRACE(key);
                ASSERT_EQ(rows.count(key), 1u);
                auto& row = rows[key];
                EXPECT_EQ(row["ligand"], def.Name);
                EXPECT_EQ(row["name"], def.Description);
                EXPECT_EQ(std::stoi(row["charge_of_L"]), def.Charge);
                EXPECT_EQ(entry->Log10K, *TextToReal(row["log10_k_at_0_1M"]));
                EXPECT_EQ(entry->Source, row["source"]);
                EXPECT_EQ(entry->Estimate, row["note"].find("GUESS") != std::string::npos);
                EXPECT_EQ(entry->Enthalpy.has_value(), !row["enthalpy"].empty());
                if (entry->Enthalpy) {
                    EXPECT_EQ(*entry->Enthalpy, *TextToReal(row["enthalpy"]));
                    EXPECT_EQ(entry->EnthalpyUnit, TEnthalpyUnit::euKcalPerMol);
                }
                ++entries;
            }
    }
    EXPECT_EQ(entries, rows.size());
    const auto path = std::filesystem::path(QUELIX_SOURCE_DIR) / "constsets" / "ligands"
        / "further-ligands-20c.json";
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(ConstSetText(library), text.str());
}

TEST(LigandLibrary, ASetsOwnDefinitionWinsAndTheRestComeFromTheLibrary)
{
    const TConstSet set = ParseConstSet(GoodText, "lab.json");
    const auto crp = FindLigand(set, "crp");
    ASSERT_TRUE(crp);
    EXPECT_FALSE(crp->FromLibrary);
    EXPECT_EQ(crp->Def->Entries[ptH][0]->Log10K, 4.8L);
    EXPECT_EQ(crp->ReferenceC, 22);
    const auto bapta = FindLigand(set, "BAPTA");
    ASSERT_TRUE(bapta);
    EXPECT_TRUE(bapta->FromLibrary);
    EXPECT_EQ(bapta->ReferenceC, 20);
    EXPECT_FALSE(FindLigand(set, "EGTA"));

    std::vector<std::string> names;
    for (const TKnownLigand& known : KnownLigands(set))
        names.push_back(known.Def->Name);
    const std::vector<std::string> expected {
        "CrP", "MyChel", "BAPTA", "DiBrBAPTA", "HEDTA", "Citrate", "ADA", "AMP"};
    EXPECT_EQ(names, expected);

    // The engine's form: absent steps 0, enthalpies in J/mol.
    const TFurtherLigand engine = EngineLigand(*crp);
    EXPECT_EQ(engine.Charge, -2);
    EXPECT_EQ(engine.BaseConst[ptH][1], 0);
    EXPECT_EQ(engine.EnthalpyJPerMol[ptMg][0], 2 * 4.184L * 1000);
    EXPECT_TRUE(std::isnan(engine.EnthalpyJPerMol[ptH][0]));
}

TEST(LigandSection, SixteenCharactersAreANameAndALigandIsAnObject)
{
    const std::string longest = "ABCDEFGHIJKLMNOP"; // seventeen are refused above
    std::string text = GoodText;
    for (std::size_t at; (at = text.find("MyChel")) != std::string::npos;)
        text.replace(at, 6, longest);
    EXPECT_EQ(ParseConstSet(text, "lab.json").Ligands.at(1).Name, longest);
    const std::string message = ReadError(
        Replaced(R"({"name": "MyChel")", R"(7, {"name": "MyChel")"));
    EXPECT_EQ(message, "lab.json: ligand 2: a further ligand must be an object, not 7");
}
