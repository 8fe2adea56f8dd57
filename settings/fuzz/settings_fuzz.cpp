// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// libFuzzer driver for the settings file: any bytes as the file's text are read as start-up
// reads them, saved as Save writes them and read again. The second reading must find the
// same mode, the same values (to the 15 digits written) and the same keys that could not be
// used; a second save must change nothing; a key written must read back. A broken rule
// aborts with a message.

#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "settings/defaults.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

void Check(bool ok, const char* what, const std::string& text)
{
    if (ok)
        return;
    std::fprintf(
        stderr, "broken: %s\n--- text (%zu bytes) ---\n%s\n---\n", what, text.size(), text.c_str());
    std::abort();
}

// One start-up's reading of a text, without the file.
struct TReading {
    int Stored = FirstStartMenuSelect;
    TValueSet Values;
    std::vector<TSettingsProblem> Problems;
    TUnreadValues Unread;
    TStoredLigands Ligands;
};

TReading ReadText(const TIniDocument& text, const TDefaultSet& defaults, char point)
{
    TReading reading;
    TEngine engine;
    TCalcState state;
    const std::vector<TIniValue> section = text.Section(DefaultSection);
    if (const auto menuSelect = FindValue(section, MenuSelectKey))
        reading.Stored = IniInteger(*menuSelect, FirstStartMenuSelect);
    reading.Problems = ReadIniFile(section, defaults, engine, state, point);
    for (const TSettingsProblem& problem : reading.Problems)
        reading.Unread[problem.Field] = defaults[problem.Field];
    reading.Values = ValuesOf(engine, state);
    reading.Ligands = ReadFurtherLigands(section, point);
    return reading;
}

bool SameFields(const std::vector<TSettingsProblem>& a, const std::vector<TSettingsProblem>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x.Field == y.Field; });
}

// Save, then read again: what was read must come back.
void CheckSaveAndReadAgain(const std::string& input, char point)
{
    TDefaultSet defaults;
    InitDefault(defaults);
    TIniDocument text(input);
    const TReading first = ReadText(text, defaults, point);
    const bool firstStart = first.Stored == FirstStartMenuSelect;
    const int mode = firstStart ? 0 : std::clamp(first.Stored, -1, ModeCount - 1);
    // The ligands read are saved as the window would save them when it knows them all.
    TKeptLigandLines kept = first.Ligands.Kept;
    (void)WriteIniText(text, DefaultSection, mode, firstStart ? defaults : first.Values, point,
                       firstStart ? TUnreadValues {} : first.Unread, first.Ligands.Ligands, &kept);

    TIniDocument saved(text.Text());
    const TReading second = ReadText(saved, defaults, point);
    Check(second.Stored == mode, "the mode saved reads back", text.Text());
    Check(firstStart ? second.Problems.empty() : SameFields(first.Problems, second.Problems),
          "the same keys cannot be used", text.Text());
    for (const TValueField field : AllValueFields) {
        const TReal expected = firstStart ? defaults[field] : first.Values[field];
        Check(RealToText(second.Values[field]) == RealToText(expected), "a value saved reads back",
              text.Text());
    }
    Check(second.Ligands.Kept == first.Ligands.Kept, "the same ligand lines cannot be used",
          text.Text());
    Check(second.Ligands.Ligands.size() == first.Ligands.Ligands.size(),
          "every ligand saved reads back", text.Text());
    for (std::size_t i = 0; i < second.Ligands.Ligands.size(); ++i)
        Check(second.Ligands.Ligands[i].Name == first.Ligands.Ligands[i].Name
                  && RealToText(second.Ligands.Ligands[i].TotalM)
                      == RealToText(first.Ligands.Ligands[i].TotalM),
              "a ligand saved reads back in its place", text.Text());
    const std::string once = text.Text();
    kept = second.Ligands.Kept;
    (void)WriteIniText(saved, DefaultSection, mode, second.Values, point, second.Unread,
                       second.Ligands.Ligands, &kept);
    Check(saved.Text() == once, "a second save changes nothing", once);
}

// A key written into any text reads back as written (less blanks and enclosing quotes),
// unless the key or the section is refused.
void CheckWriteAndFind(FuzzedDataProvider& in, const std::string& input)
{
    const std::string section = in.ConsumeRandomLengthString(16);
    const std::string key = in.ConsumeRandomLengthString(16);
    const std::string value = in.ConsumeRandomLengthString(32);
    TIniDocument text(input);
    const TIniEntry entry {key, value};
    try {
        text.SetStrings(section, std::span(&entry, 1));
    } catch (const std::invalid_argument&) {
        Check(text.Text() == input, "a refused write changes nothing", input);
        return;
    }
    std::string_view expected = TrimBlanks(value);
    if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'')
        && expected.back() == expected.front())
        expected = expected.substr(1, expected.size() - 2);
    const auto found = text.Find(section, key);
    Check(found && *found == expected, "a key written reads back", text.Text());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const char point = in.ConsumeBool() ? ',' : '.';
    const bool alsoWriteKey = in.ConsumeBool();
    const std::string input = in.ConsumeRandomLengthString(size);
    CheckSaveAndReadAgain(input, point);
    if (alsoWriteKey)
        CheckWriteAndFind(in, input);
    return 0;
}
