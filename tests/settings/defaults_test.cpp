// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/defaults.h"

#include "engine/calcerror.h"
#include "tempdir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const std::string FirstStartText =
    "[Default]\nMenuSelect=0\npH=8\nIonStr=0.2\nTotal EGTA=0.002\nTotal EDTA=0\n"
    "Total Mg=0.0022\nTotal Ca=0.0005\nTotal ATP=0.00022\nTotal ADP=0\nTotal PO4=0\n"
    "Free Mg=0.001\nFree Ca=0.001\nMgATP=0.0002\nCaATP=0\nMgADP=0\nCaADP=0\n";

// The engine, state and settings file of one program run.
struct TRun {
    TEngine Engine;
    TCalcState State;
    TDefaultSet Defaults;
    TIniFile Ini;
    explicit TRun(const fs::path& iniPath) : Ini(iniPath) {}
    TStartupResult Start(char point = '.')
    {
        State.HasResults = true; // start-up must clear it
        return LoadSettingsAtStart(Ini, Defaults, Engine, State, point);
    }
    TReal Value(TValueField f) const { return ValueOf(Engine, State, f); }
};

void ExpectValues(const TRun& run, const std::array<TReal, ValueFieldCount>& expected)
{
    for (std::size_t i = 0; i < ValueFieldCount; ++i) {
        SCOPED_TRACE(SettingsKeys[i].Key);
        EXPECT_EQ(run.Value(SettingsKeys[i].Field), expected[i]);
    }
}

const std::array<TReal, ValueFieldCount> BuiltIn {
    8, 0.2L, 0.002L, 0, 0.0022L, 0.0005L, 0.00022L, 0, 0, 0.001L, 0.001L, 0.0002L, 0, 0, 0};

} // namespace

TEST(Settings, IniFileNameReplacesOrAppendsExtension)
{
    EXPECT_EQ(IniFileName("/opt/q/quelix"), fs::path("/opt/q/quelix.INI"));
    EXPECT_EQ(IniFileName("C:/Quelix/QUELIX.EXE"), fs::path("C:/Quelix/QUELIX.INI"));
    EXPECT_EQ(IniFileName("/opt/q.v2/quelix"), fs::path("/opt/q.v2/quelix.INI"));
}

TEST(Settings, FirstStartLoadsAndWritesDefaults)
{
    for (const char point : {'.', ','}) {
        SCOPED_TRACE(std::string("decimal separator ") + point);
        TTempDir dir;
        TRun run(dir / "quelix.INI");
        const TStartupResult result = run.Start(point);
        EXPECT_EQ(result.ModeIndex, 0);
        EXPECT_FALSE(result.Error);
        EXPECT_FALSE(run.State.HasResults);
        ExpectValues(run, BuiltIn);
        std::string expected = FirstStartText;
        if (point == ',')
            std::replace(expected.begin(), expected.end(), '.', ',');
        EXPECT_EQ(ReadText(dir / "quelix.INI"), expected);
    }
}

TEST(Settings, MenuSelectChoosesModeOrFirstStart)
{
    struct Case {
        const char* menuSelect;
        int mode;
        bool firstStart;
    };
    const Case cases[] = {{"3", 3, false},  {"-9", 0, true},   {"0x2", 2, false},
                          {"two", 0, true},  {"12", 6, false},  {"-5", -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("MenuSelect=") + c.menuSelect);
        TTempDir dir;
        const std::string before = std::string("[Default]\nMenuSelect=") + c.menuSelect + "\n";
        WriteText(dir / "q.INI", before);
        TRun run(dir / "q.INI");
        const TStartupResult result = run.Start();
        EXPECT_EQ(result.ModeIndex, c.mode);
        EXPECT_FALSE(result.Error);
        EXPECT_FALSE(run.State.HasResults);
        if (c.firstStart) {
            ExpectValues(run, BuiltIn);
            EXPECT_EQ(ReadText(dir / "q.INI"), FirstStartText);
        } else {
            // Every value key is missing: pH 8, ionic strength 0.2, all concentrations 0.
            ExpectValues(run, {8, 0.2L, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
            EXPECT_EQ(ReadText(dir / "q.INI"), before);
        }
    }
}

TEST(Settings, MissingKeyUsesItsTextInTheUsersNotation)
{
    for (const char point : {'.', ','}) {
        SCOPED_TRACE(std::string("decimal separator ") + point);
        TTempDir dir;
        WriteText(dir / "q.INI", point == '.' ? "[Default]\nMenuSelect=1\npH=7.5\nTotal Mg=2E-5\n"
                                              : "[Default]\nMenuSelect=1\npH=7,5\nTotal Mg=2E-5\n");
        TRun run(dir / "q.INI");
        EXPECT_FALSE(run.Start(point).Error);
        ExpectValues(run, {7.5L, 0.2L, 0, 0, 0.00002L, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    }
}

TEST(Settings, BadValueIsReportedOnceAndUnreadValuesKeepDefaults)
{
    TTempDir dir;
    WriteText(dir / "q.INI", "[Default]\nMenuSelect=4\npH=7\nTotal Mg= 1,5 \nTotal Ca=0.003\n");
    TRun run(dir / "q.INI");
    const TStartupResult result = run.Start('.');
    EXPECT_EQ(result.ModeIndex, 4);
    ASSERT_TRUE(result.Error);
    EXPECT_EQ(*result.Error, CalcMessage::NotAFloat("1,5"));
    // pH, IonStr (missing: 0.2), EGTA and EDTA were read; Total Mg and every later value
    // keep the built-in defaults, Total Ca included.
    std::array<TReal, ValueFieldCount> expected = BuiltIn;
    expected[0] = 7;
    expected[2] = 0;
    expected[3] = 0;
    ExpectValues(run, expected);
}

TEST(Settings, RefusedFirstWriteKeepsDefaultsAndNamesTheFile)
{
    TTempDir dir;
    const fs::path ini = dir / "missing-dir" / "q.INI";
    TRun run(ini);
    const TStartupResult result = run.Start();
    EXPECT_EQ(result.ModeIndex, 0);
    ASSERT_TRUE(result.Error);
    EXPECT_EQ(*result.Error, CalcMessage::CannotWrite(ini.string()));
    ExpectValues(run, BuiltIn);
    EXPECT_TRUE(dir.Names().empty());
}

TEST(Settings, SaveRoundTripsValuesAndKeepsTheRestOfTheFile)
{
    for (const char point : {'.', ','}) {
        SCOPED_TRACE(std::string("decimal separator ") + point);
        TTempDir dir;
        const std::string head = "; written by hand\n[Window]\nLeft=10\n\n";
        WriteText(dir / "q.INI", head + "[Default]\nmenuselect=2\n; keep me\nUser Note=hi\n");
        TRun run(dir / "q.INI");
        ASSERT_FALSE(run.Start(point).Error);
        run.State.TotalMg = 0.00002L;
        run.State.TotalCa = 0.0001L;
        run.State.FreeCa = 1.23456789012345e-7L;
        run.Engine.SetpH(7.123456789012345L);
        SetAsDefault(run.Ini, 5, run.Engine, run.State, point);

        const std::string text = ReadText(dir / "q.INI");
        EXPECT_EQ(text.rfind(head, 0), 0u) << text;
        EXPECT_NE(text.find("MenuSelect=5\n; keep me\nUser Note=hi\npH=7"), std::string::npos);
        EXPECT_NE(text.find("\nTotal Mg=2E-5\n"), std::string::npos);
        EXPECT_NE(text.find(point == '.' ? "\nTotal Ca=0.0001\n" : "\nTotal Ca=0,0001\n"),
                  std::string::npos);

        TRun again(dir / "q.INI");
        EXPECT_EQ(again.Start(point).ModeIndex, 5);
        for (const TSettingsKey& key : SettingsKeys) {
            SCOPED_TRACE(key.Key);
            const TReal written = run.Value(key.Field);
            const TReal read = again.Value(key.Field);
            // 15 significant digits: exact for the decimal values a user enters, and within
            // half a unit of the 15th digit for any other.
            if (written == 0) {
                EXPECT_EQ(read, 0);
            } else {
                EXPECT_NEAR(static_cast<double>(read / written - 1), 0, 5e-15);
            }
        }
        EXPECT_EQ(again.Value(TValueField::vfTotalMg), 0.00002L);
        EXPECT_EQ(again.Value(TValueField::vfTotalCa), 0.0001L);
        // Saving what was read writes the same text again.
        SetAsDefault(again.Ini, 5, again.Engine, again.State, point);
        EXPECT_EQ(ReadText(dir / "q.INI"), text);
    }
}
