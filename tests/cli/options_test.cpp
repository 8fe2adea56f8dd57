// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/options.h"
#include "engine/calcerror.h"

#include "tests/cli/clitest.h"

#include <gtest/gtest.h>

#include <vector>

using clitest::Parse;

namespace {

} // namespace

TEST(CommandLine, EachValueOptionSetsItsOwnFieldAtFullPrecision)
{
    const TCalcInput defaults = DefaultInput();
    for (std::size_t i = 0; i < ValueFieldCount; ++i) {
        std::string name(RecordColumns()[i + 1].Name);
        std::replace(name.begin(), name.end(), '_', '-');
        SCOPED_TRACE(name);
        const TCliOptions o = Parse({"--" + name, "-1.25e-1"});
        for (std::size_t j = 0; j < ValueFieldCount; ++j)
            EXPECT_EQ(o.Input.Values[j], j == i ? -0.125L : defaults.Values[j]);
    }
    EXPECT_EQ(
        Parse({"--ph", "7.1234567890123456789"}).Input[TValueField::vfpH], 7.1234567890123456789L);
}

TEST(CommandLine, UnusableArgumentsAreUsageErrors)
{
    struct TCase {
        std::vector<std::string> Args;
        std::string Message; // a part of the message
    };
    const std::vector<TCase> cases {
        // A mode is written as digits, whatever else the text is.
        {{"--mode", "7"}, "'7' is not a calculation mode (0 to 6)"},
        {{"--mode", "1.5"}, "'1.5' is not a calculation mode (0 to 6)"},
        {{"--mode", "6x"}, "'6x' is not a calculation mode (0 to 6)"},
        {{"--mode", "1e0"}, "'1e0' is not a calculation mode (0 to 6)"},
        {{"--mode", "+1"}, "'+1' is not a calculation mode (0 to 6)"},
        {{"--mode", "x"}, "'x' is not a calculation mode (0 to 6)"},
        {{"--ph", "1,5"}, CalcMessage::NotAFloat("1,5")},
        // A number beyond the range is named so, and only a number is.
        {{"--ph", "1e99999"}, "'1e99999' is out of range"},
        {{"--total-mg", "-12e4932"}, "'-12e4932' is out of range"},
        {{"--ph", "1e99999x"}, CalcMessage::NotAFloat("1e99999x")},
        {{"--format", "xml"}, "--format"},
        {{"--bogus"}, "--bogus"},
        {{"7.0"}, "7.0"},
        {{"a", "--ph", "7", "b", "c"}, "not expected: a b c"},
        {{"--ph"}, "--ph"},
        {{"--const", "ATP-X:0=1"}, "row"},
        {{"--const", "ATP-H:4=1"}, "step"},
        {{"--const", "ATP-Mg:3=9"}, "the Mg and Ca rows have steps 0, 1 and 2"},
        {{"--const", "pO4-cA:3=0"}, "the Mg and Ca rows have steps 0, 1 and 2"},
        {{"--const", "ATP-H=1"}, "ROW:STEP=VALUE"},
        {{"--const", "ATP-H:0=abc"}, CalcMessage::NotAFloat("abc")},
        {{"--constants", ""}, "--constants: expected the id or name of a bundled set"},
        // An option given twice would silently take its last value.
        {{"--ph", "7", "--ph", "8"}, "--ph is given 2 times; give it once."},
        {{"--constants", "builtin", "--temperature", "20", "--constants", "builtin"},
         "--constants is given 2 times"},
        {{"--stock-a", "total_ca=1", "--stock-a", "total_ca=2"}, "--stock-a is given 2 times"},
        {{"--format", "csv", "--format", "json"}, "--format is given 2 times"},
        // A text that is no number names its option; a long one is echoed in part.
        {{"--temperature", "25C"}, "--temperature: " + CalcMessage::NotAFloat("25C")},
        {{"--free-ca", "1 mM"}, "--free-ca: " + CalcMessage::NotAFloat("1 mM")},
        {{"--total-mg", std::string(200, '7') + "x"},
         "--total-mg: " + CalcMessage::NotAFloat(std::string(80, '7') + "...")},
        {{"--ph-scale", std::string(100, 'a')}, "not '" + std::string(80, 'a') + "...'"},
        {{"--show-constants", "--list-constants"}, "cannot be combined"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Args.back());
        try {
            Parse(c.Args);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}

TEST(CommandLine, ModesAndConstantStepsThatAreAccepted)
{
    const std::vector<std::pair<std::string, TCalcMode>> modes {
        {"0", TCalcMode::cmEveryGiven},
        {"6", TCalcMode::cmCa},
        {" 3 ", TCalcMode::cmCaATP_Ca_CaADP},
        {"05", TCalcMode::cmMgATP_CaATP_Ca}};
    for (const auto& [text, mode] : modes) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Parse({"--mode", text}).Input.Mode, mode);
    }
    // The last protonation step and a metal step 2 take part in the calculation.
    const TCliOptions o = Parse({"--const", "EGTA-H:3=2.1", "--const", "ATP-Ca:2=1.5"});
    ASSERT_EQ(o.ConstEdits.size(), 2U);
    EXPECT_EQ(o.ConstEdits[0].Step, 3U);
    EXPECT_EQ(o.ConstEdits[1].Partner, TPartner::ptCa);
    EXPECT_EQ(o.ConstEdits[1].Step, 2U);
}

TEST(CommandLine, GivenMarksTheInputsTypedEvenWhenTheyRestateADefault)
{
    const TCliOptions o = Parse({"--free-ca", "1", "--mode", "0", "--ph", "7"});
    std::bitset<InputColumnCount> expected;
    expected.set(0).set(1 + static_cast<std::size_t>(TValueField::vfFreeCa));
    expected.set(1 + static_cast<std::size_t>(TValueField::vfpH));
    EXPECT_EQ(o.Given, expected);
    EXPECT_TRUE(Parse({}).Given.none());
}
