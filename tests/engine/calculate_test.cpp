// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"
#include "tests/engine/testcalc.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using enum TLigand;
using enum TPartner;
using enum TCalcMode;

namespace {

// The values a change of the conditions or constants moves, compared exactly.
void ExpectSameSolution(const TCalcState& a, const TCalcState& b)
{
    EXPECT_EQ(a.FreeMg, b.FreeMg);
    EXPECT_EQ(a.FreeCa, b.FreeCa);
    EXPECT_EQ(a.FreeLigand, b.FreeLigand);
    EXPECT_EQ(a.MgATP, b.MgATP);
    EXPECT_EQ(a.CaHEGTA, b.CaHEGTA);
    EXPECT_EQ(a.H2EGTA, b.H2EGTA);
}

} // namespace

// The engine keeps the constants of the last calculation and remakes them only when
// something they depend on changed. Each change below must reach the next calculation
// exactly as it reaches a calculation on a fresh engine.
TEST(Calculate, EveryChangeOfConditionsOrConstantsReachesTheNextCalculation)
{
    struct Case {
        const char* Name;
        std::function<void(TEngine&)> Change;
    };
    const Case cases[] = {
        {"pH", [](TEngine& e) { e.SetpH(7.1L); }},
        {"ionic strength", [](TEngine& e) { e.SetIonStr(0.15L); }},
        {"ionic strength -0 after 0", [](TEngine& e) { e.SetIonStr(-0.0L); }},
        {"one constant", [](TEngine& e) { e.SetBaseEntry(ligEGTA, ptCa, 0, 10.5L); }},
        {"whole table",
         [](TEngine& e) {
             TConstTable t = e.BaseConst();
             t[ligATP][ptMg][0] = 4.3L;
             e.SetBaseConst(t);
         }},
        {"defaults after an edit",
         [](TEngine& e) {
             e.SetBaseEntry(ligEGTA, ptH, 0, 9.9L);
             TCalcState scratch;
             scratch.Tiny = 10 * MachineEpsilon();
             ASSERT_FALSE(e.Calculate(scratch, cmEveryGiven).Failed());
             e.LoadDefaultConstants();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestCalc reused;
        if (std::string(c.Name) == "ionic strength -0 after 0")
            reused.Engine.SetIonStr(0);
        const TCalcState inputs = reused.State;
        ASSERT_FALSE(reused.Engine.Calculate(reused.State, cmEveryGiven).Failed());
        c.Change(reused.Engine);
        reused.State = inputs;
        ASSERT_FALSE(reused.Engine.Calculate(reused.State, cmEveryGiven).Failed());

        TTestCalc fresh;
        fresh.Engine.SetBaseConst(reused.Engine.BaseConst());
        fresh.Engine.SetpH(reused.Engine.pH());
        fresh.Engine.SetIonStr(reused.Engine.IonStr());
        ASSERT_FALSE(fresh.Engine.Calculate(fresh.State, cmEveryGiven).Failed());
        ExpectSameSolution(reused.State, fresh.State);
        EXPECT_EQ(reused.Engine.AppConst(), fresh.Engine.AppConst());
    }
}

TEST(Calculate, ReportsTheIterationsAndTheErrorOfTheStepThatFailed)
{
    TTestCalc c;
    const TCalcStatus ok = c.Engine.Calculate(c.State, cmEveryGiven);
    EXPECT_FALSE(ok.Failed());
    EXPECT_GT(ok.Iterations, 1);

    // A negative ionic strength is refused before the solve; fixing it makes the next
    // calculation work, so nothing of the refused one is kept as up to date.
    c.Engine.SetIonStr(-0.1L);
    c.State.HasResults = false;
    const TCalcStatus refused = c.Engine.Calculate(c.State, cmEveryGiven);
    EXPECT_EQ(refused.Error, CalcMessage::NegativeIonStr);
    EXPECT_FALSE(c.State.HasResults);
    c.Engine.SetIonStr(0.2L);
    EXPECT_FALSE(c.Engine.Calculate(c.State, cmEveryGiven).Failed());

    // A constant whose power of ten overflows fails every calculation until it is changed.
    c.Engine.SetBaseEntry(ligEDTA, ptCa, 1, 6000);
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(c.Engine.Calculate(c.State, cmEveryGiven).Error, CalcMessage::Overflow);
    c.Engine.SetBaseEntry(ligEDTA, ptCa, 1, 3.51L);
    EXPECT_FALSE(c.Engine.Calculate(c.State, cmEveryGiven).Failed());

    // A fault of the solve itself: mode 1 divides by the prescribed free Mg++.
    c.State.FreeMg = 0;
    const TCalcStatus fault = c.Engine.Calculate(c.State, cmMgATP_MgADP_Mg);
    EXPECT_EQ(fault.Error, CalcMessage::ZeroDivide);
    EXPECT_EQ(fault.Iterations, 0);
}
