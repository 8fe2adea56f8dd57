// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "python/recipe.h"

#include "python/convert.h"
#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// What a message names a recipe given as a mapping by, in place of a file's name.
constexpr std::string_view MappingName = "<recipe>";

// How deep a recipe's mapping may nest: a recipe file goes three levels deep, and a mapping
// that holds itself must end in a message, not in a stack overflow.
constexpr int MaxDepth = 16;

// A JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view t)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9')
            ++i;
        return i > start;
    };
    if (i < t.size() && t[i] == '-')
        ++i;
    if (i < t.size() && t[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < t.size() && t[i] == '.' && (++i, !digits()))
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == t.size();
}

std::string JsonString(py::handle text)
{
    // ASCII with escapes: a lone surrogate reaches the reader as an escape it refuses.
    return py::module_::import("json").attr("dumps")(text).cast<std::string>();
}

// Where the recipe reader says a key is: the top-level key of a nested one.
std::string NonFiniteMessage(const std::vector<std::string>& keys)
{
    std::string message(MappingName);
    message += ": ";
    if (keys.size() >= 2)
        message += "\"" + keys.front() + "\": ";
    return message + "\"" + keys.back() + "\" is not a finite number";
}

std::string PythonPath(std::string_view name, const std::vector<std::string>& keys)
{
    std::string path(name);
    for (const std::string& key : keys)
        path += "[" + py::repr(py::str(key)).cast<std::string>() + "]";
    return path;
}

// `value` as JSON text: mappings as objects (keys must be texts), lists and tuples as
// arrays, texts, None, bools, and numbers as the module reads them (a float as the decimal
// it prints as, an int or Decimal by its digits), so that the reader takes each at the
// precision quelix-cli takes a file's.
void AppendJson(std::string& out, py::handle value, std::string_view name,
                std::vector<std::string>& keys)
{
    if (keys.size() > MaxDepth)
        RaiseValueError(PythonPath(name, keys)
                        + ": the recipe nests deeper than a recipe file "
                          "can");
    if (value.is_none()) {
        out += "null";
    } else if (PyBool_Check(value.ptr())) {
        out += value.ptr() == Py_True ? "true" : "false";
    } else if (PyUnicode_Check(value.ptr())) {
        out += JsonString(value);
    } else if (py::isinstance(value, py::module_::import("collections.abc").attr("Mapping"))) {
        out += "{";
        bool first = true;
        for (const py::handle item : value.attr("items")()) {
            const py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
            if (!PyUnicode_Check(pair[0].ptr()))
                throw py::type_error(PythonPath(name, keys)
                                     + ": the keys of a recipe are texts, not "
                                     + TypeName(pair[0]));
            out += first ? "" : ",";
            first = false;
            out += JsonString(pair[0]) + ":";
            keys.push_back(pair[0].cast<std::string>());
            AppendJson(out, pair[1], name, keys);
            keys.pop_back();
        }
        out += "}";
    } else if (PyList_Check(value.ptr()) || PyTuple_Check(value.ptr())) {
        out += "[";
        std::size_t index = 0;
        for (const py::handle item : value) {
            out += index > 0 ? "," : "";
            keys.push_back(std::to_string(index++));
            AppendJson(out, item, name, keys);
            keys.pop_back();
        }
        out += "]";
    } else {
        const std::string text = NumberText(PythonPath(name, keys), value);
        if (!IsJsonNumber(text))
            RaiseValueError(keys.empty() ? std::string(name) + ": not a finite number"
                                         : NonFiniteMessage(keys));
        out += text;
    }
}

// The mapping as a recipe file's text, with "format" and "version" where it leaves them out.
std::string MappingText(std::string_view name, py::handle mapping)
{
    std::vector<std::string> keys;
    std::string body;
    AppendJson(body, mapping, name, keys);
    std::string text = "{";
    if (!py::bool_(mapping.attr("__contains__")("format")))
        text += "\"format\":\"quelix-recipe\",";
    if (!py::bool_(mapping.attr("__contains__")("version")))
        text += "\"version\":1,";
    if (body != "{}")
        return text + body.substr(1);
    if (text.back() == ',')
        text.pop_back();
    return text + "}";
}

TCell TextOr(bool present, const std::string& text)
{
    return present ? TCell::Of(std::string_view(text)) : TCell {};
}

TCell OptionalCell(const std::optional<TReal>& x)
{
    return x ? TCell::Of(*x) : TCell {};
}

py::object CounterIons(const TSolution& s)
{
    if (s.Failed())
        return py::none();
    py::dict ions;
    for (const TCounterIon& c : s.CounterIons)
        ions[py::str(IonText(c.Ion))] = CellObject(TCell::Of(c.mM));
    return ions;
}

py::object Weighing(const TSolution& s)
{
    if (s.Failed())
        return py::none();
    py::list lines;
    for (const TWeighingLine& w : s.Weighing) {
        py::dict line;
        line["component"] = CellObject(TCell::Of(std::string_view(w.Key)));
        line["salt"] = CellObject(TCell::Of(std::string_view(w.Salt)));
        line["mM"] = CellObject(TCell::Of(w.mM));
        line["mg"] = CellObject(OptionalCell(w.Mg));
        line["ul"] = CellObject(OptionalCell(w.Ul));
        lines.append(line);
    }
    return lines;
}

py::object RecipeError(const TSolution& s)
{
    return CellObject(TextOr(s.Failed(), s.Error));
}

// The recipe's fields of a result in the record's order, with what each holds.
struct TRecipeField {
    std::string_view Name;
    const char* Doc;
};
constexpr TRecipeField RecipeFields[] {
    {"ionic_strength_solution",
     "ionic strength of the solution as made, M: 1/2 sum c z^2 over every species and ion, "
     "the filler included (the target, unless the solution exceeds it without filler)"},
    {"ionic_equivalent",
     "ionic equivalent, M: 1/2 sum c |z| (a convention, not the ionic "
     "strength)"},
    {"titrant", "the titrant's name (\"KOH\")"},
    {"titrant_mM", "titrant that brings the pH, mM of base; negative: of acid"},
    {"filler", "the filler salt's name (\"KCl\")"},
    {"filler_mM", "filler salt that brings the ionic strength to the target, mM"},
    {"counter_ions_mM",
     "dict of the ions no equilibrium changes, each with its charge "
     "(\"K+\", \"Cl-\"), mM; None when the solution cannot be made"},
    {"buffer", "the pH buffer's name; None without a buffer"},
    {"buffer_pka", "the buffer's pKa at the solution's temperature and ionic strength"},
    {"buffer_acid_mM", "the buffer's acid form, mM"},
    {"buffer_base_mM", "the buffer's base form, mM"},
    {"buffer_acid_charge", "charge of the buffer's acid form"},
    {"buffer_base_charge", "charge of the buffer's base form"},
    {"charge_balance_mM", "sum c z over every species and ion, mM: 0 to rounding (a check)"},
    {"weighing",
     "list of the weighing sheet's lines, each a dict of component, salt, mM, mg (to "
     "weigh for the final volume, for the purity) and ul (of a stock solution, where "
     "the recipe gives one); None when the solution cannot be made"},
    {"recipe_error", "why the solution cannot be made as asked, else None"},
};

py::object RecipeField(const TSolution& s, std::string_view name)
{
    if (name == "counter_ions_mM")
        return CounterIons(s);
    if (name == "weighing")
        return Weighing(s);
    if (name == "recipe_error")
        return RecipeError(s);
    const std::vector<TCell> leading = SolutionLeadingCells(s);
    for (std::size_t i = 0; i < SolutionLeadingNames().size(); ++i)
        if (SolutionLeadingNames()[i] == name)
            return CellObject(leading[i]);
    const std::vector<TCell> buffer = SolutionBufferCells(s);
    for (std::size_t i = 0; i < SolutionBufferNames().size(); ++i)
        if (SolutionBufferNames()[i] == name)
            return CellObject(buffer[i]);
    throw std::logic_error("no recipe field " + std::string(name));
}

py::dict RecipeDict(const TPyRecipeResult& r)
{
    py::dict d = ResultDict(r);
    for (const TRecipeField& field : RecipeFields)
        d[py::str(std::string(field.Name))] = RecipeField(r.Solution, field.Name);
    return d;
}

std::string RecipeRepr(const TPyRecipeResult& r)
{
    std::string text = "quelix.RecipeResult(";
    bool first = true;
    for (std::string_view name : {"titrant", "titrant_mM", "filler", "filler_mM",
                                  "ionic_strength_solution", "charge_balance_mM"}) {
        text += first ? "" : ", ";
        text += name;
        text += '=';
        text += py::repr(RecipeField(r.Solution, name)).cast<std::string>();
        first = false;
    }
    if (r.Solution.Failed())
        text += ", recipe_error=" + py::repr(RecipeError(r.Solution)).cast<std::string>();
    return text + ", ...)";
}

// Raises quelix.CalculationError with `message`, its attribute `result` holding the
// recipe's result (the calculation succeeded; the solution cannot be made).
[[noreturn]] void RaiseWithResult(const std::string& message, TPyRecipeResult result)
{
    const py::object type = py::module_::import("quelix").attr("CalculationError");
    py::object error = type(message);
    error.attr("result") = py::cast(std::move(result));
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

TPyRecipeResult Recipe(py::handle value)
{
    const TRecipe recipe = ReadRecipeArgument("recipe", value);
    TEngine engine;
    TRecipeOutcome outcome;
    std::string refusal;
    TPyRecipeResult result;
    {
        py::gil_scoped_release release;
        try {
            outcome = ComputeRecipe(engine, recipe, TOutputFormat::ofReport);
            if (!outcome.Calc.Failed()) {
                std::string json = RecipeOutputText(engine, recipe, outcome, TOutputFormat::ofJson);
                json.pop_back(); // the newline that ends a record line
                result.Json = std::move(json);
                result.Report = RecipeOutputText(engine, recipe, outcome, TOutputFormat::ofReport);
                result.Sheet = WeighingSheetText(recipe, outcome);
                result.RecipeText = RecipeText(recipe);
            }
        } catch (const TRecipeError& e) {
            refusal = e.what();
        }
    }
    if (!refusal.empty())
        RaiseValueError(refusal);
    // quelix-cli's notes about the solution, before its error as it prints them.
    for (const std::string& note : outcome.Solution.Notes)
        Warn(note);
    if (outcome.Calc.Failed())
        RaiseCalculationError(outcome.Calc.Error);
    static_cast<TPyResult&>(result) = MakeResult(engine, outcome.Calc);
    // The record of a recipe carries the conditions' fields, as quelix-cli --recipe writes it.
    result.WithConditions = true;
    result.Solution = outcome.Solution;
    if (result.Solution.Failed()) {
        const std::string message = result.Solution.Error; // before the result moves
        RaiseWithResult(message, std::move(result));
    }
    return result;
}

const char* const RecipeDoc = R"doc(recipe(recipe) -> RecipeResult

The solution as a lab makes it, as quelix-cli --recipe FILE: the calculation of the
recipe, then the titrant that brings the mixture as weighed to the target pH (from the
proton balance), the filler salt that brings it to the target ionic strength (the
calculation's own, for which the constants were corrected), the counter-ions, the pH
buffer's two forms, the charge balance as a check, and the weighing sheet for the final
volume.

recipe: a dict, a recipe file's JSON object ("format" and "version" may be left out):
        {"name": "pCa 9 relaxing", "volume_ml": 100,
         "calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                         "mgatp": 4.5, "free_mg": 1, "free_ca": 1e-6},
         "ligands": {"CrP": 14.5}, "temperature_c": 22,
         "salts": {"egta": "EGTA (free acid)", "ca": "CaCl2·2H2O"},
         "purity": {"atp": 0.95}, "buffer": {"name": "imidazole", "total_mM": 20},
         "titrant": "KOH", "filler": "KCl", "stock_solutions": {"titrant": 4000}}
    or the path of a recipe file (str or os.PathLike). Numbers in a dict are read as
    calculate() reads them (a float as the decimal it prints as, an int or Decimal by its
    digits).

Returns a RecipeResult: the calculation's record (a Result, with the conditions' fields)
and the solution's fields; to_json() is quelix-cli --recipe FILE --format json's line.

Raises ValueError with the recipe reader's message, which names the file ("<recipe>"
for a dict) and the key, for a recipe that cannot be read or used; TypeError for an
argument that is neither a dict nor a path, or a value no recipe file can hold;
CalculationError when the calculation fails, or when the solution cannot be made as asked
(a filler that would be negative: the solution exceeds the target ionic strength without
it). The error then has the attribute `result`, the RecipeResult with recipe_error set and
the solution's fields None, as quelix-cli prints its record. Notes about the solution (a
buffer far from its pKa) are issued as QuelixWarning, as quelix-cli prints them.)doc";

} // namespace

TRecipe ReadRecipeArgument(std::string_view name, py::handle value)
{
    const py::module_ os = py::module_::import("os");
    try {
        if (py::isinstance(value, py::module_::import("collections.abc").attr("Mapping")))
            return ParseRecipe(MappingText(name, value), MappingName);
        if (PyUnicode_Check(value.ptr()) || py::isinstance(value, os.attr("PathLike"))) {
            const std::string path = os.attr("fsdecode")(value).cast<std::string>();
            if (path.empty())
                RaiseValueError(std::string(name)
                                + ": expected the path of a recipe file, got "
                                  "an empty text");
            if (path.find('\0') != std::string::npos)
                RaiseValueError(std::string(name) + ": the path holds a NUL character");
            return ReadRecipeFile(path);
        }
    } catch (const TRecipeError& e) {
        RaiseValueError(e.what());
    }
    throw py::type_error(std::string(name)
                         + ": expected a dict (a recipe file's JSON object) or the path of a "
                           "recipe file (str or os.PathLike), got "
                         + TypeName(value));
}

std::vector<std::string> RecipeColumnNames(const TRecipeColumns& columns)
{
    // The command line's CSV header is the reference; its names hold no commas.
    const std::string tail = RecipeCsvHeaderTail(columns);
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < tail.size()) {
        const std::size_t next = std::min(tail.find(',', at + 1), tail.size());
        names.push_back(tail.substr(at + 1, next - at - 1));
        at = next;
    }
    return names;
}

void AppendRecipeCells(std::vector<TCell>& cells, const TSolution& solution,
                       const TRecipeColumns& columns)
{
    const bool ok = !solution.Failed();
    const std::vector<TCell> leading = SolutionLeadingCells(solution);
    cells.insert(cells.end(), leading.begin(), leading.end());
    for (const TIon& ion : columns.Ions) {
        const auto c = std::find_if(solution.CounterIons.begin(), solution.CounterIons.end(),
                                    [&](const TCounterIon& x) { return x.Ion == ion; });
        // An ion that other rows have and this one does not is 0 in it.
        cells.push_back(!ok                                   ? TCell {}
                            : c == solution.CounterIons.end() ? TCell::Of(TReal {0})
                                                              : TCell::Of(c->mM));
    }
    const std::vector<TCell> buffer = SolutionBufferCells(solution);
    cells.insert(cells.end(), buffer.begin(), buffer.end());
    for (const std::string& key : columns.Lines) {
        const auto w = std::find_if(solution.Weighing.begin(), solution.Weighing.end(),
                                    [&](const TWeighingLine& x) { return x.Key == key; });
        const bool has = ok && w != solution.Weighing.end();
        cells.push_back(has ? TCell::Of(std::string_view(w->Salt)) : TCell {});
        cells.push_back(has ? TCell::Of(w->mM) : TCell {});
        cells.push_back(has ? OptionalCell(w->Mg) : TCell {});
        cells.push_back(has ? OptionalCell(w->Ul) : TCell {});
    }
    cells.push_back(TextOr(!ok, solution.Error));
}

bool IsRecipeTextColumn(std::string_view name)
{
    return name == "titrant" || name == "filler" || name == "buffer" || name == "recipe_error"
        || (name.starts_with("weigh_") && name.ends_with("_salt"));
}

bool IsRecipeIntegerColumn(std::string_view name)
{
    return name == "buffer_acid_charge" || name == "buffer_base_charge";
}

void BindRecipe(py::module_& m)
{
    py::class_<TPyRecipeResult, TPyResult> result(
        m, "RecipeResult",
        "The result of a recipe: the calculation's record (every field of Result, the "
        "conditions' fields always there) and the solution as made: ionic_strength_solution, "
        "ionic_equivalent, titrant, titrant_mM, filler, filler_mM, counter_ions_mM, buffer, "
        "buffer_pka, buffer_acid_mM, buffer_base_mM, buffer_acid_charge, buffer_base_charge, "
        "charge_balance_mM, weighing, recipe_error; the fields of quelix-cli --recipe's "
        "record, in its order. sheet is the weighing sheet, report the report followed by the "
        "sheet.");
    for (const TRecipeField& field : RecipeFields) {
        const std::string_view name = field.Name;
        result.def_property_readonly(
            std::string(name).c_str(),
            [name](const TPyRecipeResult& r) { return RecipeField(r.Solution, name); }, field.Doc);
    }
    result.def_property_readonly(
        "sheet", [](const TPyRecipeResult& r) { return r.Sheet; },
        "The weighing sheet a person follows at the bench: what to weigh for the final volume, "
        "in order, the titrant to expect, the solution's ionic strength and the charge-balance "
        "check.");
    result.def_property_readonly(
        "report", [](const TPyRecipeResult& r) { return r.Report; },
        "The results report followed by the weighing sheet, as quelix-cli --recipe FILE "
        "--format report prints them.");
    result.def_property_readonly(
        "recipe_text", [](const TPyRecipeResult& r) { return r.RecipeText; },
        "The recipe as a recipe file's text, which quelix-cli --recipe and recipe() read back "
        "as the same recipe.");
    result.def("to_dict", &RecipeDict,
               "to_dict() -> dict\n\nThe record as a dict, with the keys of quelix-cli --recipe's "
               "JSON record in their order: the calculation's fields, the conditions' fields, "
               "the further ligands', then the solution's; counter_ions_mM a dict and weighing "
               "a list of dicts.");
    result.def(
        "to_json", [](const TPyRecipeResult& r) { return r.Json; },
        "to_json() -> str\n\nThe record as quelix-cli --recipe FILE --format json prints it "
        "(without the newline), byte for byte.");
    result.def("__repr__", &RecipeRepr);
    m.def("recipe", &Recipe, py::arg("recipe"), RecipeDoc);
}
