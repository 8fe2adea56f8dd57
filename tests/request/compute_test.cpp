// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// One whole calculation of a request: its faults and the conversion of a meter reading.
#include "engine/calcerror.h"
#include "report/report.h"
#include "request/compute.h"
#include "request/inputnotes.h"
#include "request/request.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

using enum TValueField;

namespace {

TCalcInput PCa6Input(TpHScale scale)
{
    TCalcInput in = DefaultInput();
    in.Mode = TCalcMode::cmCa;
    in[vfpH] = 7;
    in[vfIonStr] = 0.1L;
    in[vfFreeCa] = 1e-3L;
    in.pHScale = scale;
    return in;
}

} // namespace

TEST(Compute, AValueBeyondTheRangeFailsTheRecordInEveryFormat)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    TCalcInput in = DefaultInput();
    in[vfpH] = 1e4932L; // the Tris term overflows; the solve itself does not
    for (TOutputFormat format : {TOutputFormat::ofReport, TOutputFormat::ofCsv}) {
        const TCalcOutcome o = Compute(engine, in, format);
        EXPECT_EQ(o.Error, CalcMessage::Overflow);
        EXPECT_EQ(o.Report, "");
        // The window prints the same state's report: it fails there too, not with "-inf".
        EXPECT_TRUE(o.State.HasResults);
        EXPECT_THROW(ReportLines(engine, o.State), TCalcError);
    }
}

TEST(Compute, MeterReadingGivesTheResultsOfItsConvertedPhTypedIn)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const TCalcOutcome meter = Compute(
        engine, PCa6Input(TpHScale::psActivity), TOutputFormat::ofCsv);
    ASSERT_FALSE(meter.Failed());
    EXPECT_NEAR(static_cast<double>(meter.pcH), 6.887869160356475, 1e-14);
    TCalcInput typedIn = PCa6Input(TpHScale::psConcentration);
    typedIn[vfpH] = meter.pcH;
    const TCalcOutcome typed = Compute(engine, typedIn, TOutputFormat::ofCsv);
    std::vector<TCell> a;
    std::vector<TCell> b;
    AppendRecordCells(a, meter);
    AppendRecordCells(b, typed);
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::string_view name = RecordColumns()[i].Name;
        // The pH echoes what was given; the Tris estimate follows the pH as read.
        if (name == "ph" || name == "ionic_strength_tris")
            continue;
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(a[i].Real, b[i].Real);
        EXPECT_EQ(a[i].Integer, b[i].Integer);
    }
    EXPECT_EQ(typed.pcH, meter.pcH);
}

// A calculation reads the totals of the further ligands its engine carries and no other:
// totals left in the slots beyond them (a stock or a row that named more ligands) reach
// neither the state it returns nor its report.
TEST(Compute, TotalsBeyondTheEnginesFurtherLigandsAreNotRead)
{
    TFurtherLigand crp;
    crp.Name = "CrP";
    crp.Charge = -2;
    crp.BaseConst[TPartner::ptH] = {4.7L, 2.82L, 0, 0};
    crp.BaseConst[TPartner::ptMg] = {1.3L, 0, 0, 0};
    crp.BaseConst[TPartner::ptCa] = {1.15L, 0, 0, 0};
    TEngine engine;
    engine.LoadDefaultConstants();
    engine.SetFurtherLigands({&crp, 1});
    TCalcInput clean = PCa6Input(TpHScale::psConcentration);
    clean.FurtherTotals = {2, 0, 0, 0};
    TCalcInput leftOver = clean;
    leftOver.FurtherTotals = {2, 7, 7, 7};
    const TCalcOutcome a = Compute(engine, clean, TOutputFormat::ofReport);
    const TCalcOutcome b = Compute(engine, leftOver, TOutputFormat::ofReport);
    ASSERT_FALSE(b.Failed()) << b.Error;
    EXPECT_EQ(b.State.Further[0].Total, 0.002L);
    for (std::size_t i = 1; i < MaxFurtherLigands; ++i)
        EXPECT_EQ(b.State.Further[i], TFurtherSpecies {}) << i;
    EXPECT_EQ(b.Report, a.Report);
    EXPECT_EQ(b.State.FreeMg, a.State.FreeMg);
}

// A calculation that fails after its Tris term was estimated (at a pH so high that the
// term overflows) warns of its failure only: a failed record has no ionic strength
// estimate to warn about, while a pH of 12 computed gives the warning.
TEST(Compute, AFailedCalculationHasNoTrisWarning)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    TCalcInput in = PCa6Input(TpHScale::psConcentration);
    in[vfpH] = 1e4932L;
    const TCalcOutcome failed = Compute(engine, in, TOutputFormat::ofCsv);
    ASSERT_TRUE(failed.Failed());
    ASSERT_LT(failed.IonStrTris, 0); // estimated before the failure
    TInputNotes notes = NoteInputs(in, {});
    NoteOutcome(notes, failed);
    EXPECT_FALSE(notes.TrisNegative);

    in[vfpH] = 12;
    const TCalcOutcome computed = Compute(engine, in, TOutputFormat::ofCsv);
    ASSERT_FALSE(computed.Failed()) << computed.Error;
    NoteOutcome(notes, computed);
    EXPECT_TRUE(notes.TrisNegative);
}

// A record fails for overflow only where a number it prints leaves the range: a further
// ligand's total just below the largest real / 1000 mM still gives its record.
TEST(Compute, AHugeFurtherTotalThatPrintsFinitelyGivesItsRecord)
{
    TFurtherLigand crp;
    crp.Name = "CrP";
    crp.Charge = -2;
    crp.BaseConst[TPartner::ptH] = {4.7L, 2.82L, 0, 0};
    crp.BaseConst[TPartner::ptMg] = {1.3L, 0, 0, 0};
    TEngine engine;
    engine.LoadDefaultConstants();
    engine.SetFurtherLigands({&crp, 1});
    TCalcInput in = DefaultInput();
    in.Mode = TCalcMode::cmMgATP_Mg_MgADP_Ca; // free Mg++ and Ca++ given: no iteration
    in.FurtherTotals[0] = std::numeric_limits<TReal>::max() / 1000 * 0.9995L;
    const TCalcOutcome o = Compute(engine, in, TOutputFormat::ofCsv);
    EXPECT_FALSE(o.Failed()) << o.Error;
    in.FurtherTotals[0] = std::numeric_limits<TReal>::max();
    EXPECT_EQ(Compute(engine, in, TOutputFormat::ofCsv).Error, CalcMessage::Overflow);
}
