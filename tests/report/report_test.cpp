// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/report.h"

#include "tests/engine/testcalc.h"

#include <gtest/gtest.h>

using enum TLigand;

TEST(FormatConc, UnitByMagnitude)
{
    struct Case {
        TReal x;
        const char* text;
    };
    const Case cases[] = {
        {0, " 0 M"},
        {0.0022L, "   2.200 mM"},
        {0.0005L, " 500.000 uM"},
        {1.234e-7L, " 123.400 nM"},
        {2.5L, "   2.500  M"},
        {0.001L, "   1.000 mM"},
        {1e-12L, "   1.000 pM"},
        {1.5e-16L, "   0.150 fM"},
        {-2e-6L, "-2000000000.000 fM"},
        {0.0009999996L, "1000.000 uM"}, // the unit is chosen before rounding
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatConc(c.x), c.text);
    }
}

TEST(Report, NoResultsYet)
{
    TTestCalc c;
    try {
        ReportLines(c.Engine, c.State);
        FAIL() << "no error";
    } catch (const TCalcError& e) {
        EXPECT_EQ(e.what(), CalcMessage::NoResults);
    }
}

TEST(Report, DefaultInputsInModeZero)
{
    TTestCalc c;
    c.Solve(TCalcMode::cmEveryGiven);
    const std::string expected =
        "\n"
        "Z =  0.200 M  pH =  8.00  total EGTA =   2.000 mM\n"
        "total Mg  =   2.200 mM\tfree Mg++ =   1.270 mM (pMg = 2.896)\n"
        "total Ca  = 500.000 uM\tfree Ca++ =   1.970 nM (pCa = 8.706)\n"
        "total ATP = 220.000 uM\n"
        "MgATP2-   = 183.227 uM\tCaATP2-   = 113.117 pM\n"
        "MgHATP-   =  46.099 nM\tCaHATP-   =  45.105 fM\n"
        "ATP4-     =  36.006 uM\tHATP3-    = 720.718 nM\tH2ATP2-   =  57.387 pM\n"
        "MgEGTA2-  = 547.532 uM\tCaEGTA2-  = 499.973 uM\n"
        "MgHEGTA-  = 199.116 uM\tCaHEGTA-  =  24.527 nM\n"
        "EGTA4-    =   6.789 uM\tHEGTA3-   = 123.932 uM\tH2EGTA2-  = 622.631 uM\n"
        "Ionic strength >=    9.850 mM + [KCl] +   31.184 mM (if [Tris] = 20 mM)\n";
    EXPECT_EQ(ReportText(c.Engine, c.State), expected);
    const auto lines = ReportLines(c.Engine, c.State);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4],
              "MgATP2-   = 183.227 uM\tCaATP2-   = 113.117 pM\r\n"
              "MgHATP-   =  46.099 nM\tCaHATP-   =  45.105 fM");
}

TEST(Report, BlocksFollowThePositiveTotals)
{
    TTestCalc c;
    auto& s = c.State;
    s.TotalLigand[ligATP] = 0;
    s.TotalLigand[ligEGTA] = 0;
    s.TotalLigand[ligADP] = 0.0001L;
    s.TotalLigand[ligPO4] = 0.001L;
    s.TotalLigand[ligEDTA] = 0.0005L;
    c.Solve(TCalcMode::cmEveryGiven);
    const auto lines = ReportLines(c.Engine, s);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Z =  0.200 M  pH =  8.00  total EDTA = 500.000 uM");
    EXPECT_EQ(lines[3], "total ATP = 0 M\ttotal ADP = 100.000 uM\ttotal PO4 =   1.000 mM");
    EXPECT_EQ(lines[4].substr(0, 11), "MgEDTA2-  =");
    EXPECT_EQ(lines[6].substr(0, 11), "MgADP-    =");
    EXPECT_EQ(lines[8].substr(0, 11), "MgHPO4    =");
    EXPECT_EQ(lines[9].substr(0, 11), "PO4(3-)   =");
    EXPECT_EQ(lines[8].find("\r\n"), std::string::npos);
}

TEST(Report, PValuesOnlyForPositiveFreeCations)
{
    TTestCalc c;
    c.Solve(TCalcMode::cmEveryGiven);
    c.State.FreeMg = 0;
    c.State.FreeCa = 1e-7L;
    const auto lines = ReportLines(c.Engine, c.State);
    EXPECT_EQ(lines[1], "total Mg  =   2.200 mM\tfree Mg++ = 0 M");
    EXPECT_EQ(lines[2], "total Ca  = 500.000 uM\tfree Ca++ = 100.000 nM (pCa = 7.000)");
}
