// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/ligandkeys.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <algorithm>

TStoredLigands ReadFurtherLigands(std::span<const TIniValue> section, char decimalPoint)
{
    TStoredLigands stored;
    for (std::size_t slot = 0; slot < FurtherLigandKeys.size(); ++slot) {
        const auto value = FindValue(section, FurtherLigandKeys[slot]);
        if (!value || TrimBlanks(*value).empty())
            continue;
        // A name never holds '=', so the last one separates it from the total.
        const std::size_t eq = value->rfind('=');
        const std::string_view name = eq == std::string_view::npos
            ? std::string_view()
            : TrimBlanks(value->substr(0, eq));
        const std::string_view total = eq == std::string_view::npos ? std::string_view()
                                                                    : value->substr(eq + 1);
        // A control character (a lone carriage return inside the line) is in no name, and
        // could not be written back.
        const bool control = std::ranges::any_of(
            name, [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F; });
        const auto totalM = name.empty() || control ? std::nullopt
                                                    : TextToReal(total, decimalPoint);
        if (!totalM) {
            stored.Problems.push_back(
                {slot, "'" + std::string(*value) + "' is not NAME=TOTAL (the total in M)"});
            stored.Kept[slot] = true;
            continue;
        }
        stored.Ligands.push_back({slot, std::string(name), *totalM});
    }
    return stored;
}

TKeptLigandLines PresentLigandLines(std::span<const TIniValue> section)
{
    TKeptLigandLines present {};
    for (std::size_t slot = 0; slot < FurtherLigandKeys.size(); ++slot) {
        const auto value = FindValue(section, FurtherLigandKeys[slot]);
        present[slot] = value && !TrimBlanks(*value).empty();
    }
    return present;
}

void AppendLigandEntries(std::vector<TIniEntry>& entries, std::span<const TIniValue> stored,
                         std::span<const TStoredLigand> ligands, char decimalPoint,
                         TKeptLigandLines& kept)
{
    // The ligands take the free slots in their order, so that they read back in it. When the
    // free slots do not suffice, the kept lines give way, all of them: the ligands in use
    // always reach the file, in their order.
    const auto freeSlots = static_cast<std::size_t>(std::count(kept.begin(), kept.end(), false));
    if (freeSlots < std::min(ligands.size(), MaxFurtherLigands))
        kept = {};
    std::array<const TStoredLigand*, MaxFurtherLigands> slots {};
    std::size_t next = 0;
    for (std::size_t slot = 0; slot < slots.size() && next < ligands.size(); ++slot)
        if (!kept[slot])
            slots[slot] = &ligands[next++];
    const TKeptLigandLines present = PresentLigandLines(stored);
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (const TStoredLigand* ligand = slots[slot])
            entries.push_back({FurtherLigandKeys[slot],
                               ligand->Name + "=" + RealToText(ligand->TotalM, decimalPoint)});
        else if (present[slot] && !kept[slot])
            entries.push_back({FurtherLigandKeys[slot], std::string()});
    }
}

std::vector<TStoredLigand> LigandsInUse(const TEngine& engine, const TCalcState& state)
{
    std::vector<TStoredLigand> ligands;
    const auto further = engine.FurtherLigands();
    for (std::size_t i = 0; i < further.size(); ++i)
        ligands.push_back({i, further[i].Name, state.Further[i].Total});
    return ligands;
}
