// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/defaults.h"

#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <algorithm>
#include <langinfo.h>
#include <locale.h>
#include <vector>

std::filesystem::path IniFileName(const std::filesystem::path& executablePath)
{
    std::filesystem::path name = executablePath;
    name.replace_extension(".INI");
    return name;
}

char UserDecimalSeparator()
{
    // A private locale object built from the environment, so the process locale (which
    // the C++ conversions and the window toolkit rely on) is never switched.
    locale_t locale = ::newlocale(LC_NUMERIC_MASK, "", locale_t {});
    if (locale == locale_t {})
        return '.';
    const char* radix = ::nl_langinfo_l(RADIXCHAR, locale);
    const char point = (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') ? radix[0] : '.';
    ::freelocale(locale);
    return point;
}

void InitDefault(TDefaultSet& defaults)
{
    for (const TSettingsKey& key : SettingsKeys)
        defaults[key.Field] = key.BuiltIn;
}

void LoadDefault(const TDefaultSet& defaults, TEngine& engine, TCalcState& state)
{
    state.HasResults = false;
    SetValues(engine, state, defaults);
}

void ReadIniFile(const TIniFile& ini, std::string_view section, TEngine& engine,
                 TCalcState& state, char decimalPoint)
{
    for (const TSettingsKey& key : SettingsKeys) {
        // The missing-key text is written with '.'; it is given in the user's notation so
        // that a missing key never fails to convert where the separator is ','.
        std::string missing(key.MissingText);
        std::replace(missing.begin(), missing.end(), '.', decimalPoint);
        const std::string text = ini.ReadString(section, key.Key, missing);
        SetValueOf(engine, state, key.Field, TextToRealOrRaise(text, decimalPoint));
    }
}

void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint)
{
    std::vector<TIniEntry> entries;
    entries.reserve(SettingsKeys.size() + 1);
    entries.push_back({MenuSelectKey, std::to_string(modeIndex)});
    for (const TSettingsKey& key : SettingsKeys)
        entries.push_back({key.Key, RealToText(ValueOf(engine, state, key.Field), decimalPoint)});
    ini.WriteStrings(section, entries);
}

void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint)
{
    WriteIniFile(ini, DefaultSection, modeIndex, engine, state, decimalPoint);
}

TStartupResult LoadSettingsAtStart(TIniFile& ini, TDefaultSet& defaults, TEngine& engine,
                                   TCalcState& state, char decimalPoint)
{
    InitDefault(defaults);
    // The defaults go in first in either case, so that a value the file does not deliver
    // (a failed read stops at the bad value) holds its default, never zero.
    LoadDefault(defaults, engine, state);
    TStartupResult result;
    const int stored = ini.ReadInteger(DefaultSection, MenuSelectKey, FirstStartMenuSelect);
    try {
        if (stored == FirstStartMenuSelect) {
            result.ModeIndex = static_cast<int>(TCalcMode::cmEveryGiven);
            WriteIniFile(ini, DefaultSection, result.ModeIndex, engine, state, decimalPoint);
        } else {
            result.ModeIndex = std::clamp(stored, -1, ModeCount - 1);
            ReadIniFile(ini, DefaultSection, engine, state, decimalPoint);
        }
    } catch (const TCalcError& error) {
        result.Error = error.what();
    }
    return result;
}
