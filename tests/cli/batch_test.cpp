// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/batch.h"
#include "cli/csvreader.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>

#include <sstream>

using enum TValueField;

namespace {

struct TRun {
    int Status = 0;
    std::string Out;
    std::string Err;
};

TRun RunText(const std::string& csv, TOutputFormat format, unsigned workers = 2,
    std::size_t chunkRows = 1024)
{
    TBatchJob job {DefaultInput(), RunConstants({}), format, workers, chunkRows};
    std::istringstream in(csv);
    std::ostringstream out, err;
    TRun run;
    run.Status = RunBatch(in, out, err, job);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

// What a single calculation of `in` prints as one record.
std::string Expected(const TCalcInput& in, TOutputFormat format)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    const TCalcOutcome o = Compute(engine, in, format);
    std::string text = format == TOutputFormat::ofReport ? o.Report : "";
    if (format == TOutputFormat::ofCsv)
        AppendCsvRecord(text, o);
    return text;
}

} // namespace

TEST(CsvReader, SplitsQuotedFieldsAndAllLineEnds)
{
    struct TCase {
        std::string Text;
        std::vector<std::vector<std::string>> Records;
        std::vector<std::string> Errors; // a part of each record's error, "" for none
    };
    const std::vector<TCase> cases {
        {"a,b\r\nc,d\n", {{"a", "b"}, {"c", "d"}}, {"", ""}},
        {"\"x,y\",\"q\"\"q\"\r\n\"two\r\nlines\",z", {{"x,y", "q\"q"}, {"two\r\nlines", "z"}},
            {"", ""}},
        {"a\r\rb\n\n,\n", {{"a"}, {"b"}, {"", ""}}, {"", "", ""}},
        {"\"open,1\n2", {{"open,1\n2"}}, {"not closed"}},
        {"\"a\"b,c\n1", {{"ab", "c"}, {"1"}}, {"followed", ""}},
        {"1234567890123,1\n5,6\n", {{"123456789012", ""}, {"5", "6"}}, {"longer", ""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        std::istringstream in(c.Text);
        TCsvReader reader(in, 12);
        TCsvRecord record;
        for (std::size_t r = 0; r < c.Records.size(); ++r) {
            ASSERT_TRUE(reader.Next(record));
            std::vector<std::string> fields;
            for (std::size_t f = 0; f < record.FieldCount(); ++f)
                fields.emplace_back(record.Field(f));
            EXPECT_EQ(fields, c.Records[r]);
            EXPECT_EQ(record.Error.find(c.Errors[r]) != std::string::npos, true) << record.Error;
            EXPECT_EQ(record.Error.empty(), c.Errors[r].empty()) << record.Error;
        }
        EXPECT_FALSE(reader.Next(record));
    }
}

TEST(Batch, ColumnsInAnyOrderAndEmptyOrMissingCellsTakeTheDefaults)
{
    const TRun run
        = RunText("\xEF\xBB\xBFph, Total_MG ,mode,pca\r\n7,,2,9\r\n,3,,\r\n", TOutputFormat::ofCsv);
    TCalcInput first = DefaultInput();
    first[vfpH] = 7;
    first.Mode = TCalcMode::cmMgATP_Mg_MgADP_Ca;
    TCalcInput second = DefaultInput();
    second[vfTotalMg] = 3;
    EXPECT_EQ(run.Status, 0) << run.Out;
    EXPECT_EQ(run.Out,
        CsvHeader() + Expected(first, TOutputFormat::ofCsv)
            + Expected(second, TOutputFormat::ofCsv));
}

TEST(Batch, FailingRowsCarryTheirMessageAndTheOthersAreComputedInOrder)
{
    const TRun run
        = RunText("mode,free_mg,ph\n0,,7\n1,0,7\n0,,7.5x\n0,1\n2,1,6.9\n", TOutputFormat::ofCsv);
    EXPECT_EQ(run.Status, 1);
    std::istringstream lines(run.Out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(line + "\n");
    ASSERT_EQ(rows.size(), 6U);
    TCalcInput in = DefaultInput();
    in[vfpH] = 7;
    EXPECT_EQ(rows[1], Expected(in, TOutputFormat::ofCsv));
    EXPECT_TRUE(rows[2].ends_with(std::string(CalcMessage::ZeroDivide) + "\n")) << rows[2];
    EXPECT_TRUE(rows[3].starts_with("0,,0.2,")) << rows[3]; // the unreadable pH stays empty
    EXPECT_TRUE(rows[3].ends_with(CalcMessage::NotAFloat("7.5x") + "\n")) << rows[3];
    EXPECT_TRUE(rows[4].ends_with("The row has 2 fields; the header has 3.\n")) << rows[4];
    in.Mode = TCalcMode::cmMgATP_Mg_MgADP_Ca;
    in[vfpH] = 6.9L;
    EXPECT_EQ(rows[5], Expected(in, TOutputFormat::ofCsv));

    const TRun report = RunText("mode,free_mg\n1,0\n0,\n", TOutputFormat::ofReport);
    EXPECT_EQ(report.Status, 1);
    EXPECT_EQ(report.Err, "row 1: " + std::string(CalcMessage::ZeroDivide) + "\n");
    EXPECT_EQ(report.Out, Expected(DefaultInput(), TOutputFormat::ofReport));
}

TEST(Batch, ParallelChunksGiveTheSequentialResultsInInputOrder)
{
    std::string csv = "mode,ph,free_ca,total_ca\n";
    std::string expected = CsvHeader();
    for (int i = 0; i < 300; ++i) {
        const std::string ph = "6." + std::to_string(500 + i);
        const std::string freeCa = std::to_string(i + 1) + "e-4";
        const std::string totalCa
            = i % 5 == 4 ? "9" : std::to_string(i) + "e-2"; // some beyond the EGTA
        TCalcInput in = DefaultInput();
        in.Mode = static_cast<TCalcMode>(i % ModeCount);
        in[vfpH] = *TextToReal(ph);
        in[vfFreeCa] = *TextToReal(freeCa);
        in[vfTotalCa] = *TextToReal(totalCa);
        csv += std::to_string(i % ModeCount) + "," + ph + "," + freeCa + "," + totalCa + "\n";
        expected += Expected(in, TOutputFormat::ofCsv);
    }
    for (unsigned workers : {1U, 3U}) {
        SCOPED_TRACE(workers);
        const TRun run = RunText(csv, TOutputFormat::ofCsv, workers, 7);
        EXPECT_EQ(run.Out, expected);
    }
}

TEST(Batch, HeaderProblemsAreUsageErrorsBeforeAnyOutput)
{
    for (const char* csv : {"", "\n\n", "ph,foo\n7,1\n", "ph,PH\n7,7\n", "\"ph\n7\n"}) {
        SCOPED_TRACE(csv);
        EXPECT_THROW(RunText(csv, TOutputFormat::ofJson), TUsageError);
    }
}
