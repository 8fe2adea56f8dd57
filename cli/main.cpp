// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// quelix-cli: one calculation from the command line, or a batch of them from a CSV file.
// Exit status 0 on success, 1 when a calculation failed, 2 for a usage error.

#include "cli/batch.h"
#include "cli/options.h"
#include "cli/seriesoptions.h"
#include "recipe/recipeoutput.h"
#include "recipe/recipeseries.h"
#include "report/conditions.h"
#include "request/inputnotes.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace {

constexpr int ExitCalcError = 1;
constexpr int ExitUsage = 2;

int RunSingle(const TCliOptions& options)
{
    TEngine engine;
    UseRunConstants(engine, options.Constants);
    const TCalcOutcome outcome = Compute(engine, options.Input, options.Format);
    const bool withConditions = NeedsConditionFields(engine.Origin(), options.Input);
    TInputNotes notes = NoteInputs(options.Input, TInputSet(options.Given.to_ullong()));
    NoteOutcome(notes, outcome);
    for (const std::string& line : SingleRunWarnings(notes, options.Input))
        std::cerr << line << '\n';
    if (outcome.Failed()) {
        std::cerr << outcome.Error << '\n';
        const std::string hint = ZeroDivisorHint(
            options.Input, TInputSet(options.Given.to_ullong()), outcome.Error);
        if (!hint.empty())
            std::cerr << hint << '\n';
        return ExitCalcError;
    }
    std::string text;
    switch (options.Format) {
    case TOutputFormat::ofReport:
        text = outcome.Report;
        break;
    case TOutputFormat::ofJson:
        AppendRecord(text, outcome, options.Format, engine, withConditions);
        break;
    case TOutputFormat::ofCsv:
        text = RecordCsvHeader(withConditions, engine.FurtherLigands());
        AppendRecord(text, outcome, options.Format, engine, withConditions);
        break;
    }
    std::cout << text;
    return 0;
}

int RunSeries(const TCliOptions& options)
{
    TEngine engine;
    UseRunConstants(engine, options.Constants);
    return RunSeriesDesign(engine, *options.Series, options.Format, std::cout);
}

int RunRecipe(const TCliOptions& options)
{
    TEngine engine;
    const TRecipe& recipe = *options.Recipe;
    if (options.Series) {
        const TRecipeSeries series = RunRecipeSeries(engine, recipe, *options.Series);
        std::cout << RecipeSeriesText(engine, recipe, *options.Series, series, options.Format);
        const bool failed = std::ranges::any_of(series.Rows, &TSeriesRow::Failed)
            || std::ranges::any_of(series.Solutions, &TSolution::Failed);
        return failed ? ExitCalcError : 0;
    }
    const TRecipeOutcome outcome = ComputeRecipe(engine, recipe, options.Format);
    for (const std::string& note : outcome.Solution.Notes)
        std::cerr << "note: " << note << '\n';
    if (outcome.Calc.Failed()) {
        std::cerr << outcome.Calc.Error << '\n';
        return ExitCalcError;
    }
    std::cout << RecipeOutputText(engine, recipe, outcome, options.Format);
    if (outcome.Solution.Failed()) {
        std::cerr << outcome.Solution.Error << '\n';
        return ExitCalcError;
    }
    return 0;
}

int RunBatchFile(const TCliOptions& options)
{
    TBatchJob job;
    job.Defaults = options.Input;
    job.Constants = SetTable(options.Constants.Set);
    job.Origin = SetOrigin(options.Constants.Set, options.Constants.EditedEntries);
    job.Format = options.Format;
    job.Workers = std::thread::hardware_concurrency();
    job.GivenOptions = options.Given;
    job.Run = options.Constants;
    if (*options.BatchPath == "-")
        return RunBatch(std::cin, std::cout, std::cerr, job);
    // A directory opens like a file here and then reads as empty.
    std::error_code error;
    if (std::filesystem::is_directory(*options.BatchPath, error))
        throw TUsageError("Cannot read the batch file '" + EchoText(*options.BatchPath)
                          + "': it is a directory.");
    std::ifstream file(*options.BatchPath, std::ios::binary);
    if (!file)
        throw TUsageError("Cannot open the batch file '" + EchoText(*options.BatchPath) + "'.");
    return RunBatch(file, std::cout, std::cerr, job);
}

} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    int status = 0;
    try {
        const TCliOptions options = ParseCommandLine(argc, argv);
        for (const std::string& line : options.Warnings)
            std::cerr << "warning: " << line << '\n';
        if (options.ShowHelp)
            std::cout << HelpText();
        else if (options.ShowVersion)
            std::cout << VersionText();
        else if (options.ListConstants)
            std::cout << ListConstantsText();
        else if (options.ShowConstants)
            std::cout << ShowConstantsText(options.Constants, options.Input, options.Format);
        else
            status = options.Recipe ? RunRecipe(options)
                : options.Series    ? RunSeries(options)
                : options.BatchPath ? RunBatchFile(options)
                                    : RunSingle(options);
    } catch (const TUsageError& e) {
        std::cerr << e.what() << "\nRun 'quelix-cli --help' for the options.\n";
        return ExitUsage;
    } catch (const TRecipeError& e) {
        std::cerr << e.what() << '\n';
        return ExitUsage;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return ExitCalcError;
    }
    // A full disk or a closed pipe must not pass for success.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << CalcMessage::CannotWrite("standard output") << '\n';
        return ExitCalcError;
    }
    return status;
}
