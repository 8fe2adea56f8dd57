// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/defaults.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <algorithm>
#include <filesystem>
#include <langinfo.h>
#include <locale.h>
#include <vector>

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

namespace {

static_assert(
    [] {
        for (std::size_t i = 0; i < SettingsKeys.size(); ++i)
            if (SettingsKeys[i].Field != static_cast<TValueField>(i))
                return false;
        return true;
    }(),
    "the key table lists the value fields in their own order");

// The missing-key text is written with '.'; it is given in the user's notation so that a
// missing key never fails to convert where the separator is ','.
std::string MissingText(const TSettingsKey& key, char decimalPoint)
{
    std::string text(key.MissingText);
    std::replace(text.begin(), text.end(), '.', decimalPoint);
    return text;
}

// The binding constants are derived from pH and the ionic strength as soon as start-up
// ends. A value at which they cannot be derived (an ionic strength beyond the range of the
// activity term, a negative one) would stop every calculation, so it is as unusable as a
// text that is not a number. Returns the engine's message, if any.
std::optional<std::string> ConstantsFault(TReal pH, TReal ionStr)
{
    TEngine probe;
    probe.LoadDefaultConstants();
    probe.SetpH(pH);
    probe.SetIonStr(ionStr);
    try {
        probe.AdjustConstants();
        probe.MakeApparentConstants();
    } catch (const TCalcError& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

const TSettingsKey& KeyOf(TValueField field)
{
    return SettingsKeys[static_cast<std::size_t>(field)];
}

std::string UnusableValuesMessage(const std::filesystem::path& file,
                                  const std::vector<TSettingsProblem>& problems,
                                  const std::vector<TLigandLineProblem>& ligandProblems)
{
    std::string message = "The settings file " + file.string()
        + " holds values that cannot be used:";
    for (const TSettingsProblem& problem : problems)
        message += "\n" + std::string(KeyOf(problem.Field).Key) + ": " + problem.Reason;
    for (const TLigandLineProblem& problem : ligandProblems)
        message += "\n" + std::string(FurtherLigandKeys[problem.Slot]) + ": " + problem.Reason;
    message += "\nEach of them keeps its default. Save leaves these lines in the file as they "
               "are until you change the value.";
    return message;
}

// The first start writes the defaults over whatever value keys the section holds; a user
// who had values there (and a MenuSelect that is missing or not a number) must hear of it.
std::optional<std::string> ReplacedValuesNotice(const std::filesystem::path& file,
                                                std::span<const TIniValue> section,
                                                std::optional<std::string_view> menuSelect,
                                                const TDefaultSet& defaults, char decimalPoint)
{
    std::string replaced;
    for (const TSettingsKey& key : SettingsKeys) {
        const auto old = FindValue(section, key.Key);
        if (!old)
            continue;
        const auto value = TextToReal(*old, decimalPoint);
        if (!value || RealToText(*value) != RealToText(defaults[key.Field]))
            replaced += "\n" + std::string(key.Key) + "=" + std::string(*old);
    }
    if (replaced.empty())
        return std::nullopt;
    const std::string why = menuSelect ? std::string(MenuSelectKey) + "=" + std::string(*menuSelect)
                                       : std::string(MenuSelectKey) + " is missing";
    return "The settings file " + file.string() + " selects no calculation mode (" + why
        + "), so the built-in defaults were loaded and saved in place of these values:" + replaced;
}

} // namespace

std::vector<TSettingsProblem> ReadIniFile(std::span<const TIniValue> section,
                                          const TDefaultSet& defaults, TEngine& engine,
                                          TCalcState& state, char decimalPoint)
{
    std::vector<TSettingsProblem> problems;
    TValueSet values = defaults;
    TEnumArray<TValueField, std::string, ValueFieldCount> texts;
    for (const TSettingsKey& key : SettingsKeys) {
        const std::string missing = MissingText(key, decimalPoint);
        texts[key.Field] = std::string(FindValue(section, key.Key).value_or(missing));
        if (const auto value = TextToReal(texts[key.Field], decimalPoint))
            values[key.Field] = *value;
        else
            problems.push_back({key.Field, CalcMessage::NotAFloat(texts[key.Field])});
    }
    // The ionic strength is tried at the default pH, then the pH at the ionic strength
    // that holds, so that the pair kept can always be used.
    using enum TValueField;
    for (const TValueField field : {vfIonStr, vfpH}) {
        const bool read = std::none_of(
            problems.begin(), problems.end(),
            [field](const TSettingsProblem& p) { return p.Field == field; });
        if (!read)
            continue;
        const TReal pH = field == vfpH ? values[vfpH] : defaults[vfpH];
        if (const auto fault = ConstantsFault(pH, values[vfIonStr])) {
            problems.push_back({field, Quoted(texts[field]) + ": " + *fault});
            values[field] = defaults[field];
        }
    }
    std::stable_sort(
        problems.begin(), problems.end(),
        [](const TSettingsProblem& a, const TSettingsProblem& b) { return a.Field < b.Field; });
    SetValues(engine, state, values);
    return problems;
}

TUnreadValues WriteIniText(TIniDocument& text, std::string_view section, int modeIndex,
                           const TValueSet& values, char decimalPoint, const TUnreadValues& unread,
                           std::span<const TStoredLigand> ligands, TKeptLigandLines* keptLigands)
{
    const std::vector<TIniValue> stored = text.Section(section);
    std::vector<TIniEntry> entries;
    entries.reserve(SettingsKeys.size() + 1);
    const auto storedMode = FindValue(stored, MenuSelectKey);
    if (!storedMode || IniInteger(*storedMode, FirstStartMenuSelect) != modeIndex)
        entries.push_back({MenuSelectKey, std::to_string(modeIndex)});
    TUnreadValues leftAlone;
    for (const TSettingsKey& key : SettingsKeys) {
        std::string value = RealToText(values[key.Field], decimalPoint);
        const auto& held = unread[key.Field];
        if (held && value == RealToText(*held, decimalPoint) && FindValue(stored, key.Key)) {
            leftAlone[key.Field] = held;
            continue;
        }
        entries.push_back({key.Key, std::move(value)});
    }
    if (keptLigands)
        AppendLigandEntries(entries, stored, ligands, decimalPoint, *keptLigands);
    text.SetStrings(section, entries);
    return leftAlone;
}

void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint, TUnreadValues& unread,
                  TKeptLigandLines& keptLigands)
{
    const TValueSet values = ValuesOf(engine, state);
    const std::vector<TStoredLigand> ligands = LigandsInUse(engine, state);
    TUnreadValues leftAlone;
    TKeptLigandLines kept = keptLigands;
    ini.Update([&](TIniDocument& text) {
        kept = keptLigands;
        leftAlone = WriteIniText(
            text, section, modeIndex, values, decimalPoint, unread, ligands, &kept);
    });
    // A key once written holds a value that read, whatever the user sets it to later.
    unread = leftAlone;
    keptLigands = kept;
}

void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint, TUnreadValues& unread)
{
    TKeptLigandLines none {};
    WriteIniFile(ini, section, modeIndex, engine, state, decimalPoint, unread, none);
}

void WriteIniFile(TIniFile& ini, std::string_view section, int modeIndex, const TEngine& engine,
                  const TCalcState& state, char decimalPoint)
{
    TUnreadValues none;
    WriteIniFile(ini, section, modeIndex, engine, state, decimalPoint, none);
}

void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint, TUnreadValues& unread, TKeptLigandLines& keptLigands)
{
    WriteIniFile(ini, DefaultSection, modeIndex, engine, state, decimalPoint, unread, keptLigands);
}

void SetAsDefault(TIniFile& ini, int modeIndex, const TEngine& engine, const TCalcState& state,
                  char decimalPoint, TUnreadValues& unread)
{
    WriteIniFile(ini, DefaultSection, modeIndex, engine, state, decimalPoint, unread);
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
    // holds its default, never zero.
    LoadDefault(defaults, engine, state);
    TStartupResult result;
    const TIniDocument text = ini.Read();
    const std::vector<TIniValue> section = text.Section(DefaultSection);
    const auto menuSelect = FindValue(section, MenuSelectKey);
    const int stored = menuSelect ? IniInteger(*menuSelect, FirstStartMenuSelect)
                                  : FirstStartMenuSelect;
    if (stored != FirstStartMenuSelect) {
        result.ModeIndex = std::clamp(stored, -1, ModeCount - 1);
        const auto problems = ReadIniFile(section, defaults, engine, state, decimalPoint);
        for (const TSettingsProblem& problem : problems)
            result.Unread[problem.Field] = defaults[problem.Field];
        TStoredLigands ligands = ReadFurtherLigands(section, decimalPoint);
        result.Ligands = std::move(ligands.Ligands);
        result.KeptLigands = ligands.Kept;
        if (!problems.empty() || !ligands.Problems.empty())
            result.Error = UnusableValuesMessage(ini.FileName(), problems, ligands.Problems);
        return result;
    }
    result.ModeIndex = static_cast<int>(TCalcMode::cmEveryGiven);
    // The defaults hold no further ligand; lines the file has for them stay for a later start.
    result.KeptLigands = PresentLigandLines(section);
    try {
        TUnreadValues none;
        TKeptLigandLines kept = result.KeptLigands;
        WriteIniFile(
            ini, DefaultSection, result.ModeIndex, engine, state, decimalPoint, none, kept);
        result.Notice = ReplacedValuesNotice(
            ini.FileName(), section, menuSelect, defaults, decimalPoint);
    } catch (const TCalcError& error) {
        result.Error = error.what();
    }
    return result;
}
