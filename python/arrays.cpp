// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/arrays.h"

#include "python/result.h"

#include <algorithm>
#include <limits>

using namespace pybind11::literals;

TColumnArrays::TColumnArrays(std::span<const std::string_view> names,
                             std::span<const std::string_view> textColumns, std::size_t rows)
    : FNames(names.begin(), names.end())
    , FRows(rows)
{
    const auto isText = [textColumns](std::string_view name) {
        return std::ranges::find(textColumns, name) != textColumns.end();
    };
    // The real columns are rows of one block: one allocation, which NumPy backs with huge
    // pages when it is large, instead of a page fault every 4 KiB of every column.
    const auto reals = static_cast<py::ssize_t>(
        std::ranges::count_if(FNames, [&](std::string_view name) { return !isText(name); }));
    const auto length = static_cast<py::ssize_t>(rows);
    py::array_t<double> block({reals, length});
    double* next = block.mutable_data();
    for (std::string_view name : FNames) {
        const bool text = isText(name);
        if (text) {
            FReals.emplace_back(0);
        } else {
            FReals.emplace_back(std::vector<py::ssize_t> {length},
                                std::vector<py::ssize_t> {sizeof(double)}, next, block);
            next += rows;
        }
        FRealData.push_back(text ? nullptr : FReals.back().mutable_data());
        FTexts.emplace_back(text ? rows : 0);
        FTextSet.emplace_back(text ? rows : 0, char {0});
    }
}

void TColumnArrays::Set(std::size_t row, std::size_t column, const TCell& cell)
{
    if (double* reals = FRealData[column]) {
        reals[row] = cell.Kind == TCell::TKind::ckReal ? static_cast<double>(cell.Real)
            : cell.Kind == TCell::TKind::ckInteger     ? static_cast<double>(cell.Integer)
                                                       : std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const bool set = cell.Kind == TCell::TKind::ckText;
    FTextSet[column][row] = set ? 1 : 0;
    if (set)
        FTexts[column][row].assign(cell.Text);
}

py::dict TColumnArrays::Columns() const
{
    const py::module_ numpy = py::module_::import("numpy");
    py::dict out;
    for (std::size_t k = 0; k < FNames.size(); ++k) {
        const py::str name(FNames[k].data(), FNames[k].size());
        if (FRealData[k]) {
            out[name] = FReals[k];
            continue;
        }
        const py::object texts = numpy.attr("full")(FRows, py::none(), "dtype"_a = "object");
        for (std::size_t row = 0; row < FRows; ++row)
            if (FTextSet[k][row])
                texts[py::int_(row)] = CellObject(TCell::Of(std::string_view(FTexts[k][row])));
        out[name] = texts;
    }
    return out;
}

py::object AsDataFrame(const py::dict& columns, const py::object& index,
                       std::span<const std::string_view> integerColumns)
{
    const py::module_ pandas = py::module_::import("pandas");
    py::dict frameColumns;
    for (const auto item : columns) {
        const std::string name = item.first.cast<std::string>();
        const bool integer = std::ranges::find(integerColumns, name) != integerColumns.end();
        frameColumns[item.first] = integer ? pandas.attr("array")(item.second, "dtype"_a = "Int64")
                                           : py::reinterpret_borrow<py::object>(item.second);
    }
    return pandas.attr("DataFrame")(frameColumns, "index"_a = index);
}
