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
    explicit TRun(const fs::path& iniPath)
        : Ini(iniPath)
    {
    }
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
    const Case cases[] = {{"3", 3, false},
                          {"-9", 0, true},
                          {"0x2", 2, false},
                          {"two", 0, true},
                          {"12", 6, false},
                          {"-5", -1, false},
                          {"3 ; my favourite", 3, false},
                          {"4abc", 4, false}};
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
        WriteText(dir / "q.INI",
                  point == '.' ? "[Default]\nMenuSelect=1\npH=7.5\nTotal Mg=2E-5\n"
                               : "[Default]\nMenuSelect=1\npH=7,5\nTotal Mg=2E-5\n");
        TRun run(dir / "q.INI");
        EXPECT_FALSE(run.Start(point).Error);
        ExpectValues(run, {7.5L, 0.2L, 0, 0, 0.00002L, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    }
}

// Each value key is read on its own: a bad one keeps its built-in default and is named in
// the one message, with the file and its text; the keys after it are still read.
TEST(Settings, EveryUnusableValueIsNamedAndKeepsItsDefault)
{
    struct TCase {
        const char* Name;
        std::string Lines;
        std::vector<std::pair<TValueField, TReal>> Read; // besides the missing keys
        std::vector<std::string> Reported;               // "key: reason", in key order
    };
    using enum TValueField;
    const TCase cases[] = {
        {"text and an empty value before good ones",
         "IonStr=abc\npH=\nTotal Ca=0.003\nFree Ca=2E-5\n",
         {{vfTotalCa, 0.003L}, {vfFreeCa, 0.00002L}},
         {"pH: " + CalcMessage::NotAFloat(""), "IonStr: " + CalcMessage::NotAFloat("abc")}},
        {"an ionic strength no activity term can take",
         "IonStr=1e999\npH=7\n",
         {{vfpH, 7}},
         {"IonStr: '1e999': " + std::string(CalcMessage::Overflow)}},
        {"a negative ionic strength",
         "IonStr=-0.1\nTotal Mg=0.001\n",
         {{vfTotalMg, 0.001L}},
         {"IonStr: '-0.1': " + std::string(CalcMessage::NegativeIonStr)}},
        {"a pH whose apparent constants overflow",
         "pH=-1e999\nIonStr=0.15\n",
         {{vfIonStr, 0.15L}},
         {"pH: '-1e999': " + std::string(CalcMessage::Overflow)}},
        {"a comma where a point is expected",
         "Total Mg= 1,5 \nTotal Ca=0.003\n",
         {{vfTotalCa, 0.003L}},
         {"Total Mg: " + CalcMessage::NotAFloat("1,5")}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const std::string before = "[Default]\nMenuSelect=4\n" + c.Lines;
        WriteText(dir / "q.INI", before);
        TRun run(dir / "q.INI");
        const TStartupResult result = run.Start('.');
        EXPECT_EQ(result.ModeIndex, 4);
        EXPECT_FALSE(result.Notice);
        ASSERT_TRUE(result.Error);
        std::string expected = "The settings file " + (dir / "q.INI").string()
            + " holds values that cannot be used:";
        for (const std::string& line : c.Reported)
            expected += "\n" + line;
        EXPECT_EQ(result.Error->substr(0, result.Error->rfind('\n')), expected);

        // Missing keys take their missing text, bad ones the built-in default.
        std::array<TReal, ValueFieldCount> values {8, 0.2L};
        for (const std::string& line : c.Reported)
            for (const TSettingsKey& key : SettingsKeys)
                if (line.starts_with(std::string(key.Key) + ":")) {
                    values[static_cast<std::size_t>(key.Field)] = key.BuiltIn;
                    EXPECT_EQ(result.Unread[key.Field], key.BuiltIn) << key.Key;
                }
        for (const auto& [field, value] : c.Read)
            values[static_cast<std::size_t>(field)] = value;
        ExpectValues(run, values);
        // Start-up wrote nothing, and what it holds derives the constants.
        EXPECT_EQ(ReadText(dir / "q.INI"), before);
        EXPECT_NO_THROW(run.Engine.AdjustConstants());
        EXPECT_NO_THROW(run.Engine.MakeApparentConstants());
    }
}

// Save writes the values of the window, but a key that did not read keeps its line until
// its value is changed, so that a typo in the file never turns into a lost value.
TEST(Settings, SaveLeavesUnreadKeysUntilTheirValueChanges)
{
    TTempDir dir;
    WriteText(dir / "q.INI",
              "[Default]\nMenuSelect=3 ; my favourite\nIonStr=1e999\npH=7,2\n"
              "Total Mg=abc\nTotal Ca=0.003\n");
    TRun run(dir / "q.INI");
    TStartupResult result = run.Start('.');
    ASSERT_TRUE(result.Error);
    SetAsDefault(run.Ini, 3, run.Engine, run.State, '.', result.Unread);
    const std::string kept = "[Default]\nMenuSelect=3 ; my favourite\nIonStr=1e999\npH=7,2\n"
                             "Total Mg=abc\nTotal Ca=0.003\nTotal EGTA=0\nTotal EDTA=0\n"
                             "Total ATP=0\nTotal ADP=0\nTotal PO4=0\nFree Mg=0\nFree Ca=0\n"
                             "MgATP=0\nCaATP=0\nMgADP=0\nCaADP=0\n";
    EXPECT_EQ(ReadText(dir / "q.INI"), kept);

    // A value equal to the default only in its written digits is still unchanged; a value
    // the user changed is written, and another mode replaces the commented MenuSelect.
    run.State.TotalMg = 0.0022L + 1e-20L;
    run.Engine.SetIonStr(0.15L);
    SetAsDefault(run.Ini, 2, run.Engine, run.State, '.', result.Unread);
    std::string changed = kept;
    changed.replace(changed.find("MenuSelect=3 ; my favourite"), 27, "MenuSelect=2");
    changed.replace(changed.find("IonStr=1e999"), 12, "IonStr=0.15");
    EXPECT_EQ(ReadText(dir / "q.INI"), changed);
    // Once written, the key is an ordinary one: the default value is written too.
    run.Engine.SetIonStr(0.2L);
    SetAsDefault(run.Ini, 2, run.Engine, run.State, '.', result.Unread);
    changed.replace(changed.find("IonStr=0.15"), 11, "IonStr=0.2");
    EXPECT_EQ(ReadText(dir / "q.INI"), changed);

    // Without the record of what did not read, Save writes every value, as before.
    SetAsDefault(run.Ini, 2, run.Engine, run.State, '.');
    EXPECT_NE(ReadText(dir / "q.INI").find("\npH=8\nTotal Mg=0.0022\nTotal Ca=0.003\n"),
              std::string::npos);
}

// A UTF-8 byte-order mark, as some editors write it, is no part of the section header.
TEST(Settings, ByteOrderMarkIsReadAndKept)
{
    TTempDir dir;
    const std::string text = "\xEF\xBB\xBF[Default]\r\nMenuSelect=5\r\npH=7.1\r\n";
    WriteText(dir / "q.INI", text);
    TRun run(dir / "q.INI");
    const TStartupResult result = run.Start();
    EXPECT_EQ(result.ModeIndex, 5);
    EXPECT_FALSE(result.Error);
    EXPECT_EQ(run.Value(TValueField::vfpH), 7.1L);
    EXPECT_EQ(ReadText(dir / "q.INI"), text);
    SetAsDefault(run.Ini, 5, run.Engine, run.State, '.');
    const std::string saved = ReadText(dir / "q.INI");
    EXPECT_TRUE(saved.starts_with(text)) << saved;
    EXPECT_EQ(saved.find("[Default]", 4), std::string::npos) << saved;
}

// The first start writes the defaults over the section; values the user had there are
// named in a notice, with their texts, so that none is lost unseen.
TEST(Settings, FirstStartNamesTheValuesItReplaces)
{
    struct TCase {
        const char* MenuSelect; // nullptr: no such line
        const char* Values;
        const char* Why; // nullptr: no notice
        const char* Replaced;
    };
    const TCase cases[] = {
        {"two", "pH=7.5\nTotal Mg=0.0022\nFree Ca=x\n", "MenuSelect=two", "\npH=7.5\nFree Ca=x"},
        {nullptr, "IonStr=0.15\n", "MenuSelect is missing", "\nIonStr=0.15"},
        {"-9", "pH=8.0\nIonStr=0.2\n", nullptr, ""}, // the same values in other digits
        {nullptr, "", nullptr, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Values);
        TTempDir dir;
        std::string before = "[Default]\n";
        if (c.MenuSelect)
            before += std::string("MenuSelect=") + c.MenuSelect + "\n";
        WriteText(dir / "q.INI", before + c.Values);
        TRun run(dir / "q.INI");
        const TStartupResult result = run.Start();
        EXPECT_EQ(result.ModeIndex, 0);
        EXPECT_FALSE(result.Error);
        ExpectValues(run, BuiltIn);
        TRun again(dir / "q.INI");
        EXPECT_EQ(again.Start().ModeIndex, 0);
        ExpectValues(again, BuiltIn);
        if (!c.Why) {
            EXPECT_FALSE(result.Notice) << *result.Notice;
            continue;
        }
        ASSERT_TRUE(result.Notice);
        EXPECT_EQ(*result.Notice,
                  "The settings file " + (dir / "q.INI").string() + " selects no calculation mode ("
                      + c.Why
                      + "), so the built-in defaults "
                        "were loaded and saved in place of these values:"
                      + c.Replaced);
    }
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
