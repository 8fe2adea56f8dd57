// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "constsets/setfile.h"

#include "constsets/jsonread.h"
#include "constsets/setjson.h"
#include "engine/asciitext.h"
#include "engine/calcerror.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>

namespace {

using TProblems = TJsonProblems<TConstSetError>;

constexpr std::size_t MaxFileBytes = 1 << 20;

const std::set<std::string, std::less<>> TopKeys {"format",
                                                  "version",
                                                  "name",
                                                  "description",
                                                  "reference_temperature_c",
                                                  "reference_ionic_strength_m",
                                                  "entries",
                                                  "ligands"};
const std::set<std::string, std::less<>> EntryKeys {
    "row", "step", "log10_k", "enthalpy", "enthalpy_unit", "source", "estimate"};
const std::set<std::string, std::less<>> LigandKeys {"name", "description", "charge", "entries"};

std::optional<TReal> Temperature(const TJson& value, const TProblems& problems)
{
    if (value.is_null())
        return std::nullopt;
    const TReal celsius = Number(value, "reference_temperature_c", problems);
    if (!IsTemperatureInRange(celsius))
        problems.Raise("\"reference_temperature_c\" must be between 0 and 100 \u00B0C");
    return celsius;
}

// The row label to its ligand and partner, without regard to case, as on the command line.
bool FindRow(std::string_view label, TLigand& ligand, TPartner& partner)
{
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            if (EqualNoCase(label, RowLabel(lig, pt))) {
                ligand = lig;
                partner = pt;
                return true;
            }
    return false;
}

// A whole number from 0 to `below` - 1, however the file writes it (2, 2.0, 2e0).
std::optional<std::size_t> SmallWholeNumber(const TJson& value, std::size_t below)
{
    if (!value.is_number())
        return std::nullopt;
    const TReal x = value.get<TReal>();
    for (std::size_t n = 0; n < below; ++n)
        if (x == static_cast<TReal>(n))
            return n;
    return std::nullopt;
}

std::size_t Step(const TJson& value, TPartner partner, const TProblems& problems)
{
    const std::optional<std::size_t> number = SmallWholeNumber(value, StepCount);
    if (!number)
        problems.Raise("\"step\" must be 0, 1, 2 or 3, not " + ValueText(value));
    const std::size_t step = *number;
    if (partner != TPartner::ptH && step == StepCount - 1)
        problems.Raise("step 3 of a metal row is read by no calculation; leave it out");
    return step;
}

void ReadEnthalpy(const TJson& entry, TSetEntry& out, bool hasReference, const TProblems& problems)
{
    const bool hasValue = entry.contains("enthalpy") && !entry["enthalpy"].is_null();
    const bool hasUnit = entry.contains("enthalpy_unit");
    if (!hasValue) {
        if (hasUnit)
            problems.Raise("\"enthalpy_unit\" is given without an enthalpy");
        return;
    }
    if (!hasUnit)
        problems.Raise("the enthalpy has no unit: give \"enthalpy_unit\" as \"kJ/mol\" or "
                       "\"kcal/mol\"");
    const std::string unit = Text(entry["enthalpy_unit"], "enthalpy_unit", problems);
    if (unit == EnthalpyUnitText(TEnthalpyUnit::euKJPerMol))
        out.EnthalpyUnit = TEnthalpyUnit::euKJPerMol;
    else if (unit == EnthalpyUnitText(TEnthalpyUnit::euKcalPerMol))
        out.EnthalpyUnit = TEnthalpyUnit::euKcalPerMol;
    else
        problems.Raise("\"enthalpy_unit\" must be \"kJ/mol\" or \"kcal/mol\", not " + Quoted(unit));
    out.Enthalpy = Number(entry["enthalpy"], "enthalpy", problems);
    if (out.Log10K == 0)
        problems.Raise("a step that does not exist (log10 K 0) has no enthalpy");
    if (!hasReference)
        problems.Raise("an enthalpy needs the set's \"reference_temperature_c\"");
}

// The largest log10 K whose K is a number: beyond it every calculation overflows.
TReal MaxLog10K()
{
    return std::log10(std::numeric_limits<TReal>::max());
}

// An enthalpy so large that log10 K at a temperature the program takes (0 to 100 degrees
// C) leaves the range of numbers: every calculation at that temperature would overflow.
void CheckEnthalpyRange(const TSetEntry& entry, TReal referenceC, const TProblems& problems)
{
    if (!entry.Enthalpy)
        return;
    const TReal jPerMol = EnthalpyJPerMol(*entry.Enthalpy, entry.EnthalpyUnit);
    for (const TReal celsius : {TReal(0), TReal(100)}) {
        bool inRange = std::isfinite(jPerMol);
        try {
            inRange = inRange
                && std::fabs(VantHoff(entry.Log10K, jPerMol, referenceC, celsius)) <= MaxLog10K();
        } catch (const TCalcError&) {
            inRange = false;
        }
        if (!inRange)
            problems.Raise("the enthalpy " + NumberText(*entry.Enthalpy) + " "
                           + std::string(EnthalpyUnitText(entry.EnthalpyUnit))
                           + " is so large that log10 K leaves the range of numbers at "
                           + NumberText(celsius)
                           + " \u00B0C, where every calculation would "
                             "overflow");
    }
}

// The values of an entry whose row and step are known: log10 K, the enthalpy with its
// unit, the source and whether the source marks it as an estimate.
TSetEntry EntryValues(const TJson& entry, const std::optional<TReal>& referenceC,
                      const TProblems& problems)
{
    TSetEntry out;
    out.Log10K = Number(entry["log10_k"], "log10_k", problems);
    if (out.Log10K < 0)
        problems.Raise("\"log10_k\" must not be negative (0 marks a step that does not exist)");
    if (out.Log10K > MaxLog10K())
        problems.Raise("\"log10_k\" " + NumberText(out.Log10K)
                       + " is beyond the range of numbers (K = 10^log10_k overflows every "
                         "calculation; log10 K lies below 4932)");
    ReadEnthalpy(entry, out, referenceC.has_value(), problems);
    if (referenceC)
        CheckEnthalpyRange(out, *referenceC, problems);
    out.Source = Text(entry["source"], "source", problems);
    if (entry.contains("estimate")) {
        if (!entry["estimate"].is_boolean())
            problems.Raise("\"estimate\" must be true or false, not "
                           + ValueText(entry["estimate"]));
        out.Estimate = entry["estimate"].get<bool>();
    }
    return out;
}

// The entry object at `where`, with its keys checked.
void CheckEntryObject(const TJson& entry, const TProblems& problems)
{
    if (!entry.is_object())
        problems.Raise("an entry must be an object, not " + ValueText(entry));
    CheckKeys(entry, EntryKeys, {"row", "step", "log10_k", "source"}, problems);
}

void ReadEntry(const TJson& entry, std::size_t index, TConstSet& set, TProblems& problems)
{
    std::string where = "entry " + std::to_string(index + 1);
    problems.SetWhere(where);
    CheckEntryObject(entry, problems);
    const std::string label = Text(entry["row"], "row", problems);
    TLigand lig {};
    TPartner partner {};
    if (!FindRow(label, lig, partner))
        problems.Raise("unknown row " + Quoted(label)
                       + " (the rows are ATP-H, ATP-Mg, ATP-Ca, "
                         "EGTA-H ... PO4-Ca)");
    problems.SetWhere(where + " (" + RowLabel(lig, partner) + ")");
    const std::size_t step = Step(entry["step"], partner, problems);
    problems.SetWhere(where + " (" + RowLabel(lig, partner) + " step " + std::to_string(step)
                      + ")");
    if (set.Entries[lig][partner][step])
        problems.Raise("this row and step is given twice");
    set.Entries[lig][partner][step] = EntryValues(entry, set.ReferenceC, problems);
}

// One entry of a further ligand: a row of that ligand ("CrP-Mg"), H steps 0 to 3 and metal
// steps 0 (ML) and 1 (MHL).
void ReadLigandEntry(const TJson& entry, const std::string& ligandWhere, TLigandDef& def,
                     const std::optional<TReal>& referenceC, TProblems& problems)
{
    CheckEntryObject(entry, problems);
    const std::string label = Text(entry["row"], "row", problems);
    std::optional<TPartner> partner;
    for (TPartner pt : AllPartners)
        if (EqualNoCase(label, LigandRowLabel(def.Name, pt)))
            partner = pt;
    if (!partner)
        problems.Raise("unknown row " + Quoted(label) + " (the rows of this ligand are "
                       + LigandRowLabel(def.Name, TPartner::ptH) + ", "
                       + LigandRowLabel(def.Name, TPartner::ptMg) + " and "
                       + LigandRowLabel(def.Name, TPartner::ptCa) + ")");
    const std::string row = LigandRowLabel(def.Name, *partner);
    const std::size_t steps = *partner == TPartner::ptH ? StepCount : FurtherMetalSteps;
    const std::optional<std::size_t> step = SmallWholeNumber(entry["step"], steps);
    if (!step)
        problems.Raise(*partner == TPartner::ptH
                           ? "\"step\" of " + row + " must be 0, 1, 2 or 3, not "
                               + ValueText(entry["step"])
                           : "a further ligand binds Mg and Ca as ML (step 0) and MHL (step 1) "
                             "only; \"step\" of "
                               + row + " is " + ValueText(entry["step"]));
    problems.SetWhere(ligandWhere + ", " + row + " step " + std::to_string(*step));
    if (def.Entries[*partner][*step])
        problems.Raise("this row and step is given twice");
    def.Entries[*partner][*step] = EntryValues(entry, referenceC, problems);
}

void ReadLigand(const TJson& ligand, std::size_t index, TConstSet& set, TProblems& problems)
{
    std::string where = "ligand " + std::to_string(index + 1);
    problems.SetWhere(where);
    if (!ligand.is_object())
        problems.Raise("a further ligand must be an object, not " + ValueText(ligand));
    TLigandDef def;
    if (ligand.contains("name")) {
        def.Name = Text(ligand["name"], "name", problems);
        if (const std::string problem = LigandNameProblem(def.Name); !problem.empty())
            problems.Raise(Quoted(def.Name) + ": " + problem);
        where += " (" + def.Name + ")";
        problems.SetWhere(where);
    }
    CheckKeys(ligand, LigandKeys, {"name", "charge", "entries"}, problems);
    for (const TLigandDef& other : set.Ligands)
        if (EqualNoCase(other.Name, def.Name))
            problems.Raise("the name is given to two ligands (names are told apart without "
                           "regard to case)");
    if (ligand.contains("description"))
        def.Description = Text(ligand["description"], "description", problems, true);
    const TJson& charge = ligand["charge"];
    const std::optional<std::size_t> magnitude = charge.is_number() && charge.get<TReal>() < 0
        ? SmallWholeNumber(-charge.get<TReal>(), -MinFurtherCharge + 1)
        : std::nullopt;
    if (!magnitude || *magnitude == 0)
        problems.Raise("\"charge\", of the fully deprotonated ligand, must be a whole number "
                       "from -1 to -6, not "
                       + ValueText(charge));
    def.Charge = -static_cast<int>(*magnitude);
    const TJson& entries = ligand["entries"];
    if (!entries.is_array())
        problems.Raise("\"entries\" must be a list, not " + ValueText(entries));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        problems.SetWhere(where + ", entry " + std::to_string(i + 1));
        ReadLigandEntry(entries[i], where, def, set.ReferenceC, problems);
    }
    set.Ligands.push_back(std::move(def));
}

// Parses JSON and refuses a key repeated within one object, which the library would
// otherwise settle silently by keeping the last.
} // namespace

TConstSet ParseConstSet(std::string_view text, std::string_view fileName)
{
    TProblems problems(fileName);
    const TJson doc = ParseJson(text, problems);
    if (!doc.is_object())
        problems.Raise("a set file holds one JSON object");
    CheckKeys(doc, TopKeys,
              {"format", "version", "name", "reference_temperature_c", "reference_ionic_strength_m",
               "entries"},
              problems);
    if (doc["format"] != std::string(SetFormatName))
        problems.Raise("\"format\" must be " + Quoted(SetFormatName));
    if (SmallWholeNumber(doc["version"], SetFormatVersion + 1) != SetFormatVersion)
        problems.Raise("\"version\" " + ValueText(doc["version"])
                       + " is not known (this program "
                         "reads version "
                       + std::to_string(SetFormatVersion) + ")");
    TConstSet set;
    set.Name = Text(doc["name"], "name", problems);
    if (doc.contains("description"))
        set.Description = Text(doc["description"], "description", problems, true);
    set.ReferenceC = Temperature(doc["reference_temperature_c"], problems);
    const TReal ionStr = Number(
        doc["reference_ionic_strength_m"], "reference_ionic_strength_m", problems);
    if (ionStr != SetIonStr)
        problems.Raise("the values must refer to an ionic strength of 0.1 M, as the program's "
                       "table does; \"reference_ionic_strength_m\" is "
                       + NumberText(ionStr));
    const TJson& entries = doc["entries"];
    if (!entries.is_array())
        problems.Raise("\"entries\" must be a list, not " + ValueText(entries));
    for (std::size_t i = 0; i < entries.size(); ++i)
        ReadEntry(entries[i], i, set, problems);
    if (doc.contains("ligands")) {
        const TJson& ligands = doc["ligands"];
        if (!ligands.is_array())
            problems.Raise("\"ligands\" must be a list, not " + ValueText(ligands));
        if (ligands.size() > MaxSetLigands)
            problems.Raise("a set defines at most 16 further ligands, this one "
                           + std::to_string(ligands.size()));
        for (std::size_t i = 0; i < ligands.size(); ++i)
            ReadLigand(ligands[i], i, set, problems);
    }
    return set;
}

std::string NumberText(TReal x)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x == 0 ? TReal(0) : x);
    return std::string(buf, res.ptr);
}

namespace {

// The next code point of UTF-8 `text` from `at` (advanced past it); a byte that starts no
// valid sequence stands for itself.
char32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1
        : (lead >> 5) == 0x6               ? 2
        : (lead >> 4) == 0xE               ? 3
        : (lead >> 3) == 0x1E              ? 4
                                           : 1;
    if (length == 1 || at + length > text.size()) {
        ++at;
        return lead;
    }
    char32_t cp = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return lead;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return cp;
}

bool IsInvisible(char32_t cp)
{
    return cp < 0x20 || cp == 0x7F || cp == 0xAD || (cp >= 0x200B && cp <= 0x200F)
        || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xFEFF
        || cp == 0x061C;
}

// The name with its invisible characters shown as \uXXXX, for a message.
std::string PrintableName(std::string_view name)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string shown;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t start = at;
        const char32_t cp = NextCodePoint(name, at);
        if (!IsInvisible(cp)) {
            shown.append(name.substr(start, at - start));
            continue;
        }
        shown += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            shown += Hex[(cp >> shift) & 0xF];
    }
    return shown;
}

// The name as it looks, for comparing names that must not be mistaken for each other:
// without blanks, dashes of any kind and invisible format characters (soft hyphen,
// zero-width and bidirectional controls), the full-width forms as ASCII and ASCII letters
// in lower case.
std::string NameSkeleton(std::string_view name)
{
    std::string skeleton;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t start = at;
        char32_t cp = NextCodePoint(name, at);
        const bool blank = cp == ' ' || (cp >= 0x09 && cp <= 0x0D) || cp == 0xA0
            || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F || cp == 0x3000;
        if (blank || IsInvisible(cp))
            continue;
        if (cp >= 0xFF01 && cp <= 0xFF5E)
            cp -= 0xFEE0; // full-width ASCII
        // Dashes of every kind, the hyphen too: "Built in" looks like "Built-in".
        if (cp == '-' || cp == '_' || (cp >= 0x2010 && cp <= 0x2015) || cp == 0x2212 || cp == 0xFE58
            || cp == 0xFE63 || cp == 0x2043 || cp == 0x02D7)
            continue;
        if (cp < 0x80)
            skeleton += static_cast<char>(cp >= 'A' && cp <= 'Z' ? cp + ('a' - 'A') : cp);
        else
            skeleton.append(name.substr(start, at - start));
    }
    return skeleton;
}

} // namespace

void CheckName(const TConstSet& set, std::string_view fileName)
{
    // A name that only looks like the built-in table's would pass for it in every output.
    if (set.Name != BuiltInSetName && NameSkeleton(set.Name) == NameSkeleton(BuiltInSetName))
        throw TConstSetError(std::string(fileName) + ": the name \"" + PrintableName(set.Name)
                             + "\" looks like \"" + std::string(BuiltInSetName)
                             + "\", which stands for the program's own table; give this set "
                               "another name");
    // A set named as the built-in table would be taken for it wherever outputs name the set.
    if (set.Name == BuiltInSetName && GivesEntries(set))
        throw TConstSetError(std::string(fileName) + ": the name \"" + std::string(BuiltInSetName)
                             + "\" stands for the program's own table; give this set another name");
}

TConstSet ReadConstSetFile(const std::filesystem::path& path)
{
    const std::string text = ReadTextFile<TConstSetError>(
        path, MaxFileBytes, "a set file is a few kB");
    TConstSet set = ParseConstSet(text, path.string());
    CheckName(set, path.string());
    return set;
}
