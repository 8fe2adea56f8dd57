// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the page asks of the calculation, as functions from text to text that a binding can
// expose as they are. Each request is a JSON object (web/module/request.h); each answer is
// a JSON object: {"ok": true, ...} with the outputs, or {"ok": false, "error": message,
// "field": the request's key it concerns or "", "kind": "request" or "calculation"}. The
// outputs are quelix-cli's own texts: the JSON record line, the report, the series table,
// CSV and JSON lines, so that the page shows and saves exactly what the command line
// prints for the same inputs. Nothing here keeps state between calls.

#include <string>
#include <string_view>

/// One calculation: "record" (the JSON record line, as quelix-cli --format json prints it),
/// "report" (as quelix-cli prints it) and "csv" (the header and the record's line). A calculation that fails answers with kind
/// "calculation", its message and "record", the failed record as a batch run writes it.
std::string WebCalculate(std::string_view request);

/// The seven modes: {"ok": true, "modes": [{"mode", "caption", "inputs"}, ...]}, inputs
/// the record's names of the values each mode reads.
std::string WebModes();

/// A pCa series: "table" (quelix-cli's readable table), "json" and "csv" (its records)
/// and "kind" ("per_point" or "mixing").
std::string WebSeries(std::string_view request);

/// The bundled constant sets: {"ok": true, "sets": [{"id", "name", "description",
/// "reference_temperature_c"}, ...]}, "Built-in" first.
std::string WebConstantSets();

/// The text of a bundled set as a set file: "text".
std::string WebSetFileText(std::string_view idOrName);

/// Checks the text of a set file: "name", "description", "reference_temperature_c" and
/// "entries" (how many entries it gives), or the reader's message naming `fileName`.
std::string WebReadSetFile(std::string_view text, std::string_view fileName);
