// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "constsets/constset.h"

#include "constsets/bundledtexts.h"
#include "constsets/setfile.h"
#include "engine/asciitext.h"

#include <vector>

std::string_view EnthalpyUnitText(TEnthalpyUnit unit)
{
    return unit == TEnthalpyUnit::euKcalPerMol ? "kcal/mol" : "kJ/mol";
}

std::string RowLabel(TLigand ligand, TPartner partner)
{
    return std::string(LigandNames[static_cast<std::size_t>(ligand)]) + "-"
        + std::string(PartnerNames[static_cast<std::size_t>(partner)]);
}

const TConstTable& BuiltInTable()
{
    static const TConstTable table = [] {
        TEngine engine;
        engine.LoadDefaultConstants();
        return engine.BaseConst();
    }();
    return table;
}

TEntryInForce EntryInForce(const TConstSet& set, TLigand lig, TPartner partner, std::size_t step)
{
    if (const auto& entry = set.Entries[lig][partner][step])
        return {entry->Log10K, entry->Enthalpy, entry->EnthalpyUnit, entry->Source, false};
    return {BuiltInTable()[lig][partner][step], std::nullopt, TEnthalpyUnit::euKJPerMol,
            BuiltInSource, true};
}

TConstTable SetTable(const TConstSet& set)
{
    TConstTable table = BuiltInTable();
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step)
                if (const auto& entry = set.Entries[lig][pt][step])
                    table[lig][pt][step] = entry->Log10K;
    return table;
}

TReal EnthalpyJPerMol(TReal enthalpy, TEnthalpyUnit unit)
{
    const TReal kiloJoules = unit == TEnthalpyUnit::euKcalPerMol ? enthalpy * KJPerKcal : enthalpy;
    return kiloJoules * 1000;
}

TConstOrigin SetOrigin(const TConstSet& set, int editedEntries)
{
    TConstOrigin origin;
    origin.SetName = set.Name;
    origin.EditedEntries = editedEntries;
    origin.ReferenceC = set.ReferenceC;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const auto& entry = set.Entries[lig][pt][step];
                if (entry && entry->Enthalpy)
                    origin.EnthalpyJPerMol[lig][pt][step] = EnthalpyJPerMol(
                        *entry->Enthalpy, entry->EnthalpyUnit);
            }
    return origin;
}

void UseSet(TEngine& engine, const TConstSet& set, int editedEntries)
{
    engine.SetBaseConst(SetTable(set));
    engine.SetOrigin(SetOrigin(set, editedEntries));
}

bool EditEntry(TConstSet& set, TLigand lig, TPartner partner, std::size_t step, TReal log10K)
{
    const TReal value = log10K > 0 ? log10K : 0;
    const TEntryInForce current = EntryInForce(set, lig, partner, step);
    if (current.Log10K == value)
        return false;
    set.Entries[lig][partner][step] = TSetEntry {
        value, std::nullopt, TEnthalpyUnit::euKJPerMol, std::string(EditedSource)};
    return true;
}

int CountEdited(const TConstSet& chosen, const TConstSet& edited)
{
    int count = 0;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const TEntryInForce a = EntryInForce(chosen, lig, pt, step);
                const TEntryInForce b = EntryInForce(edited, lig, pt, step);
                if (a.Log10K != b.Log10K || a.Source != b.Source)
                    ++count;
            }
    return count;
}

bool IsTemperatureInRange(TReal celsius)
{
    return celsius >= MinTemperatureC && celsius <= MaxTemperatureC;
}

std::string TemperatureRangeMessage(std::string_view given)
{
    return "The temperature must be between 0 and 100 \u00B0C (liquid water), not "
        + std::string(given) + ".";
}

std::span<const TBundledSet> BundledSets()
{
    // Parsed once; a bundled text that does not read is a fault of the build, found by the
    // tests, so it is not caught here.
    static const std::vector<TBundledSet> sets = [] {
        std::vector<TBundledSet> parsed;
        for (const TBundledText& text : BundledSetTexts())
            parsed.push_back({text.Id, ParseConstSet(text.Text, text.FileName)});
        return parsed;
    }();
    return sets;
}

const TConstSet& BuiltInSet()
{
    return BundledSets().front().Set;
}

const TBundledSet* FindBundledSet(std::string_view idOrName)
{
    for (const TBundledSet& bundled : BundledSets())
        if (EqualNoCase(idOrName, bundled.Id) || EqualNoCase(idOrName, bundled.Set.Name))
            return &bundled;
    return nullptr;
}

bool GivesEntries(const TConstSet& set)
{
    for (const auto& ligand : set.Entries)
        for (const auto& row : ligand)
            for (const auto& entry : row)
                if (entry)
                    return true;
    return !set.Ligands.empty();
}

std::string LigandRowLabel(std::string_view name, TPartner partner)
{
    return std::string(name) + "-" + std::string(PartnerNames[static_cast<std::size_t>(partner)]);
}

namespace {

constexpr bool IsNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsAsciiDigit(c) || c == '-'
        || c == '_';
}

} // namespace

std::string LigandNameProblem(std::string_view name)
{
    if (name.empty())
        return "a further ligand needs a name";
    if (name.size() > MaxLigandNameLength)
        return "the name is longer than 16 characters";
    for (char ch : name)
        if (!IsNameCharacter(ch))
            return "a name holds letters, digits, '-' and '_' only";
    for (std::string_view builtIn : LigandNames)
        if (EqualNoCase(name, builtIn))
            return "\"" + std::string(builtIn) + "\" is a built-in ligand";
    for (std::string_view cation : {"Mg", "Ca", "H"})
        if (EqualNoCase(name, cation))
            return "\"" + std::string(cation) + "\" names a binding partner, not a ligand";
    return {};
}

const TConstSet& LigandLibrary()
{
    static const TConstSet library = [] {
        const TBundledText text = BundledLigandText();
        return ParseConstSet(text.Text, text.FileName);
    }();
    return library;
}

std::optional<TKnownLigand> FindLigand(const TConstSet& set, std::string_view name)
{
    for (const TConstSet* source : {&set, &LigandLibrary()})
        for (const TLigandDef& def : source->Ligands)
            if (EqualNoCase(def.Name, name))
                return TKnownLigand {&def, source->ReferenceC, source != &set};
    return std::nullopt;
}

std::vector<TKnownLigand> KnownLigands(const TConstSet& set)
{
    std::vector<TKnownLigand> known;
    for (const TLigandDef& def : set.Ligands)
        known.push_back({&def, set.ReferenceC, false});
    const TConstSet& library = LigandLibrary();
    if (&set == &library)
        return known;
    for (const TLigandDef& def : library.Ligands)
        if (FindLigand(set, def.Name)->FromLibrary)
            known.push_back({&def, library.ReferenceC, true});
    return known;
}

namespace {

// "Mg and Ca", "H": the rows of a ligand that hold an estimate.
std::string EstimatedRows(const TLigandDef& def)
{
    std::vector<std::string_view> rows;
    for (TPartner pt : AllPartners)
        for (const auto& entry : def.Entries[pt])
            if (entry && entry->Estimate) {
                rows.push_back(PartnerNames[static_cast<std::size_t>(pt)]);
                break;
            }
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i)
        text.append(i == 0 ? "" : i + 1 == rows.size() ? " and " : ", ").append(rows[i]);
    return text;
}

} // namespace

TFurtherLigand EngineLigand(const TKnownLigand& known)
{
    TFurtherLigand ligand;
    ligand.Name = known.Def->Name;
    if (HasEstimates(*known.Def))
        ligand.Note = known.Def->Name + ": " + EstimatedRows(*known.Def)
            + " binding constants are estimates of the source, not measurements";
    ligand.Charge = known.Def->Charge;
    ligand.ReferenceC = known.ReferenceC;
    for (TPartner pt : AllPartners)
        for (std::size_t step = 0; step < StepCount; ++step)
            if (const auto& entry = known.Def->Entries[pt][step]) {
                ligand.BaseConst[pt][step] = entry->Log10K;
                if (entry->Enthalpy)
                    ligand.EnthalpyJPerMol[pt][step] = EnthalpyJPerMol(
                        *entry->Enthalpy, entry->EnthalpyUnit);
            }
    return ligand;
}

bool HasEstimates(const TLigandDef& def)
{
    for (const auto& row : def.Entries)
        for (const auto& entry : row)
            if (entry && entry->Estimate)
                return true;
    return false;
}
