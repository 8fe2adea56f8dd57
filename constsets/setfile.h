// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The JSON file of a binding-constant set:
//
//   {"format": "quelix constant set", "version": 1,
//    "name": "...", "description": "...",
//    "reference_temperature_c": 20,            (null when the set does not say)
//    "reference_ionic_strength_m": 0.1,        (always 0.1, the engine's table's)
//    "entries": [
//      {"row": "EGTA-Ca", "step": 0, "log10_k": 10.973,
//       "enthalpy": -8.4, "enthalpy_unit": "kcal/mol", "source": "..."}, ...]}
//
// "enthalpy" and "enthalpy_unit" are optional together; every other key is required and no
// other key is allowed. Reading validates everything and gives either the whole set or an
// error; writing gives text that reads back to the same set, bit for bit.

#include "constsets/constset.h"

#include <filesystem>
#include <string>
#include <string_view>

inline constexpr std::string_view SetFormatName = "quelix constant set";
inline constexpr std::size_t SetFormatVersion = 1;

/// The set in `text`. Throws TConstSetError naming `fileName`, the entry (its position
/// from 1, and its row and step where known) and the problem: text that is not JSON, a
/// repeated key, a missing, unknown or mistyped key, a number that is not finite, an
/// unknown row or step, metal step 3 (which no calculation reads), a negative log10 K, an
/// enthalpy without its unit (or a unit without an enthalpy), an enthalpy without the
/// set's reference temperature, an entry given twice, an empty source or name, a
/// reference ionic strength other than 0.1 M, a temperature outside 0 to 100 degrees C.
TConstSet ParseConstSet(std::string_view text, std::string_view fileName);

/// Reads and parses a set file. Besides the checks of ParseConstSet, a file may use the
/// name "Built-in" only without entries: that name stands for the program's own table.
TConstSet ReadConstSetFile(const std::filesystem::path& path);

/// The set as the text of a set file, one entry per line in table order. Throws
/// TConstSetError for a set that would not read back (it is checked by reading it).
std::string ConstSetText(const TConstSet& set);

/// Writes the set file through a temporary file beside it, so that a failed write leaves
/// any earlier file whole. Throws TConstSetError as ConstSetText, and with the message
/// "%s に書き込めません" when the file cannot be written.
void WriteConstSetFile(const std::filesystem::path& path, const TConstSet& set);
