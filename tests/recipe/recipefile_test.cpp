// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Recipe files: what a lab's file says is what the recipe holds, a saved recipe reads back
// as itself, and every kind of bad key or value is refused naming the file and the key.

#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using enum TValueField;

const char* const Relaxing = R"j({"format": "quelix-recipe", "version": 1,
 "name": "pCa 9", "volume_ml": 50,
 "calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                 "mgatp": 4, "free_mg": 1, "free_ca": 1e-6, "mgadp": 0},
 "ligands": {"crp": 14.5}, "constants": "nist-srd46-20c", "temperature_c": 22,
 "ph_scale": "activity",
 "salts": {"EGTA": "EGTA (free acid)", "ca": "CaCl2.2H2O",
           "CrP": {"name": "my CrP", "molar_mass_g_mol": 255.08, "ions": "Na+:2;PCr2-:1"}},
 "purity": {"atp": 0.95}, "contaminating_ca_mM": 0.01,
 "buffer": {"name": "imidazole", "total_mM": 20},
 "titrant": "NaOH", "filler": "K-gluconate", "stock_solutions": {"ca": 100, "titrant": 4000}})j";

TEST(RecipeFile, AFileSaysWhatTheRecipeHolds)
{
    const TRecipe r = ParseRecipe(Relaxing, "relaxing.json");
    EXPECT_EQ(r.Name, "pCa 9");
    EXPECT_EQ(r.VolumeMl, 50);
    EXPECT_EQ(r.Calculation.Mode, TCalcMode::cmMgATP_Mg_MgADP_Ca);
    EXPECT_EQ(r.Calculation[vfIonStr], 0.18L); // read as an extended real, not a double
    EXPECT_EQ(r.Calculation[vfFreeCa], 1e-6L);
    EXPECT_EQ(r.Calculation[vfTotalMg], 2.2L); // not given: the built-in default
    ASSERT_EQ(r.Constants.Ligands.size(), 1u);
    EXPECT_EQ(r.Constants.Ligands[0].Name, "CrP");
    EXPECT_EQ(r.Calculation.FurtherTotals[0], 14.5L);
    EXPECT_EQ(r.Constants.Set.Name, "NIST SRD 46, 20 \u00B0C, 0.1 M");
    EXPECT_EQ(r.Calculation.TemperatureC, 22);
    EXPECT_EQ(r.Calculation.pHScale, TpHScale::psActivity);
    EXPECT_EQ(r.Salts.at("egta").Name, "EGTA (free acid)");
    EXPECT_EQ(r.Salts.at("ca").Name, "CaCl2\u00B72H2O");
    EXPECT_EQ(r.Salts.at("CrP").MolarMass, 255.08L);
    EXPECT_EQ(r.Purity.at("atp"), 0.95L);
    EXPECT_EQ(r.ContaminatingCamM, 0.01L);
    ASSERT_TRUE(r.Buffer);
    EXPECT_EQ(r.Buffer->Salt.Name, "imidazole");
    EXPECT_EQ(r.Titrant.Name, "NaOH");
    EXPECT_EQ(r.Filler.Name, "K-gluconate");
    EXPECT_EQ(r.Stocks.at("titrant"), 4000);
}

TEST(RecipeFile, ASavedRecipeReadsBackAsItselfAndComputesAlike)
{
    const TRecipe r = ParseRecipe(Relaxing, "relaxing.json");
    const std::string text = RecipeText(r);
    const TRecipe back = ParseRecipe(text, "saved.json");
    EXPECT_EQ(RecipeText(back), text);
    EXPECT_EQ(back.Calculation.Values, r.Calculation.Values);
    EXPECT_EQ(back.Calculation.FurtherTotals, r.Calculation.FurtherTotals);
    EXPECT_EQ(back.Salts, r.Salts);
    EXPECT_EQ(back.Purity, r.Purity);
    EXPECT_EQ(back.Stocks, r.Stocks);
    EXPECT_EQ(back.Titrant, r.Titrant);
    EXPECT_EQ(back.Buffer->Buffer, r.Buffer->Buffer);
    TEngine a, b;
    EXPECT_EQ(
        RecipeOutputText(a, r, ComputeRecipe(a, r, TOutputFormat::ofJson), TOutputFormat::ofJson),
        RecipeOutputText(
            b, back, ComputeRecipe(b, back, TOutputFormat::ofJson), TOutputFormat::ofJson));
    // A user's own buffer and salts are written whole.
    TRecipe own = r;
    own.Buffer->Buffer.Name = "my buffer";
    own.Buffer->Buffer.pKa = 7.2L;
    own.Buffer->Buffer.AcidCharge = 0;
    own.Buffer->Buffer.BaseCharge = -1;
    own.Buffer->Salt = {"my buffer acid", "", 200, ParseIonList("my-;H+"), ""};
    const TRecipe ownBack = ParseRecipe(RecipeText(own), "own.json");
    EXPECT_EQ(ownBack.Buffer->Buffer.pKa, 7.2L);
    EXPECT_EQ(ownBack.Buffer->Salt.Ions, own.Buffer->Salt.Ions);
}

TEST(RecipeFile, ValuesAtTheEndsOfTheirRangesAreTaken)
{
    const TRecipe r = ParseRecipe(R"({"format": "quelix-recipe", "version": 1,
        "volume_ml": 1000000, "purity": {"atp": 1}, "contaminating_ca_mM": 0,
        "temperature_c": 100, "buffer": {"name": "MOPS", "total_mM": 100000},
        "stock_solutions": {"titrant": 100000}})",
                                  "ends.json");
    EXPECT_EQ(r.VolumeMl, 1e6L);
    EXPECT_EQ(r.Purity.at("atp"), 1);
    EXPECT_EQ(r.Buffer->TotalmM, 1e5L);
    EXPECT_EQ(r.Stocks.at("titrant"), 1e5L);
}

TEST(RecipeFile, FurtherLigandsKeepTheFilesOrder)
{
    // The order of the ligands is the order of the records' fields.
    const TRecipe r = ParseRecipe(R"({"format": "quelix-recipe", "version": 1,
        "ligands": {"HEDTA": 0.5, "CrP": 14.5, "BAPTA": 1},
        "salts": {"HEDTA": {"name": "HEDTA", "molar_mass_g_mol": 278.26, "ions": "HEDTA3-;H+:3"}}})",
                                  "order.json");
    ASSERT_EQ(r.Constants.Ligands.size(), 3u);
    EXPECT_EQ(r.Constants.Ligands[0].Name, "HEDTA");
    EXPECT_EQ(r.Constants.Ligands[1].Name, "CrP");
    EXPECT_EQ(r.Calculation.FurtherTotals[1], 14.5L);
    EXPECT_EQ(r.Constants.Ligands[2].Name, "BAPTA");
    const std::string text = RecipeText(r);
    EXPECT_LT(text.find("\"HEDTA\": 0.5"), text.find("\"CrP\": 14.5"));
    EXPECT_EQ(RecipeText(ParseRecipe(text, "again.json")), text);
}

TEST(RecipeFile, EveryKindOfBadKeyOrValueIsRefusedNamingTheFileAndTheKey)
{
    const std::string head = R"({"format": "quelix-recipe", "version": 1, )";
    const std::pair<std::string, std::string> cases[] {
        {R"({"format": "quelix recipe", "version": 1})", "\"format\""},
        {R"({"format": "quelix-recipe", "version": 2})", "\"version\""},
        {R"({"format": "quelix-recipe"})", "\"version\" is missing"},
        {head + R"("volume": 10})", "unknown key \"volume\""},
        {head + R"("volume_ml": 0})", "\"volume_ml\""},
        {head + R"("volume_ml": "100"})", "\"volume_ml\" must be a number"},
        {head + R"("name": "a", "name": "b"})", "\"name\" appears twice"},
        {head + R"("calculation": {"mode": 7}})", "\"mode\""},
        {head + R"("calculation": {"mode": 1.5}})", "\"mode\""},
        {head + R"("calculation": {"total_egtaa": 7}})",
         "\"calculation\": unknown key \"total_egtaa\""},
        {head + R"("calculation": {"ionic_strength": 0}})", "\"ionic_strength\""},
        {head + R"("calculation": [1]})", "\"calculation\" must be an object"},
        {head + R"("ligands": {"XYZ": 1}})", "XYZ"},
        {head + R"("ligands": {"CrP": -1}})", "\"CrP\" must be from 0"},
        {head + R"("temperature_c": 120})", "\"temperature_c\""},
        {head + R"("ph_scale": "meter"})", "\"ph_scale\""},
        {head + R"("constants": "no-such-set"})", "no-such-set"},
        {head + R"("salts": {"ca": "CaCl3"}})", "\"salts\": \"ca\": no bundled salt"},
        {head + R"("salts": {"ca": "MgCl2·6H2O"}})", "releases no Ca2+"},
        {head + R"("salts": {"zn": "KCl"}})", "\"zn\" is no component"},
        {head + R"("salts": {"egta": "Na2EDTA·2H2O"}})", "releases no EGTA4-"},
        {head + R"("salts": {"ca": {"name": "x", "molar_mass_g_mol": 100, "ions": "Ca2+:1;Cl-"}}})",
         "net charge"},
        {head + R"("salts": {"ca": {"name": "x", "ions": "Ca2+;Cl-:2"}}})",
         "\"molar_mass_g_mol\" is missing"},
        {head + R"("purity": {"atp": 1.2}})", "\"purity\": \"atp\""},
        {head + R"("purity": {"atp": 0}})", "\"atp\" must be above 0"},
        {head + R"("contaminating_ca_mM": -0.1})", "\"contaminating_ca_mM\""},
        {head + R"("buffer": {"name": "glycine", "total_mM": 20}})",
         "\"buffer\": no bundled pH buffer"},
        {head + R"("buffer": {"name": "histidine", "total_mM": 20}})", "has no pKa"},
        {head + R"("buffer": {"name": "phosphate", "total_mM": 20}})", "binds Mg and Ca"},
        {head + R"("buffer": {"name": "MOPS"}})", "\"total_mM\" is missing"},
        {head + R"j("buffer": {"name": "MOPS", "total_mM": 20, "salt": "Tris (base)"}})j",
         "releases no MOPS"},
        {head
             + R"("buffer": {"name": "mine", "total_mM": 20, "pka": 7, "acid_charge": 1, "base_charge": 1}})",
         "one above"},
        {head + R"("titrant": "KCl"})", "no strong base or acid"},
        {head + R"j("titrant": "HEPES (free acid)"})j", "no strong base or acid"},
        {head + R"("filler": {"name": "K-MOPS", "molar_mass_g_mol": 247, "ions": "K+;MOPS-"}})",
         "no 1:1 salt"},
        {head + R"("filler": "MgCl2·6H2O"})", "no 1:1 salt"},
        {head + R"("filler": "KOH"})", "no 1:1 salt"},
        {head + R"("stock_solutions": {"ca": 0}})", "\"ca\" must be above 0"},
        {head + R"("stock_solutions": {"water": 10}})", "\"water\" is no component"},
        {head + R"("name": "a\nb"})", "control characters"},
        {R"([1, 2])", "one JSON object"},
        {R"({"format": )", "not a valid JSON text"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        try {
            ParseRecipe(text, "bad.json");
            ADD_FAILURE() << "accepted";
        } catch (const TRecipeError& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with("bad.json: ")) << message;
            EXPECT_NE(message.find(expected), std::string::npos) << message;
        }
    }
}

TEST(RecipeFile, AFileIsReadFromDiskAndItsSetFileBesideIt)
{
    const auto folder = std::filesystem::temp_directory_path() / "quelix-recipe-test";
    std::filesystem::create_directories(folder);
    {
        std::ofstream set(folder / "lab-set.json");
        set << R"({"format": "quelix constant set", "version": 1, "name": "Lab set",
                   "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1, "entries": [
                   {"row": "EGTA-Ca", "step": 0, "log10_k": 10.8, "source": "lab"}]})";
        std::ofstream recipe(folder / "r.json");
        recipe << R"({"format": "quelix-recipe", "version": 1, "constants": "lab-set.json"})";
    }
    const TRecipe r = ReadRecipeFile(folder / "r.json");
    EXPECT_EQ(r.Constants.Set.Name, "Lab set");
    EXPECT_THROW(ReadRecipeFile(folder / "missing.json"), TRecipeError);
    std::filesystem::remove_all(folder);
}

} // namespace
