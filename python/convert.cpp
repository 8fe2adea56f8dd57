// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/convert.h"

#include "engine/asciitext.h"

#include "engine/doubletext.h"
#include "engine/realtext.h"
#include "python/result.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace {

std::string Prefixed(std::string_view name, std::string_view message)
{
    std::string text(name);
    text += ": ";
    text += message;
    return text;
}

bool IsDecimal(py::handle value)
{
    return py::isinstance(value, py::module_::import("decimal").attr("Decimal"));
}

// The names that keywords may have, for the message of one that is not.
std::string InputNames()
{
    std::string names;
    for (std::size_t i = 0; i < InputColumnCount; ++i) {
        names += i > 0 ? ", " : "";
        names += RecordColumns()[i].Name;
    }
    return names;
}

// The text of a NumPy scalar that item() cannot turn into a Python number. A long double
// with the engine's format is written with every digit it needs to read back as itself;
// one of another format is read as the double nearest it.
std::string NumPyScalarText(std::string_view name, py::handle value)
{
    const py::object dtype = value.attr("dtype");
    if (dtype.attr("kind").cast<std::string>() != "f")
        throw py::type_error(Prefixed(
            name,
            "expected a number (int, float, Decimal or numeric text), got " + TypeName(value)));
    const py::object info = py::module_::import("numpy").attr("finfo")(dtype);
    if (dtype.attr("itemsize").cast<std::size_t>() == sizeof(TReal)
        && info.attr("nmant").cast<int>() + 1 == std::numeric_limits<TReal>::digits
        && info.attr("maxexp").cast<int>() == std::numeric_limits<TReal>::max_exponent) {
        const std::string bytes = value.attr("tobytes")().cast<std::string>();
        TReal x = 0;
        std::memcpy(&x, bytes.data(), sizeof x);
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, x);
        return std::string(buf, res.ptr);
    }
    return ShortestText(PyFloat_AsDouble(value.ptr()));
}

} // namespace

void RaiseValueError(const std::string& message)
{
    throw py::value_error(message);
}

std::string TypeName(py::handle value)
{
    return Py_TYPE(value.ptr())->tp_name;
}

std::string NumberText(std::string_view name, py::handle value)
{
    // NumPy's scalars and zero-dimensional arrays stand for the Python number they hold. A
    // long double (and a complex one) is its own item: it is read from its bits.
    if (!PyUnicode_Check(value.ptr()) && py::hasattr(value, "ndim") && py::hasattr(value, "item")
        && value.attr("ndim").cast<int>() == 0) {
        const py::object item = value.attr("item")();
        if (Py_TYPE(item.ptr()) != Py_TYPE(value.ptr()))
            return NumberText(name, item);
        return NumPyScalarText(name, value);
    }
    if (PyBool_Check(value.ptr()))
        throw py::type_error(Prefixed(name, "expected a number, got a bool"));
    if (PyFloat_Check(value.ptr()))
        return ShortestText(PyFloat_AS_DOUBLE(value.ptr()));
    if (PyUnicode_Check(value.ptr()))
        return value.cast<std::string>();
    if (PyLong_Check(value.ptr()) || IsDecimal(value))
        return py::str(value).cast<std::string>();
    throw py::type_error(Prefixed(
        name, "expected a number (int, float, Decimal or numeric text), got " + TypeName(value)));
}

bool IsMissing(py::handle value)
{
    return value.is_none() || TypeName(value) == "NAType";
}

TReal ReadNumber(std::string_view name, py::handle value)
{
    // Floats, the common case, skip the text: RealOfShortestText equals TextToReal of it.
    if (PyFloat_Check(value.ptr())) {
        const double x = PyFloat_AS_DOUBLE(value.ptr());
        if (const auto real = RealOfShortestText(x))
            return *real;
        RaiseValueError(Prefixed(name, CalcMessage::NotAFloat(ShortestText(x))));
    }
    const std::string text = NumberText(name, value);
    if (const auto real = TextToReal(text))
        return *real;
    RaiseValueError(Prefixed(name, NumberMessage(text)));
}

TCalcMode ReadMode(py::handle value)
{
    const std::string text = NumberText("mode", value);
    try {
        return ParseMode(text);
    } catch (const TCalcError& e) {
        RaiseValueError(Prefixed("mode", e.what()));
    }
}

int InputColumn(std::string_view name)
{
    const int column = FindColumn(name);
    return column < static_cast<int>(InputColumnCount) ? column : -1;
}

void RejectKeyword(std::string_view function, std::string_view name)
{
    std::string message(function);
    if (FindColumn(name) >= 0)
        message += "(): '" + std::string(name) + "' is a result, not an input";
    else
        message += "() got an unexpected keyword argument '" + std::string(name) + "'";
    message += " (the inputs are " + InputNames() + "; and ";
    for (std::size_t i = 0; i < RunOptionNames.size(); ++i)
        message += std::string(i == 0 ? "" : ", ") + std::string(RunOptionNames[i]);
    message += ")";
    throw py::type_error(message);
}

namespace {

void ReadConstEdits(TRunOptions& options, py::handle value)
{
    options.Edits.clear();
    if (value.is_none())
        return;
    if (!py::isinstance(value, py::module_::import("collections.abc").attr("Mapping")))
        throw py::type_error("const: expected a mapping of \"ROW:STEP\" to log10 K, got "
                             + TypeName(value));
    // Each item is the --const ROW:STEP=VALUE of the command line, applied in order.
    const py::dict items(py::reinterpret_borrow<py::object>(value));
    for (const auto item : items) {
        if (!PyUnicode_Check(item.first.ptr()))
            throw py::type_error("const: the keys are \"ROW:STEP\" texts such as \"ATP-Mg:0\", not "
                                 + TypeName(item.first));
        const std::string key = item.first.cast<std::string>();
        const std::string edit = key + "=" + NumberText("const['" + key + "']", item.second);
        try {
            options.Edits.push_back(ParseConstEdit(edit));
        } catch (const TUsageError& e) {
            const std::string_view message = e.what();
            // The command line names the edit in its own messages but not in that of a
            // number that does not convert.
            RaiseValueError(message.starts_with("--const ") ? std::string(message)
                                                            : Prefixed("--const " + edit, message));
        }
    }
}

void ReadSetName(TRunOptions& options, py::handle value)
{
    if (value.is_none()) {
        options.SetName.clear();
        return;
    }
    // A path object names a set file as its text does.
    const py::object text = py::hasattr(value, "__fspath__")
        ? py::module_::import("os").attr("fspath")(value)
        : py::reinterpret_borrow<py::object>(value);
    if (!PyUnicode_Check(text.ptr()))
        throw py::type_error("constants: expected the name of a bundled set or the path of a "
                             "set file, got "
                             + TypeName(value));
    options.SetName = text.cast<std::string>();
    if (options.SetName.empty())
        RaiseValueError("constants: expected the name of a bundled set or the path of a set "
                        "file, got an empty text (None is the built-in table)");
}

void ReadTemperature(TRunOptions& options, py::handle value)
{
    if (value.is_none()) {
        options.TemperatureC.reset();
        return;
    }
    const TReal celsius = ReadNumber("temperature", value);
    if (!IsTemperatureInRange(celsius))
        RaiseValueError("temperature: "
                        + TemperatureRangeMessage(NumberText("temperature", value)));
    options.TemperatureC = celsius;
}

void ReadpHScale(TRunOptions& options, py::handle value)
{
    if (!PyUnicode_Check(value.ptr()))
        throw py::type_error("ph_scale: expected \"concentration\" or \"activity\", got "
                             + TypeName(value));
    try {
        options.pHScale = ParsepHScale(value.cast<std::string>());
    } catch (const TUsageError& e) {
        // The command line's message names its option.
        std::string message = e.what();
        message.replace(0, std::string_view("--ph-scale").size(), "ph_scale");
        RaiseValueError(message);
    }
}

} // namespace

// ligands={"CrP": 14.5}: the further ligands and their totals in mM, in the mapping's order.
void ReadLigands(TRunOptions& options, py::handle value)
{
    options.Ligands.clear();
    if (value.is_none())
        return;
    if (!py::isinstance(value, py::module_::import("collections.abc").attr("Mapping")))
        throw py::type_error("ligands: expected a mapping of a ligand's name to its total in mM, "
                             "such as {\"CrP\": 14.5}, got "
                             + TypeName(value));
    const py::dict items(py::reinterpret_borrow<py::object>(value));
    for (const auto item : items) {
        if (!PyUnicode_Check(item.first.ptr()))
            throw py::type_error("ligands: the keys are the ligands' names, such as \"CrP\", not "
                                 + TypeName(item.first));
        const std::string name = item.first.cast<std::string>();
        for (const TLigandTotal& other : options.Ligands)
            if (EqualNoCase(other.Name, name))
                RaiseValueError("ligands: " + name + " is given twice.");
        options.Ligands.push_back({name, ReadNumber("ligands['" + name + "']", item.second)});
    }
}

bool ReadRunOption(TRunOptions& options, std::string_view name, py::handle value)
{
    if (name == "ligands")
        ReadLigands(options, value);
    else if (name == "const")
        ReadConstEdits(options, value);
    else if (name == "constants")
        ReadSetName(options, value);
    else if (name == "temperature")
        ReadTemperature(options, value);
    else if (name == "ph_scale")
        ReadpHScale(options, value);
    else
        return false;
    return true;
}

TRunConstants ResolveRunConstants(const TRunOptions& options)
{
    // The built-in table without edits or ligands, the common case, is made once.
    if (options.SetName.empty() && options.Edits.empty() && options.Ligands.empty()) {
        static const TRunConstants builtIn = ResolveConstants({}, {});
        return builtIn;
    }
    try {
        TRunConstants constants = ResolveConstants(options.SetName, options.Edits);
        for (const TLigandTotal& ligand : options.Ligands)
            AddRunLigand(constants, ligand.Name, "ligands");
        if (!constants.Note.empty()) {
            std::string note = constants.Note;
            note.replace(0, std::string_view("--constants '").size(), "constants='");
            Warn(note);
        }
        return constants;
    } catch (const TUsageError& e) {
        // The command line's message names its options; here they are a keyword and a
        // function.
        std::string message = e.what();
        for (const auto& [option, here] :
             {std::pair<std::string_view, std::string_view> {"--constants '", "constants: '"},
              {"--list-constants", "quelix.constant_sets()"}})
            if (const auto at = message.find(option); at != std::string::npos)
                message.replace(at, option.size(), here);
        RaiseValueError(message);
    }
}

void ApplyConditions(const TRunOptions& options, TCalcInput& input)
{
    input.TemperatureC = options.TemperatureC;
    input.pHScale = options.pHScale;
    // The run's ligands are those of ligands=, in this order (ResolveRunConstants).
    for (std::size_t i = 0; i < options.Ligands.size() && i < MaxFurtherLigands; ++i)
        input.FurtherTotals[i] = options.Ligands[i].Total;
}

void SetInput(TCalcInput& input, int column, py::handle value)
{
    if (column == 0)
        input.Mode = ReadMode(value);
    else
        input.Values[static_cast<std::size_t>(column - 1)] = ReadNumber(
            RecordColumns()[static_cast<std::size_t>(column)].Name, value);
}
