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
// then either the stored mode and values from the file (each key on its own: one that
// cannot be used keeps its default and is reported), or, at the first start, the defaults
// written to the file. Saving (WriteIniFile) writes the mode and the live values, leaving
// alone the keys that did not read as long as their values are unchanged.
// Reals are written with 15 significant digits in the general form (0.0022, 5E-5) and the
// caller's decimal separator, and read back with the same separator.

#include "engine/bindconst.h"
#include "engine/calcstate.h"
#include "engine/realtype.h"
#include "settings/inifile.h"
#include "settings/ligandkeys.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

/// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), read
/// without changing the process locale; '.' when the locale is unknown or its separator is
/// not a single byte.
char UserDecimalSeparator();

/// Fills `defaults` with the built-in defaults. Touches nothing else.
void InitDefault(TDefaultSet& defaults);

/// HasResults := false; pH, IonStr and the thirteen concentrations := their defaults.
void LoadDefault(const TDefaultSet& defaults, TEngine& engine, TCalcState& state);

/// A value key of the file that could not be used.
struct TSettingsProblem {
    TValueField Field;
    std::string Reason; // the conversion's or the constants' message, quoting the text
};

/// For each value key that start-up could not use, the value the program holds instead.
/// Save leaves such a key's line in the file as it is while the value is still that one,
/// so that a value is never lost just because it did not read (the user may mend it).
using TUnreadValues = TEnumArray<TValueField, std::optional<TReal>, ValueFieldCount>;

/// Reads the fifteen values from the entries of a section (TIniDocument::Section) in key
/// order into the engine and the state (M), each on its own: a missing key gives its
/// MissingText; a value that is not a number, or a pH or ionic strength at which the binding
/// constants cannot be derived, keeps what `defaults` holds for it and is returned as a
/// problem, in key order. Does not read "MenuSelect".
std::vector<TSettingsProblem> ReadIniFile(std::span<const TIniValue> section,
                                          const TDefaultSet& defaults, TEngine& engine,
                                          TCalcState& state, char decimalPoint);

/// Sets "MenuSelect" = `modeIndex` and then the fifteen values of `values`, in key order,
/// in `text`. A "MenuSelect" that already reads as `modeIndex` keeps its text (and any
/// comment after the number), and so does every key of `unread` whose value is still the
/// one it holds there (compared as the 15-digit text that would be written). Returns the
/// keys of `unread` left alone so. With `keptLigands`, the further ligands `ligands` follow
/// (AppendLigandEntries, which updates it); without, the ligand keys are left alone.
TUnreadValues WriteIniText(TIniDocument& text, std::string_view section, int modeIndex,
                           const TValueSet& values, char decimalPoint,
                           const TUnreadValues& unread = {},
                           std::span<const TStoredLigand> ligands = {},
                           TKeptLigandLines* keptLigands = nullptr);

/// WriteIniText of the mode, of the engine's and the state's values and of the engine's
/// further ligands with their totals into the file, in one atomic replace; then `unread`
/// keeps only the keys left alone, and `keptLigands` only the ligand lines left alone.
/// Throws TCalcError "%s に書き込めません" when the file cannot be written; the file,
/// `unread` and `keptLigands` are then left exactly as they were.
void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint, TUnreadValues& unread,
                  TKeptLigandLines& keptLigands);
/// As above, keeping no ligand line.
void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint, TUnreadValues& unread);
/// As above, writing every value.
void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint);

/// Save / Set as Default: WriteIniFile of section "Default" with the selected mode and the
/// values of the last calculation (or of start-up).
void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint, TUnreadValues& unread, TKeptLigandLines& keptLigands);
void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint, TUnreadValues& unread);
void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint);

struct TStartupResult {
    int ModeIndex = 0;                  // -1 (no mode) .. 6, the item the selector shows
    std::optional<std::string> Error;   // values that could not be used, or a failed write
    std::optional<std::string> Notice;  // the first-start write replaced values of the file
    TUnreadValues Unread;               // for every later Save
    std::vector<TStoredLigand> Ligands; // the further ligands stored, for the caller to resolve
    TKeptLigandLines KeptLigands {};    // ligand lines every later Save leaves alone
};

/// The settings steps of start-up, reading the file once: InitDefault, LoadDefault, then
/// "MenuSelect" (IniInteger, default -9). At -9 (missing, not an integer, or -9) the
/// defaults are written with mode 0, and Notice lists the values of the file that this
/// replaced, leaving the further-ligand lines as they are (kept); otherwise the mode is
/// clamped to -1..6 and the values (ReadIniFile) and the further ligands (ReadFurtherLigands)
/// are read, Error naming the file and every value or ligand line that could not be used. Nothing throws: a failed
/// write is returned as Error, every value not read keeps its default, and the caller goes
/// on with the binding constants, which can be derived from the values read. HasResults
/// is false afterwards.
TStartupResult LoadSettingsAtStart(TIniFile& ini, TDefaultSet& defaults, TEngine& engine,
                                   TCalcState& state, char decimalPoint);
