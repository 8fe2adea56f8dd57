// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/batch.h"
#include "engine/calcerror.h"
#include "request/inputnotes.h"

#include <gtest/gtest.h>

#include <sstream>

using enum TValueField;

namespace {

constexpr std::size_t Input(TValueField f)
{
    return static_cast<std::size_t>(f) + 1;
}

// The warnings of a CSV batch run with the given command-line options set.
std::vector<std::string> BatchWarnings(const std::string& csv, std::vector<std::size_t> options)
{
    TBatchJob job {DefaultInput(), RunConstants({}), TOutputFormat::ofCsv, 2, 2, {}};
    for (std::size_t option : options)
        job.GivenOptions.set(option);
    std::istringstream in(csv);
    std::ostringstream out, err;
    RunBatch(in, out, err, job);
    std::vector<std::string> lines;
    std::istringstream text(err.str());
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

const std::string Mode0 = "mode 0 (Every concentration is given)";
const std::string Mode0Reads = "of the inputs that depend on the mode it reads ";

} // namespace

TEST(BatchWarnings, SummedUpPerModeAndColumnAfterTheLastRow)
{
    struct TCase {
        std::string Csv;
        std::vector<std::size_t> Options;
        std::vector<std::string> Warnings;
    };
    const std::vector<TCase> cases {
        // A pCa series without --mode 6: every row computes the same.
        {"free_ca\n0.01\n0.001\n0.0001\n",
         {},
         {"warning: " + Mode0 + " does not read the column free_ca, given in 3 rows, the "
          + "first row 1; " + Mode0Reads + "total_mg, total_ca, total_atp and total_adp."}},
        // The mode varies by row: each mode names its own columns once.
        {"mode,free_ca,total_mg,pca\n0,1,,\n6,1,2,\n0,2,,\n1,,3,7\n",
         {},
         {"warning: " + Mode0 + " does not read the column free_ca, given in 2 rows, the "
              + "first row 1; " + Mode0Reads + "total_mg, total_ca, total_atp and total_adp.",
          "warning: mode 1 (Control MgATP, MgADP, Mg++) does not read the columns total_mg "
          "and pca, given in row 4; "
              + Mode0Reads + "total_ca, free_mg, mgatp and mgadp."}},
        // Implausible values that the mode reads; -0 is not negative, an unread -1 is not
        // checked.
        {"mode,ph,ionic_strength,total_mg,free_mg\n0,15,0.2,1,-1\n0,7,150,-1,\n0,-1,0.1,-0,\n",
         {},
         {"warning: " + Mode0 + " does not read the column free_mg, given in row 1; " + Mode0Reads
              + "total_mg, total_ca, total_atp and total_adp.",
          "warning: ph is outside 0 to 14 in 2 rows, the first row 1; the values are used "
          "as given.",
          "warning: ionic_strength is above 5 M (the ionic strength is in M, not mM) in row "
          "2; the values are used as given.",
          "warning: total_mg is negative in row 2; the values are used as given.",
          "warning: the Tris term of the ionic strength estimate is negative in row 1: "
          "that estimate holds only up to pH 11.27."}},
        // Options that no row used, and why.
        {"mode\n0\n0\n",
         {0, Input(vfFreeCa)},
         {"warning: no row used --mode: all rows give their own mode.",
          "warning: no row used --free-ca: " + Mode0 + " does not read it; " + Mode0Reads
              + "--total-mg, --total-ca, --total-atp and --total-adp."}},
        {"mode,free_ca\n0,\n6,0.01\n1,\n",
         {Input(vfFreeCa)},
         {"warning: no row used --free-ca: the rows in modes 0 and 1 do not read it, the "
          "others give their own free_ca."}},
        // A pca cell gives the row its own free Ca++: --free-ca is not what the rows used,
        // also where the mode reads free Ca++.
        {"mode,pca\n6,6\n2,7.5\n",
         {Input(vfFreeCa)},
         {"warning: no row used --free-ca: all rows give their own free_ca."}},
        {"mode,pca,free_ca\n6,6,\n0,,\n",
         {Input(vfFreeCa)},
         {"warning: no row used --free-ca: the rows in mode 0 do not read it, the others give "
          "their own free_ca."}},
        {"mode,pca\n6,6\n6,\n", {Input(vfFreeCa)}, {}}, // the second row used it
        // --mode given and used by the rows that leave their mode cell empty.
        {"mode,total_mg\n,1\n0,2\n", {0}, {}},
        {"total_mg\n1\n", {0}, {}},
        // Above 5 M is a slip; 5 M itself is a (very) concentrated solution.
        {"ionic_strength\n5\n5.5\n",
         {},
         {"warning: ionic_strength is above 5 M (the ionic strength is in M, not mM) in row "
          "2; the values are used as given."}},
        // Nothing to say: an option that one row used, rows that read all they give, and a
        // row that failed before its inputs were read.
        {"mode,free_ca\n6,\n0,\n", {Input(vfFreeCa)}, {}},
        {"mode,ph,free_ca,pca\n6,7,0.001,\n2,7.5,,4\n", {}, {}},
        {"mode,ph,free_mg\n0,x,5\n", {}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Csv);
        EXPECT_EQ(BatchWarnings(c.Csv, c.Options), c.Warnings);
    }
}

TEST(InputNotes, ZeroDivisorIsNamedOnlyForADivisionFault)
{
    struct TCase {
        TCalcMode Mode;
        std::vector<std::pair<TValueField, TReal>> Values;
        std::vector<std::size_t> Given;
        std::string_view Error;
        std::string Hint;
    };
    const std::string div(CalcMessage::ZeroDivide), invalid(CalcMessage::InvalidOp);
    const std::vector<TCase> cases {
        {TCalcMode::cmMgATP_CaATP_Ca,
         {},
         {},
         div,
         "Mode 5 (Control MgATP, CaATP, Ca++) divides by --caatp, which is 0 by default: "
         "give it a value."},
        // With CaATP also 0, free Ca++ is the first divisor.
        {TCalcMode::cmMgATP_CaATP_Ca,
         {{vfFreeCa, 0}},
         {Input(vfFreeCa)},
         invalid,
         "Mode 5 (Control MgATP, CaATP, Ca++) divides by --free-ca, which is 0."},
        {TCalcMode::cmMgATP_MgADP_Mg,
         {{vfFreeMg, -0.0L}},
         {Input(vfFreeMg)},
         div,
         "Mode 1 (Control MgATP, MgADP, Mg++) divides by --free-mg, which is 0."},
        {TCalcMode::cmCaATP_CaADP_Ca_Mg,
         {{vfFreeCa, 0}},
         {Input(vfFreeCa)},
         div,
         "Mode 4 (Control CaATP, CaADP, Ca++, Mg++) divides by --free-ca, which is 0."},
        {TCalcMode::cmMgATP_CaATP_Ca, {{vfCaATP, 1}}, {}, div, ""}, // no divisor is zero
        {TCalcMode::cmEveryGiven, {{vfFreeMg, 0}}, {}, div, ""},
        {TCalcMode::cmMgATP_CaATP_Ca, {}, {}, CalcMessage::Overflow, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Hint);
        TCalcInput input = DefaultInput();
        input.Mode = c.Mode;
        for (const auto& [field, value] : c.Values)
            input[field] = value;
        TInputSet given;
        for (std::size_t i : c.Given)
            given.set(i);
        EXPECT_EQ(ZeroDivisorHint(input, given, c.Error), c.Hint);
    }
}
