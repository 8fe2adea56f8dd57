// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/further.h"

#include "engine/asciitext.h"
#include "report/conditions.h"

#include <algorithm>

namespace {

// How many protonated forms a ligand's record carries: HL and H2L always, H3L and H4L
// where the ligand has those steps.
std::size_t ProtonatedForms(const TFurtherLigand& ligand)
{
    std::size_t forms = 2;
    while (forms < FurtherProtonSteps && ligand.BaseConst[TPartner::ptH][forms] > 0)
        ++forms;
    return forms;
}

} // namespace

std::string FurtherTotalColumn(std::string_view ligandName)
{
    return "total_" + AsciiLowered(ligandName);
}

std::vector<std::string> FurtherColumnNames(std::span<const TFurtherLigand> ligands)
{
    std::vector<std::string> names;
    // A field that would take the name of another ("mghedta" of HEDTA is MgHEDTA- of EDTA,
    // "h2x" of X is "h" of 2X) is written with '_' after its prefix: "mg_hedta".
    const auto add = [&names](const std::string& prefix, const std::string& n) {
        std::string name = prefix + n;
        if (FindColumn(name) >= 0 || IsConditionColumn(name)
            || std::ranges::find(names, name) != names.end())
            name = prefix + "_" + n;
        names.push_back(std::move(name));
    };
    for (const TFurtherLigand& ligand : ligands) {
        const std::string n = AsciiLowered(ligand.Name);
        names.push_back("total_" + n);
        names.push_back("free_" + n);
        add("h", n);
        for (std::size_t form = 2; form <= ProtonatedForms(ligand); ++form)
            add("h" + std::to_string(form), n);
        for (const char* complex : {"mg", "mgh", "ca", "cah"})
            add(complex, n);
    }
    return names;
}

void AppendFurtherCells(std::vector<TCell>& cells, const TCalcOutcome& o,
                        std::span<const TFurtherLigand> ligands)
{
    for (std::size_t i = 0; i < ligands.size(); ++i) {
        cells.push_back(TCell::Of(o.Input.FurtherTotals[i]));
        const TFurtherSpecies& s = o.State.Further[i];
        const auto add = [&](TReal molar) {
            cells.push_back(o.Failed() ? TCell {} : TCell::Of(molar * 1000));
        };
        add(s.Free);
        for (std::size_t form = 0; form < ProtonatedForms(ligands[i]); ++form)
            add(s.Protonated[form]);
        for (TReal complex : {s.Mg, s.MgH, s.Ca, s.CaH})
            add(complex);
    }
}
