// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/stockspec.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/realtext.h"
#include "series/series.h"

#include <algorithm>
#include <bitset>
#include <string>

using enum TValueField;

namespace {

// The record's name of a value field ("total_mg").
std::string_view ColumnOf(TValueField f)
{
    return RecordColumns()[static_cast<std::size_t>(f) + 1].Name;
}

std::string StockNames()
{
    std::string names;
    for (TValueField f : StockTotals)
        names += (names.empty() ? "" : ", ") + std::string(ColumnOf(f));
    return names;
}

} // namespace

TCalcInput ParseStockSpec(std::string_view option, std::string_view spec, const TCalcInput& base,
                          TRunConstants* run)
{
    const auto refuse = [option](const std::string& why) {
        return TUsageError(std::string(option) + ": " + why);
    };
    TCalcInput stock = base;
    for (TValueField f : StockTotals)
        stock[f] = 0;
    stock.FurtherTotals = {};
    std::bitset<ValueFieldCount + MaxFurtherLigands> named;
    std::size_t start = 0;
    while (start <= spec.size() && !TrimBlanks(spec).empty()) {
        const std::size_t comma = std::min(spec.find(',', start), spec.size());
        const std::string_view item = TrimBlanks(spec.substr(start, comma - start));
        start = comma + 1;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            throw refuse("'" + std::string(item) + "' is not NAME=VALUE, for example total_mg=5.5");
        std::string name = AsciiLowered(TrimBlanks(item.substr(0, equals)));
        std::ranges::replace(name, '-', '_');
        const auto field = std::ranges::find_if(
            StockTotals, [&](TValueField f) { return ColumnOf(f) == name; });
        if (name == "ph" || name == "ionic_strength")
            throw refuse("the pH and the ionic strength of both stocks come from --ph and "
                         "--ionic-strength");
        std::size_t slot = 0;
        if (field != StockTotals.end())
            slot = static_cast<std::size_t>(*field);
        else if (run && name.starts_with("total_")
                 && (FindLigand(run->Set, name.substr(6)) || FindRunLigand(*run, name.substr(6))))
            slot = ValueFieldCount + AddRunLigand(*run, name.substr(6), option);
        else
            throw refuse(
                "unknown total '" + name + "'; the totals are " + StockNames()
                + (run ? ", and total_<n> of a further ligand (" + KnownLigandNames(run->Set) + ")"
                       : std::string()));
        if (named[slot])
            throw refuse("'" + name + "' is given twice");
        named.set(slot);
        const std::string_view text = TrimBlanks(item.substr(equals + 1));
        const auto value = TextToReal(text);
        if (!value)
            throw refuse(CalcMessage::NotAFloat(text));
        if (*value < 0)
            throw refuse(name + " must not be negative");
        if (slot < ValueFieldCount)
            stock[*field] = *value;
        else
            stock.FurtherTotals[slot - ValueFieldCount] = *value;
    }
    return stock;
}
