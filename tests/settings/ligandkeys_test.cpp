// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The further ligands of the main window in the settings file: their own keys, written only
// when used, and lines that cannot be used kept as they are.
#include "settings/defaults.h"

#include "tempdir.h"

#include <gtest/gtest.h>

namespace {

TFurtherLigand Ligand(const char* name)
{
    TFurtherLigand ligand;
    ligand.Name = name;
    ligand.BaseConst[TPartner::ptH][0] = 9;
    return ligand;
}

// The engine, state and settings file of one program run.
struct TRun {
    TEngine Engine;
    TCalcState State;
    TDefaultSet Defaults;
    TIniFile Ini;
    TStartupResult Started;
    explicit TRun(const std::filesystem::path& path)
        : Ini(path)
    {
        Started = LoadSettingsAtStart(Ini, Defaults, Engine, State, ',');
    }
    void Use(std::initializer_list<std::pair<const char*, TReal>> ligands)
    {
        std::vector<TFurtherLigand> defs;
        for (const auto& [name, total] : ligands) {
            State.Further[defs.size()].Total = total;
            defs.push_back(Ligand(name));
        }
        Engine.SetFurtherLigands(defs);
    }
    void Save() { SetAsDefault(Ini, 0, Engine, State, ',', Started.Unread, Started.KeptLigands); }
};

const std::string Values = "pH=8\nIonStr=0,2\nTotal EGTA=0,002\nTotal EDTA=0\n"
                           "Total Mg=0,0022\nTotal Ca=0,0005\nTotal ATP=0,00022\nTotal ADP=0\n"
                           "Total PO4=0\nFree Mg=0,001\nFree Ca=0,001\nMgATP=0,0002\nCaATP=0\n"
                           "MgADP=0\nCaADP=0\n";

} // namespace

TEST(LigandSettings, SavedLigandsReadBackInTheirOrderAndAClearedOneEmptiesItsKey)
{
    TTempDir dir;
    const auto path = dir / "q.INI";
    {
        TRun run(path);
        run.Use({{"CrP", 0.0145L}, {"BAPTA", 0.01L}});
        run.Save();
    }
    EXPECT_EQ(ReadText(path),
              "[Default]\nMenuSelect=0\n" + Values
                  + "FurtherLigand1=CrP=0,0145\nFurtherLigand2=BAPTA=0,01\n");
    TRun again(path);
    EXPECT_FALSE(again.Started.Error);
    ASSERT_EQ(again.Started.Ligands.size(), 2U);
    EXPECT_EQ(again.Started.Ligands[0].Name, "CrP");
    EXPECT_EQ(again.Started.Ligands[0].TotalM, 0.0145L);
    EXPECT_EQ(again.Started.Ligands[1].Name, "BAPTA");
    EXPECT_EQ(again.Started.Ligands[1].Slot, 1U);

    // BAPTA dropped: CrP keeps the first key and the second is emptied, not left stale.
    again.Use({{"CrP", 0.0145L}});
    again.Save();
    EXPECT_EQ(
        ReadText(path),
        "[Default]\nMenuSelect=0\n" + Values + "FurtherLigand1=CrP=0,0145\nFurtherLigand2=\n");
    TRun third(path);
    EXPECT_EQ(third.Started.Ligands.size(), 1U);
}

TEST(LigandSettings, AFileWithoutLigandsIsSavedAsBefore)
{
    TTempDir dir;
    const auto path = dir / "q.INI";
    const std::string text = "; mine\n[Default]\nMenuSelect=2\n" + Values + "[Other]\nx=1\n";
    WriteText(path, text);
    TRun run(path);
    EXPECT_TRUE(run.Started.Ligands.empty());
    run.Save();
    EXPECT_EQ(ReadText(path), "; mine\n[Default]\nMenuSelect=0\n" + Values + "[Other]\nx=1\n");
}

// A line that does not read, or that the caller could not use, is kept through every Save
// until its slot is needed for a ligand in use.
TEST(LigandSettings, UnusableLinesAreReportedAndKeptUntilTheirSlotIsNeeded)
{
    const char* bad[] = {"CrP", "=0,01", "CrP=abc", "CrP=0.01", "C\rP=0,01"};
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        TTempDir dir;
        const auto path = dir / "q.INI";
        WriteText(path,
                  "[Default]\nMenuSelect=0\nFurtherLigand1=" + std::string(line)
                      + "\nFurtherLigand3=HEDTA=0,002\n");
        TRun run(path);
        ASSERT_TRUE(run.Started.Error);
        EXPECT_NE(run.Started.Error->find("FurtherLigand1: '" + std::string(line) + "'"),
                  std::string::npos)
            << *run.Started.Error;
        EXPECT_TRUE(run.Started.KeptLigands[0]);
        ASSERT_EQ(run.Started.Ligands.size(), 1U);
        EXPECT_EQ(run.Started.Ligands[0].Slot, 2U);

        // The caller could not use HEDTA either: both lines stay, CrP takes a free key.
        run.Started.KeptLigands[2] = true;
        run.Use({{"CrP", 0.001L}});
        run.Save();
        std::string saved = ReadText(path);
        EXPECT_NE(saved.find("FurtherLigand1=" + std::string(line) + "\n"), std::string::npos);
        EXPECT_NE(saved.find("FurtherLigand3=HEDTA=0,002\n"), std::string::npos);
        EXPECT_NE(saved.find("FurtherLigand2=CrP=0,001\n"), std::string::npos);

        // Four ligands in use need every key: the kept lines give way, and the ligands keep
        // their order.
        run.Use({{"CrP", 0.001L}, {"BAPTA", 0.002L}, {"ADA", 0.003L}, {"AMP", 0.004L}});
        run.Save();
        saved = ReadText(path);
        for (const char* written : {"FurtherLigand1=CrP=0,001\n", "FurtherLigand2=BAPTA=0,002\n",
                                    "FurtherLigand3=ADA=0,003\n", "FurtherLigand4=AMP=0,004\n"})
            EXPECT_NE(saved.find(written), std::string::npos) << saved;
        EXPECT_EQ(run.Started.KeptLigands, TKeptLigandLines {});
    }
}

TEST(LigandSettings, FirstStartLeavesLigandLinesForALaterStart)
{
    TTempDir dir;
    const auto path = dir / "q.INI";
    WriteText(path, "[Default]\nFurtherLigand2=CrP=0,0145\n");
    {
        TRun run(path);
        EXPECT_TRUE(run.Started.Ligands.empty());
        EXPECT_TRUE(run.Started.KeptLigands[1]);
        run.Save();
    }
    EXPECT_NE(ReadText(path).find("FurtherLigand2=CrP=0,0145\n"), std::string::npos);
    TRun later(path);
    ASSERT_EQ(later.Started.Ligands.size(), 1U);
    EXPECT_EQ(later.Started.Ligands[0].Name, "CrP");
}
