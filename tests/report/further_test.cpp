// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The fields that further ligands add to a record: their names, one per species the
// ligand forms and none for a proton step it does not take, each name the record's only
// one, and their cells in mM in the same order.
#include "report/further.h"

#include <gtest/gtest.h>

#include <vector>

using enum TPartner;

namespace {

TFurtherLigand Ligand(const char* name, std::array<TReal, 4> protonSteps)
{
    TFurtherLigand l;
    l.Name = name;
    l.Charge = -4;
    l.BaseConst[ptH] = protonSteps;
    l.BaseConst[ptMg] = {5, 2, 0, 0};
    l.BaseConst[ptCa] = {6, 3, 0, 0};
    return l;
}

const TFurtherLigand CrP = Ligand("CrP", {4.7L, 2.82L, 0, 0});
const TFurtherLigand Tetra = Ligand("Tetra", {9.5L, 8.8L, 2.7L, 2.1L});
const TFurtherLigand Tri = Ligand("Tri", {9.5L, 8.8L, 2.7L, 0});

} // namespace

TEST(FurtherFields, OneNamePerSpeciesInRecordOrder)
{
    struct TCase {
        std::vector<TFurtherLigand> Ligands;
        std::vector<std::string> Names;
    };
    TFurtherLigand x = CrP;
    x.Name = "X";
    TFurtherLigand twoX = CrP;
    twoX.Name = "2X";
    const std::vector<TCase> cases {
        {{}, {}},
        {{CrP}, {"total_crp", "free_crp", "hcrp", "h2crp", "mgcrp", "mghcrp", "cacrp", "cahcrp"}},
        // HL and H2L are fields of every ligand, even one with a single proton step.
        {{Ligand("One", {4.7L, 0, 0, 0})},
         {"total_one", "free_one", "hone", "h2one", "mgone", "mghone", "caone", "cahone"}},
        {{Tri},
         {"total_tri", "free_tri", "htri", "h2tri", "h3tri", "mgtri", "mghtri", "catri", "cahtri"}},
        {{Tetra, CrP},
         {"total_tetra", "free_tetra", "htetra", "h2tetra", "h3tetra", "h4tetra", "mgtetra",
          "mghtetra", "catetra", "cahtetra", "total_crp", "free_crp", "hcrp", "h2crp", "mgcrp",
          "mghcrp", "cacrp", "cahcrp"}},
        // HEDTA's mghedta and cahedta would be EDTA's fields; X's h2x would be 2X's "h".
        {{Ligand("HEDTA", {9.8L, 5.4L, 2.6L, 0})},
         {"total_hedta", "free_hedta", "hhedta", "h2hedta", "h3hedta", "mg_hedta", "mghhedta",
          "ca_hedta", "cahhedta"}},
        {{x, twoX},
         {"total_x", "free_x", "hx", "h2x", "mgx", "mghx", "cax", "cahx", "total_2x", "free_2x",
          "h_2x", "h22x", "mg2x", "mgh2x", "ca2x", "cah2x"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ligands.empty() ? std::string("none") : c.Ligands[0].Name);
        EXPECT_EQ(FurtherColumnNames(c.Ligands), c.Names);
    }
    EXPECT_EQ(FurtherTotalColumn("CrP"), "total_crp");
}

TEST(FurtherFields, CellsAreTheTotalsAsGivenAndTheSpeciesInMillimolar)
{
    const std::vector<TFurtherLigand> ligands {Tetra, CrP};
    TCalcOutcome o;
    o.Input.FurtherTotals = {14.5L, 0.5L, 99, 99};
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        TFurtherSpecies& s = o.State.Further[i];
        const TReal base = static_cast<TReal>(i + 1) * 1e-5L; // M
        s.Total = 100 * base;
        s.Free = 1 * base;
        s.Protonated = {2 * base, 3 * base, 4 * base, 5 * base};
        s.Mg = 6 * base;
        s.MgH = 7 * base;
        s.Ca = 8 * base;
        s.CaH = 9 * base;
    }
    std::vector<TCell> cells;
    AppendFurtherCells(cells, o, ligands);
    // Tetra: its total, free, four protonated forms, four complexes; CrP: two forms.
    const std::vector<TReal> expected {14.5L, 0.01L, 0.02L, 0.03L, 0.04L, 0.05L,
                                       0.06L, 0.07L, 0.08L, 0.09L, 0.5L,  0.02L,
                                       0.04L, 0.06L, 0.12L, 0.14L, 0.16L, 0.18L};
    ASSERT_EQ(cells.size(), expected.size());
    ASSERT_EQ(cells.size(), FurtherColumnNames(ligands).size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(FurtherColumnNames(ligands)[i]);
        ASSERT_EQ(cells[i].Kind, TCell::TKind::ckReal);
        EXPECT_NEAR(static_cast<double>(cells[i].Real), static_cast<double>(expected[i]),
                    1e-15 * static_cast<double>(expected[i]));
    }

    // A failed record keeps the totals as given and leaves every species empty.
    o.Error = "failed";
    cells.clear();
    AppendFurtherCells(cells, o, ligands);
    ASSERT_EQ(cells.size(), expected.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(i);
        const bool total = i == 0 || i == 10;
        EXPECT_EQ(cells[i].Kind, total ? TCell::TKind::ckReal : TCell::TKind::ckNull);
        if (total) {
            EXPECT_EQ(cells[i].Real, expected[i]);
        }
    }
}
