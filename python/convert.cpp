// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/convert.h"

#include "cli/options.h"
#include "engine/doubletext.h"
#include "engine/realtext.h"

namespace {

std::string Prefixed(std::string_view name, std::string_view message)
{
    std::string text(name);
    text += ": ";
    text += message;
    return text;
}

[[noreturn]] void RaiseValueError(const std::string& message)
{
    throw py::value_error(message);
}

std::string TypeName(py::handle value)
{
    return Py_TYPE(value.ptr())->tp_name;
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

} // namespace

std::string NumberText(std::string_view name, py::handle value)
{
    // NumPy's scalars and zero-dimensional arrays stand for the Python number they hold.
    if (!PyUnicode_Check(value.ptr()) && py::hasattr(value, "ndim") && py::hasattr(value, "item")
        && value.attr("ndim").cast<int>() == 0)
        return NumberText(name, value.attr("item")());
    if (PyBool_Check(value.ptr()))
        throw py::type_error(Prefixed(name, "expected a number, got a bool"));
    if (PyFloat_Check(value.ptr()))
        return ShortestText(PyFloat_AS_DOUBLE(value.ptr()));
    if (PyUnicode_Check(value.ptr()))
        return value.cast<std::string>();
    if (PyLong_Check(value.ptr()) || IsDecimal(value))
        return py::str(value).cast<std::string>();
    throw py::type_error(Prefixed(name,
        "expected a number (int, float, Decimal or numeric text), got " + TypeName(value)));
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
    RaiseValueError(Prefixed(name, CalcMessage::NotAFloat(text)));
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
    message += " (the inputs are " + InputNames() + "; and const)";
    throw py::type_error(message);
}

TRunOptions DefaultRunOptions()
{
    static const TConstTable builtIn = RunConstants({});
    return {builtIn};
}

bool ReadRunOption(TRunOptions& options, std::string_view name, py::handle value)
{
    // The constant sets (issue 13) read "constants" (a bundled set's name or a set file),
    // "temperature" (degrees C) and "ph_scale" here, as quelix-cli reads --constants,
    // --temperature and --ph-scale, with "const" applied on top of the set; RejectKeyword
    // then names them too.
    if (name != "const")
        return false;
    if (value.is_none()) {
        options.Constants = DefaultRunOptions().Constants;
        return true;
    }
    if (!py::isinstance(value, py::module_::import("collections.abc").attr("Mapping")))
        throw py::type_error("const: expected a mapping of \"ROW:STEP\" to log10 K, got "
            + TypeName(value));
    // Each item is the --const ROW:STEP=VALUE of the command line, applied in order.
    std::vector<TConstEdit> edits;
    const py::dict items(py::reinterpret_borrow<py::object>(value));
    for (const auto item : items) {
        if (!PyUnicode_Check(item.first.ptr()))
            throw py::type_error("const: the keys are \"ROW:STEP\" texts such as \"ATP-Mg:0\", not "
                + TypeName(item.first));
        const std::string key = item.first.cast<std::string>();
        const std::string edit = key + "=" + NumberText("const['" + key + "']", item.second);
        try {
            edits.push_back(ParseConstEdit(edit));
        } catch (const TUsageError& e) {
            const std::string_view message = e.what();
            // The command line names the edit in its own messages but not in that of a
            // number that does not convert.
            RaiseValueError(message.starts_with("--const ")
                    ? std::string(message)
                    : Prefixed("--const " + edit, message));
        }
    }
    options.Constants = RunConstants(edits);
    return true;
}

void SetInput(TCalcInput& input, int column, py::handle value)
{
    if (column == 0)
        input.Mode = ReadMode(value);
    else
        input.Values[static_cast<std::size_t>(column - 1)]
            = ReadNumber(RecordColumns()[static_cast<std::size_t>(column)].Name, value);
}
