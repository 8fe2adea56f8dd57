// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/batch.h"

#include "cli/inputnotes.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "report/further.h"
#include "request/csvreader.h"
#include "request/many.h"
#include "request/request.h"
#include "series/seriesrecord.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <istream>
#include <mutex>
#include <ostream>
#include <thread>
#include <utility>

namespace {

// For each column of the file: the input it sets (0 mode, 1 + TValueField, PCaInput,
// FurtherInput + the index of a further ligand's total), or IgnoredColumn for an output
// column that is read back and ignored.
using THeaderMap = std::vector<int>;
constexpr int IgnoredColumn = -1;
constexpr int FurtherInput = 1000;
constexpr std::size_t FreeCaInput = static_cast<std::size_t>(TValueField::vfFreeCa) + 1;

// Two cells of one row that both give free Ca++ (free_ca and pca, as an output file read
// back has them) agree when their pCa differ by no more than this. The output's 19 digits
// leave a difference far below it; any deliberate edit of either cell is far above.
constexpr TReal PCaAgreement = 1e-9L;

// A column total_<n> (not one of the record's own) adds the further ligand <n> to the run
// (if --ligand did not), or is a usage error that lists the known ones; the ligand's other
// fields (free_<n> ...) are outputs, read back and ignored. Returns the column's input, or
// none for a name that is no further ligand's total.
std::optional<int> FurtherColumn(const std::string& name, TRunConstants& run)
{
    if (name.starts_with("total_"))
        return FurtherInput
            + static_cast<int>(AddRunLigand(run, name.substr(6), "The batch column " + name));
    return std::nullopt;
}

bool IsFurtherOutput(const std::string& name, const TRunConstants& run)
{
    const std::vector<std::string> names = FurtherColumnNames(run.Ligands);
    return std::ranges::find(names, name) != names.end();
}

// The columns of an output file that say under which conditions it was computed, by
// position in the file (-1: not in the file). The others of its trailing fields (the
// uncorrected entries, pcH) follow from these and the row.
struct TConditionCells {
    int Constants = -1;
    int EditedEntries = -1;
    int TemperatureC = -1;
    int pHScale = -1;
};

// "row 3 of the batch file was computed with temperature_c 25, but this run has none: give
// --temperature 25 ..." for a row whose conditions are not those in force.
std::string ConditionMismatch(std::size_t row, std::string_view column, std::string_view cell,
                              std::string_view inForce, std::string_view remedy)
{
    return "Row " + std::to_string(row) + " of the batch file was computed with "
        + std::string(column) + " '" + EchoText(cell) + "', but this run has "
        + std::string(inForce) + ": " + std::string(remedy)
        + " to compute under the file's conditions, or leave the column out of the file to "
          "compute under this run's.";
}

// Refuses a row that was computed under other conditions than the ones in force: read back
// under others, it would be silently computed again with other results.
void CheckConditions(const TBatchJob& job, const TConditionCells& columns, const TCsvRecord& row,
                     std::size_t rowNumber)
{
    const auto cell = [&row](int column) {
        return column >= 0 && static_cast<std::size_t>(column) < row.FieldCount()
            ? TrimBlanks(row.Field(static_cast<std::size_t>(column)))
            : std::string_view();
    };
    if (const std::string_view set = cell(columns.Constants);
        !set.empty() && set != job.Origin.SetName)
        throw TUsageError(ConditionMismatch(rowNumber, "constants", set,
                                            "'" + job.Origin.SetName + "'",
                                            "give --constants with that set"));
    if (const std::string_view edited = cell(columns.EditedEntries);
        !edited.empty() && edited != std::to_string(job.Origin.EditedEntries))
        throw TUsageError(ConditionMismatch(
            rowNumber, "edited_entries", edited, std::to_string(job.Origin.EditedEntries),
            "give the --const edits that the file was computed with"));
    if (columns.TemperatureC >= 0
        && static_cast<std::size_t>(columns.TemperatureC) < row.FieldCount()) {
        const std::string_view text = cell(columns.TemperatureC);
        const std::optional<TReal> file = text.empty() ? std::nullopt : TextToReal(text);
        const std::optional<TReal>& here = job.Defaults.TemperatureC;
        if ((!text.empty() && !file) || file != here)
            throw TUsageError(ConditionMismatch(
                rowNumber, "temperature_c", text,
                here ? FormatReal(*here) + " \u00B0C" : "no temperature",
                text.empty() ? "leave out --temperature" : "give --temperature " + EchoText(text)));
    }
    if (const std::string_view scale = cell(columns.pHScale);
        !scale.empty() && scale != pHScaleWord(job.Defaults.pHScale))
        throw TUsageError(
            ConditionMismatch(rowNumber, "ph_scale", scale,
                              "'" + std::string(pHScaleWord(job.Defaults.pHScale)) + "'",
                              "give --ph-scale " + EchoText(scale)));
}

THeaderMap ReadHeader(TCsvReader& reader, TRunConstants& run, TConditionCells& conditions)
{
    TCsvRecord header;
    if (!reader.Next(header)) {
        if (reader.ReadFailed())
            throw TUsageError("The batch input cannot be read.");
        throw TUsageError("The batch file has no header row.");
    }
    if (!header.Error.empty())
        throw TUsageError("The header row of the batch file is not usable: " + header.Error);
    THeaderMap map;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < header.FieldCount(); ++i) {
        const std::string_view raw = header.Field(i);
        std::string name = AsciiLowered(TrimBlanks(raw));
        const int column = FindColumn(name);
        if (column < 0 && (IsConditionColumn(name) || IsSeriesColumn(name))) {
            // An output's trailing field, or a series' leading one: read back and not
            // computed; the conditions are checked against those in force.
            const auto at = static_cast<int>(i);
            int* const position = name == "constants" ? &conditions.Constants
                : name == "edited_entries"            ? &conditions.EditedEntries
                : name == "temperature_c"             ? &conditions.TemperatureC
                : name == "ph_scale"                  ? &conditions.pHScale
                                                      : nullptr;
            if (position && *position >= 0)
                throw TUsageError("The column '" + name + "' appears twice in the batch header.");
            if (position)
                *position = at;
            map.push_back(-1);
            names.push_back(std::move(name));
            continue;
        }
        int input = IgnoredColumn;
        if (column < 0) {
            const std::optional<int> further = FurtherColumn(name, run);
            if (!further) {
                // Decided once every total_<n> has added its ligand.
                map.push_back(IgnoredColumn);
                names.push_back(std::move(name));
                continue;
            }
            input = *further;
        } else if (column < static_cast<int>(InputColumnCount)) {
            input = column;
        } else if (name == InputColumnName(PCaInput)) {
            input = static_cast<int>(PCaInput);
        }
        if (input != IgnoredColumn && std::ranges::find(map, input) != map.end())
            throw TUsageError("The column '" + name + "' appears twice in the batch header.");
        map.push_back(input);
        names.push_back(std::move(name));
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        if (map[i] == IgnoredColumn && FindColumn(names[i]) < 0 && !IsConditionColumn(names[i])
            && !IsSeriesColumn(names[i]) && !IsFurtherOutput(names[i], run))
            throw TUsageError("Unknown column '" + PrintableText(header.Field(i))
                              + "' in the batch header.");
    return map;
}

// Rows in flight: read by the main thread, computed by the workers, then written.
struct TChunk {
    std::vector<TCsvRecord> Rows;
    std::size_t Count = 0;
    std::size_t FirstRow = 1; // number of Rows[0], counted from 1 after the header
    std::vector<std::string> Out;
    std::vector<std::string> Messages;
    std::vector<char> Failed;
    std::vector<TInputNotes> Notes;
    std::vector<char> Noted; // the row's inputs were read, and Notes holds what they gave

    explicit TChunk(std::size_t capacity)
        : Rows(capacity)
        , Out(capacity)
        , Messages(capacity)
        , Failed(capacity)
        , Notes(capacity)
        , Noted(capacity)
    {
    }
};

// The inputs of a row: its cells over the command line's values. Error holds the first
// problem, in the order of the cells.
struct TRowInputs {
    TCalcOutcome Outcome; // Input, Unreadable and Error
    TInputSet Given;      // the inputs that the row's own cells set
};

// Where the mode reads free Ca++, a pca cell sets it, unless the row also has a free_ca
// cell: then that one is used, and the two must agree.
void ApplyPCa(TRowInputs& r, TReal pCa, std::string_view pCaText, std::string_view freeCaText)
{
    TCalcOutcome& o = r.Outcome;
    TReal& freeCa = o.Input[TValueField::vfFreeCa];
    if (!r.Given[FreeCaInput]) {
        try {
            freeCa = FreeCaOfPCa(pCa);
        } catch (const TCalcError& e) {
            o.Error = e.what();
        }
        return;
    }
    if (freeCa > 0 && std::fabs(3 - std::log10(freeCa) - pCa) <= PCaAgreement)
        return;
    o.Error = "The free_ca cell '" + PrintableText(freeCaText) + "' and the pca cell '"
        + PrintableText(pCaText) + "' give different free Ca++; leave one of them empty.";
}

TRowInputs ReadRow(const TBatchJob& job, const THeaderMap& map, const TCsvRecord& row)
{
    TRowInputs r;
    TCalcOutcome& o = r.Outcome;
    o.Input = job.Defaults;
    o.Error = row.Error;
    if (o.Error.empty() && row.FieldCount() != map.size())
        o.Error = "The row has " + std::to_string(row.FieldCount()) + " fields; the header has "
            + std::to_string(map.size()) + ".";
    const auto fail = [&o](std::size_t input, std::string message) {
        if (input < InputColumnCount)
            o.Unreadable.set(input);
        if (o.Error.empty())
            o.Error = std::move(message);
    };
    TReal pCa = 0;
    std::string_view pCaText, freeCaText;
    for (std::size_t i = 0; i < std::min(row.FieldCount(), map.size()); ++i) {
        const std::string_view cell = row.Field(i);
        if (map[i] == IgnoredColumn || TrimBlanks(cell).empty())
            continue;
        const auto input = static_cast<std::size_t>(map[i]);
        if (map[i] < FurtherInput)
            r.Given.set(input);
        if (input == 0) {
            if (const auto mode = ModeOfText(cell))
                o.Input.Mode = *mode;
            else
                fail(input, NotAModeMessage(PrintableText(cell)));
            continue;
        }
        const auto value = TextToReal(cell);
        if (!value) {
            fail(input, NumberMessage(cell));
        } else if (map[i] >= FurtherInput) {
            o.Input.FurtherTotals[static_cast<std::size_t>(map[i] - FurtherInput)] = *value;
        } else if (input == PCaInput) {
            pCa = *value;
            pCaText = TrimBlanks(cell);
        } else {
            o.Input.Values[input - 1] = *value;
            if (input == FreeCaInput)
                freeCaText = TrimBlanks(cell);
        }
    }
    if (o.Error.empty() && r.Given[PCaInput] && IsModeInput(o.Input.Mode, TValueField::vfFreeCa))
        ApplyPCa(r, pCa, pCaText, freeCaText);
    // Free Ca++ that a pca cell should have set is not the command line's either.
    if (o.Failed() && r.Given[PCaInput] && !r.Given[FreeCaInput])
        o.Unreadable.set(FreeCaInput);
    return r;
}

// The row's outcome; for a row whose inputs could be read, also what they gave.
TCalcOutcome RowOutcome(TEngine& engine, const TBatchJob& job, const THeaderMap& map,
                        const TCsvRecord& row, TInputNotes& notes, char& noted)
{
    TRowInputs r = ReadRow(job, map, row);
    if (r.Outcome.Failed())
        return std::move(r.Outcome);
    notes = NoteInputs(r.Outcome.Input, r.Given);
    TCalcOutcome o = Compute(engine, r.Outcome.Input, job.Format);
    NoteOutcome(notes, o);
    noted = 1;
    return o;
}

void ProcessRow(TEngine& engine, const TBatchJob& job, const THeaderMap& map, TChunk& chunk,
                std::size_t i)
{
    std::string& out = chunk.Out[i];
    out.clear();
    chunk.Noted[i] = 0;
    TCalcOutcome o;
    try {
        o = RowOutcome(engine, job, map, chunk.Rows[i], chunk.Notes[i], chunk.Noted[i]);
    } catch (const std::exception& e) {
        o.Error = e.what();
    }
    chunk.Failed[i] = o.Failed();
    switch (job.Format) {
    case TOutputFormat::ofReport:
        if (o.Failed()) {
            chunk.Messages[i] = std::move(o.Error);
        } else {
            // The report begins with its empty line; the heading goes after it.
            out = "\nrow " + std::to_string(chunk.FirstRow + i) + ":";
            out += o.Report;
        }
        break;
    case TOutputFormat::ofJson:
    case TOutputFormat::ofCsv:
        AppendRecord(out, o, job.Format, engine, NeedsConditionFields(job.Origin, job.Defaults));
        break;
    }
}

// Worker threads, each with its own engine, that compute one chunk at a time.
class TWorkerPool {
public:
    TWorkerPool(const TBatchJob& job, const THeaderMap& map)
        : FJob(job)
        , FMap(map)
    {
        const unsigned count = std::max(1U, job.Workers);
        for (unsigned i = 0; i < count; ++i)
            FThreads.emplace_back([this] { WorkerLoop(); });
    }

    ~TWorkerPool()
    {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FWake.notify_all();
        for (std::thread& t : FThreads)
            t.join();
    }

    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    void Start(TChunk& chunk)
    {
        {
            std::lock_guard lock(FMutex);
            FChunk = &chunk;
            FNext = 0;
            FBusy = FThreads.size();
            ++FGeneration;
        }
        FWake.notify_all();
    }

    void Wait()
    {
        std::unique_lock lock(FMutex);
        FDone.wait(lock, [this] { return FBusy == 0; });
    }

private:
    // Rows are claimed a few at a time: few enough to balance rows that iterate long,
    // many enough to keep the shared counter cold.
    static constexpr std::size_t ClaimRows = 8;

    void WorkerLoop()
    {
        TEngine engine;
        engine.SetBaseConst(FJob.Constants);
        engine.SetOrigin(FJob.Origin);
        engine.SetFurtherLigands(FJob.Run.Ligands);
        std::uint64_t seen = 0;
        for (;;) {
            TChunk* chunk = nullptr;
            {
                std::unique_lock lock(FMutex);
                FWake.wait(lock, [&] { return FStop || FGeneration != seen; });
                if (FStop)
                    return;
                seen = FGeneration;
                chunk = FChunk;
            }
            for (;;) {
                const std::size_t first = FNext.fetch_add(ClaimRows);
                if (first >= chunk->Count)
                    break;
                for (std::size_t i = first; i < std::min(first + ClaimRows, chunk->Count); ++i)
                    ProcessRow(engine, FJob, FMap, *chunk, i);
            }
            std::lock_guard lock(FMutex);
            if (--FBusy == 0)
                FDone.notify_one();
        }
    }

    const TBatchJob& FJob;
    const THeaderMap& FMap;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    TChunk* FChunk = nullptr;
    std::uint64_t FGeneration = 0;
    std::size_t FBusy = 0;
    std::atomic<std::size_t> FNext = 0;
    bool FStop = false;
    std::vector<std::thread> FThreads;
};

} // namespace

int RunBatch(std::istream& in, std::ostream& out, std::ostream& err, const TBatchJob& given)
{
    TCsvReader reader(in);
    TBatchJob job = given; // with the further ligands that the header adds
    TConditionCells conditions;
    const THeaderMap map = ReadHeader(reader, job.Run, conditions);

    const std::size_t chunkRows = std::max<std::size_t>(1, job.ChunkRows);
    std::size_t nextRow = 1;
    const auto fill = [&](TChunk& chunk) {
        chunk.FirstRow = nextRow;
        chunk.Count = 0;
        while (chunk.Count < chunkRows && reader.Next(chunk.Rows[chunk.Count])) {
            const TCsvRecord& row = chunk.Rows[chunk.Count];
            if (row.Error.empty() && row.FieldCount() == map.size())
                CheckConditions(job, conditions, row, nextRow + chunk.Count);
            ++chunk.Count;
        }
        nextRow += chunk.Count;
        return chunk.Count > 0;
    };
    bool anyFailed = false;
    TBatchNotes notes(job.GivenOptions);
    const auto write = [&](const TChunk& chunk) {
        for (std::size_t i = 0; i < chunk.Count; ++i) {
            if (chunk.Noted[i])
                notes.Add(chunk.FirstRow + i, chunk.Notes[i]);
            if (chunk.Failed[i]) {
                anyFailed = true;
                if (job.Format == TOutputFormat::ofReport)
                    err << "row " << chunk.FirstRow + i << ": " << chunk.Messages[i] << '\n';
            }
            out.write(chunk.Out[i].data(), static_cast<std::streamsize>(chunk.Out[i].size()));
        }
    };

    // Two chunks take turns: while the workers compute one, the main thread writes the
    // one before it and reads the one after it.
    TChunk chunks[2] {TChunk(chunkRows), TChunk(chunkRows)};
    std::size_t current = 0;
    // The first rows are read, and their conditions checked, before anything is written.
    bool currentHasRows = fill(chunks[current]);
    if (job.Format == TOutputFormat::ofCsv)
        out << RecordCsvHeader(NeedsConditionFields(job.Origin, job.Defaults), job.Run.Ligands);
    TWorkerPool pool(job, map);
    if (currentHasRows)
        pool.Start(chunks[current]);
    while (currentHasRows) {
        const bool nextHasRows = fill(chunks[1 - current]);
        pool.Wait();
        if (nextHasRows)
            pool.Start(chunks[1 - current]);
        write(chunks[current]);
        if (!out)
            break; // nobody reads the rest; the caller reports the failed output
        current = 1 - current;
        currentHasRows = nextHasRows;
    }
    for (const std::string& line : notes.Warnings())
        err << line << '\n';
    if (reader.ReadFailed()) {
        err << "The batch input could not be read to its end.\n";
        return 1;
    }
    return anyFailed || !out ? 1 : 0;
}
