// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// One record of the command-line tool: the inputs of a calculation as the user gives them
// (concentrations in mM, ionic strength in M), the calculation itself on an engine whose
// BaseConst holds the run's constants, and the record's output as a report, a JSON object
// or a CSV row. The column names are also the JSON keys and the batch file's header names;
// an output row can be read back as an input row.

#include "engine/bindconst.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

enum class TOutputFormat { ofReport, ofJson, ofCsv };

/// The columns that a batch file may set: "mode", then the fifteen values in TValueField order.
inline constexpr std::size_t InputColumnCount = 1 + ValueFieldCount;
inline constexpr std::size_t OutputColumnCount = 50;
extern const std::array<std::string_view, OutputColumnCount> OutputColumnNames;

/// Index into OutputColumnNames of a column name, or -1.
int FindColumn(std::string_view name);

/// The inputs of one calculation. Values are indexed by TValueField; concentrations in mM,
/// ionic strength in M. Every mode reads all fifteen; the solve overwrites its results.
struct TCalcInput {
    TCalcMode Mode = TCalcMode::cmEveryGiven;
    std::array<TReal, ValueFieldCount> Values {};

    TReal& operator[](TValueField f) { return Values[static_cast<std::size_t>(f)]; }
    TReal operator[](TValueField f) const { return Values[static_cast<std::size_t>(f)]; }
};

/// The built-in default inputs: mode 0, pH 8, 0.2 M, total Mg 2.2, total Ca 0.5, total ATP
/// 0.22, total EGTA 2, free Mg 1, free Ca 1, MgATP 0.2 mM, the rest 0.
TCalcInput DefaultInput();

/// Mode text to mode: a number with an integral value from 0 to 6. Throws TCalcError with
/// the conversion message for a text that is not a number, and a mode message otherwise.
TCalcMode ParseMode(std::string_view text);

/// The outcome of one record. When Error is set, Input holds the inputs as read (the
/// columns flagged in Unreadable could not be read) and nothing else is valid.
struct TCalcOutcome {
    TCalcInput Input;
    std::bitset<InputColumnCount> Unreadable; // bit 0: mode, bit 1 + f: value field f
    TCalcState State;
    long Iterations = 0;
    TReal IonStrSpecies = 0; // M
    TReal IonStrTris = 0; // M
    std::string Report; // the report text, only for TOutputFormat::ofReport
    std::string Error; // the message for the user; empty when the record succeeded

    bool Failed() const { return !Error.empty(); }
};

/// Runs AdjustConstants, MakeApparentConstants, SolveMajors and CalcMinors for `input` on
/// `engine` (whose BaseConst the caller has set), then the ionic strength estimates and,
/// for the report format, the report text. A TCalcError becomes the outcome's Error.
TCalcOutcome Compute(TEngine& engine, const TCalcInput& input, TOutputFormat format);

/// x with 19 significant digits in the shortest general form ("8", "0.2", "1.5e-07");
/// locale-free, and read back by TextToReal.
std::string FormatReal(TReal x);

/// The CSV header line (with its "\n").
std::string CsvHeader();

/// Appends the record as one CSV line or one JSON object line. A failed record keeps its
/// readable inputs, leaves every result empty (null) and carries the message in "error".
void AppendCsvRecord(std::string& out, const TCalcOutcome& outcome);
void AppendJsonRecord(std::string& out, const TCalcOutcome& outcome);
