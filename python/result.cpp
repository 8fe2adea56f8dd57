// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/result.h"

#include "report/further.h"

#include "engine/realtext.h"
#include "report/conditions.h"

#include <array>
#include <span>
#include <stdexcept>
#include <utility>

namespace {

// What each column of a record holds, for the docstrings. Module start checks that the
// table names every column of the record, in its order.
constexpr std::array<std::pair<std::string_view, std::string_view>, 50> Descriptions {{
    {"mode", "calculation mode, 0 to 6 (see MODE_CAPTIONS)"},
    {"ph", "pH, -log10 of the H+ concentration"},
    {"ionic_strength", "ionic strength, M"},
    {"total_egta", "total EGTA, mM"},
    {"total_edta", "total EDTA, mM"},
    {"total_mg", "total Mg, mM"},
    {"total_ca", "total Ca, mM"},
    {"total_atp", "total ATP, mM"},
    {"total_adp", "total ADP, mM"},
    {"total_po4", "total phosphate, mM"},
    {"free_mg", "free Mg++, mM"},
    {"free_ca", "free Ca++, mM"},
    {"mgatp", "MgATP2-, mM"},
    {"caatp", "CaATP2-, mM"},
    {"mgadp", "MgADP-, mM"},
    {"caadp", "CaADP-, mM"},
    {"free_atp", "free ATP4-, mM"},
    {"free_egta", "free EGTA4-, mM"},
    {"free_edta", "free EDTA4-, mM"},
    {"free_adp", "free ADP3-, mM"},
    {"free_po4", "free PO4(3-), mM"},
    {"hatp", "HATP3-, mM"},
    {"h2atp", "H2ATP2-, mM"},
    {"mghatp", "MgHATP-, mM"},
    {"cahatp", "CaHATP-, mM"},
    {"hegta", "HEGTA3-, mM"},
    {"h2egta", "H2EGTA2-, mM"},
    {"mgegta", "MgEGTA2-, mM"},
    {"mghegta", "MgHEGTA-, mM"},
    {"caegta", "CaEGTA2-, mM"},
    {"cahegta", "CaHEGTA-, mM"},
    {"hedta", "HEDTA3-, mM"},
    {"h2edta", "H2EDTA2-, mM"},
    {"mghedta", "MgHEDTA-, mM"},
    {"cahedta", "CaHEDTA-, mM"},
    {"mgedta", "MgEDTA2-, mM"},
    {"caedta", "CaEDTA2-, mM"},
    {"hadp", "HADP2-, mM"},
    {"h2adp", "H2ADP-, mM"},
    {"mghadp", "MgHADP, mM"},
    {"cahadp", "CaHADP, mM"},
    {"hpo4", "HPO4(2-), mM"},
    {"h2po4", "H2PO4(-), mM"},
    {"mghpo4", "MgHPO4, mM"},
    {"cahpo4", "CaHPO4, mM"},
    {"pca", "pCa, -log10 of free Ca++ in M; None when free Ca++ is zero (at most 1.1e-18 M)"},
    {"ionic_strength_species", "lower bound of the ionic strength from the species, M"},
    {"ionic_strength_tris", "ionic strength of 20 mM Tris at this pH, M"},
    {"iterations", "iterations of the solver (0 in the modes that need none)"},
    {"error", "the message of a calculation that failed, else None"},
}};

// The conditions' fields, which a record carries under other than the default conditions
// and a Result always has.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> ConditionDescriptions {{
    {"constants", "the constant set's name (\"Built-in\" for the built-in table)"},
    {"edited_entries", "entries of the set changed by const"},
    {"temperature_c", "the temperature, degrees C; None: the constants as the set gives them"},
    {"uncorrected_entries",
     "entries without an enthalpy, left at the set's temperature; "
     "None without a temperature"},
    {"ph_scale",
     "how pH was read: \"concentration\" (-log10 [H+]) or \"activity\" (a meter "
     "reading)"},
    {"pch", "-log10 of the H+ concentration the calculation used; None when it failed"},
}};

// A further ligand's field by its name ("mgcrp"), as the record's own fields are attributes.
py::object FurtherAttribute(const TPyResult& r, const std::string& name)
{
    const std::vector<std::string> names = FurtherNames(r);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return CellObject(FurtherCells(r)[i]);
    throw py::attribute_error("'quelix.Result' object has no attribute '" + name + "'");
}

std::string ResultJson(const TPyResult& r)
{
    std::string line;
    if (r.WithConditions || !r.Ligands.empty()) {
        std::vector<TCell> cells;
        AppendRecordCells(cells, r.Outcome);
        std::vector<std::string_view> names;
        AppendRecordNames(names);
        if (r.WithConditions) {
            for (std::size_t i = 0; i < r.Conditions.size(); ++i)
                cells.push_back(ConditionCell(r, i));
            names.insert(names.end(), ConditionColumns().begin(), ConditionColumns().end());
        }
        const std::vector<std::string> further = FurtherNames(r);
        const std::vector<TCell> furtherCells = FurtherCells(r);
        names.insert(names.end(), further.begin(), further.end());
        cells.insert(cells.end(), furtherCells.begin(), furtherCells.end());
        AppendJsonLine(line, names, cells);
    } else {
        AppendJsonRecord(line, r.Outcome);
    }
    line.pop_back(); // the newline that ends a record line
    return line;
}

std::string ResultRepr(const TPyResult& r)
{
    std::string text = "quelix.Result(";
    bool first = true;
    for (const char* name :
         {"mode", "ph", "ionic_strength", "free_mg", "free_ca", "pca", "mgatp", "iterations"}) {
        const TCell cell = RecordColumns()[static_cast<std::size_t>(FindColumn(name))].Value(
            r.Outcome);
        text += first ? "" : ", ";
        text += name;
        text += '=';
        text += py::repr(CellObject(cell)).cast<std::string>();
        first = false;
    }
    return text + ", ...)";
}

} // namespace

py::dict ResultDict(const TPyResult& r)
{
    py::dict d;
    for (const TRecordColumn& column : RecordColumns())
        d[py::str(column.Name.data(), column.Name.size())] = CellObject(column.Value(r.Outcome));
    if (r.WithConditions)
        for (std::size_t i = 0; i < r.Conditions.size(); ++i)
            d[py::str(std::string(ConditionColumns()[i]))] = CellObject(ConditionCell(r, i));
    const std::vector<std::string> names = FurtherNames(r);
    const std::vector<TCell> cells = FurtherCells(r);
    for (std::size_t i = 0; i < names.size(); ++i)
        d[py::str(names[i])] = CellObject(cells[i]);
    return d;
}

py::object CellObject(const TCell& cell)
{
    switch (cell.Kind) {
    case TCell::TKind::ckNull:
        break;
    case TCell::TKind::ckReal:
        return py::float_(static_cast<double>(cell.Real));
    case TCell::TKind::ckInteger:
        return py::int_(cell.Integer);
    case TCell::TKind::ckText:
        // A message can quote text that is not valid UTF-8; it must still reach the user.
        return py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
            cell.Text.data(), static_cast<Py_ssize_t>(cell.Text.size()), "replace"));
    }
    return py::none();
}

std::string_view ColumnDescription(std::string_view name)
{
    using TTable = std::span<const std::pair<std::string_view, std::string_view>>;
    for (const TTable table : {TTable(Descriptions), TTable(ConditionDescriptions)})
        for (const auto& [column, description] : table)
            if (column == name)
                return description;
    return {};
}

TPyResult MakeResult(const TEngine& engine, TCalcOutcome outcome)
{
    TPyResult result;
    result.Outcome = std::move(outcome);
    AppendConditionCells(result.Conditions, result.Outcome, engine);
    result.WithConditions = NeedsConditionFields(engine.Origin(), result.Outcome.Input);
    result.SetName = engine.Origin().SetName;
    const auto ligands = engine.FurtherLigands();
    result.Ligands.assign(ligands.begin(), ligands.end());
    return result;
}

std::vector<std::string> FurtherNames(const TPyResult& result)
{
    return FurtherColumnNames(result.Ligands);
}

std::vector<TCell> FurtherCells(const TPyResult& result)
{
    std::vector<TCell> cells;
    AppendFurtherCells(cells, result.Outcome, result.Ligands);
    return cells;
}

TCell ConditionCell(const TPyResult& result, std::size_t index)
{
    // The first field is the set's name (ConditionColumns), whose text the engine held.
    return index == 0 ? TCell::Of(std::string_view(result.SetName)) : result.Conditions[index];
}

void Warn(const std::string& text)
{
    const py::object category = py::module_::import("quelix").attr("QuelixWarning");
    if (PyErr_WarnEx(category.ptr(), text.c_str(), 1) != 0)
        throw py::error_already_set();
}

void RaiseCalculationError(const std::string& message)
{
    // Looked up in the module rather than held in a global, which would outlive the
    // interpreter.
    const py::object type = py::module_::import("quelix").attr("CalculationError");
    PyErr_SetString(type.ptr(), message.c_str());
    throw py::error_already_set();
}

void BindResult(py::module_& m)
{
    const auto columns = RecordColumns();
    if (columns.size() != Descriptions.size())
        throw std::logic_error("the record's columns and their descriptions disagree");
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].Name != Descriptions[i].first)
            throw std::logic_error("no description for the column " + std::string(columns[i].Name));
    for (std::size_t i = 0; i < ConditionColumns().size(); ++i)
        if (ConditionColumns()[i] != ConditionDescriptions[i].first)
            throw std::logic_error("no description for the field "
                                   + std::string(ConditionColumns()[i]));

    // A failed calculation is a value error of its inputs: the engine is deterministic, and
    // the same inputs always fail the same way.
    m.attr("CalculationError") = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "quelix.CalculationError",
        "The calculation failed for these inputs (an arithmetic fault, no convergence, a "
        "negative ionic strength). str(error) is the engine's message, the same text the "
        "window shows and quelix-cli prints.",
        PyExc_ValueError, nullptr));
    m.attr("QuelixWarning") = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "quelix.QuelixWarning",
        "An input that is used as given but may be a slip, or that the mode does not read: the "
        "warnings quelix-cli prints on standard error, with the inputs named as keywords.",
        PyExc_UserWarning, nullptr));

    py::class_<TPyResult> result(
        m, "Result",
        "The record of one calculation: the fields of quelix-cli's records, in the same order "
        "and units (concentrations in mM, ionic strengths in M). Inputs of the mode are echoed "
        "as given; its results, the free ligands and the minor species come from the "
        "calculation. Floats are the extended-precision results rounded once to the nearest "
        "double; to_json() gives the 19 significant digits quelix-cli prints. The fields of "
        "the conditions (constants, edited_entries, temperature_c, uncorrected_entries, "
        "ph_scale, pch) are always there; to_dict() and to_json() include them, as "
        "quelix-cli's record does, only under other than the default conditions.");
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TRecordColumn column = columns[i];
        result.def_property_readonly(
            std::string(column.Name).c_str(),
            [column](const TPyResult& r) { return CellObject(column.Value(r.Outcome)); },
            std::string(Descriptions[i].second).c_str());
    }
    for (std::size_t i = 0; i < ConditionDescriptions.size(); ++i)
        result.def_property_readonly(
            std::string(ConditionDescriptions[i].first).c_str(),
            [i](const TPyResult& r) { return CellObject(ConditionCell(r, i)); },
            std::string(ConditionDescriptions[i].second).c_str());
    result.def_property_readonly(
        "report", [](const TPyResult& r) { return r.Outcome.Report; },
        "The results report, as the window's console and quelix-cli --format report show it.");
    result.def(
        "to_dict", &ResultDict,
        "to_dict() -> dict\n\nThe record as a dict: the keys of quelix-cli's JSON records, in "
        "their order; floats, ints, and None for null. Under other than the default "
        "conditions (another constant set, a temperature, the activity pH scale) the record "
        "ends with the conditions' fields, as quelix-cli's does.");
    result.def("to_json", &ResultJson,
               "to_json() -> str\n\nThe record as quelix-cli --format json prints it (without the "
               "newline), byte for byte: reals with 19 significant digits. For exact decimals: "
               "json.loads(result.to_json(), parse_float=decimal.Decimal).");
    result.def("__repr__", &ResultRepr);
    result.def("__getattr__", &FurtherAttribute,
               "The fields of the further ligands (total_crp, free_crp, hcrp ... cahcrp) as "
               "attributes, as to_dict() has them.");
}
