// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/runconditions.h"

#include "constsets/setfile.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "report/conditions.h"

#include <filesystem>

namespace {

std::string BundledIds()
{
    std::string ids;
    for (const TBundledSet& bundled : BundledSets())
        ids += (ids.empty() ? "" : ", ") + std::string(bundled.Id);
    return ids;
}

TConstSet ChosenSet(const std::string& name, std::string& note)
{
    if (name.empty())
        return BuiltInSet();
    if (const TBundledSet* bundled = FindBundledSet(name)) {
        // A bundled set's name wins over a file of that name; the user may have meant it.
        std::error_code error;
        if (std::filesystem::is_regular_file(name, error))
            note = "--constants '" + EchoText(name) + "' is the bundled set of that name; the "
                + "file '" + EchoText(name) + "' in the current folder is not read (give " + "./"
                + EchoText(name) + " to read it).";
        return bundled->Set;
    }
    // The system's calls end a path at a NUL: "lab.json\0junk" would read lab.json.
    if (name.find('\0') != std::string::npos)
        throw TUsageError("--constants '" + EchoText(name)
                          + "': a file name cannot hold a NUL character.");
    std::error_code error;
    if (!std::filesystem::exists(name, error))
        throw TUsageError("--constants '" + EchoText(name) + "': no bundled set has this name ("
                          + BundledIds() + "; see --list-constants) and there is no such file.");
    try {
        return ReadConstSetFile(name);
    } catch (const TConstSetError& e) {
        throw TUsageError(e.what());
    }
}

} // namespace

TConstEdit ParseConstEdit(std::string_view text)
{
    const auto colon = text.find(':');
    const auto equals = text.find('=');
    const auto bad = [text](const char* why) {
        return TUsageError("--const " + EchoText(text) + ": " + why);
    };
    if (colon == std::string_view::npos || equals == std::string_view::npos || equals < colon)
        throw bad("expected ROW:STEP=VALUE, for example ATP-Mg:0=4.1");
    const std::string_view row = text.substr(0, colon);
    const std::string_view step = text.substr(colon + 1, equals - colon - 1);
    TConstEdit edit;
    bool found = false;
    for (TLigand lig : AllLigands)
        for (TPartner partner : AllPartners) {
            const std::string label = std::string(LigandNames[static_cast<std::size_t>(lig)]) + "-"
                + std::string(PartnerNames[static_cast<std::size_t>(partner)]);
            if (EqualNoCase(row, label)) {
                edit.Ligand = lig;
                edit.Partner = partner;
                found = true;
            }
        }
    if (!found)
        throw bad("the row must be one of ATP-H ... PO4-Ca");
    if (step.size() != 1 || step[0] < '0' || step[0] > '3')
        throw bad("the step must be 0, 1, 2 or 3");
    edit.Step = static_cast<std::size_t>(step[0] - '0');
    // The table carries a step 3 for the metals too, but no sum or species reads it: an
    // edit there would be accepted and change nothing.
    if (edit.Partner != TPartner::ptH && edit.Step == 3)
        throw bad("the Mg and Ca rows have steps 0, 1 and 2; no calculation reads a step 3");
    const std::string_view number = text.substr(equals + 1);
    const auto value = TextToReal(number);
    if (!value)
        throw TUsageError("--const " + EchoText(text) + ": " + OptionNumberMessage(number));
    edit.Value = *value > 0 ? *value : 0;
    return edit;
}

TConstTable RunConstants(const std::vector<TConstEdit>& edits)
{
    TEngine engine;
    engine.LoadDefaultConstants();
    for (const TConstEdit& e : edits)
        engine.SetBaseEntry(e.Ligand, e.Partner, e.Step, e.Value);
    return engine.BaseConst();
}

TReal ParseTemperature(const std::string& text)
{
    const std::optional<TReal> celsius = TextToReal(text);
    if (!celsius)
        throw TUsageError("--temperature: " + OptionNumberMessage(text));
    if (!IsTemperatureInRange(*celsius))
        throw TUsageError("--temperature: " + TemperatureRangeMessage(EchoText(text)));
    return *celsius;
}

TpHScale ParsepHScale(const std::string& text)
{
    for (TpHScale scale : {TpHScale::psConcentration, TpHScale::psActivity})
        if (text == pHScaleWord(scale))
            return scale;
    throw TUsageError("--ph-scale must be concentration or activity, not '" + EchoText(text) + "'");
}

TRunConstants ResolveConstants(const std::string& name, const std::vector<TConstEdit>& edits)
{
    TRunConstants constants;
    constants.Chosen = ChosenSet(name, constants.Note);
    constants.Set = constants.Chosen;
    for (const TConstEdit& e : edits)
        EditEntry(constants.Set, e.Ligand, e.Partner, e.Step, e.Value);
    constants.EditedEntries = CountEdited(constants.Chosen, constants.Set);
    return constants;
}

void UseRunConstants(TEngine& engine, const TRunConstants& constants)
{
    UseSet(engine, constants.Set, constants.EditedEntries);
    engine.SetFurtherLigands(constants.Ligands);
}

std::string KnownLigandNames(const TConstSet& set)
{
    std::string names;
    for (const TKnownLigand& known : KnownLigands(set))
        names += (names.empty() ? "" : ", ") + known.Def->Name;
    return names;
}

std::optional<std::size_t> FindRunLigand(const TRunConstants& constants, std::string_view name)
{
    for (std::size_t i = 0; i < constants.Ligands.size(); ++i)
        if (EqualNoCase(constants.Ligands[i].Name, name))
            return i;
    return std::nullopt;
}

std::size_t AddRunLigand(TRunConstants& constants, std::string_view name, std::string_view what)
{
    if (const auto index = FindRunLigand(constants, name))
        return *index;
    const std::optional<TKnownLigand> known = FindLigand(constants.Set, name);
    if (!known)
        throw TUsageError(std::string(what) + ": no further ligand is named '"
                          + PrintableText(name.substr(0, 80)) + "'; the known ones are "
                          + KnownLigandNames(constants.Set) + ".");
    if (constants.Ligands.size() == MaxFurtherLigands)
        throw TUsageError(std::string(what)
                          + ": a calculation carries at most 4 further "
                            "ligands.");
    constants.Ligands.push_back(EngineLigand(*known));
    return constants.Ligands.size() - 1;
}

TLigandTotal ParseLigandTotal(std::string_view what, std::string_view text)
{
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        throw TUsageError(std::string(what) + " '" + PrintableText(text.substr(0, 80))
                          + "': expected NAME=TOTAL, the total in mM, for example CrP=14.5");
    const std::string_view number = text.substr(equals + 1);
    const std::optional<TReal> total = TextToReal(number);
    if (!total)
        throw TUsageError(std::string(what) + " " + std::string(TrimBlanks(text.substr(0, equals)))
                          + ": " + NumberMessage(number));
    return {std::string(TrimBlanks(text.substr(0, equals))), *total};
}
