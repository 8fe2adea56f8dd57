// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/options.h"
#include "engine/calcerror.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TCliOptions Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "quelix-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

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
        {{"--mode", "7"}, "'7' is not a calculation mode"},
        {{"--mode", "1.5"}, "'1.5' is not a calculation mode"},
        {{"--mode", "x"}, CalcMessage::NotAFloat("x")},
        {{"--ph", "1,5"}, CalcMessage::NotAFloat("1,5")},
        {{"--format", "xml"}, "--format"},
        {{"--bogus"}, "--bogus"},
        {{"7.0"}, "7.0"},
        {{"--ph"}, "--ph"},
        {{"--const", "ATP-X:0=1"}, "row"},
        {{"--const", "ATP-H:4=1"}, "step"},
        {{"--const", "ATP-H=1"}, "ROW:STEP=VALUE"},
        {{"--const", "ATP-H:0=abc"}, CalcMessage::NotAFloat("abc")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args.front());
        try {
            Parse(c.Args);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}
