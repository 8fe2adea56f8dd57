// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The Python module quelix: the calculation of quelix-cli for scripts and notebooks, one
// recipe at a time (calculate) or a table of them on all cores (calculate_many). A binding
// only: the inputs are converted by quelix-cli's rules and everything else is the engine's
// and the record's.

#include "engine/realtext.h"
#include "python/convert.h"
#include "python/many.h"
#include "python/recipe.h"
#include "python/result.h"
#include "python/series.h"
#include "request/compute.h"
#include "request/inputnotes.h"

#include <pybind11/pybind11.h>

#include <string>

namespace py = pybind11;

namespace {

TPyResult Calculate(const py::args& args, const py::kwargs& kwargs)
{
    if (!args.empty())
        throw py::type_error("calculate() takes keyword arguments only, for example "
                             "calculate(mode=6, free_ca=0.001)");
    TCalcInput input = DefaultInput();
    TRunOptions options;
    TInputSet given;
    for (const auto item : kwargs) {
        const std::string name = item.first.cast<std::string>();
        if (ReadRunOption(options, name, item.second))
            continue;
        const int column = InputColumn(name);
        if (column < 0)
            RejectKeyword("calculate", name);
        SetInput(input, column, item.second);
        given.set(static_cast<std::size_t>(column));
    }
    ApplyConditions(options, input);
    const TRunConstants constants = ResolveRunConstants(options);
    TEngine engine;
    TCalcOutcome outcome;
    {
        py::gil_scoped_release release;
        UseRunConstants(engine, constants);
        outcome = Compute(engine, input, TOutputFormat::ofReport);
    }
    // quelix-cli's warnings about these inputs, before the error as it prints them.
    TInputNotes notes = NoteInputs(input, given);
    NoteOutcome(notes, outcome);
    for (std::string line : SingleRunWarnings(notes, input, TNaming::nmColumn))
        Warn(line.erase(0, std::string_view("warning: ").size()));
    if (outcome.Failed())
        RaiseCalculationError(outcome.Error);
    return MakeResult(engine, std::move(outcome));
}

// The default of an input as the signature shows it.
std::string DefaultText(std::size_t column)
{
    const TCalcInput defaults = DefaultInput();
    return column == 0 ? std::to_string(static_cast<int>(defaults.Mode))
                       : RealToText(defaults.Values[column - 1]);
}

// The run options (RunOptionNames) with their defaults.
constexpr const char* RunOptionSignature =
    "const=None, constants=None, temperature=None, ph_scale='concentration', ligands=None";

// The inputs with their defaults and the run options, as keywords; without `except`.
std::string InputSignature(std::string_view except = {})
{
    std::string text;
    for (std::size_t i = 0; i < InputColumnCount; ++i)
        if (RecordColumns()[i].Name != except)
            text += std::string(RecordColumns()[i].Name) + "=" + DefaultText(i) + ", ";
    return text + RunOptionSignature;
}

std::string ArgumentList()
{
    std::string text;
    for (std::size_t i = 0; i < InputColumnCount; ++i) {
        std::string name(RecordColumns()[i].Name);
        name.resize(std::max<std::size_t>(name.size() + 1, 16), ' ');
        text += "    " + name + std::string(ColumnDescription(RecordColumns()[i].Name))
            + " (default " + DefaultText(i) + ")\n";
        if (i == 0)
            text += ModeInputsText("        ");
    }
    return text;
}

const char* const ConstDoc =
    R"(    const           binding constants: a mapping of "ROW:STEP" to log10 K at 0.1 M,
                    applied in order to the built-in table, as quelix-cli's
                    --const ROW:STEP=VALUE; ROW ATP-H, ATP-Mg, ATP-Ca, EGTA-H ... PO4-Ca,
                    STEP 0..3, a value <= 0 removes the step; e.g. {"ATP-Mg:0": 4.1};
                    applied to the set of `constants` when one is given
    constants       the constant set, as quelix-cli's --constants: a bundled set by its
                    id or name (see constant_sets()), or the path of a set file (str or
                    os.PathLike); None: the built-in table. Entries a set does not give
                    come from the built-in table.
    temperature     degrees C, 0 to 100: brings each constant that has an enthalpy from
                    the set's temperature by van 't Hoff; the others are used as they
                    stand (uncorrected_entries counts them). None: no correction.
    ph_scale        "concentration": pH is -log10 [H+]; "activity": pH is a meter
                    reading, converted to pcH with the H+ activity coefficient at the
                    ionic strength
    ligands         further ligands and their totals in mM, as quelix-cli's --ligand:
                    {"CrP": 14.5}; at most 4, each defined by the set of `constants`,
                    else by the bundled library (CrP, BAPTA, DiBrBAPTA, HEDTA, Citrate,
                    ADA, AMP). Their complexes enter every mode's Mg and Ca balances;
                    the record ends with total_<n>, free_<n>, h<n>, h2<n> ... cah<n>
                    (also attributes of the Result). calculate_many takes a column
                    total_<n> too; mixing_table takes total_<n> in each stock instead.
)";

const char* const NumbersDoc = R"(
Numbers are read as quelix-cli reads its options, at full extended precision: an int or
a decimal.Decimal by its digits, a float as the decimal number it prints as (ph=7.1 is
--ph 7.1, not the binary neighbour of 7.1), a str by the entry fields' rule ("7.1",
"5E-1"). pH, ionic_strength, total_egta, total_edta and total_po4 are inputs in every
mode; of the others the mode takes four and computes the rest, overwriting what was
given (as the window and quelix-cli do).
)";

std::string CalculateDoc()
{
    return "calculate(" + InputSignature() + ") -> Result\n\n"
        + R"(One calculation, the same as quelix-cli's (and the window's Calc button) for the same
inputs: the free Mg++ and Ca++, the ligands in their protonation states and their
complexes at the given pH and ionic strength.

Arguments, keywords only, with quelix-cli's names, units and defaults (concentrations in
mM, ionic strength in M):
)" + ArgumentList()
        + ConstDoc + NumbersDoc + R"(
Returns a Result (see help(quelix.Result)).

Raises TypeError for an unknown name or a value that is no number (None, a bool, a list);
ValueError for a number that does not convert or a mode outside 0..6, with quelix-cli's
message ("ph: 'nan' は浮動小数点数ではありません"); CalculationError (a ValueError) when
the calculation fails, with the engine's message ("0 による浮動小数点数除算", "The ionic
strength must not be negative.").)";
}

std::string CalculateManyDoc()
{
    return "calculate_many(data=None, /, *, " + InputSignature() + ", workers=None) -> dict | "
        + R"(pandas.DataFrame

Many calculations, one per row, computed in parallel on all cores with the interpreter's
lock released (other Python threads run meanwhile). Each row is what calculate() gives
for that row's inputs.

data: a pandas DataFrame or a mapping whose columns are named like calculate()'s inputs
    (blanks around a name and case do not matter, as in a batch file's header; result
    columns are ignored, so a result can be given back; any other name is an error).
Keyword arguments: the inputs, each a scalar for every row or a sequence with one value
    per row (NumPy array, list, pandas Series); a name comes from the data or from a
    keyword, not both. An input given by neither takes calculate()'s default.
const, constants, temperature, ph_scale: as calculate(), for every row.
workers: the number of threads (default: one per core).

A row whose value is not a number (NaN, None, a text that does not convert) or whose
calculation fails gets its message in "error", keeps its inputs as given (NaN for one
that could not be read) and has NaN for everything computed; the other rows are
computed, as quelix-cli --batch does.

Returns the record's columns, in quelix-cli's order: for a DataFrame a DataFrame with the
same index (mode and iterations as pandas' nullable Int64); otherwise a dict of NumPy
arrays, float64 with NaN where the record has null (mode and iterations included), and
"error" an object array of None or the message. Under other than the default conditions
(another constant set, a temperature, the activity pH scale) the conditions' fields
follow: constants, edited_entries, temperature_c, uncorrected_entries, ph_scale, pch.
)" + std::string(NumbersDoc);
}

const char* const SeriesRowsDoc = R"(
Returns the rows as calculate_many() returns columns: a dict of NumPy arrays (float64 with
NaN for null, texts as objects), or with as_frame=True a pandas DataFrame (whole numbers
as pandas' nullable Int64). The series' own columns come first, then every field of the
record, then, under other than the default conditions, the conditions' fields; the same
fields, in the same order, as quelix-cli --pca ... --format json prints. A row that fails
carries its message in "error" and NaN for what it could not compute; the other rows are
computed.

Raises TypeError and ValueError for arguments that cannot be used, with quelix-cli's
message where it has one, before any calculation.)";

const char* const TargetsDoc =
    R"(pca: the target pCa values (-log10 of free Ca++ in M): a sequence of numbers, or a text
    in quelix-cli's --pca syntax, comma-separated values and inclusive ranges FROM:TO:STEP
    in either direction, e.g. "9,6.5:5.5:0.1,4.5" (a range's values are exact decimals)
)";

std::string PCaSeriesDoc()
{
    return "pca_series(pca, /, *, " + InputSignature("free_ca")
        + ", as_frame=False) -> dict | pandas.DataFrame\n\n"
        + R"(The per-point pCa series, as quelix-cli --pca LIST --mode M: for each target one
calculation of calculate()'s inputs with free Ca++ = 10 ** (3 - pCa) mM, in a mode that
takes free Ca++ (2 to 6; mode 6, for example, gives the total Ca of each solution at the
given free Mg++). Each row is that calculation's record after the column pca_target.

)" + TargetsDoc
        + R"(Keyword arguments: calculate()'s, except free_ca, which each target sets.

pca_series(pca, /, *, recipe=..., as_frame=False): the series made with a recipe (see
recipe()), as quelix-cli --recipe FILE --pca LIST: the recipe gives the mode (2 to 6), the
inputs, the constants and the conditions (no other keyword may set them), and each point
is a solution of its own, with the titrant and the filler that hold it at the target
ionic strength. The rows carry the conditions' fields and then the recipe's, as
quelix-cli's CSV names them: ionic_strength_solution ... filler_mM, counter_ions_mM:<ion>
for each ion, buffer ... charge_balance_mM, weigh_<component>_salt, _mM, _mg and _ul for
each weighing line, recipe_error.
)" + SeriesRowsDoc;
}

std::string MixingTableDoc()
{
    return R"(mixing_table(pca, /, *, stock_a, stock_b, ph=8, ionic_strength=0.2, volume=1000, )"
        + std::string(RunOptionSignature) + R"(, as_frame=False) -> dict | pandas.DataFrame

The mixing table of two stocks, as quelix-cli --pca LIST --stock-a A --stock-b B: stock A
(low Ca) and stock B (high Ca) at the same pH and ionic strength; a mixture with the
fraction f of B holds every total at (1 - f) A + f B and is calculated with every
concentration given (mode 0). For each target the fraction of B whose mixture has the
target pCa, found to 1e-9 in pCa, with the volumes of A and B that make `volume`, and the
mixture's whole record. A target that the stocks cannot reach is that row's error.

)" + TargetsDoc
        + R"(stock_a, stock_b: each a mapping of totals in mM, {"total_egta": 10, "total_mg": 5.4,
    "total_atp": 5}, or the text "total_egta=10,total_mg=5.4,total_atp=5"; the names are
    total_egta, total_edta, total_mg, total_ca, total_atp, total_adp, total_po4, and a
    total not named is 0
ph, ionic_strength: of both stocks and every mixture (defaults as calculate())
volume: the final volume of each mixture, in whatever unit you work in (default 1000)
const, constants, temperature, ph_scale: as calculate()

mixing_table(pca, /, *, recipe=..., stock_a, stock_b, volume=1000, as_frame=False): the
stocks made with a recipe (see recipe()), as quelix-cli --recipe FILE --pca LIST --stock-a
A --stock-b B: each stock at the recipe's pH, ionic strength and conditions, with its own
titrant and filler; a mixture holds (1 - f) of A's and f of B's counter-ions, buffer,
titrant and filler, and its ionic_strength_solution, from its own speciation, shows how
far it drifts from the target. The recipe's columns follow, as for pca_series.
)" + SeriesRowsDoc;
}

py::tuple ConstantSets()
{
    py::list sets;
    for (const TBundledSet& bundled : BundledSets())
        sets.append(py::dict(py::arg("id") = std::string(bundled.Id),
                             py::arg("name") = bundled.Set.Name,
                             py::arg("description") = bundled.Set.Description));
    return py::tuple(sets);
}

py::tuple ModeInputs(int mode)
{
    if (mode < 0 || mode >= ModeCount)
        throw py::value_error("mode: '" + std::to_string(mode)
                              + "' is not a calculation mode (0 to 6)");
    py::list names;
    for (TValueField f : AllValueFields)
        if (IsModeInput(static_cast<TCalcMode>(mode), f))
            names.append(std::string(RecordColumns()[static_cast<std::size_t>(f) + 1].Name));
    return py::tuple(names);
}

void AddTables(py::module_& m)
{
    py::list inputs;
    py::list columns;
    py::dict defaults;
    const TCalcInput defaultInput = DefaultInput();
    for (std::size_t i = 0; i < RecordColumns().size(); ++i) {
        const std::string name(RecordColumns()[i].Name);
        columns.append(name);
        if (i >= InputColumnCount)
            continue;
        inputs.append(name);
        defaults[py::str(name)] = i == 0
            ? py::object(py::int_(static_cast<int>(defaultInput.Mode)))
            : py::object(py::float_(static_cast<double>(defaultInput.Values[i - 1])));
    }
    m.attr("INPUT_NAMES") = py::tuple(inputs);
    m.attr("COLUMNS") = py::tuple(columns);
    m.attr("DEFAULTS") = defaults;
    py::list captions;
    for (std::string_view caption : ModeCaptions)
        captions.append(std::string(caption));
    m.attr("MODE_CAPTIONS") = py::tuple(captions);
}

} // namespace

PYBIND11_MODULE(quelix, m)
{
    // Our docstrings begin with the signature as a user writes the call.
    py::options options;
    options.disable_function_signatures();
    m.doc() = "Equilibrium concentrations of free Mg++ and Ca++, of ATP, EGTA, EDTA, ADP and "
              "phosphate and of their complexes: the calculation of quelix-cli for scripts and "
              "notebooks. calculate() for one set of inputs, calculate_many() for a table of them, "
              "pca_series() and mixing_table() for a pCa series, recipe() for the solution "
              "as a lab makes it (salts, pH buffer, titrant, filler, weighing sheet).";
    m.attr("__version__") = QUELIX_VERSION;
    BindResult(m);
    BindRecipe(m);
    AddTables(m);
    m.def("calculate", &Calculate, CalculateDoc().c_str());
    m.def("calculate_many", &CalculateMany, CalculateManyDoc().c_str());
    m.def("pca_series", &PCaSeries, PCaSeriesDoc().c_str());
    m.def("mixing_table", &MixingTable, MixingTableDoc().c_str());
    m.def("constant_sets", &ConstantSets,
          "constant_sets() -> tuple[dict[str, str], ...]\n\nThe bundled constant sets, as "
          "quelix-cli --list-constants lists them: each a dict of its id and name (either "
          "names it in constants=) and its description.");
    m.def("mode_inputs", &ModeInputs,
          "mode_inputs(mode) -> tuple[str, ...]\n\nThe inputs of a mode (0..6), in the record's "
          "order: pH, ionic strength, total EGTA, total EDTA and total PO4 in every mode, and "
          "the mode's four others.");
}
