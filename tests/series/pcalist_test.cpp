// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/pcalist.h"

#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The values a user would type one by one.
std::vector<TReal> Typed(const std::vector<std::string>& texts)
{
    std::vector<TReal> values;
    for (const std::string& t : texts)
        values.push_back(*TextToReal(t));
    return values;
}

} // namespace

TEST(PCaList, ValuesAndRangesGiveTheNumbersAsTyped)
{
    struct TCase {
        std::string List;
        std::vector<std::string> Expected;
    };
    const std::vector<TCase> cases {
        {"9,6.5:5.5:0.1,4.5",
         {"9", "6.5", "6.4", "6.3", "6.2", "6.1", "6", "5.9", "5.8", "5.7", "5.6", "5.5", "4.5"}},
        // Upwards, and a step whose binary value is not 0.1 times three.
        {"0:0.3:0.1", {"0", "0.1", "0.2", "0.3"}},
        {"0.3:0:0.1", {"0.3", "0.2", "0.1", "0"}},
        {"7:6:-0.5", {"7", "6.5", "6"}},
        // A step that does not land on TO stops before passing it.
        {"9:4.5:2", {"9", "7", "5"}},
        {"4.5:5:0.2", {"4.5", "4.7", "4.9"}},
        {"5:5:0.1", {"5"}},
        // Exponents count towards the decimals; blanks around items are ignored.
        {"1e1:9.5:5e-1", {"10", "9.5"}},
        {" 6 ,\t7.25 ", {"6", "7.25"}},
        {"6.125:6:0.0625", {"6.125", "6.0625", "6"}},
        {"-1:1:1", {"-1", "0", "1"}},
        // Values below 1 with more decimals than digits, exponents with a sign and of two
        // digits, and ranges up to the 17 digits: trailing zeros are decimals, a positive
        // exponent takes decimals away.
        {"0:0.1:0.05", {"0", "0.05", "0.1"}},
        {"0.001:-0.002:0.0015", {"0.001", "-0.0005", "-0.002"}},
        {"1e+1:9.5:5e-1", {"10", "9.5"}},
        {"0:3e-10:1e-10", {"0", "1e-10", "2e-10", "3e-10"}},
        {"12.5000000000000:12:0.5", {"12.5", "12"}},
        {"20:19.999999999999999:0.000000000000001", {"20", "19.999999999999999"}},
        {"2.0000000000000000e1:19.5:0.5", {"20", "19.5"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.List);
        EXPECT_EQ(ParsePCaList(c.List), Typed(c.Expected));
    }
}

TEST(PCaList, ARangeWhoseStepsMissItsEndIsNoted)
{
    const std::vector<std::pair<std::string, std::string>> cases {
        {"9:4.5:2",
         "pCa list item '9:4.5:2': the steps do not land on TO (4.5); the range ends at "
         "5."},
        {"6, 6.5:5.5:0.3 ,4",
         "'6.5:5.5:0.3': the steps do not land on TO (5.5); the range ends "
         "at 5.6."},
        {"9:4.5:0.125,7", ""},
        {"5:5:0.1", ""},
        {"0.3:0:0.1", ""},
    };
    for (const auto& [list, note] : cases) {
        SCOPED_TRACE(list);
        std::vector<std::string> notes;
        const std::vector<TReal> targets = ParsePCaList(list, &notes);
        EXPECT_EQ(targets, ParsePCaList(list)); // the note changes nothing
        if (note.empty()) {
            EXPECT_TRUE(notes.empty());
        } else {
            ASSERT_EQ(notes.size(), 1U);
            EXPECT_NE(notes[0].find(note), std::string::npos) << notes[0];
        }
    }
}

TEST(PCaList, TheUsualLadderEndsExactlyOnItsLastValue)
{
    const std::vector<TReal> ladder = ParsePCaList("9:4.5:0.125");
    ASSERT_EQ(ladder.size(), 37U);
    EXPECT_EQ(ladder[1], 8.875L);
    EXPECT_EQ(ladder.back(), 4.5L);
    const std::vector<TReal> fine = ParsePCaList("9:4.005:0.005");
    ASSERT_EQ(fine.size(), 1000U);
    EXPECT_EQ(fine[999], *TextToReal("4.005"));
    EXPECT_EQ(fine[333], *TextToReal("7.335"));
}

TEST(PCaList, UnusableListsAreRefusedWithTheirItem)
{
    struct TCase {
        std::string List;
        std::string Message; // a part of the message
    };
    const std::vector<TCase> cases {
        {"", "empty"},
        {"  ", "empty"},
        {"9,,4.5", "empty item"},
        {"9,", "empty item"},
        {",9", "empty item"},
        {"x", CalcMessage::NotAFloat("x")},
        {"6,7,1,5", ""}, // a valid list: the message check below must not fire
        {"9:4.5", "'9:4.5': a range is FROM:TO:STEP"},
        {"9:4.5:0.1:2", "FROM:TO:STEP"},
        {"9:4.5:abc", CalcMessage::NotAFloat("abc")},
        {"9:4.5:0", "'9:4.5:0': the step must not be zero"},
        {"4.5:9:-0.5", "leads away from TO"},
        {"20:0:1e-17", "more than 17 digits"},
        {"1:2:1e-20", "more than 17 digits"},
        {"0:20:0.0001", "more than 100000 values"},
        // A target is a pCa a solution can have, not a concentration typed as one.
        {"-2.5", "'-2.5': a target pCa must lie between -2 and 20, not -2.5"},
        {"6,20.01", "'20.01': a target pCa must lie between -2 and 20"},
        {"25:5:1", "'25:5:1': a target pCa must lie between -2 and 20, not 25"},
        {"9:1e5:1", "not 1e5"},
        {"-2,20,-2:20:11", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.List);
        if (c.Message.empty()) {
            EXPECT_NO_THROW(ParsePCaList(c.List));
            continue;
        }
        try {
            ParsePCaList(c.List);
            ADD_FAILURE() << "accepted";
        } catch (const TCalcError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
    }
}

TEST(PCaList, TheLimitCountsValuesAndRangesTogether)
{
    EXPECT_EQ(ParsePCaList("0.0002:20:0.0002").size(), MaxSeriesTargets);
    EXPECT_THROW(ParsePCaList("0.0002:20:0.0002,5"), TCalcError);
    EXPECT_THROW(ParsePCaList("5,0.0002:20:0.0002"), TCalcError);
}
