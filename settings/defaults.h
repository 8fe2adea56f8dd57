// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The built-in default inputs and the settings file's section "Default": the selected
// mode ("MenuSelect") and the fifteen values of the main window (pH, ionic strength and
// thirteen concentrations, all in M). One key table below ties each key text to its value
// field, to the text used when the key is missing and to the built-in default; no other
// code spells a key.
//
// Data flow at start-up (LoadSettingsAtStart): built-in defaults -> engine and state;
// then either the stored mode and values from the file, or, at the first start, the
// defaults written to the file. Saving (WriteIniFile) writes the mode and the live values.
// Reals are written with 15 significant digits in the general form (0.0022, 5E-5) and the
// caller's decimal separator, and read back with the same separator.

#include "engine/bindconst.h"
#include "engine/calcstate.h"
#include "engine/realtype.h"
#include "settings/inifile.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view DefaultSection = "Default";
inline constexpr std::string_view MenuSelectKey = "MenuSelect";
/// "MenuSelect" value (and default) that means: no stored settings, first start.
inline constexpr int FirstStartMenuSelect = -9;

struct TSettingsKey {
    std::string_view Key;
    TValueField Field;
    std::string_view MissingText; // value used when the key is missing, with '.' as point
    TReal BuiltIn;                // built-in default (M for concentrations)
};

/// The fifteen value keys in the order they are read and written, after "MenuSelect".
inline constexpr std::array<TSettingsKey, ValueFieldCount> SettingsKeys {{
    {"pH", TValueField::vfpH, "8", 8.0L},
    {"IonStr", TValueField::vfIonStr, "0.2", 0.2L},
    {"Total EGTA", TValueField::vfTotalEGTA, "0", 0.002L},
    {"Total EDTA", TValueField::vfTotalEDTA, "0", 0.0L},
    {"Total Mg", TValueField::vfTotalMg, "0", 0.0022L},
    {"Total Ca", TValueField::vfTotalCa, "0", 0.0005L},
    {"Total ATP", TValueField::vfTotalATP, "0", 0.00022L},
    {"Total ADP", TValueField::vfTotalADP, "0", 0.0L},
    {"Total PO4", TValueField::vfTotalPO4, "0", 0.0L},
    {"Free Mg", TValueField::vfFreeMg, "0", 0.001L},
    {"Free Ca", TValueField::vfFreeCa, "0", 0.001L},
    {"MgATP", TValueField::vfMgATP, "0", 0.0002L},
    {"CaATP", TValueField::vfCaATP, "0", 0.0L},
    {"MgADP", TValueField::vfMgADP, "0", 0.0L},
    {"CaADP", TValueField::vfCaADP, "0", 0.0L},
}};

/// The built-in default inputs: pH, ionic strength (M) and the thirteen concentrations (M),
/// indexed by TValueField.
using TDefaultSet = TValueSet;

/// The settings file of the executable: its path with the extension replaced by ".INI",
/// or ".INI" appended when it has none ("/opt/q/quelix" -> "/opt/q/quelix.INI").
std::filesystem::path IniFileName(const std::filesystem::path& executablePath);

/// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), read
/// without changing the process locale; '.' when the locale is unknown or its separator is
/// not a single byte.
char UserDecimalSeparator();

/// Fills `defaults` with the built-in defaults. Touches nothing else.
void InitDefault(TDefaultSet& defaults);

/// HasResults := false; pH, IonStr and the thirteen concentrations := their defaults.
void LoadDefault(const TDefaultSet& defaults, TEngine& engine, TCalcState& state);

/// Reads the fifteen values of `section` in key order into the engine and the state (M),
/// a missing key giving its MissingText. Throws TCalcError "'%s' は浮動小数点数ではありません"
/// at the first value that is not a number; the values before it stay read, it and the
/// ones after it keep what they held. Does not read "MenuSelect".
void ReadIniFile(const TIniFile& ini, std::string_view section, TEngine& engine,
                 TCalcState& state, char decimalPoint);

/// Writes "MenuSelect" = `modeIndex` and then the fifteen values, in key order, in one
/// atomic replace of the file. Throws TCalcError "%s に書き込めません" when the file
/// cannot be written; the file is then left exactly as it was.
void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint);

/// Save / Set as Default: WriteIniFile of section "Default" with the selected mode and the
/// values of the last calculation (or of start-up).
void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint);

struct TStartupResult {
    int ModeIndex = 0;                 // -1 (no mode) .. 6, the item the selector shows
    std::optional<std::string> Error;  // message to show once, if reading or writing failed
};

/// The settings steps of start-up: InitDefault, LoadDefault, then "MenuSelect" (default
/// -9). At -9 (missing, not an integer, or -9) the defaults are written with mode 0;
/// otherwise the mode is clamped to -1..6 and the values are read. A failed read or write
/// does not throw: it is returned as Error, every value not read keeps its default, and the
/// caller goes on with the binding constants. HasResults is false afterwards.
TStartupResult LoadSettingsAtStart(TIniFile& ini, TDefaultSet& defaults, TEngine& engine,
                                   TCalcState& state, char decimalPoint);
