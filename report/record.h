// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// One record of a calculation, as the command-line tool, the series designer and the
// Python module give it: the inputs in the user's units (concentrations in mM, ionic
// strength in M), the outcome of the calculation (request/compute.h makes it), and the
// record's output as a JSON object or a CSV row.
//
// One column table (RecordColumns) names the fields of a record in output order and says
// where each value comes from. Its names are also the JSON keys and the batch file's
// header names, so an output row can be read back as an input row. A feature that adds
// fields to its records (a series' target, a constant set's name) puts its own cells
// before or after the record's and writes the line with AppendCsvLine or AppendJsonLine.

#include "engine/bindconst.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TOutputFormat { ofReport, ofJson, ofCsv };

/// The inputs of one calculation. Values are indexed by TValueField; concentrations in mM,
/// ionic strength in M. Every mode reads all fifteen; the solve overwrites its results.
struct TCalcInput {
    TCalcMode Mode = TCalcMode::cmEveryGiven;
    std::array<TReal, ValueFieldCount> Values {};
    /// The solution's temperature in degrees Celsius; none keeps the constants at their
    /// set's temperature. How pH is read. Compute hands both to the engine, as pH.
    std::optional<TReal> TemperatureC {};
    TpHScale pHScale = TpHScale::psConcentration;
    /// The totals of the further ligands in mM, in the order in which the engine that
    /// computes the record holds their definitions.
    std::array<TReal, MaxFurtherLigands> FurtherTotals {};

    TReal& operator[](TValueField f) { return Values[static_cast<std::size_t>(f)]; }
    TReal operator[](TValueField f) const { return Values[static_cast<std::size_t>(f)]; }
};

/// `text` with every control character shown as \xNN, so that a message quoting a cell
/// can neither be cut at a NUL byte nor broken over lines.
std::string PrintableText(std::string_view text);

/// The columns that an input row may set: "mode", then the fifteen values in TValueField
/// order. They are the first columns of every record.
inline constexpr std::size_t InputColumnCount = 1 + ValueFieldCount;

/// The outcome of one record. When Error is set, Input holds the inputs as read (the
/// columns flagged in Unreadable could not be read) and nothing else is valid.
struct TCalcOutcome {
    TCalcInput Input;
    std::bitset<InputColumnCount> Unreadable; // bit 0: mode, bit 1 + f: value field f
    TCalcState State;
    long Iterations = 0;
    TReal IonStrSpecies = 0; // M
    TReal IonStrTris = 0;    // M
    TReal pcH = 0;      // -log10 [H+] of the calculation (pH itself on the concentration scale)
    std::string Report; // the report text, only for TOutputFormat::ofReport
    std::string Error;  // the message for the user; empty when the record succeeded

    bool Failed() const { return !Error.empty(); }
};

/// Whether every real of the record is finite: a result in range in M can leave the range
/// in mM, and such a record must fail in every format rather than print an empty cell.
bool AllRealsFinite(const TCalcOutcome& outcome);

/// One output value: absent (empty cell, JSON null), a real, an integer or a text. A text
/// refers to storage that must outlive the cell.
struct TCell {
    enum class TKind { ckNull, ckReal, ckInteger, ckText } Kind = TKind::ckNull;
    TReal Real = 0;
    long Integer = 0;
    std::string_view Text;

    static TCell Of(TReal x) { return {TKind::ckReal, x, 0, {}}; }
    static TCell Of(long n) { return {TKind::ckInteger, 0, n, {}}; }
    static TCell Of(std::string_view s) { return {TKind::ckText, 0, 0, s}; }
};

/// A field of a record: its name and its value in an outcome.
struct TRecordColumn {
    std::string_view Name;
    TCell (*Value)(const TCalcOutcome& outcome);
};

/// The fields of a record in output order: the input columns, the free ligands, the minor
/// species, pca, the two ionic strength estimates, iterations and error.
std::span<const TRecordColumn> RecordColumns();

/// Index into RecordColumns of a column name, or -1.
int FindColumn(std::string_view name);

/// x with 19 significant digits in the shortest general form ("8", "0.2", "1.5e-07");
/// locale-free, and read back by TextToReal.
std::string FormatReal(TReal x);

/// The CSV header line of the record's own columns (with its "\n").
std::string CsvHeader();

/// Appends the record as one CSV line or one JSON object line. A failed record keeps its
/// readable inputs, leaves every result empty (null) and carries the message in "error".
void AppendCsvRecord(std::string& out, const TCalcOutcome& outcome);
void AppendJsonRecord(std::string& out, const TCalcOutcome& outcome);

/// The cells of the record's own columns, appended to `cells` in column order.
void AppendRecordCells(std::vector<TCell>& cells, const TCalcOutcome& outcome);

/// The names of the record's own columns, appended to `names` in column order.
void AppendRecordNames(std::vector<std::string_view>& names);

/// A CSV line of `names` (a header) or of `cells`, each with its "\n"; and a JSON object
/// line of `cells` under `names` (the two spans have the same length).
std::string CsvHeaderLine(std::span<const std::string_view> names);
void AppendCsvLine(std::string& out, std::span<const TCell> cells);
void AppendJsonLine(std::string& out, std::span<const std::string_view> names,
                    std::span<const TCell> cells);
