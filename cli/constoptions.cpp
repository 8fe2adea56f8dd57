// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/constoptions.h"

#include "cli/options.h"
#include "constsets/setfile.h"
#include "engine/realtext.h"
#include "report/conditions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace {

// The whole text of a cell of --show-constants; a real with all its digits.
TCell RealCell(std::optional<TReal> x)
{
    return x ? TCell::Of(*x) : TCell {};
}

// Characters, not bytes, of a UTF-8 text.
std::size_t Width(const std::string& text)
{
    return static_cast<std::size_t>(std::ranges::count_if(
        text, [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

} // namespace

void AddConstOptions(CLI::App& app, TConstOptionTexts& texts)
{
    texts.ConstantsOption = app.add_option("--constants", texts.Constants);
    texts.TemperatureOption = app.add_option("--temperature", texts.Temperature);
    texts.pHScaleOption = app.add_option("--ph-scale", texts.pHScale);
    app.add_flag("--list-constants", texts.List);
    app.add_flag("--show-constants", texts.Show);
}

void ReadConstOptions(const TConstOptionTexts& texts, TCliOptions& options)
{
    if (texts.TemperatureOption->count() > 0)
        options.Input.TemperatureC = ParseTemperature(texts.Temperature);
    if (texts.pHScaleOption->count() > 0)
        options.Input.pHScale = ParsepHScale(texts.pHScale);
    // An empty name (an unset shell variable) must not pass for the built-in table.
    if (texts.ConstantsOption->count() > 0 && texts.Constants.empty())
        throw TUsageError("--constants: expected the id or name of a bundled set or the path of a "
                          "set file, got an empty text (without --constants: the built-in table)");
    options.Constants = ResolveConstants(texts.Constants, options.ConstEdits);
    if (!options.Constants.Note.empty())
        options.Warnings.push_back(options.Constants.Note);
    options.ShowConstants = texts.Show;
}

std::string ListConstantsText()
{
    std::string text;
    for (const TBundledSet& bundled : BundledSets()) {
        text += std::string(bundled.Id) + "\n    " + bundled.Set.Name + "\n";
        // The description, wrapped at word ends to the width of --help.
        std::string line = "   ";
        std::istringstream words(bundled.Set.Description);
        for (std::string word; words >> word;) {
            // A unit stays with its number ("20 \u00B0C").
            const bool unit = word.starts_with("\u00B0");
            if (!unit && Width(line) + 1 + Width(word) > 88) {
                text += line + "\n";
                line = "   ";
            }
            line += " " + word;
        }
        text += line + "\n";
    }
    // The further ligands that --ligand and the batch column total_<n> take by name.
    const TConstSet& library = LigandLibrary();
    text += "\nFurther ligands for --ligand NAME=TOTAL, from the library at "
        + FormatReal(*library.ReferenceC)
        + " \u00B0C and 0.1 M\n(a set that defines a ligand "
          "of the same name gives its own):\n";
    for (const TLigandDef& def : library.Ligands)
        text += "  " + def.Name + std::string(def.Name.size() < 10 ? 10 - def.Name.size() : 1, ' ')
            + def.Description + ", charge " + std::to_string(def.Charge)
            + (HasEstimates(def) ? " (some constants are estimates)" : "") + "\n";
    return text;
}

std::string ShowConstantsText(const TRunConstants& constants, const TCalcInput& input,
                              TOutputFormat format)
{
    TEngine engine;
    UseRunConstants(engine, constants);
    engine.SetTemperatureC(input.TemperatureC);
    const TConstantsInForce inForce = ConstantsInForce(engine);
    static constexpr std::string_view Names[] = {"row",           "step",
                                                 "log10_k",       "enthalpy",
                                                 "enthalpy_unit", "reference_temperature_c",
                                                 "temperature_c", "log10_k_in_force",
                                                 "source"};
    const bool json = format == TOutputFormat::ofJson;
    std::string text = json ? std::string() : CsvHeaderLine(Names);
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const TEntryInForce entry = EntryInForce(constants.Set, lig, pt, step);
                if (!(entry.Log10K > 0))
                    continue;
                const std::string row = RowLabel(lig, pt);
                const TCell cells[] = {
                    TCell::Of(std::string_view(row)),
                    TCell::Of(static_cast<long>(step)),
                    TCell::Of(entry.Log10K),
                    RealCell(entry.Enthalpy),
                    entry.Enthalpy ? TCell::Of(EnthalpyUnitText(entry.EnthalpyUnit)) : TCell {},
                    entry.FromBuiltIn ? TCell {} : RealCell(constants.Set.ReferenceC),
                    RealCell(input.TemperatureC),
                    TCell::Of(inForce.Table[lig][pt][step]),
                    TCell::Of(entry.Source)};
                if (json)
                    AppendJsonLine(text, Names, cells);
                else
                    AppendCsvLine(text, cells);
            }
    // The run's further ligands, each entry from its definition (the set's or the library's).
    for (std::size_t i = 0; i < constants.Ligands.size(); ++i) {
        const std::optional<TKnownLigand> known = FindLigand(
            constants.Set, constants.Ligands[i].Name);
        if (!known)
            continue;
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const auto& entry = known->Def->Entries[pt][step];
                if (!entry || !(entry->Log10K > 0))
                    continue;
                const std::string row = LigandRowLabel(known->Def->Name, pt);
                const std::string source = entry->Estimate
                    ? entry->Source + " (an estimate of the source, not a measurement)"
                    : entry->Source;
                const TCell cells[] = {
                    TCell::Of(std::string_view(row)),
                    TCell::Of(static_cast<long>(step)),
                    TCell::Of(entry->Log10K),
                    RealCell(entry->Enthalpy),
                    entry->Enthalpy ? TCell::Of(EnthalpyUnitText(entry->EnthalpyUnit)) : TCell {},
                    RealCell(known->ReferenceC),
                    RealCell(input.TemperatureC),
                    TCell::Of(inForce.Further.Const[i][pt][step]),
                    TCell::Of(std::string_view(source))};
                if (json)
                    AppendJsonLine(text, Names, cells);
                else
                    AppendCsvLine(text, cells);
            }
    }
    return text;
}

std::string ConstOptionsHelp()
{
    return R"(  --constants NAME|FILE    the constant set: a bundled one by its id or name (default
                           builtin, the table Quelix has always used), or a set file (JSON,
                           see the manual); rows and steps a set does not give come from the
                           built-in table. --const edits apply on top of it.
  --temperature C          degrees Celsius, 0 to 100: brings each constant that has an
                           enthalpy from the set's temperature by van 't Hoff; the others are
                           used as they stand (counted in the report). Default: none.
  --ph-scale concentration|activity
                           concentration (default): pH is -log10 [H+]; activity: pH is a
                           meter reading, converted to pcH (-log10 [H+]) with the H+
                           activity coefficient at the record's ionic strength
  --list-constants         the bundled sets
  --show-constants         the table in force after all options, with each entry's source,
                           as CSV (--format json: one JSON object per entry); not with
                           --list-constants
  With another set than builtin, a temperature or the activity scale, the report begins
  with a line naming them, and CSV and JSON records end with the fields constants,
  edited_entries, temperature_c, uncorrected_entries, ph_scale and pch (pcH). The
  constants, temperature and pH scale of a batch come from the command line; a batch
  file may hold these columns, and a row whose constants, edited_entries, temperature_c
  or ph_scale differ from the command line's is a usage error, reported before anything
  is computed (an output file is never silently computed again under other conditions).)";
}
