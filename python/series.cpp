// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/series.h"

#include "report/further.h"

#include "python/arrays.h"
#include "python/convert.h"
#include "python/recipe.h"
#include "python/result.h"
#include "recipe/recipeseries.h"
#include "series/pcalist.h"
#include "series/seriesrecord.h"
#include "series/stocktext.h"

#include <algorithm>
#include <vector>

namespace {

// The targets: a text in --pca's list syntax ("9,6.5:5.5:0.1,4.5") or a sequence of numbers.
std::vector<TReal> ReadTargets(py::handle value)
{
    if (PyUnicode_Check(value.ptr())) {
        std::vector<std::string> notes;
        std::vector<TReal> targets;
        try {
            targets = ParsePCaList(value.cast<std::string>(), &notes);
        } catch (const TCalcError& e) {
            RaiseValueError(std::string("pca: ") + e.what());
        }
        for (const std::string& note : notes)
            Warn("pca: " + note);
        return targets;
    }
    if (!py::hasattr(value, "__iter__") || py::hasattr(value, "items"))
        throw py::type_error("pca: expected a list of target pCa values or a text such as "
                             "\"9,6.5:5.5:0.1,4.5\", got "
                             + TypeName(value));
    std::vector<TReal> targets;
    std::size_t index = 0;
    for (const py::handle item : value) {
        if (targets.size() == MaxSeriesTargets)
            RaiseValueError("pca: more than " + std::to_string(MaxSeriesTargets) + " targets");
        const std::string name = "pca[" + std::to_string(index++) + "]";
        const TReal pCa = ReadNumber(name, item);
        if (!(pCa >= MinTargetPCa && pCa <= MaxTargetPCa))
            RaiseValueError(name + ": a target pCa must lie between -2 and 20, not "
                            + NumberText(name, item));
        targets.push_back(pCa);
    }
    if (targets.empty())
        RaiseValueError("pca: no target pCa values");
    return targets;
}

// The targets from the one positional argument or the keyword "pca"; the other keywords
// are left in `kwargs`' order for the caller.
std::vector<TReal> TakeTargets(std::string_view function, const py::args& args,
                               const py::kwargs& kwargs)
{
    const bool keyword = kwargs.contains("pca");
    if (args.size() + (keyword ? 1 : 0) != 1)
        throw py::type_error(
            std::string(function)
            + "() takes the target pCa values as its one positional argument (or pca=), and "
              "everything else as keyword arguments");
    return ReadTargets(keyword ? py::object(kwargs["pca"]) : py::object(args[0]));
}

// Reads a keyword that both designs take (pca, read by TakeTargets; the run options;
// as_frame); false for any other.
bool ReadSeriesKeyword(std::string_view name, py::handle value, TRunOptions& options, bool& asFrame)
{
    if (name == "as_frame") {
        if (!PyBool_Check(value.ptr()))
            throw py::type_error("as_frame: expected True or False, got " + TypeName(value));
        asFrame = value.cast<bool>();
        return true;
    }
    // recipe=None is no recipe (a recipe given is read by RecipeSeries).
    return name == "pca" || (name == "recipe" && value.is_none())
        || ReadRunOption(options, name, value);
}

// A stock: a mapping of the seven totals (mM) or --stock-a's text "total_egta=7,total_mg=5".
TCalcInput ReadStock(std::string_view name, py::handle value, const TCalcInput& base,
                     TRunConstants& run)
{
    std::string spec;
    if (PyUnicode_Check(value.ptr())) {
        spec = value.cast<std::string>();
    } else if (py::isinstance(value, py::module_::import("collections.abc").attr("Mapping"))) {
        const py::dict items(py::reinterpret_borrow<py::object>(value));
        for (const auto item : items) {
            if (!PyUnicode_Check(item.first.ptr()))
                throw py::type_error(std::string(name)
                                     + ": the keys are the names of totals "
                                       "such as \"total_mg\", not "
                                     + TypeName(item.first));
            const std::string key = item.first.cast<std::string>();
            if (key.find_first_of(",=") != std::string::npos)
                RaiseValueError(std::string(name) + ": unknown total '" + key + "'");
            spec += (spec.empty() ? "" : ",") + key + "="
                + NumberText(std::string(name) + "['" + key + "']", item.second);
        }
    } else {
        throw py::type_error(std::string(name)
                             + ": expected a mapping of totals in mM such as "
                               "{\"total_egta\": 7, \"total_mg\": 5.5} or the text "
                               "\"total_egta=7,total_mg=5.5\", got "
                             + TypeName(value));
    }
    try {
        return ParseStockSpec(name, spec, base, &run);
    } catch (const TUsageError& e) {
        std::string message = e.what();
        // The command line names its own options for the pH and the ionic strength.
        const std::string_view options = "--ph and --ionic-strength";
        if (const auto at = message.find(options); at != std::string::npos)
            message.replace(at, options.size(), "ph= and ionic_strength=");
        RaiseValueError(message);
    }
}

// The rows as calculate_many's columns: the series' own first, then the record's, then
// the conditions' fields under other than the default conditions.
py::object Rows(TEngine& engine, const TSeriesDesign& design, bool asFrame)
{
    std::vector<TSeriesRow> rows;
    std::string refusal; // a design that cannot be run, said before any calculation
    {
        py::gil_scoped_release release;
        try {
            rows = RunSeries(engine, design);
        } catch (const TCalcError& e) {
            refusal = e.what();
        }
    }
    if (!refusal.empty())
        RaiseValueError(refusal);
    const bool withConditions = SeriesNeedsConditions(engine, design);
    const std::vector<std::string> further = FurtherColumnNames(engine.FurtherLigands());
    const std::vector<std::string_view> names = SeriesColumnNames(
        design.Kind, withConditions, further);
    TColumnArrays arrays(names, TextColumns, rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::vector<TCell> cells = SeriesCells(
            design.Kind, rows[row], withConditions ? &engine : nullptr, engine.FurtherLigands());
        for (std::size_t k = 0; k < cells.size(); ++k)
            arrays.Set(row, k, cells[k]);
    }
    const py::dict columns = arrays.Columns();
    return asFrame ? AsDataFrame(columns, py::none(), IntegerColumns) : py::object(columns);
}

// The rows of a series made with a recipe: the series' columns, every field of the record
// and the conditions' fields (always, as quelix-cli --recipe writes them), then the
// recipe's columns as quelix-cli's CSV has them (an ion per counter_ions_mM:<ion>, a
// weighing line per weigh_<component>_salt, _mM, _mg and _ul).
py::object RecipeRows(TEngine& engine, const TRecipe& recipe, const TSeriesDesign& design,
                      bool asFrame)
{
    TRecipeSeries series;
    std::string refusal;
    {
        py::gil_scoped_release release;
        try {
            series = RunRecipeSeries(engine, recipe, design);
        } catch (const TCalcError& e) {
            refusal = e.what();
        } catch (const TRecipeError& e) {
            refusal = e.what();
        }
    }
    if (!refusal.empty())
        RaiseValueError(refusal);
    std::vector<const TSolution*> solutions;
    for (const TSolution& s : series.Solutions)
        solutions.push_back(&s);
    const TRecipeColumns recipeColumns = RecipeColumnsOf(solutions);
    const std::vector<std::string> recipeNames = RecipeColumnNames(recipeColumns);
    const std::vector<std::string> further = FurtherColumnNames(engine.FurtherLigands());
    std::vector<std::string_view> names = SeriesColumnNames(design.Kind, true, further);
    std::vector<std::string_view> texts(std::begin(TextColumns), std::end(TextColumns));
    std::vector<std::string_view> integers(std::begin(IntegerColumns), std::end(IntegerColumns));
    for (const std::string& name : recipeNames) {
        names.push_back(name);
        if (IsRecipeTextColumn(name))
            texts.push_back(name);
        if (IsRecipeIntegerColumn(name))
            integers.push_back(name);
    }
    TColumnArrays arrays(names, texts, series.Rows.size());
    for (std::size_t row = 0; row < series.Rows.size(); ++row) {
        std::vector<TCell> cells = SeriesCells(
            design.Kind, series.Rows[row], &engine, engine.FurtherLigands());
        AppendRecipeCells(cells, series.Solutions[row], recipeColumns);
        for (std::size_t k = 0; k < cells.size(); ++k)
            arrays.Set(row, k, cells[k]);
    }
    const py::dict columns = arrays.Columns();
    return asFrame ? AsDataFrame(columns, py::none(), integers) : py::object(columns);
}

// pca_series or mixing_table with recipe=: the calculation, its constants and conditions come
// from the recipe (a mixing table's stocks take its pH, ionic strength and conditions), as
// with quelix-cli --recipe; the other keywords that would set them are refused.
py::object RecipeSeries(std::string_view function, TSeriesDesign design, const py::kwargs& kwargs)
{
    TRecipe recipe = ReadRecipeArgument("recipe", kwargs["recipe"]);
    const bool mixing = design.Kind == TSeriesKind::skMixing;
    bool asFrame = false;
    py::object stocks[2];
    for (const auto item : kwargs) {
        const std::string name = item.first.cast<std::string>();
        if (name == "pca" || name == "recipe")
            continue;
        if (name == "as_frame") {
            if (!PyBool_Check(item.second.ptr()))
                throw py::type_error("as_frame: expected True or False, got "
                                     + TypeName(item.second));
            asFrame = item.second.cast<bool>();
        } else if (mixing && (name == "stock_a" || name == "stock_b")) {
            stocks[name == "stock_a" ? 0 : 1] = py::reinterpret_borrow<py::object>(item.second);
        } else if (mixing && name == "volume") {
            design.Mixing.Volume = ReadNumber("volume", item.second);
            if (!(design.Mixing.Volume > 0))
                RaiseValueError("volume must be a positive number, not "
                                + NumberText("volume", item.second));
        } else if (InputColumn(name) >= 0
                   || std::ranges::find(RunOptionNames, name) != RunOptionNames.end()) {
            throw py::type_error(std::string(function) + "(): " + name
                                 + " cannot be combined with recipe: the recipe gives the "
                                   "calculation, its constants and conditions");
        } else {
            throw py::type_error(std::string(function) + "() got an unexpected keyword argument '"
                                 + name + "'");
        }
    }
    if (!mixing) {
        if (!TakesFreeCa(recipe.Calculation.Mode))
            RaiseValueError("pca_series(): the recipe's mode must be 2 to 6 (a mode that takes "
                            "free Ca++), not "
                            + std::to_string(static_cast<int>(recipe.Calculation.Mode)));
        design.Base = recipe.Calculation;
    } else {
        if (!stocks[0] || !stocks[1])
            throw py::type_error("mixing_table() needs both stocks: stock_a (low Ca) and "
                                 "stock_b (high Ca), each a mapping of totals in mM");
        // A stock's total_<n> may add a further ligand to the recipe's run.
        design.Mixing.StockA = ReadStock(
            "stock_a", stocks[0], recipe.Calculation, recipe.Constants);
        design.Mixing.StockB = ReadStock(
            "stock_b", stocks[1], recipe.Calculation, recipe.Constants);
    }
    TEngine engine;
    return RecipeRows(engine, recipe, design, asFrame);
}

} // namespace

py::object PCaSeries(const py::args& args, const py::kwargs& kwargs)
{
    TSeriesDesign design;
    design.Targets = TakeTargets("pca_series", args, kwargs);
    if (kwargs.contains("recipe") && !kwargs["recipe"].is_none())
        return RecipeSeries("pca_series", design, kwargs);
    design.Base = DefaultInput();
    TRunOptions options;
    bool asFrame = false;
    for (const auto item : kwargs) {
        const std::string name = item.first.cast<std::string>();
        if (ReadSeriesKeyword(name, item.second, options, asFrame))
            continue;
        const int column = InputColumn(name);
        if (column < 0)
            RejectKeyword("pca_series", name);
        if (name == "free_ca")
            throw py::type_error("pca_series(): free_ca cannot be given: each target sets "
                                 "free Ca++ (10 ** (3 - pCa) mM)");
        SetInput(design.Base, column, item.second);
    }
    if (!TakesFreeCa(design.Base.Mode))
        RaiseValueError("pca_series(): the mode must be 2 to 6 (a mode that takes free Ca++), "
                        "not "
                        + std::to_string(static_cast<int>(design.Base.Mode)));
    ApplyConditions(options, design.Base);
    TEngine engine;
    UseRunConstants(engine, ResolveRunConstants(options));
    return Rows(engine, design, asFrame);
}

py::object MixingTable(const py::args& args, const py::kwargs& kwargs)
{
    TSeriesDesign design;
    design.Kind = TSeriesKind::skMixing;
    design.Targets = TakeTargets("mixing_table", args, kwargs);
    if (kwargs.contains("recipe") && !kwargs["recipe"].is_none())
        return RecipeSeries("mixing_table", design, kwargs);
    TCalcInput base = DefaultInput();
    TRunOptions options;
    bool asFrame = false;
    py::object stocks[2];
    for (const auto item : kwargs) {
        const std::string name = item.first.cast<std::string>();
        if (ReadSeriesKeyword(name, item.second, options, asFrame))
            continue;
        if (name == "stock_a" || name == "stock_b") {
            stocks[name == "stock_a" ? 0 : 1] = py::reinterpret_borrow<py::object>(item.second);
        } else if (name == "volume") {
            design.Mixing.Volume = ReadNumber("volume", item.second);
            if (!(design.Mixing.Volume > 0))
                RaiseValueError("volume must be a positive number, not "
                                + NumberText("volume", item.second));
        } else if (name == "ph" || name == "ionic_strength") {
            SetInput(base, InputColumn(name), item.second);
        } else if (InputColumn(name) >= 0) {
            throw py::type_error(
                "mixing_table(): " + name
                + " does not apply to a mixing "
                  "table: the mixtures are calculated with every concentration given (mode 0) "
                  "from the totals of stock_a and stock_b");
        } else {
            throw py::type_error(
                "mixing_table() got an unexpected keyword argument '" + name
                + "' (it takes stock_a, stock_b, ph, ionic_strength, volume, as_frame; and "
                  "const, constants, temperature, ph_scale)");
        }
    }
    if (!stocks[0] || !stocks[1])
        throw py::type_error("mixing_table() needs both stocks: stock_a (low Ca) and stock_b "
                             "(high Ca), each a mapping of totals in mM");
    if (!options.Ligands.empty())
        throw py::type_error("mixing_table(): ligands= does not apply to a mixing table; give "
                             "the total of a further ligand in each stock, as "
                             "{\"total_crp\": 14.5}");
    ApplyConditions(options, base);
    TRunConstants run = ResolveRunConstants(options);
    design.Mixing.StockA = ReadStock("stock_a", stocks[0], base, run);
    design.Mixing.StockB = ReadStock("stock_b", stocks[1], base, run);
    TEngine engine;
    UseRunConstants(engine, run);
    return Rows(engine, design, asFrame);
}
