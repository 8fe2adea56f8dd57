// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/record.h"

#include "engine/realtext.h"
#include "report/report.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>

using enum TValueField;
using enum TLigand;

const std::array<std::string_view, OutputColumnCount> OutputColumnNames {
    // Inputs, in the order of TValueField after the mode.
    "mode", "ph", "ionic_strength", "total_egta", "total_edta", "total_mg", "total_ca", "total_atp",
    "total_adp", "total_po4", "free_mg", "free_ca", "mgatp", "caatp", "mgadp", "caadp",
    // Free ligands and minor species, in the order of TCalcState.
    "free_atp", "free_egta", "free_edta", "free_adp", "free_po4", "hatp", "h2atp", "mghatp",
    "cahatp", "hegta", "h2egta", "mgegta", "mghegta", "caegta", "cahegta", "hedta", "h2edta",
    "mghedta", "cahedta", "mgedta", "caedta", "hadp", "h2adp", "mghadp", "cahadp", "hpo4", "h2po4",
    "mghpo4", "cahpo4",
    // Derived values and the record's status.
    "pca", "ionic_strength_species", "ionic_strength_tris", "iterations", "error"};

namespace {

// The computed species after the inputs, in column order, as members of TCalcState.
constexpr std::array<TReal TCalcState::*, 24> MinorSpecies {&TCalcState::HATP, &TCalcState::H2ATP,
    &TCalcState::MgHATP, &TCalcState::CaHATP, &TCalcState::HEGTA, &TCalcState::H2EGTA,
    &TCalcState::MgEGTA, &TCalcState::MgHEGTA, &TCalcState::CaEGTA, &TCalcState::CaHEGTA,
    &TCalcState::HEDTA, &TCalcState::H2EDTA, &TCalcState::MgHEDTA, &TCalcState::CaHEDTA,
    &TCalcState::MgEDTA, &TCalcState::CaEDTA, &TCalcState::HADP, &TCalcState::H2ADP,
    &TCalcState::MgHADP, &TCalcState::CaHADP, &TCalcState::HPO4, &TCalcState::H2PO4,
    &TCalcState::MgHPO4, &TCalcState::CaHPO4};

// One output value: absent (empty cell, JSON null), a real, an integer or a text.
struct TCell {
    enum class TKind { ckNull, ckReal, ckInteger, ckText } Kind = TKind::ckNull;
    TReal Real = 0;
    long Integer = 0;
    std::string_view Text;

    static TCell Of(TReal x) { return {TKind::ckReal, x, 0, {}}; }
    static TCell Of(long n) { return {TKind::ckInteger, 0, n, {}}; }
    static TCell Of(std::string_view s) { return {TKind::ckText, 0, 0, s}; }
};
using TCells = std::array<TCell, OutputColumnCount>;

constexpr bool IsAlwaysInput(TValueField f)
{
    return f == vfpH || f == vfIonStr || f == vfTotalEGTA || f == vfTotalEDTA || f == vfTotalPO4;
}

TCells CellsOf(const TCalcOutcome& o)
{
    TCells cells {};
    const bool failed = o.Failed();
    const TEngine noEngine {}; // ValueOf reads only the state for concentrations
    if (!o.Unreadable[0])
        cells[0] = TCell::Of(static_cast<long>(o.Input.Mode));
    for (std::size_t i = 0; i < ValueFieldCount; ++i) {
        const auto f = static_cast<TValueField>(i);
        if (o.Unreadable[i + 1])
            continue;
        // Inputs are echoed as given, so that reading the row back gives the same value in
        // M; results come from the solve, in mM like the inputs.
        if (failed || IsAlwaysInput(f) || IsModeInput(o.Input.Mode, f))
            cells[i + 1] = TCell::Of(o.Input[f]);
        else
            cells[i + 1] = TCell::Of(ValueOf(noEngine, o.State, f) * 1000);
    }
    if (failed) {
        cells[OutputColumnCount - 1] = TCell::Of(std::string_view(o.Error));
        return cells;
    }
    std::size_t c = InputColumnCount;
    for (TLigand lig : AllLigands)
        cells[c++] = TCell::Of(o.State.FreeLigand[lig] * 1000);
    for (auto member : MinorSpecies)
        cells[c++] = TCell::Of(o.State.*member * 1000);
    if (o.State.FreeCa > o.State.Tiny)
        cells[c] = TCell::Of(-std::log10(o.State.FreeCa));
    cells[++c] = TCell::Of(o.IonStrSpecies);
    cells[++c] = TCell::Of(o.IonStrTris);
    cells[++c] = TCell::Of(o.Iterations);
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

int FindColumn(std::string_view name)
{
    for (std::size_t i = 0; i < OutputColumnNames.size(); ++i)
        if (OutputColumnNames[i] == name)
            return static_cast<int>(i);
    return -1;
}

TCalcInput DefaultInput()
{
    TCalcInput in;
    in[vfpH] = 8;
    in[vfIonStr] = 0.2L;
    in[vfTotalMg] = 2.2L;
    in[vfTotalCa] = 0.5L;
    in[vfTotalATP] = 0.22L;
    in[vfTotalEGTA] = 2;
    in[vfFreeMg] = 1;
    in[vfFreeCa] = 1;
    in[vfMgATP] = 0.2L;
    return in;
}

TCalcMode ParseMode(std::string_view text)
{
    const TReal value = TextToRealOrRaise(text);
    for (int mode = 0; mode < ModeCount; ++mode)
        if (value == mode)
            return static_cast<TCalcMode>(mode);
    RaiseCalcError("'" + std::string(text) + "' is not a calculation mode (0 to 6)");
}

TCalcOutcome Compute(TEngine& engine, const TCalcInput& input, TOutputFormat format)
{
    TCalcOutcome o;
    o.Input = input;
    static const TReal tiny = 10 * MachineEpsilon(); // the same for every calculation
    o.State.Tiny = tiny;
    for (std::size_t i = 0; i < ValueFieldCount; ++i) {
        const auto f = static_cast<TValueField>(i);
        ValueRef(engine, o.State, f) = IsConcentration(f) ? input[f] / 1000 : input[f];
    }
    try {
        engine.AdjustConstants();
        engine.MakeApparentConstants();
        o.Iterations = engine.SolveMajors(o.State, input.Mode);
        engine.CalcMinors(o.State);
        o.IonStrSpecies = engine.GetIonStr(o.State);
        o.IonStrTris = engine.GetIonStrTris();
        if (format == TOutputFormat::ofReport)
            o.Report = ReportText(engine, o.State);
    } catch (const TCalcError& e) {
        o.Error = e.what();
    }
    return o;
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

std::string CsvHeader()
{
    std::string line;
    for (std::string_view name : OutputColumnNames) {
        if (!line.empty())
            line += ',';
        line += name;
    }
    line += '\n';
    return line;
}

void AppendCsvRecord(std::string& out, const TCalcOutcome& outcome)
{
    const TCells cells = CellsOf(outcome);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendValue(out, cells[i], false);
    }
    out += '\n';
}

void AppendJsonRecord(std::string& out, const TCalcOutcome& outcome)
{
    const TCells cells = CellsOf(outcome);
    out += '{';
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        out += '"';
        out += OutputColumnNames[i];
        out += "\":";
        AppendValue(out, cells[i], true);
    }
    out += "}\n";
}
