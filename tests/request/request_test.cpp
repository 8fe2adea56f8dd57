// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The request's texts: modes, numbers and their messages, and free Ca++ of a pCa.
#include "engine/calcerror.h"
#include "engine/fpcheck.h"
#include "engine/realtext.h"
#include "report/record.h"
#include "request/request.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Request, ModeIsWrittenAsDigitsFromZeroToSix)
{
    const std::vector<std::pair<std::string, int>> accepted {
        {"0", 0}, {"6", 6}, {" 2\t", 2}, {"006", 6}, {"00", 0}};
    for (const auto& [text, mode] : accepted) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ModeOfText(text), static_cast<TCalcMode>(mode));
    }
    for (const char* text : {"", " ", "7", "10", "-0", "+1", "1e0", "2.0", "6x", "x", "1 2",
                             "\xEF\xBC\x93"}) { // the last a full-width 3
        SCOPED_TRACE(text);
        EXPECT_FALSE(ModeOfText(text).has_value());
        EXPECT_THROW(ParseMode(text), TCalcError);
    }
}

TEST(Request, FreeCaOfAPCaInMillimolar)
{
    const std::vector<std::pair<TReal, TReal>> cases {
        {6, 1e-3L},
        {3, 1},
        {-1, 1e4L},
        {7.5L, 3.1622776601683793320e-5L},   // 10^-4.5
        {9.25L, 5.6234132519034908039e-7L}}; // 10^-6.25
    for (const auto& [pCa, freeCa] : cases) {
        SCOPED_TRACE(FormatReal(pCa));
        EXPECT_LE(std::fabs(FreeCaOfPCa(pCa) - freeCa), freeCa * 1e-18L)
            << FormatReal(FreeCaOfPCa(pCa));
    }
    EXPECT_EQ(FreeCaOfPCa(6000), 0); // below the smallest real: no free Ca++
    EXPECT_THROW(FreeCaOfPCa(-5000), TCalcError);
}

TEST(Request, NumberMessagesQuoteTheWholeTextWithControlCharactersShown)
{
    const std::vector<std::pair<std::string, std::string>> cases {
        {std::string("7\0x", 3), CalcMessage::NotAFloat("7\\x00x")},
        {"1\r\n2\t", CalcMessage::NotAFloat("1\\x0D\\x0A2\\x09")},
        {"", CalcMessage::NotAFloat("")},
        {"5e5000", "'5e5000' is out of range"},
        {"\xC2\xB5", CalcMessage::NotAFloat("\xC2\xB5")}, // UTF-8 stays as it is
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(message);
        EXPECT_TRUE(NumberMessage(text).starts_with(message)) << NumberMessage(text);
    }
}

// Free Ca++ of a pCa a few units in the last place from a whole number lies next to a power
// of ten, where the first guess at its decimal exponent can be one too high: it is still
// the number its 19 printed digits read back as.
TEST(Request, FreeCaBesideAPowerOfTenIsItsPrintedNumber)
{
    int checked = 0;
    for (int whole = -12; whole <= 30; ++whole) {
        TReal below = static_cast<TReal>(whole);
        TReal above = below;
        for (int step = 0; step < 200; ++step) {
            for (const TReal pCa : {below, above}) {
                const TReal exact = fpcheck::Pow10(3 - pCa);
                SCOPED_TRACE(FormatReal(pCa));
                ASSERT_EQ(FreeCaOfPCa(pCa), *TextToReal(FormatReal(exact)));
                ++checked;
            }
            below = std::nextafter(below, static_cast<TReal>(-100));
            above = std::nextafter(above, static_cast<TReal>(100));
        }
    }
    EXPECT_EQ(checked, 43 * 400);
}

// The lines of the help that say what each mode reads, as the command line's --help and
// the Python module's documentation show them.
TEST(Request, ModeInputsTextNamesTheFourInputsOfEachMode)
{
    EXPECT_EQ(ModeInputsText("  "),
              "  0  Every concentration is given: total_mg, total_ca, total_atp, total_adp\n"
              "  1  Control MgATP, MgADP, Mg++: total_ca, free_mg, mgatp, mgadp\n"
              "  2  Control MgATP, Mg++, MgADP, Ca++: free_mg, free_ca, mgatp, mgadp\n"
              "  3  Control CaATP, Ca++, CaADP: total_mg, free_ca, caatp, caadp\n"
              "  4  Control CaATP, CaADP, Ca++, Mg++: free_mg, free_ca, caatp, caadp\n"
              "  5  Control MgATP, CaATP, Ca++: total_adp, free_ca, mgatp, caatp\n"
              "  6  Control Ca++: total_mg, total_atp, total_adp, free_ca\n");
}
