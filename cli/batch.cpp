// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "cli/batch.h"

#include "cli/csvreader.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "series/seriesrecord.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <istream>
#include <mutex>
#include <ostream>
#include <thread>

namespace {

// For each column of the file: the input column it sets (0 mode, 1 + TValueField), or -1
// for an output column that is read back and ignored.
using THeaderMap = std::vector<int>;

THeaderMap ReadHeader(TCsvReader& reader)
{
    TCsvRecord header;
    if (!reader.Next(header))
        throw TUsageError("The batch file has no header row.");
    if (!header.Error.empty())
        throw TUsageError("The header row of the batch file is not usable: " + header.Error);
    THeaderMap map;
    for (std::size_t i = 0; i < header.FieldCount(); ++i) {
        std::string_view raw = header.Field(i);
        if (i == 0 && raw.starts_with("\xEF\xBB\xBF")) // a byte order mark
            raw.remove_prefix(3);
        const std::string name = AsciiLowered(TrimBlanks(raw));
        const int column = FindColumn(name);
        if (column < 0 && (IsConditionColumn(name) || IsSeriesColumn(name))) {
            // An output's trailing field, or a series' leading one: read back and ignored.
            map.push_back(-1);
            continue;
        }
        if (column < 0)
            throw TUsageError("Unknown column '" + std::string(raw) + "' in the batch header.");
        const bool isInput = column < static_cast<int>(InputColumnCount);
        if (isInput && std::ranges::find(map, column) != map.end())
            throw TUsageError("The column '" + name + "' appears twice in the batch header.");
        map.push_back(isInput ? column : -1);
    }
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

    explicit TChunk(std::size_t capacity)
        : Rows(capacity)
        , Out(capacity)
        , Messages(capacity)
        , Failed(capacity)
    {
    }
};

TCalcOutcome RowOutcome(
    TEngine& engine, const TBatchJob& job, const THeaderMap& map, const TCsvRecord& row)
{
    TCalcOutcome o;
    o.Input = job.Defaults;
    o.Error = row.Error;
    if (o.Error.empty() && row.FieldCount() != map.size())
        o.Error = "The row has " + std::to_string(row.FieldCount()) + " fields; the header has "
            + std::to_string(map.size()) + ".";
    for (std::size_t i = 0; i < std::min(row.FieldCount(), map.size()); ++i) {
        const std::string_view cell = row.Field(i);
        const int column = map[i];
        if (column < 0 || TrimBlanks(cell).empty())
            continue;
        try {
            if (column == 0)
                o.Input.Mode = ParseMode(cell);
            else
                o.Input.Values[static_cast<std::size_t>(column - 1)] = TextToRealOrRaise(cell);
        } catch (const TCalcError& e) {
            o.Unreadable.set(static_cast<std::size_t>(column));
            if (o.Error.empty())
                o.Error = e.what();
        }
    }
    if (o.Error.empty())
        o = Compute(engine, o.Input, job.Format);
    return o;
}

void ProcessRow(
    TEngine& engine, const TBatchJob& job, const THeaderMap& map, TChunk& chunk, std::size_t i)
{
    std::string& out = chunk.Out[i];
    out.clear();
    TCalcOutcome o;
    try {
        o = RowOutcome(engine, job, map, chunk.Rows[i]);
    } catch (const std::exception& e) {
        o.Error = e.what();
    }
    chunk.Failed[i] = o.Failed();
    switch (job.Format) {
    case TOutputFormat::ofReport:
        if (o.Failed())
            chunk.Messages[i] = std::move(o.Error);
        else
            out = std::move(o.Report);
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

int RunBatch(std::istream& in, std::ostream& out, std::ostream& err, const TBatchJob& job)
{
    TCsvReader reader(in);
    const THeaderMap map = ReadHeader(reader);
    if (job.Format == TOutputFormat::ofCsv)
        out << RecordCsvHeader(NeedsConditionFields(job.Origin, job.Defaults));

    const std::size_t chunkRows = std::max<std::size_t>(1, job.ChunkRows);
    std::size_t nextRow = 1;
    const auto fill = [&](TChunk& chunk) {
        chunk.FirstRow = nextRow;
        chunk.Count = 0;
        while (chunk.Count < chunkRows && reader.Next(chunk.Rows[chunk.Count]))
            ++chunk.Count;
        nextRow += chunk.Count;
        return chunk.Count > 0;
    };
    bool anyFailed = false;
    const auto write = [&](const TChunk& chunk) {
        for (std::size_t i = 0; i < chunk.Count; ++i) {
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
    TWorkerPool pool(job, map);
    std::size_t current = 0;
    bool have = fill(chunks[current]);
    if (have)
        pool.Start(chunks[current]);
    while (have) {
        const bool more = fill(chunks[1 - current]);
        pool.Wait();
        if (more)
            pool.Start(chunks[1 - current]);
        write(chunks[current]);
        if (!out)
            break; // nobody reads the rest; the caller reports the failed output
        current = 1 - current;
        have = more;
    }
    if (reader.ReadFailed()) {
        err << "The batch input could not be read to its end.\n";
        return 1;
    }
    return anyFailed || !out ? 1 : 0;
}
