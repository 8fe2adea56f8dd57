// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The conditions of a request as the command line and the Python module give them: edits
// of single constants, the chosen set, the temperature and the pH scale.
#include "request/runconditions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using enum TLigand;
using enum TPartner;

TEST(RunConditions, ConstantEditsNameARowAndAStepThatACalculationReads)
{
    struct TCase {
        const char* Text;
        TLigand Ligand;
        TPartner Partner;
        std::size_t Step;
        TReal Value;
    };
    const TCase accepted[] = {
        {"ATP-Mg:0=4.1", ligATP, ptMg, 0, 4.1L},
        {"egta-h:3=2.1", ligEGTA, ptH, 3, 2.1L}, // the row without regard to case
        {"PO4-Ca:2=1e0", ligPO4, ptCa, 2, 1},
        {"ADP-H:1=-3", ligADP, ptH, 1, 0}, // a value <= 0 removes the step
    };
    for (const TCase& c : accepted) {
        SCOPED_TRACE(c.Text);
        const TConstEdit e = ParseConstEdit(c.Text);
        EXPECT_EQ(e.Ligand, c.Ligand);
        EXPECT_EQ(e.Partner, c.Partner);
        EXPECT_EQ(e.Step, c.Step);
        EXPECT_EQ(e.Value, c.Value);
    }
    for (const char* text : {"ATP-Mg:3=9", "ATP-Mg=4", "ATP-K:0=4", "ATP-H:4=1", "ATP-H:01=1",
                             "ATP-H:0=4,1", "ATP-H:0="}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseConstEdit(text), TUsageError);
    }
}

TEST(RunConditions, TheChosenSetWithTheEditsOnTop)
{
    const TRunConstants builtIn = ResolveConstants("", {});
    EXPECT_EQ(builtIn.Set, BuiltInSet());
    EXPECT_EQ(builtIn.EditedEntries, 0);

    const TConstSet& nist = FindBundledSet("nist-srd46-20c")->Set;
    const TRunConstants edited = ResolveConstants(
        "nist-srd46-20c", {ParseConstEdit("EGTA-Ca:0=11"), ParseConstEdit("EGTA-Ca:0=11.1")});
    EXPECT_EQ(edited.Chosen, nist);
    EXPECT_EQ(edited.EditedEntries, 1); // two edits of one entry
    EXPECT_EQ(EntryInForce(edited.Set, ligEGTA, ptCa, 0).Log10K, 11.1L);

    // The table an engine receives is the built-in one with the same edits.
    TEngine engine;
    UseRunConstants(engine, ResolveConstants("", {ParseConstEdit("ATP-Mg:0=4.1")}));
    EXPECT_EQ(engine.BaseConst(), RunConstants({ParseConstEdit("ATP-Mg:0=4.1")}));

    EXPECT_THROW(ResolveConstants("no-such-set-or-file", {}), TUsageError);
    // A NUL ends the path for the system: the file before it must not be read instead.
    const std::filesystem::path file = std::filesystem::temp_directory_path()
        / "quelix-request-nul.json";
    std::ofstream(file) << R"({"format": "quelix constant set", "version": 1, "name": "Lab",
        "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1,
        "entries": [{"row": "EGTA-Ca", "step": 0, "log10_k": 11, "source": "x"}]})";
    EXPECT_EQ(ResolveConstants(file.string(), {}).Set.Name, "Lab");
    try {
        ResolveConstants(file.string() + std::string("\0junk", 5), {});
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& e) {
        EXPECT_NE(std::string(e.what()).find("nul.json\\x00junk"), std::string::npos) << e.what();
    }
    std::filesystem::remove(file);
}

TEST(RunConditions, TemperatureAndPhScale)
{
    EXPECT_EQ(ParseTemperature("37"), 37);
    EXPECT_EQ(ParseTemperature("0"), 0);
    EXPECT_EQ(ParseTemperature("1e2"), 100);
    for (const char* text : {"-0.5", "100.01", "25C", "", "nan"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseTemperature(text), TUsageError);
    }
    EXPECT_EQ(ParsepHScale("activity"), TpHScale::psActivity);
    EXPECT_EQ(ParsepHScale("concentration"), TpHScale::psConcentration);
    EXPECT_THROW(ParsepHScale("Activity"), TUsageError);
}
