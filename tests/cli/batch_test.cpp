// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/batch.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
    TBatchJob job {DefaultInput(), RunConstants({}), format, workers, chunkRows, {}};
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

TEST(Batch, ColumnsInAnyOrderAndEmptyOrMissingCellsTakeTheDefaults)
{
    const TRun run = RunText(
        "\xEF\xBB\xBF\"ph\", Total_MG ,mode,pca\r\n7,,2,6\r\n,3,,\r\n", TOutputFormat::ofCsv);
    TCalcInput first = DefaultInput();
    first[vfpH] = 7;
    first[vfFreeCa] = 0.001L; // pCa 6
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
    const TRun run = RunText(
        "mode,free_mg,ph\n0,,7\n1,0,7\n0,,7.5x\n0,1\n2,1,6.9\n", TOutputFormat::ofCsv);
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

    // Each report is headed by its row number after its empty line.
    const TRun report = RunText("mode,free_mg\n1,0\n0,\n", TOutputFormat::ofReport);
    EXPECT_EQ(report.Status, 1);
    EXPECT_EQ(report.Err, "row 1: " + std::string(CalcMessage::ZeroDivide) + "\n");
    EXPECT_EQ(report.Out, "\nrow 2:" + Expected(DefaultInput(), TOutputFormat::ofReport));
}

TEST(Batch, ARowReportsItsFirstUnusableCell)
{
    struct TCase {
        std::string Csv;
        std::string Error;
    };
    const std::vector<TCase> cases {
        {"ph,total_mg\nx,y\n", CalcMessage::NotAFloat("x")},
        {"total_mg,ph\ny,x\n", CalcMessage::NotAFloat("y")},
        {"mode,ph\n6x,x\n", "'6x' is not a calculation mode (0 to 6)"},
        {"ph,mode\n1e99999,9\n", "'1e99999' is out of range"},
        {"ph,mode,free_ca\n7,1e0,\n", "'1e0' is not a calculation mode (0 to 6)"},
        // A cell is quoted whole: a NUL byte does not cut the message.
        {std::string("ph\n7\0x\n", 7), CalcMessage::NotAFloat("7\\x00x")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Csv);
        const TRun run = RunText(c.Csv, TOutputFormat::ofJson);
        EXPECT_EQ(run.Status, 1);
        const std::string error = nlohmann::json::parse(run.Out)["error"];
        EXPECT_TRUE(error.starts_with(c.Error)) << error;
    }
}

TEST(Batch, PCaSetsFreeCaWhereFreeCaIsAnInput)
{
    TCalcInput pCa6 = DefaultInput();
    pCa6.Mode = TCalcMode::cmCa;
    pCa6[vfFreeCa] = 0.001L;
    TCalcInput pCa75 = pCa6;
    pCa75[vfFreeCa] = 3.1622776601683793320e-5L; // 10^-4.5 mM
    const std::vector<std::pair<std::string, TCalcInput>> computed {
        {"mode,pca\n6,6\n", pCa6},
        {"pca,mode\n7.5,6\n", pCa75},
        // Both cells, as an output file read back has them: they agree, free_ca is used.
        {"mode,free_ca,pca\n6,0.001,6.0000000000001\n", pCa6},
        // Where free Ca++ is a result, pca is not read (a warning says so).
        {"mode,pca\n0,9\n", DefaultInput()},
    };
    for (const auto& [csv, input] : computed) {
        SCOPED_TRACE(csv);
        const TRun run = RunText(csv, TOutputFormat::ofCsv);
        EXPECT_EQ(run.Status, 0);
        EXPECT_EQ(run.Out, CsvHeader() + Expected(input, TOutputFormat::ofCsv));
    }
    struct TFailure {
        std::string Csv;
        std::string Error; // the start of the row's error
        bool FreeCaEmpty;  // free Ca++ came neither from a cell nor from the command line
    };
    const std::vector<TFailure> failing {
        {"mode,free_ca,pca\n6,0.001,5\n", "The free_ca cell '0.001' and the pca cell '5'", false},
        {"mode,pca,free_ca\n6,3,0\n", "The free_ca cell '0' and the pca cell '3'", false},
        {"mode,pca\n6,-5000\n", std::string(CalcMessage::Overflow), true},
        {"mode,pca,ph\n6,6,x\n", CalcMessage::NotAFloat("x"), true},
    };
    for (const TFailure& c : failing) {
        SCOPED_TRACE(c.Csv);
        const TRun run = RunText(c.Csv, TOutputFormat::ofJson);
        EXPECT_EQ(run.Status, 1);
        const auto j = nlohmann::json::parse(run.Out);
        EXPECT_TRUE(j["error"].get<std::string>().starts_with(c.Error)) << j["error"];
        EXPECT_EQ(j["free_ca"].is_null(), c.FreeCaEmpty);
    }
}

TEST(Batch, AnOutputFileReadsBackToTheSameOutput)
{
    // pca and free_ca both come back, in every mode, and must not clash.
    const TRun first = RunText(
        "mode,pca,total_egta\n6,5,10\n6,6.5,10\n2,7,\n0,,1\n3,8.25,\n", TOutputFormat::ofCsv);
    ASSERT_EQ(first.Status, 0) << first.Out;
    const TRun again = RunText(first.Out, TOutputFormat::ofCsv);
    EXPECT_EQ(again.Status, 0) << again.Out;
    EXPECT_EQ(again.Out, first.Out);
}

TEST(Batch, ParallelChunksGiveTheSequentialResultsInInputOrder)
{
    std::string csv = "mode,ph,free_ca,total_ca\n";
    std::string expected = CsvHeader();
    for (int i = 0; i < 300; ++i) {
        const std::string ph = "6." + std::to_string(500 + i);
        const std::string freeCa = std::to_string(i + 1) + "e-4";
        const std::string totalCa = i % 5 == 4 ? "9"
                                               : std::to_string(i) + "e-2"; // some beyond the EGTA
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
    const std::vector<std::pair<std::string, std::string>> cases {
        {"", "no header row"},
        {"\n\n", "no header row"},
        {"ph,foo\n7,1\n", "Unknown column 'foo'"},
        {"ph,PH\n7,7\n", "'ph' appears twice"},
        {"pca,free_ca,PCA\n7,7,7\n", "'pca' appears twice"},
        {"\"ph\n7\n", "not usable"},
        {std::string("p\0h\n", 4), "Unknown column 'p\\x00h'"},
    };
    for (const auto& [csv, message] : cases) {
        SCOPED_TRACE(csv);
        try {
            RunText(csv, TOutputFormat::ofJson);
            ADD_FAILURE() << "accepted";
        } catch (const TUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(Batch, AnInputThatCannotBeReadIsNotAnEmptyFile)
{
    // A buffer whose read fails, as reading a directory or a broken device does.
    struct TFailingBuffer : std::streambuf {
        int_type underflow() override { throw std::ios_base::failure("read error"); }
    } buffer;
    std::istream in(&buffer);
    std::ostringstream out, err;
    TBatchJob job {DefaultInput(), RunConstants({}), TOutputFormat::ofCsv, 1, 8, {}};
    try {
        RunBatch(in, out, err, job);
        ADD_FAILURE() << "accepted";
    } catch (const TUsageError& e) {
        EXPECT_EQ(std::string(e.what()), "The batch input cannot be read.");
    }
    EXPECT_EQ(out.str(), "");
}

TEST(Batch, RowsComputedUnderOtherConditionsAreRefusedBeforeAnythingIsComputed)
{
    const std::string header = "ph,constants,temperature_c,ph_scale\n";
    const std::string agreeing = "7,Built-in,,concentration\n";
    const std::string other = "7,Built-in,25,concentration\n";
    // Conditions that agree with the run's are read back and computed as without them.
    for (TOutputFormat format : {TOutputFormat::ofCsv, TOutputFormat::ofJson}) {
        const TRun same = RunText(header + agreeing + agreeing, format);
        EXPECT_EQ(same.Status, 0) << same.Err;
        EXPECT_EQ(same.Out, RunText("ph\n7\n7\n", format).Out);
    }
    // Among the first rows read: refused before anything is written.
    try {
        RunText(header + agreeing + other, TOutputFormat::ofCsv, 1, 2);
        ADD_FAILURE() << "computed";
    } catch (const TUsageError& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "Row 2 of the batch file was computed with temperature_c '25', but this run has no "
            "temperature: give --temperature 25"))
            << e.what();
    }
    // A later row (a file put together from several runs) fails alone, with the message.
    const TRun later = RunText(header + agreeing + other + agreeing, TOutputFormat::ofCsv, 1, 1);
    EXPECT_EQ(later.Status, 1);
    std::istringstream lines(later.Out);
    std::vector<std::string> records;
    for (std::string line; std::getline(lines, line);)
        records.push_back(line);
    ASSERT_EQ(records.size(), 4U);
    EXPECT_TRUE(records[1].ends_with(",")) << records[1]; // no error
    EXPECT_NE(records[2].find("Row 2 of the batch file was computed with temperature_c '25'"),
              std::string::npos)
        << records[2];
    EXPECT_EQ(records[3], records[1]);
}
