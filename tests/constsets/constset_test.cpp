// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The bundled sets against the tables they come from, and edits on top of a set.
#include "constsets/constset.h"

#include "engine/realtext.h"
#include "tests/constsets/datatable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <vector>

using enum TLigand;
using enum TPartner;

namespace {

// The literature table the bundled set was made from, keyed by "ROW:STEP".
std::map<std::string, std::map<std::string, std::string>> LiteratureTable()
{
    return DataTable("nist_srd46_20C.csv");
}

const TConstSet& LiteratureSet()
{
    const TBundledSet* bundled = FindBundledSet("nist-srd46-20c");
    EXPECT_NE(bundled, nullptr);
    return bundled->Set;
}

} // namespace

TEST(BundledSets, BuiltInIsTheEngineTableAndComesFirst)
{
    ASSERT_GE(BundledSets().size(), 2u);
    const TConstSet& builtIn = BundledSets()[0].Set;
    EXPECT_EQ(builtIn.Name, BuiltInSetName);
    EXPECT_EQ(&BuiltInSet(), &builtIn);
    TEngine engine;
    engine.LoadDefaultConstants();
    EXPECT_EQ(SetTable(builtIn), engine.BaseConst());
    const TConstOrigin origin = SetOrigin(builtIn);
    EXPECT_EQ(origin.SetName, BuiltInSetName);
    EXPECT_FALSE(origin.ReferenceC);
    TEngine used;
    UseSet(used, builtIn);
    EXPECT_TRUE(used.HasDefaultConditions());
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const TEntryInForce entry = EntryInForce(builtIn, lig, pt, step);
                EXPECT_TRUE(entry.FromBuiltIn);
                EXPECT_EQ(entry.Source, BuiltInSource);
            }
}

TEST(BundledSets, FoundByIdOrNameInAnyCase)
{
    EXPECT_EQ(FindBundledSet("builtin"), &BundledSets()[0]);
    EXPECT_EQ(FindBundledSet("BUILT-IN"), &BundledSets()[0]);
    ASSERT_NE(FindBundledSet("nist srd 46, 20 \u00B0c, 0.1 m"), nullptr);
    EXPECT_EQ(FindBundledSet("nist srd 46, 20 \u00B0c, 0.1 m")->Id, "nist-srd46-20c");
    EXPECT_EQ(FindBundledSet("nist"), nullptr);
    EXPECT_EQ(FindBundledSet("set.json"), nullptr);
}

TEST(BundledSets, LiteratureSetHoldsExactlyTheTableItWasMadeFrom)
{
    const auto table = LiteratureTable();
    ASSERT_EQ(table.size(), 28u);
    const TConstSet& set = LiteratureSet();
    EXPECT_EQ(set.Name, "NIST SRD 46, 20 \u00B0C, 0.1 M");
    int given = 0;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const std::string key = RowLabel(lig, pt) + ":" + std::to_string(step);
                SCOPED_TRACE(key);
                const auto& entry = set.Entries[lig][pt][step];
                const auto row = table.find(key);
                ASSERT_EQ(entry.has_value(), row != table.end());
                if (!entry)
                    continue;
                ++given;
                const auto& r = row->second;
                EXPECT_EQ(entry->Log10K, TextToReal(r.at("log10_k_at_0.1M")));
                EXPECT_EQ(set.ReferenceC, TextToReal(r.at("reference_temperature_c")));
                EXPECT_EQ(entry->Source, r.at("source"));
                if (r.at("enthalpy").empty()) {
                    EXPECT_FALSE(entry->Enthalpy);
                    EXPECT_TRUE(r.at("enthalpy_unit").empty());
                } else {
                    EXPECT_EQ(entry->Enthalpy, TextToReal(r.at("enthalpy")));
                    EXPECT_EQ(r.at("enthalpy_unit"), EnthalpyUnitText(entry->EnthalpyUnit));
                }
            }
    EXPECT_EQ(given, 28);
    // Phosphate is not part of it: its rows come from the built-in table.
    EXPECT_TRUE(EntryInForce(set, ligPO4, ptH, 0).FromBuiltIn);
    EXPECT_EQ(SetTable(set)[ligPO4], BuiltInTable()[ligPO4]);
}

TEST(BundledSets, LiteratureValuesSitWhereTheirMeaningBelongs)
{
    // Proton steps are the first, second ... protonation, so each binds more weakly than the
    // one before; metal step 1 binds to HL, more weakly than step 0 to L. Each value is
    // within 0.4 of the built-in one of the same meaning (the largest gaps are those of
    // MgHATP and CaHATP, 0.30 and 0.34); a swapped row or step would be off by units.
    const TConstSet& set = LiteratureSet();
    const TConstTable table = SetTable(set);
    for (TLigand lig : {ligATP, ligEGTA, ligEDTA, ligADP})
        for (TPartner pt : AllPartners) {
            SCOPED_TRACE(RowLabel(lig, pt));
            const auto& row = table[lig][pt];
            for (std::size_t step = 1; step < StepCount; ++step)
                if (row[step] > 0) {
                    EXPECT_LT(row[step], row[step - 1]);
                }
            for (std::size_t step = 0; step < StepCount; ++step) {
                EXPECT_EQ(row[step] > 0, BuiltInTable()[lig][pt][step] > 0);
                EXPECT_NEAR(static_cast<double>(row[step] - BuiltInTable()[lig][pt][step]), 0, 0.4);
            }
        }
    // Protonation of the amines of EGTA and EDTA and their Ca++ binding give off heat.
    for (TLigand lig : {ligEGTA, ligEDTA}) {
        EXPECT_LT(*set.Entries[lig][ptH][0]->Enthalpy, 0);
        EXPECT_LT(*set.Entries[lig][ptCa][0]->Enthalpy, 0);
    }
}

TEST(SetOrigin, EnthalpiesInJoulesWhateverTheUnit)
{
    TConstSet set;
    set.Name = "Units";
    set.ReferenceC = 25;
    set.Entries[ligEGTA][ptCa][0] = TSetEntry {10, -8.4L, TEnthalpyUnit::euKcalPerMol, "a"};
    set.Entries[ligEGTA][ptMg][0] = TSetEntry {5, -35.1456L, TEnthalpyUnit::euKJPerMol, "b"};
    const TConstOrigin origin = SetOrigin(set, 2);
    EXPECT_EQ(origin.SetName, "Units");
    EXPECT_EQ(origin.EditedEntries, 2);
    EXPECT_EQ(origin.ReferenceC, TReal(25));
    EXPECT_NEAR(static_cast<double>(origin.EnthalpyJPerMol[ligEGTA][ptCa][0]), -35145.6, 1e-9);
    EXPECT_NEAR(static_cast<double>(origin.EnthalpyJPerMol[ligEGTA][ptMg][0]), -35145.6, 1e-9);
    EXPECT_TRUE(std::isnan(origin.EnthalpyJPerMol[ligEGTA][ptH][0]));
}

TEST(EditEntry, AnEditedEntryIsTheUsersWithoutEnthalpyAndCounts)
{
    const TConstSet& chosen = LiteratureSet();
    TConstSet edited = chosen;
    struct TCase {
        TLigand Ligand;
        TPartner Partner;
        std::size_t Step;
        TReal Value;
        bool Changes;
        TReal Stored;
    };
    const TCase cases[] = {
        {ligEGTA, ptCa, 0, 11.0L, true, 11.0L},  // a literature value
        {ligATP, ptH, 0, 6.476L, false, 6.476L}, // the value it holds already
        {ligPO4, ptH, 3, 1.5L, true, 1.5L},      // an added step
        {ligADP, ptMg, 1, -1, true, 0},          // a value <= 0 removes the step
        {ligPO4, ptMg, 0, 0, false, 0},          // absent already
        // A negative value typed on an absent step leaves it absent: no edit of the set.
        {ligPO4, ptCa, 0, -2.5L, false, 0},
        {ligPO4, ptMg, 2, -0.0L, false, 0},
        {ligATP, ptMg, 2, -1e-30L, false, 0},
    };
    int changed = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(RowLabel(c.Ligand, c.Partner) + " step " + std::to_string(c.Step));
        EXPECT_EQ(EditEntry(edited, c.Ligand, c.Partner, c.Step, c.Value), c.Changes);
        const TEntryInForce entry = EntryInForce(edited, c.Ligand, c.Partner, c.Step);
        EXPECT_EQ(entry.Log10K, c.Stored);
        if (c.Changes) {
            ++changed;
            EXPECT_EQ(entry.Source, EditedSource);
            EXPECT_FALSE(entry.Enthalpy);
            EXPECT_FALSE(entry.FromBuiltIn);
        } else {
            EXPECT_EQ(entry.Source, EntryInForce(chosen, c.Ligand, c.Partner, c.Step).Source);
        }
    }
    EXPECT_EQ(CountEdited(chosen, edited), changed);
    EXPECT_TRUE(std::isnan(SetOrigin(edited).EnthalpyJPerMol[ligEGTA][ptCa][0]));
}

TEST(Temperature, OnlyLiquidWaterIsInRange)
{
    for (TReal t : {0.0L, 20.0L, 37.0L, 100.0L})
        EXPECT_TRUE(IsTemperatureInRange(t)) << static_cast<double>(t);
    for (TReal t : {-0.5L, 100.01L, 298.15L, -273.15L})
        EXPECT_FALSE(IsTemperatureInRange(t)) << static_cast<double>(t);
    EXPECT_FALSE(IsTemperatureInRange(std::numeric_limits<TReal>::quiet_NaN()));
}

TEST(SetTable, EverySetEntryReplacesTheBuiltInOneAndNothingElseDoes)
{
    for (const TBundledSet& bundled : BundledSets()) {
        SCOPED_TRACE(std::string(bundled.Id));
        const TConstTable table = SetTable(bundled.Set);
        for (TLigand lig : AllLigands)
            for (TPartner pt : AllPartners)
                for (std::size_t step = 0; step < StepCount; ++step) {
                    const auto& entry = bundled.Set.Entries[lig][pt][step];
                    EXPECT_EQ(
                        table[lig][pt][step], entry ? entry->Log10K : BuiltInTable()[lig][pt][step])
                        << RowLabel(lig, pt) << " step " << step;
                }
    }
}

TEST(EditEntry, AValueTypedBackAfterAnEditIsStillTheUsersEntry)
{
    // The set's value typed again after another: it no longer carries the set's enthalpy
    // and source, so it still counts as edited.
    const TConstSet& chosen = LiteratureSet();
    const TEntryInForce original = EntryInForce(chosen, ligEGTA, ptCa, 0);
    ASSERT_TRUE(original.Enthalpy);
    TConstSet edited = chosen;
    EXPECT_TRUE(EditEntry(edited, ligEGTA, ptCa, 0, 11));
    EXPECT_TRUE(EditEntry(edited, ligEGTA, ptCa, 0, original.Log10K));
    const TEntryInForce entry = EntryInForce(edited, ligEGTA, ptCa, 0);
    EXPECT_EQ(entry.Log10K, original.Log10K);
    EXPECT_FALSE(entry.Enthalpy);
    EXPECT_EQ(CountEdited(chosen, edited), 1);
}
