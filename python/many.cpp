// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/many.h"

#include "engine/asciitext.h"
#include "engine/doubletext.h"
#include "python/arrays.h"
#include "python/convert.h"
#include "python/result.h"
#include "report/conditions.h"
#include "request/many.h"
#include "series/seriesrecord.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace pybind11::literals;

namespace {

// One input column of the run: a scalar for every row, a column of doubles read on the
// workers, or a column of Python objects read beforehand (under the interpreter's lock).
struct TColumnSource {
    int Column = 0; // 0 mode, 1 + TValueField
    std::string Name;
    bool Scalar = true;
    TReal Value = 0; // the scalar (a mode as its number)
    const double* Doubles = nullptr;
    py::object Keep; // owns the doubles
    std::vector<TReal> Values;
    std::vector<std::string> Errors; // empty where the value was read
    std::vector<char> Missing;       // None or NA: nothing given (objects only)
    std::size_t Rows = 1;
};

// A value of a numeric column for one row. False, with the message, when it is no number
// (NaN, an infinity) or no mode.
bool ReadDouble(const TColumnSource& source, double x, TReal& value, std::string& error)
{
    if (source.Column != 0) {
        if (const auto real = RealOfShortestText(x)) {
            value = *real;
            return true;
        }
        error = source.Name + ": " + CalcMessage::NotAFloat(ShortestText(x));
        return false;
    }
    // Modes come as whole numbers; only another value needs the text and its message.
    if (x >= 0 && x < ModeCount && x == std::trunc(x)) {
        value = static_cast<TReal>(x);
        return true;
    }
    try {
        value = static_cast<TReal>(static_cast<int>(ParseMode(ShortestText(x))));
        return true;
    } catch (const TCalcError& e) {
        error = source.Name + ": " + e.what();
        return false;
    }
}

TReal ReadScalar(int column, py::handle value)
{
    TCalcInput input;
    SetInput(input, column, value);
    return column == 0 ? static_cast<TReal>(static_cast<int>(input.Mode))
                       : input.Values[static_cast<std::size_t>(column - 1)];
}

// A column of Python objects (texts, Decimals, None for a missing value), read under the
// interpreter's lock: a value that is not a number is that row's error, as a cell of a
// batch file is.
void ReadObjects(TColumnSource& source, const py::object& array)
{
    source.Values.resize(source.Rows);
    source.Errors.resize(source.Rows);
    source.Missing.resize(source.Rows);
    std::size_t row = 0;
    for (const py::handle item : array) {
        if (IsMissing(item)) {
            source.Missing[row] = 1;
            source.Errors[row] = source.Name + ": "
                + CalcMessage::NotAFloat(py::str(item).cast<std::string>());
        } else {
            try {
                source.Values[row] = ReadScalar(source.Column, item);
            } catch (const py::value_error& e) {
                source.Errors[row] = e.what();
            }
        }
        ++row;
    }
}

// Whether a sequence that is not an array holds a bool (Python's or NumPy's), which NumPy
// would make 0 or 1 in an array of numbers.
bool HoldsBool(py::handle value)
{
    if (py::hasattr(value, "dtype"))
        return false;
    const py::object numpyBool = py::module_::import("numpy").attr("bool_");
    for (const py::handle item : value)
        if (PyBool_Check(item.ptr()) || py::isinstance(item, numpyBool))
            return true;
    return false;
}

// The rows of a masked array whose value is masked: each is that row's error.
void MarkMasked(TColumnSource& source, const py::object& mask)
{
    const auto masked = py::array_t<bool, py::array::c_style | py::array::forcecast>::ensure(mask);
    if (!masked)
        throw py::error_already_set();
    source.Errors.resize(source.Rows);
    for (std::size_t row = 0; row < source.Rows; ++row)
        if (masked.data()[row] && source.Errors[row].empty())
            source.Errors[row] = source.Name + ": the value is masked";
}

bool IsScalar(py::handle value)
{
    if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()))
        return true;
    if (py::hasattr(value, "ndim"))
        return value.attr("ndim").cast<int>() == 0;
    return !py::hasattr(value, "__len__");
}

TColumnSource MakeSource(int column, const std::string& name, py::handle value)
{
    TColumnSource source;
    source.Column = column;
    source.Name = name;
    if (IsScalar(value)) {
        source.Value = ReadScalar(column, value);
        return source;
    }
    source.Scalar = false;
    const py::module_ numpy = py::module_::import("numpy");
    py::object array;
    py::object mask;
    if (numpy.attr("ma").attr("isMaskedArray")(value).cast<bool>()) {
        mask = numpy.attr("ma").attr("getmaskarray")(value);
        array = numpy.attr("ma").attr("getdata")(value);
    } else {
        try {
            array = numpy.attr("asarray")(value);
        } catch (const py::error_already_set& e) {
            // A ragged sequence: its items are looked at one by one below.
            if (!e.matches(PyExc_ValueError))
                throw;
            array = numpy.attr("asarray")(value, "dtype"_a = "object");
        }
    }
    // A bool among numbers is refused, as calculate() refuses it, not read as 0 or 1.
    const std::string firstKind = array.attr("dtype").attr("kind").cast<std::string>();
    if (firstKind != "O" && firstKind != "b" && HoldsBool(value))
        throw py::type_error(name + ": expected a number, got a bool");
    if (array.attr("ndim").cast<int>() != 1)
        throw py::value_error(name + ": expected one value per row (one dimension), got shape "
                              + py::repr(array.attr("shape")).cast<std::string>());
    source.Rows = array.attr("shape").cast<py::tuple>()[0].cast<std::size_t>();
    const std::string kind = array.attr("dtype").attr("kind").cast<std::string>();
    // A long double is read value by value at its own precision.
    const bool longDouble = kind == "f"
        && array.attr("dtype").attr("char").cast<std::string>() == "g";
    if ((kind == "f" && !longDouble) || kind == "i" || kind == "u") {
        // Read without the interpreter's lock, so held here until the run ends.
        const auto doubles = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(
            array);
        if (!doubles)
            throw py::error_already_set();
        source.Doubles = doubles.data();
        source.Keep = doubles;
    } else if (kind == "O" || kind == "U" || longDouble) {
        ReadObjects(source, array);
    } else {
        throw py::type_error(name + ": expected numbers, got an array of "
                             + py::str(array.attr("dtype")).cast<std::string>());
    }
    if (mask)
        MarkMasked(source, mask);
    return source;
}

// The batch file's rule for a header name: blanks around it and case do not matter.
std::string TableName(py::handle key)
{
    if (!PyUnicode_Check(key.ptr()))
        throw py::type_error("calculate_many(): column names must be texts, not "
                             + py::repr(key).cast<std::string>());
    return AsciiLowered(TrimBlanks(key.cast<std::string>()));
}

bool IsDataFrame(py::handle data)
{
    const py::dict modules = py::module_::import("sys").attr("modules");
    return modules.contains("pandas") && py::isinstance(data, modules["pandas"].attr("DataFrame"));
}

struct TManyArgs {
    TCalcInput Base = DefaultInput();   // with the scalars given
    std::vector<TColumnSource> Sources; // the columns given
    TRunOptions Options;
    TRunConstants Constants;
    unsigned Workers = 0;
    py::object Frame; // the DataFrame given, if any
    std::size_t Rows = 1;
};

void AddTableColumns(TManyArgs& a, py::handle data, std::vector<std::string>& seen)
{
    const bool frame = IsDataFrame(data);
    const py::object mapping = py::module_::import("collections.abc").attr("Mapping");
    if (!frame && !py::isinstance(data, mapping))
        throw py::type_error("calculate_many(): data must be a pandas DataFrame or a mapping "
                             "of column names to values, not "
                             + std::string(Py_TYPE(data.ptr())->tp_name));
    if (frame)
        a.Frame = py::reinterpret_borrow<py::object>(data);
    const py::list keys = frame ? py::list(data.attr("columns")) : py::list(data.attr("keys")());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string name = TableName(keys[i]);
        const int index = FindColumn(name);
        // What a run or a series wrote besides the record is read back and ignored too.
        if (index < 0 && (IsConditionColumn(name) || IsSeriesColumn(name)))
            continue;
        if (index < 0)
            throw py::value_error(
                "Unknown column '" + py::str(keys[i]).cast<std::string>()
                + "' in the data; the inputs are the names of calculate()'s arguments.");
        if (index >= static_cast<int>(InputColumnCount))
            continue; // a result column: read back and ignored, as in a batch file
        if (std::ranges::find(seen, name) != seen.end())
            throw py::value_error("The column '" + name + "' appears twice in the data.");
        seen.push_back(name);
        // By position, so that a name given twice reaches the check above.
        const py::object everyRow = py::module_::import("builtins").attr("slice")(py::none());
        const py::object values = frame
            ? data.attr("iloc")[py::make_tuple(everyRow, i)].attr("to_numpy")()
            : py::reinterpret_borrow<py::object>(data[keys[i]]);
        a.Sources.push_back(MakeSource(index, name, values));
    }
}

unsigned ReadWorkers(py::handle value)
{
    if (value.is_none())
        return 0;
    if (PyBool_Check(value.ptr()) || !PyLong_Check(value.ptr()))
        throw py::type_error("workers: expected an int or None");
    const long count = value.cast<long>();
    if (count < 1 || count > 1024)
        throw py::value_error("workers: expected 1 to 1024 threads, or None (one per core)");
    return static_cast<unsigned>(count);
}

// Scalars go into the inputs every row starts from; the columns stay, in the record's
// order, so that a row's error names the first column that could not be read.
void SettleSources(TManyArgs& a)
{
    for (const TColumnSource& source : a.Sources) {
        if (!source.Scalar)
            continue;
        if (source.Column == 0)
            a.Base.Mode = static_cast<TCalcMode>(static_cast<int>(source.Value));
        else
            a.Base.Values[static_cast<std::size_t>(source.Column - 1)] = source.Value;
    }
    std::erase_if(a.Sources, [](const TColumnSource& source) { return source.Scalar; });
    std::ranges::sort(a.Sources, {}, &TColumnSource::Column);
    a.Rows = a.Frame ? py::len(a.Frame) : a.Sources.empty() ? 1 : a.Sources.front().Rows;
    std::string sizedBy = a.Frame ? "the data" : a.Sources.empty() ? "" : a.Sources.front().Name;
    for (const TColumnSource& source : a.Sources)
        if (source.Rows != a.Rows)
            throw py::value_error("The columns differ in length: " + sizedBy + " has "
                                  + std::to_string(a.Rows) + " rows, " + source.Name + " has "
                                  + std::to_string(source.Rows) + ".");
}

TManyArgs ReadManyArgs(const py::args& args, const py::kwargs& kwargs)
{
    if (args.size() > 1)
        throw py::type_error("calculate_many() takes one positional argument (the data), "
                             "and the inputs as keyword arguments");
    TManyArgs a;
    std::vector<std::string> seen;
    if (!args.empty() && !args[0].is_none())
        AddTableColumns(a, args[0], seen);
    for (const auto item : kwargs) {
        const std::string name = item.first.cast<std::string>();
        if (name == "workers") {
            a.Workers = ReadWorkers(item.second);
            continue;
        }
        if (ReadRunOption(a.Options, name, item.second))
            continue;
        const int column = InputColumn(name);
        if (column < 0)
            RejectKeyword("calculate_many", name);
        if (std::ranges::find(seen, name) != seen.end())
            throw py::type_error("calculate_many() got '" + name
                                 + "' both as a column of the data and as a keyword argument");
        seen.push_back(name);
        a.Sources.push_back(MakeSource(column, name, item.second));
    }
    SettleSources(a);
    ApplyConditions(a.Options, a.Base);
    a.Constants = ResolveRunConstants(a.Options);
    return a;
}

// Whether the row gives no value (NaN, None, NA) in a column that its mode does not read: a
// failed row's results are NaN, and such a table given back must not fail on them. The
// mode is read first (the sources are in column order).
bool NothingForTheMode(const TColumnSource& source, std::size_t row, const TCalcOutcome& o)
{
    if (source.Column == 0 || o.Unreadable[0])
        return false;
    const auto field = static_cast<TValueField>(source.Column - 1);
    if (std::ranges::find(ModeFields, field) == ModeFields.end()
        || IsModeInput(o.Input.Mode, field))
        return false;
    return source.Doubles ? std::isnan(source.Doubles[row])
                          : !source.Missing.empty() && source.Missing[row] != 0;
}

void ReadRow(const TManyArgs& a, std::size_t row, TCalcOutcome& o)
{
    o.Input = a.Base;
    for (const TColumnSource& source : a.Sources) {
        if (NothingForTheMode(source, row, o))
            continue;
        TReal value = 0;
        std::string error;
        bool read = true;
        if (!source.Errors.empty() && !source.Errors[row].empty()) {
            read = false;
            error = source.Errors[row];
        } else if (source.Doubles) {
            read = ReadDouble(source, source.Doubles[row], value, error);
        } else {
            value = source.Values[row];
            read = source.Errors[row].empty();
            error = read ? std::string() : source.Errors[row];
        }
        const auto column = static_cast<std::size_t>(source.Column);
        if (!read) {
            o.Unreadable.set(column);
            if (o.Error.empty())
                o.Error = std::move(error);
        } else if (column == 0) {
            o.Input.Mode = static_cast<TCalcMode>(static_cast<int>(value));
        } else {
            o.Input.Values[column - 1] = value;
        }
    }
}

// The record's columns as NumPy arrays: reals (and the mode and iteration count, which a
// failed row does not have) as floats with NaN for null, the messages as objects. Under
// other than the default conditions the conditions' fields follow, as in a batch run.
py::dict Outputs(const TManyArgs& a)
{
    const auto columns = RecordColumns();
    TEngine conditions; // the constants and their origin, which the conditions' fields name
    UseRunConstants(conditions, a.Constants);
    const bool withConditions = NeedsConditionFields(conditions.Origin(), a.Base);
    std::vector<std::string_view> names;
    AppendRecordNames(names);
    if (withConditions)
        names.insert(names.end(), ConditionColumns().begin(), ConditionColumns().end());
    TColumnArrays arrays(names, TextColumns, a.Rows);
    const TRowReader read = [&a](std::size_t row, TCalcOutcome& o) { ReadRow(a, row, o); };
    const TRowTaker take = [&](std::size_t row, const TCalcOutcome& o) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            arrays.Set(row, k, columns[k].Value(o));
        if (!withConditions)
            return;
        std::vector<TCell> cells;
        AppendConditionCells(cells, o, conditions);
        for (std::size_t k = 0; k < cells.size(); ++k)
            arrays.Set(row, columns.size() + k, cells[k]);
    };
    TManyJob job {a.Rows, conditions.BaseConst(), a.Workers, TOutputFormat::ofJson};
    job.Origin = conditions.Origin();
    // Ctrl-C: Python's handler only notes the signal; the calling thread looks for it
    // between its blocks of rows and stops the run with KeyboardInterrupt.
    job.Poll = [] {
        const py::gil_scoped_acquire acquire;
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
    };
    {
        py::gil_scoped_release release;
        ComputeMany(job, read, take);
    }
    return arrays.Columns();
}

} // namespace

py::object CalculateMany(const py::args& args, const py::kwargs& kwargs)
{
    const TManyArgs a = ReadManyArgs(args, kwargs);
    const py::dict out = Outputs(a);
    if (!a.Frame)
        return out;
    // A DataFrame keeps the rows' index; whole numbers get pandas' integers with a
    // missing value.
    return AsDataFrame(out, a.Frame.attr("index"), IntegerColumns);
}
