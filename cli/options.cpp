// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/options.h"

#include "cli/seriesoptions.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "recipe/recipefile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>

namespace {

TOutputFormat ParseFormat(const std::string& text)
{
    if (text == "report")
        return TOutputFormat::ofReport;
    if (text == "json")
        return TOutputFormat::ofJson;
    if (text == "csv")
        return TOutputFormat::ofCsv;
    throw TUsageError("--format must be report, json or csv, not '" + EchoText(text) + "'");
}

// A number of an option, by the entry fields' rule; the message names the option.
TReal ReadOptionNumber(std::string_view option, const std::string& text)
{
    try {
        return ParseNumber(text);
    } catch (const TUsageError&) {
        throw TUsageError(std::string(option) + ": " + OptionNumberMessage(text));
    }
}

// A value option given twice would silently take its last value: refused, as the user may
// not know which one a script's two settings leave in force.
void RefuseRepeated(const CLI::App& app)
{
    for (const CLI::Option* opt : app.get_options()) {
        if (opt->get_name() == "--const" || opt->get_name() == "--ligand"
            || opt->get_type_size() == 0 || opt->count() < 2)
            continue;
        throw TUsageError(opt->get_name() + " is given " + std::to_string(opt->count())
                          + " times; give it once.");
    }
}

// --ligand NAME=TOTAL, in the order given: each ligand joins the run with its total.
void ReadLigandOptions(const std::vector<std::string>& texts, TCliOptions& options)
{
    for (const std::string& text : texts) {
        const TLigandTotal given = ParseLigandTotal("--ligand", text);
        if (FindRunLigand(options.Constants, given.Name))
            throw TUsageError("--ligand " + given.Name + " is given twice.");
        const std::size_t index = AddRunLigand(options.Constants, given.Name, "--ligand");
        options.Input.FurtherTotals[index] = given.Total;
    }
}

// --recipe FILE: the calculation, constants, temperature and pH scale come from the file, so
// an option that would set them is refused rather than silently overridden or ignored.
void ReadRecipeOption(const CLI::App& app, const std::string& path, TCliOptions& options)
{
    for (const CLI::Option* opt : app.get_options()) {
        const std::string& name = opt->get_name();
        const bool allowed = name == "--recipe" || name == "--format" || name == "--pca"
            || name == "--stock-a" || name == "--stock-b" || name == "--volume";
        if (!allowed && opt->count() > 0)
            throw TUsageError(name
                              + " cannot be combined with --recipe: the recipe file gives the "
                                "calculation, its constants and conditions.");
    }
    if (path.empty())
        throw TUsageError("--recipe: expected the path of a recipe file, got an empty text");
    if (path.find('\0') != std::string::npos)
        throw TUsageError("--recipe: the path holds a NUL character");
    try {
        options.Recipe = ReadRecipeFile(path);
    } catch (const TRecipeError& e) {
        throw TUsageError(e.what());
    }
    options.Input = options.Recipe->Calculation;
    options.Constants = options.Recipe->Constants;
}

} // namespace

TCliOptions ParseCommandLine(int argc, const char* const* argv)
{
    CLI::App app {"quelix-cli"};
    app.set_help_flag();
    app.allow_extras(); // reported below, in the order given
    TCliOptions options;
    std::string mode;
    std::array<std::string, ValueFieldCount> values;
    std::array<CLI::Option*, ValueFieldCount> valueOptions {};
    std::vector<std::string> constEdits;
    std::string format;
    std::string batch;
    auto* modeOption = app.add_option("--mode", mode);
    for (std::size_t i = 0; i < ValueFieldCount; ++i)
        valueOptions[i] = app.add_option(OptionName(RecordColumns()[i + 1].Name), values[i]);
    app.add_option("--const", constEdits)->allow_extra_args(false);
    std::vector<std::string> ligands;
    app.add_option("--ligand", ligands)->allow_extra_args(false);
    auto* formatOption = app.add_option("--format", format);
    auto* batchOption = app.add_option("--batch", batch);
    std::string recipe;
    auto* recipeOption = app.add_option("--recipe", recipe);
    TSeriesOptionTexts seriesTexts;
    AddSeriesOptions(app, seriesTexts);
    app.add_flag("--help,-h", options.ShowHelp);
    app.add_flag("--version", options.ShowVersion);
    TConstOptionTexts constTexts;
    AddConstOptions(app, constTexts);
    for (CLI::Option* opt : app.get_options())
        opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_option("--const")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.get_option("--ligand")->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        throw TUsageError(e.what());
    }
    if (!app.remaining().empty()) {
        std::string text = "The following arguments were not expected:";
        for (const std::string& arg : app.remaining())
            text += " " + EchoText(arg);
        throw TUsageError(text);
    }
    RefuseRepeated(app);
    if (options.ShowHelp || options.ShowVersion)
        return options;
    if (constTexts.List && constTexts.Show)
        throw TUsageError("--list-constants and --show-constants cannot be combined: the one "
                          "lists the bundled sets, the other shows the table in force.");
    options.ListConstants = constTexts.List;
    if (options.ListConstants)
        return options;
    if (recipeOption->count() > 0) {
        ReadRecipeOption(app, recipe, options);
        if (formatOption->count() > 0)
            options.Format = ParseFormat(format);
        options.Series = ReadSeriesOptions(app, seriesTexts, options, options.Warnings);
        // A stock's total_<n> may have added a further ligand to the run.
        options.Recipe->Constants = options.Constants;
        return options;
    }

    if (modeOption->count() > 0) {
        const auto parsed = ModeOfText(mode);
        if (!parsed)
            throw TUsageError(NotAModeMessage(EchoText(mode)));
        options.Input.Mode = *parsed;
        options.Given.set(0);
    }
    for (std::size_t i = 0; i < ValueFieldCount; ++i)
        if (valueOptions[i]->count() > 0) {
            options.Input.Values[i] = ReadOptionNumber(valueOptions[i]->get_name(), values[i]);
            options.Given.set(i + 1);
        }
    for (const std::string& text : constEdits)
        options.ConstEdits.push_back(ParseConstEdit(text));
    ReadConstOptions(constTexts, options);
    ReadLigandOptions(ligands, options);
    if (formatOption->count() > 0)
        options.Format = ParseFormat(format);
    if (batchOption->count() > 0)
        options.BatchPath = batch;
    options.Series = ReadSeriesOptions(app, seriesTexts, options, options.Warnings);
    return options;
}

std::string VersionText()
{
    return "quelix-cli " QUELIX_VERSION "\n";
}

std::string HelpText()
{
    // The column names, wrapped to the width of the rest of the text.
    std::string columns;
    std::size_t lineStart = 0;
    const auto columnTable = RecordColumns();
    for (std::size_t i = 0; i < columnTable.size(); ++i) {
        std::string item(columnTable[i].Name);
        item += i + 1 < columnTable.size() ? "," : "";
        if (columns.empty() || columns.size() - lineStart + item.size() + 1 > 88) {
            lineStart = columns.size() + 1;
            columns += "\n   ";
        }
        columns += " " + item;
    }
    return R"(Usage: quelix-cli [options]

Equilibrium concentrations of free Mg++ and Ca++, of the ligands ATP, EGTA, EDTA, ADP and
phosphate, and of their complexes, for one set of inputs or for every row of a CSV file.

Inputs (concentrations in mM, ionic strength in M; numbers as in the entry fields: optional
sign, digits, optional point, optional exponent, within about -1.19e4932 to 1.19e4932):
  --mode N                 0..6, written as digits (default 0)
  --ph X                   (default 8)
  --ionic-strength X       M (default 0.2)
  --total-egta X  --total-edta X  --total-mg X  --total-ca X  --total-atp X  --total-adp X
  --total-po4 X  --free-mg X  --free-ca X  --mgatp X  --caatp X  --mgadp X  --caadp X
                           mM (defaults: total Mg 2.2, total Ca 0.5, total ATP 0.22,
                           total EGTA 2, free Mg 1, free Ca 1, MgATP 0.2, the rest 0)
  pH, ionic strength, total EGTA, total EDTA and total PO4 are inputs in every mode; the
  mode takes four more and computes the rest:
)" + ModeInputsText("    ")
        + R"(
Binding constants (log10 K at 0.1 M; the built-in table unless --constants chooses a set):
  --const ROW:STEP=VALUE   ROW a row of the constants table (ATP-H, ATP-Mg, ATP-Ca, EGTA-H
                           ... PO4-Ca), VALUE log10 K at 0.1 M; repeatable; a value <= 0
                           removes the step. STEP counts from 0: an H row has steps 0..3
                           (L + H+ = HL ... H3L + H+ = H4L), a Mg or Ca row steps 0..2
                           (M + L = ML, M + HL = MHL, M + H2L = MH2L); a metal step 2
                           enters only the binding sums, no printed species
)" + ConstOptionsHelp()
        + R"(

Further ligands (creatine phosphate, BAPTA, HEDTA, citrate, a lab's own chelator):
  --ligand NAME=TOTAL      a further ligand and its total in mM; repeatable, at most 4. Its
                           definition comes from the chosen set, else from the bundled
                           library (CrP, BAPTA, DiBrBAPTA, HEDTA, Citrate, ADA, AMP; see
                           --list-constants). Its complexes enter the Mg and Ca balances
                           of every mode; records end with, per ligand, total_<n>, free_<n>,
                           h<n>, h2<n> (h3<n>, h4<n> where it has those steps), mg<n>,
                           mgh<n>, ca<n>, cah<n> (mM, <n> the name in lower case), and the
                           report gains a block for it. A batch column total_<n> names one
                           too.

Output:
  --format report|json|csv (default report)
      report: the results report, as the window's console shows it.
      json:   one JSON object per record (in a batch one per line).
      csv:    a header line, then one line per record.
  Columns and keys, in this order:)"
        + columns + R"(
  Concentrations in mM, ionic strengths in M, pca = -log10 of free Ca++ in M (empty or
  null when free Ca++ is zero, at most 1.1e-18 M), iterations the solver's iteration
  count, reals with 19 significant digits; "error" is empty or null unless the record
  failed.

Batch:
  --batch FILE             CSV with a header row ('-' = standard input); one output
                           record per row, in input order
  The header names any of the input columns (mode, ph ... caadp, and pca) in any order;
  the other output columns (a series' too) are accepted and ignored, so an output file can
  be read back. A missing column or an empty cell takes the value of the command line.
  Where free Ca++ is an input (modes 2 to 6), a pca cell sets it to 10^(3 - pca) mM; a row
  with both a free_ca and a pca cell (an output file read back) uses free_ca and fails
  unless the two agree (pca within 1e-9). Rows are computed in parallel on all cores. A
  row that fails (its first cell that is not a number, a calculation error) gets its
  message in the "error" column, with empty results (every column its mode computes),
  and the other rows are still computed. With --format report each row prints
  "row N:" and its report; a failing row prints "row N: message" on standard error
  instead (N counts the rows after the header, from 1).
)" + SeriesHelpText()
        + R"(
The solution as made:
  --recipe FILE            a recipe file (JSON, "format": "quelix-recipe"): the calculation
                           with its constants, temperature and pH scale, and how the
                           solution is made: the salt and purity of each component, the Ca
                           the water brings, a pH buffer and its total, the titrant (KOH,
                           NaOH or HCl), the filler salt (KCl, NaCl, K-propionate,
                           K-methanesulfonate, K-gluconate or the file's own 1:1 salt),
                           stock solutions and the final volume. Prints the calculation's
                           record followed by the titrant that brings the weighed mixture
                           to its pH, the filler that brings it to the calculation's ionic
                           strength, the counter-ions, the buffer's two forms, the charge
                           balance and the weighing lines (report: the report, then a
                           weighing sheet). With --pca each point is made so; with
                           --stock-a and --stock-b the two stocks are, and each mixture
                           shows its real ionic strength. Options that set inputs,
                           constants or conditions cannot be combined with it. A solution
                           that cannot be made as asked (a filler below 0, a titrant of
                           the wrong kind) exits with 1 and its message in recipe_error.

Warnings: lines on standard error that start with "warning: "; the calculation runs as
given. An option or a batch cell that the mode does not read (once per option, and per
mode for the columns of a batch), an option that no row of a batch used, a pH outside
0 to 14, an ionic strength above 5 M (mM typed as M), a negative concentration, and a
negative Tris term of the ionic strength estimate (pH above 11.27). A batch sums them
up per mode or column after its last row.

Exit status: 0 success; 1 a calculation failed (in a batch or a series: at least one row;
a result beyond the range of numbers fails with the overflow error); 2 a usage error or a
number that does not convert (the message names the option). Each option but --const may
be given once.

  --help                   this text
  --version                the version
)";
}
