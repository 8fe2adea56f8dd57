// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/seriesoptions.h"

#include "cli/options.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "series/pcalist.h"
#include "series/seriesrecord.h"
#include "series/stockspec.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <bitset>
#include <ostream>

using enum TValueField;

namespace {

// The record's name of a value field ("total_mg").
std::string_view ColumnOf(TValueField f)
{
    return RecordColumns()[static_cast<std::size_t>(f) + 1].Name;
}

std::string OptionOf(TValueField f)
{
    std::string name = "--";
    for (char ch : ColumnOf(f))
        name += ch == '_' ? '-' : ch;
    return name;
}

// Checks what only the one design or the other allows; the base is the command line's.
void CheckPerPoint(const CLI::App& app, const TCliOptions& options)
{
    if (!TakesFreeCa(options.Input.Mode))
        throw TUsageError("--pca without --stock-a and --stock-b needs --mode 2 to 6 (a mode "
                          "that takes free Ca++); the mode is "
                          + std::to_string(static_cast<int>(options.Input.Mode)) + ".");
    if (app.count(OptionOf(vfFreeCa)) > 0)
        throw TUsageError("--free-ca cannot be given with --pca: each target sets free Ca++.");
}

void CheckMixing(const CLI::App& app)
{
    if (app.count("--mode") > 0)
        throw TUsageError("--mode does not apply to a mixing table: the mixtures are "
                          "calculated with every concentration given (mode 0).");
    for (TValueField f : AllValueFields)
        if (IsConcentration(f) && app.count(OptionOf(f)) > 0)
            throw TUsageError(OptionOf(f)
                              + " does not apply to a mixing table: give the totals "
                                "of each stock in --stock-a and --stock-b.");
    if (app.count("--ligand") > 0)
        throw TUsageError("--ligand does not apply to a mixing table: give the total of a "
                          "further ligand in each stock, as total_crp=14.5 in --stock-a and "
                          "--stock-b.");
}

TReal ReadVolume(const std::string& text)
{
    const auto volume = TextToReal(text);
    if (!volume)
        throw TUsageError("--volume: " + OptionNumberMessage(text));
    if (!(*volume > 0))
        throw TUsageError("--volume must be a positive number, not " + EchoText(text) + ".");
    return *volume;
}

} // namespace

void AddSeriesOptions(CLI::App& app, TSeriesOptionTexts& texts)
{
    app.add_option("--pca", texts.PCa);
    app.add_option("--stock-a", texts.StockA);
    app.add_option("--stock-b", texts.StockB);
    app.add_option("--volume", texts.Volume);
}

std::optional<TSeriesDesign> ReadSeriesOptions(const CLI::App& app, const TSeriesOptionTexts& texts,
                                               TCliOptions& options,
                                               std::vector<std::string>& warnings)
{
    const bool pca = app.count("--pca") > 0;
    const bool a = app.count("--stock-a") > 0, b = app.count("--stock-b") > 0;
    const bool volume = app.count("--volume") > 0;
    if (!pca && (a || b || volume))
        throw TUsageError(std::string(a       ? "--stock-a"
                                          : b ? "--stock-b"
                                              : "--volume")
                          + " needs --pca with the target pCa values.");
    if (!pca)
        return std::nullopt;
    if (options.BatchPath)
        throw TUsageError("--pca cannot be combined with --batch.");
    if (a != b)
        throw TUsageError("--stock-a and --stock-b go together: a mixing table needs both stocks.");
    if (volume && !a)
        throw TUsageError("--volume applies only to a mixing table (--stock-a and --stock-b).");
    TSeriesDesign design;
    try {
        std::vector<std::string> notes;
        design.Targets = ParsePCaList(texts.PCa, &notes);
        for (const std::string& note : notes)
            warnings.push_back("--pca: " + note);
    } catch (const TCalcError& e) {
        throw TUsageError(std::string("--pca: ") + e.what());
    }
    if (!a) {
        CheckPerPoint(app, options);
        design.Base = options.Input;
        return design;
    }
    CheckMixing(app);
    design.Kind = TSeriesKind::skMixing;
    design.Mixing.StockA = ParseStockSpec(
        "--stock-a", texts.StockA, options.Input, &options.Constants);
    design.Mixing.StockB = ParseStockSpec(
        "--stock-b", texts.StockB, options.Input, &options.Constants);
    if (volume)
        design.Mixing.Volume = ReadVolume(texts.Volume);
    try {
        CheckMixingInput(design.Mixing);
    } catch (const TCalcError& e) {
        throw TUsageError(e.what());
    }
    return design;
}

int RunSeriesDesign(TEngine& engine, const TSeriesDesign& design, TOutputFormat format,
                    std::ostream& out)
{
    const std::vector<TSeriesRow> rows = RunSeries(engine, design);
    // Under other than the default conditions the records and the table say which, as a
    // single run's do.
    const TEngine* conditions = SeriesNeedsConditions(engine, design) ? &engine : nullptr;
    switch (format) {
    case TOutputFormat::ofReport:
        out << SeriesTableText(design, rows, conditions);
        break;
    case TOutputFormat::ofJson:
        out << SeriesJson(design.Kind, rows, conditions, engine.FurtherLigands());
        break;
    case TOutputFormat::ofCsv:
        out << SeriesCsv(design.Kind, rows, conditions, engine.FurtherLigands());
        break;
    }
    return std::ranges::any_of(rows, &TSeriesRow::Failed) ? 1 : 0;
}

std::string SeriesHelpText()
{
    return R"(
pCa series:
  --pca LIST               target pCa values: comma-separated values and inclusive ranges
                           FROM:TO:STEP in either direction, e.g. 9,6.5:5.5:0.1,4.5;
                           pCa -2 to 20; a range whose steps miss TO ends before it
                           (with a warning)
  Per point (--pca alone): one calculation per target in the --mode given (2 to 6, a mode
  that takes free Ca++), with free Ca++ = 10^(3 - pCa) mM and every other input from the
  options; each row is the record of that single run.
  --stock-a SPEC --stock-b SPEC
                           mixing table of two stocks, e.g. total_egta=7,total_mg=5.4,
                           total_atp=5,total_ca=0.028; the names are total_egta,
                           total_edta, total_mg, total_ca, total_atp, total_adp and
                           total_po4 (mM), unnamed totals 0; pH and ionic strength of both
                           from --ph and --ionic-strength
  --volume V               final volume of each mixture (default 1000, in the unit you
                           pipette in, e.g. ul; at most 1e9)
  For each target the fraction f of stock B whose mixture (every total (1 - f) A + f B,
  calculated in mode 0) has that pCa, to 1e-9 in pCa or 1e-12 in f, and the volumes of A
  and B. A target the stocks cannot reach, or one that no single f reaches, is that row's
  error; the other rows are still computed.
  Records begin with pca_target, for a mixing table then fraction_b, volume_a and
  volume_b, before the columns above; --format report prints a table.
)";
}
