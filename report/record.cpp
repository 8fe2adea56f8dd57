// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/record.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

// Inputs are echoed as given, so that reading the row back gives the same value in M; a
// result of the mode comes from the solve, in mM like the inputs. A cell that could not be
// read stays empty, and so does a result of a failed record: the value it holds is an
// input the mode does not read, which would pass for a result. When the mode itself could
// not be read, which columns are results is not known, and every value is echoed.
template <TValueField Field>
TCell InputCell(const TCalcOutcome& o)
{
    if (o.Unreadable[static_cast<std::size_t>(Field) + 1])
        return {};
    if (IsModeInput(o.Input.Mode, Field) || (o.Failed() && o.Unreadable[0]))
        return TCell::Of(o.Input[Field]);
    if (o.Failed())
        return {};
    return TCell::Of(ConcentrationRef(o.State, Field) * 1000);
}

TCell ModeCell(const TCalcOutcome& o)
{
    return o.Unreadable[0] ? TCell {} : TCell::Of(static_cast<long>(o.Input.Mode));
}

// A result in mM; nothing for a failed record.
template <TLigand Ligand>
TCell FreeLigandCell(const TCalcOutcome& o)
{
    return o.Failed() ? TCell {} : TCell::Of(o.State.FreeLigand[Ligand] * 1000);
}

template <TReal TCalcState::*Species>
TCell SpeciesCell(const TCalcOutcome& o)
{
    return o.Failed() ? TCell {} : TCell::Of(o.State.*Species * 1000);
}

// pCa only where free Ca++ is above the zero threshold, as the window shows it.
TCell PCaCell(const TCalcOutcome& o)
{
    if (o.Failed() || !(o.State.FreeCa > o.State.Tiny))
        return {};
    return TCell::Of(-std::log10(o.State.FreeCa));
}

template <TReal TCalcOutcome::*Value>
TCell OutcomeCell(const TCalcOutcome& o)
{
    return o.Failed() ? TCell {} : TCell::Of(o.*Value);
}

TCell IterationsCell(const TCalcOutcome& o)
{
    return o.Failed() ? TCell {} : TCell::Of(o.Iterations);
}

TCell ErrorCell(const TCalcOutcome& o)
{
    return o.Failed() ? TCell::Of(std::string_view(o.Error)) : TCell {};
}

using enum TValueField;
using enum TLigand;
using S = TCalcState;

constexpr std::array ColumnTable {
    // The inputs: the mode, then the fifteen values in TValueField order.
    TRecordColumn {"mode", ModeCell},
    TRecordColumn {"ph", InputCell<vfpH>},
    TRecordColumn {"ionic_strength", InputCell<vfIonStr>},
    TRecordColumn {"total_egta", InputCell<vfTotalEGTA>},
    TRecordColumn {"total_edta", InputCell<vfTotalEDTA>},
    TRecordColumn {"total_mg", InputCell<vfTotalMg>},
    TRecordColumn {"total_ca", InputCell<vfTotalCa>},
    TRecordColumn {"total_atp", InputCell<vfTotalATP>},
    TRecordColumn {"total_adp", InputCell<vfTotalADP>},
    TRecordColumn {"total_po4", InputCell<vfTotalPO4>},
    TRecordColumn {"free_mg", InputCell<vfFreeMg>},
    TRecordColumn {"free_ca", InputCell<vfFreeCa>},
    TRecordColumn {"mgatp", InputCell<vfMgATP>},
    TRecordColumn {"caatp", InputCell<vfCaATP>},
    TRecordColumn {"mgadp", InputCell<vfMgADP>},
    TRecordColumn {"caadp", InputCell<vfCaADP>},
    // The free ligands and the minor species, in the order of TCalcState.
    TRecordColumn {"free_atp", FreeLigandCell<ligATP>},
    TRecordColumn {"free_egta", FreeLigandCell<ligEGTA>},
    TRecordColumn {"free_edta", FreeLigandCell<ligEDTA>},
    TRecordColumn {"free_adp", FreeLigandCell<ligADP>},
    TRecordColumn {"free_po4", FreeLigandCell<ligPO4>},
    TRecordColumn {"hatp", SpeciesCell<&S::HATP>},
    TRecordColumn {"h2atp", SpeciesCell<&S::H2ATP>},
    TRecordColumn {"mghatp", SpeciesCell<&S::MgHATP>},
    TRecordColumn {"cahatp", SpeciesCell<&S::CaHATP>},
    TRecordColumn {"hegta", SpeciesCell<&S::HEGTA>},
    TRecordColumn {"h2egta", SpeciesCell<&S::H2EGTA>},
    TRecordColumn {"mgegta", SpeciesCell<&S::MgEGTA>},
    TRecordColumn {"mghegta", SpeciesCell<&S::MgHEGTA>},
    TRecordColumn {"caegta", SpeciesCell<&S::CaEGTA>},
    TRecordColumn {"cahegta", SpeciesCell<&S::CaHEGTA>},
    TRecordColumn {"hedta", SpeciesCell<&S::HEDTA>},
    TRecordColumn {"h2edta", SpeciesCell<&S::H2EDTA>},
    TRecordColumn {"mghedta", SpeciesCell<&S::MgHEDTA>},
    TRecordColumn {"cahedta", SpeciesCell<&S::CaHEDTA>},
    TRecordColumn {"mgedta", SpeciesCell<&S::MgEDTA>},
    TRecordColumn {"caedta", SpeciesCell<&S::CaEDTA>},
    TRecordColumn {"hadp", SpeciesCell<&S::HADP>},
    TRecordColumn {"h2adp", SpeciesCell<&S::H2ADP>},
    TRecordColumn {"mghadp", SpeciesCell<&S::MgHADP>},
    TRecordColumn {"cahadp", SpeciesCell<&S::CaHADP>},
    TRecordColumn {"hpo4", SpeciesCell<&S::HPO4>},
    TRecordColumn {"h2po4", SpeciesCell<&S::H2PO4>},
    TRecordColumn {"mghpo4", SpeciesCell<&S::MgHPO4>},
    TRecordColumn {"cahpo4", SpeciesCell<&S::CaHPO4>},
    // Derived values and the record's status.
    TRecordColumn {"pca", PCaCell},
    TRecordColumn {"ionic_strength_species", OutcomeCell<&TCalcOutcome::IonStrSpecies>},
    TRecordColumn {"ionic_strength_tris", OutcomeCell<&TCalcOutcome::IonStrTris>},
    TRecordColumn {"iterations", IterationsCell},
    TRecordColumn {"error", ErrorCell},
};

// The input columns come first, in the order the batch reader and the options use.
static_assert(ColumnTable[InputColumnCount - 1].Name == "caadp");

using TRecordCells = std::array<TCell, ColumnTable.size()>;

// Whether every real of the record is finite. Written out column by column at compile
// time, so that each column's cell is made inline: a series computes thousands of records.
template <std::size_t... Column>
bool AllRealsFiniteOf(const TCalcOutcome& o, std::index_sequence<Column...>)
{
    const auto finite = [](const TCell& cell) {
        return cell.Kind != TCell::TKind::ckReal || std::isfinite(cell.Real);
    };
    return (finite(ColumnTable[Column].Value(o)) && ...);
}

constexpr auto ColumnNames = [] {
    std::array<std::string_view, ColumnTable.size()> names;
    for (std::size_t i = 0; i < ColumnTable.size(); ++i)
        names[i] = ColumnTable[i].Name;
    return names;
}();

TRecordCells CellsOf(const TCalcOutcome& o)
{
    TRecordCells cells;
    for (std::size_t i = 0; i < ColumnTable.size(); ++i)
        cells[i] = ColumnTable[i].Value(o);
    return cells;
}

bool NeedsCsvQuotes(std::string_view s)
{
    return s.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvText(std::string& out, std::string_view s)
{
    if (!NeedsCsvQuotes(s)) {
        out += s;
        return;
    }
    out += '"';
    for (char ch : s) {
        if (ch == '"')
            out += '"';
        out += ch;
    }
    out += '"';
}

void AppendValue(std::string& out, const TCell& cell, bool json)
{
    switch (cell.Kind) {
    case TCell::TKind::ckNull:
        if (json)
            out += "null";
        break;
    case TCell::TKind::ckReal:
        // A value outside the extended range cannot come from the engine, whose faults
        // raise; should one appear, it must not produce an unreadable record.
        if (std::isfinite(cell.Real))
            out += FormatReal(cell.Real);
        else if (json)
            out += "null";
        break;
    case TCell::TKind::ckInteger:
        out += std::to_string(cell.Integer);
        break;
    case TCell::TKind::ckText:
        if (json)
            // Texts can quote the user's cell, which need not be valid UTF-8.
            out += nlohmann::json(cell.Text).dump(
                -1, ' ', false, nlohmann::json::error_handler_t::replace);
        else
            AppendCsvText(out, cell.Text);
        break;
    }
}

} // namespace

std::span<const TRecordColumn> RecordColumns()
{
    return ColumnTable;
}

bool AllRealsFinite(const TCalcOutcome& outcome)
{
    return AllRealsFiniteOf(outcome, std::make_index_sequence<ColumnTable.size()>());
}

int FindColumn(std::string_view name)
{
    for (std::size_t i = 0; i < ColumnTable.size(); ++i)
        if (ColumnTable[i].Name == name)
            return static_cast<int>(i);
    return -1;
}

std::string PrintableText(std::string_view text)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += ch;
            continue;
        }
        shown += "\\x";
        shown += Hex[byte >> 4];
        shown += Hex[byte & 0xF];
    }
    return shown;
}

std::string FormatReal(TReal x)
{
    // Zeros are common (absent ligands and their species) and the general conversion of
    // an extended real is slow, so they take a short cut.
    if (x == 0)
        return std::signbit(x) ? "-0" : "0";
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 19);
    return std::string(buf, res.ptr);
}

std::string CsvHeaderLine(std::span<const std::string_view> names)
{
    std::string line;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            line += ',';
        line += names[i];
    }
    line += '\n';
    return line;
}

void AppendCsvLine(std::string& out, std::span<const TCell> cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendValue(out, cells[i], false);
    }
    out += '\n';
}

void AppendJsonLine(std::string& out, std::span<const std::string_view> names,
                    std::span<const TCell> cells)
{
    out += '{';
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        out += '"';
        out += names[i];
        out += "\":";
        AppendValue(out, cells[i], true);
    }
    out += "}\n";
}

void AppendRecordNames(std::vector<std::string_view>& names)
{
    for (const TRecordColumn& column : ColumnTable)
        names.push_back(column.Name);
}

void AppendRecordCells(std::vector<TCell>& cells, const TCalcOutcome& outcome)
{
    for (const TRecordColumn& column : ColumnTable)
        cells.push_back(column.Value(outcome));
}

std::string CsvHeader()
{
    return CsvHeaderLine(ColumnNames);
}

void AppendCsvRecord(std::string& out, const TCalcOutcome& outcome)
{
    AppendCsvLine(out, CellsOf(outcome));
}

void AppendJsonRecord(std::string& out, const TCalcOutcome& outcome)
{
    AppendJsonLine(out, ColumnNames, CellsOf(outcome));
}
