// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What a calculation's outputs say about the constants and conventions behind them: the
// constant set, the temperature and the pH scale. Under the default conditions (the
// built-in set, no temperature, pH as concentration) nothing is added anywhere, so every
// output stays as it always was. Otherwise the report gains one first line and the CSV
// and JSON records gain trailing fields, whose names a batch file may carry (they are
// read back and ignored, like the other outputs).

#include "report/record.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// The two readings of pH, as the window and the report name them.
inline constexpr std::string_view ConcentrationScaleText = "pH is -log10 [H+] (concentration)";
inline constexpr std::string_view ActivityScaleText = "pH is a meter reading (H+ activity)";

/// "concentration" or "activity": the word of the command line and of the records.
std::string_view pHScaleWord(TpHScale scale);

/// The report's first line under other than the default conditions, e.g.
/// "Constants: NIST ...; temperature 25 °C (9 entries not corrected); pH is a meter reading
/// (H+ activity), pcH = 6.888". Raises the engine's error of pcH for a negative ionic
/// strength on the activity scale.
std::string ConditionsLine(const TEngine& engine);

/// The constants in force at the engine's temperature, log10 K at 0.1 M: the engine's table
/// and each further ligand's, brought to the temperature exactly as a calculation brings
/// them (entries without an enthalpy or a reference temperature stay); the tables as they
/// stand where no temperature is set. Raises the engine's arithmetic errors.
struct TConstantsInForce {
    TConstTable Table;
    TFurtherTables Further;
};
TConstantsInForce ConstantsInForce(const TEngine& engine);

/// The trailing fields: constants, edited_entries, temperature_c, uncorrected_entries,
/// ph_scale, pch.
std::span<const std::string_view> ConditionColumns();
bool IsConditionColumn(std::string_view name);

/// Whether the records of a run with these constants and inputs carry the trailing fields:
/// for another set than the built-in one, a temperature or the activity scale.
bool NeedsConditionFields(const TConstOrigin& origin, const TCalcInput& input);

/// The trailing fields' cells of a record that `engine` computed, appended to `cells`.
void AppendConditionCells(std::vector<TCell>& cells, const TCalcOutcome& outcome,
                          const TEngine& engine);

/// The CSV header line of a record, with the conditions' fields when `withConditions` and
/// those of the further ligands of the run (report/further.h).
std::string RecordCsvHeader(bool withConditions, std::span<const TFurtherLigand> ligands = {});

/// Appends one record as a CSV line or a JSON object line (`format` ofCsv or ofJson), with
/// the conditions' fields taken from `engine` (the engine that computed it) when
/// `withConditions`, and the fields of the engine's further ligands. A failed record leaves
/// pch and the further ligands' species empty.
void AppendRecord(std::string& out, const TCalcOutcome& outcome, TOutputFormat format,
                  const TEngine& engine, bool withConditions);
