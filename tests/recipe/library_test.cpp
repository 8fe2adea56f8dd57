// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The bundled salt and buffer tables against the data they were copied from, the molar
// masses against their formulas, the buffers' pKa against the laws that move it, and the
// ion notation.

#include "recipe/library.h"

#include "tests/constsets/datatable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <map>

namespace {

std::vector<std::map<std::string, std::string>> Rows(const std::string& name)
{
    std::ifstream file(std::string(QUELIX_TEST_DATA_DIR) + "/" + name);
    std::string line;
    std::getline(file, line);
    const std::vector<std::string> header = CsvFields(line);
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(file, line)) {
        const std::vector<std::string> fields = CsvFields(line);
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i)
            row[header[i]] = fields[i];
        rows.push_back(row);
    }
    return rows;
}

// The molar mass of a formula such as "C10H14N5Na2O13P3·3H2O" with the IUPAC 1997 standard
// atomic weights the table names.
double FormulaMass(const std::string& formula)
{
    static const std::map<std::string, double> weights {
        {"H", 1.00794},    {"C", 12.0107},  {"N", 14.00674},  {"O", 15.9994},
        {"Na", 22.989770}, {"Mg", 24.3050}, {"P", 30.973761}, {"S", 32.066},
        {"Cl", 35.4527},   {"K", 39.0983},  {"Ca", 40.078}};
    double total = 0;
    std::size_t i = 0;
    const auto number = [&](int otherwise) {
        int n = 0;
        bool any = false;
        while (i < formula.size() && std::isdigit(static_cast<unsigned char>(formula[i]))) {
            n = n * 10 + (formula[i++] - '0');
            any = true;
        }
        return any ? n : otherwise;
    };
    int multiplier = 1;
    while (i < formula.size()) {
        if (formula.compare(i, 2, "\u00B7") == 0) {
            i += 2;
            multiplier = number(1);
            continue;
        }
        std::string element(1, formula[i++]);
        if (i < formula.size() && std::islower(static_cast<unsigned char>(formula[i])))
            element += formula[i++];
        total += multiplier * number(1) * weights.at(element);
    }
    return total;
}

TEST(RecipeLibrary, EverySaltIsItsRowOfTheDataWithAMassItsFormulaGives)
{
    const auto rows = Rows("salts.csv");
    std::size_t compared = 0;
    for (const auto& row : rows) {
        if (row.at("formula").empty())
            continue; // a row without formula or mass cannot be weighed, and is not shipped
        SCOPED_TRACE(row.at("salt"));
        const TSalt* salt = FindSalt(row.at("salt"));
        ASSERT_NE(salt, nullptr);
        EXPECT_EQ(salt->Name, row.at("salt"));
        EXPECT_EQ(salt->Formula, row.at("formula"));
        EXPECT_EQ(salt->MolarMass, std::stold(row.at("molar_mass_g_mol")));
        EXPECT_EQ(salt->Ions, ParseIonList(row.at("ions")));
        EXPECT_EQ(salt->Source, row.at("source"));
        EXPECT_NEAR(FormulaMass(salt->Formula), static_cast<double>(salt->MolarMass), 0.006);
        ++compared;
    }
    // The shipped table adds hydrochloric acid, the acid titrant, computed the same way.
    EXPECT_EQ(SaltLibrary().size(), compared + 1);
    const TSalt* hcl = FindSalt("HCl");
    ASSERT_NE(hcl, nullptr);
    EXPECT_NEAR(FormulaMass(hcl->Formula), static_cast<double>(hcl->MolarMass), 0.006);
}

TEST(RecipeLibrary, EveryBufferIsItsRowAndItsEnthalpyGivesTheSlopeTheSourcesMeasured)
{
    const auto rows = Rows("ph_buffers.csv");
    ASSERT_EQ(BufferLibrary().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const TpHBuffer& b = BufferLibrary()[i];
        SCOPED_TRACE(b.Name);
        EXPECT_EQ(b.Name, row.at("buffer"));
        const auto optional = [](const std::string& text) {
            return text.empty() ? std::optional<TReal>() : std::optional<TReal>(std::stold(text));
        };
        EXPECT_EQ(b.pKa, optional(row.at("pka_25c_i0")));
        EXPECT_EQ(b.EnthalpyKJPerMol, optional(row.at("delta_h_kj_mol")));
        EXPECT_EQ(b.dpKadT, optional(row.at("dpka_dt_per_k")));
        EXPECT_EQ(b.AcidCharge, std::stoi(row.at("charge_of_acid_form")));
        EXPECT_EQ(b.BaseCharge, std::stoi(row.at("charge_of_base_form")));
        EXPECT_EQ(b.Source, row.at("source"));
        if (!b.pKa || !b.dpKadT || b.Name.starts_with("phosphate"))
            continue;
        // van 't Hoff's slope at 25 °C, -dH / (R T^2 ln 10), against the measured dpKa/dT.
        const TReal slope = (BufferpKa(b, 25.5L, 0) - BufferpKa(b, 24.5L, 0));
        EXPECT_NEAR(slope, *b.dpKadT, 0.0025L);
    }
}

TEST(RecipeLibrary, ABuffersPKaMovesWithIonicStrengthByTheChargesOfItsPair)
{
    // log gamma = -z^2 A(I): pKa' = pKa + (z(HB)^2 - z(B)^2 - 1) A. A cationic acid (Tris,
    // imidazole) keeps its pKa, a neutral one (MOPS) loses 2 A, an anionic one (PIPES) 4 A.
    const TReal i = 0.15L;
    const TReal s = std::sqrt(i);
    const TReal a = 0.5091L * (s / (1 + s) - 0.2L * i);
    const std::pair<const char*, TReal> cases[] {
        {"Tris", 0}, {"imidazole", 0}, {"MOPS", -2}, {"HEPES", -2}, {"PIPES", -4}};
    for (const auto& [name, times] : cases) {
        SCOPED_TRACE(name);
        const TpHBuffer& b = *FindBuffer(name);
        EXPECT_NEAR(BufferpKa(b, 25, i), *b.pKa + times * a, 1e-15L);
    }
    // 37 °C: Tris, with the largest enthalpy, falls by about 0.33.
    EXPECT_NEAR(BufferpKa(*FindBuffer("Tris"), 37, 0), 8.072L - 0.33L, 0.01L);
    // Without an enthalpy a buffer has its pKa at 25 °C only; without a pKa none at all.
    TpHBuffer noEnthalpy = *FindBuffer("imidazole");
    noEnthalpy.EnthalpyKJPerMol.reset();
    EXPECT_EQ(BufferpKa(noEnthalpy, 25, 0), 6.993L);
    EXPECT_THROW(BufferpKa(noEnthalpy, 22, 0), TRecipeError);
    EXPECT_THROW(BufferpKa(*FindBuffer("histidine"), 25, 0), TRecipeError);
}

TEST(RecipeLibrary, IonsAreReadAsChemistsWriteThem)
{
    const std::pair<const char*, TIon> good[] {
        {"Ca2+", {"Ca", 2}},    {"Cl-", {"Cl", -1}},   {"HPO4^2-", {"HPO4", -2}},
        {"ATP4-", {"ATP", -4}}, {"Tris", {"Tris", 0}}, {" K+ ", {"K", 1}},
        {"PCr2-", {"PCr", -2}}, {"H+", {"H", 1}},      {"MOPS-", {"MOPS", -1}}};
    for (const auto& [text, ion] : good) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseIon(text), ion);
        EXPECT_EQ(ParseIon(IonText(ion)), ion);
    }
    for (const char* bad : {"", "+", "Ca12+", "Ca0+", "Ca 2+", "Ca2+;", "Na\u00B7+"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseIon(bad), TRecipeError);
    }
    EXPECT_EQ(ParseIonList("Na+:2;ATP4-;H+:2").size(), 3u);
    for (const char* bad : {"Na+:2;ATP4-:1", "Ca2+:1;Cl-:2;", "K+:0;Cl-", "K+;Cl-;K+:1;Cl-",
                            "K+:1.5;Cl-", "K+:100;Cl-:100"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseIonList(bad), TRecipeError);
    }
}

TEST(RecipeLibrary, SaltsAreFoundAsUsersTypeThem)
{
    const std::pair<const char*, const char*> found[] {
        {"CaCl2\u00B72H2O", "CaCl2\u00B72H2O"},
        {"cacl2.2h2o", "CaCl2\u00B72H2O"},
        {"CaCl2*2H2O", "CaCl2\u00B72H2O"},
        {"Na2ATP\u00B73H2O", "Na2ATP\u00B73H2O (disodium ATP trihydrate)"},
        {"egta", "EGTA (free acid)"},
        {"kcl", "KCl"}};
    for (const auto& [typed, name] : found) {
        SCOPED_TRACE(typed);
        const TSalt* salt = FindSalt(typed);
        ASSERT_NE(salt, nullptr);
        EXPECT_EQ(salt->Name, name);
    }
    EXPECT_EQ(FindSalt("MgATP"), nullptr); // no formula: not shipped
    EXPECT_EQ(FindSalt("CaCl"), nullptr);
    EXPECT_EQ(FindBuffer("histidine")->Name, "histidine (imidazole group)");
    EXPECT_EQ(FindBuffer("tris")->Name, "Tris");
}

} // namespace
