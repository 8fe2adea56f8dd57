// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// libFuzzer driver for the batch: the lines before the first empty line are command-line
// arguments, the rest is the batch file. The arguments either parse or give a usage error;
// the batch either stops at its header with a usage error or gives exactly one record per
// row, each computed or carrying its message, in every format. A broken rule aborts.

#include "cli/batch.h"
#include "constsets/constset.h"
#include "request/csvreader.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The records hold extended reals, beyond the range of a double where the inputs are.
using TJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                   std::uint64_t, long double>;

void Check(bool ok, const char* what, std::string_view detail = {})
{
    if (ok)
        return;
    std::fprintf(
        stderr, "broken: %s\n%.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

std::vector<TCsvRecord> ReadAll(const std::string& text)
{
    std::istringstream in(text);
    TCsvReader reader(in);
    std::vector<TCsvRecord> records;
    for (TCsvRecord record; reader.Next(record);)
        records.push_back(record);
    return records;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The index of a column in a CSV header record.
std::size_t ColumnIndex(const TCsvRecord& header, std::string_view name)
{
    for (std::size_t i = 0; i < header.FieldCount(); ++i)
        if (header.Field(i) == name)
            return i;
    Check(false, "a column of every record", name);
    return 0;
}

// Returns the number of failed records. Records may carry the fields of the constants in
// force after their own, so the columns are found by name.
std::size_t CheckCsv(const std::string& out, std::size_t rows)
{
    const std::vector<TCsvRecord> records = ReadAll(out);
    Check(records.size() == rows + 1, "one CSV record per row after the header", out);
    const TCsvRecord& header = records.front();
    const std::size_t error = ColumnIndex(header, "error");
    const std::size_t iterations = ColumnIndex(header, "iterations");
    std::size_t failed = 0;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const TCsvRecord& record = records[r];
        Check(record.Error.empty() && record.FieldCount() == header.FieldCount(),
              "a well-formed record", record.Text);
        const bool hasError = !record.Field(error).empty();
        const bool computed = !record.Field(iterations).empty();
        Check(hasError != computed, "either computed or carrying a message", record.Text);
        failed += hasError ? 1 : 0;
    }
    return failed;
}

std::size_t CheckJson(const std::string& out, std::size_t rows)
{
    const std::vector<std::string> lines = Lines(out);
    Check(lines.size() == rows, "one JSON object per row", out);
    std::size_t failed = 0;
    std::size_t keys = 0;
    for (const std::string& line : lines) {
        const auto j = TJson::parse(line);
        Check(j.size() >= RecordColumns().size() && (keys == 0 || j.size() == keys),
              "every key in every object", line);
        keys = j.size();
        Check(j["error"].is_null() != j["iterations"].is_null(), "computed or a message", line);
        failed += j["error"].is_null() ? 0 : 1;
    }
    return failed;
}

// Every row is either a report headed "row N:" on standard output or "row N: message" on
// standard error; warnings are the only other lines on standard error.
std::size_t CheckReport(const std::string& out, const std::string& err, std::size_t rows)
{
    std::set<std::size_t> seen;
    std::size_t failed = 0;
    const auto take = [&](const std::string& line, bool heading) {
        const std::size_t n = std::strtoul(line.c_str() + 4, nullptr, 10);
        Check(n >= 1 && n <= rows && seen.insert(n).second, "each row once", line);
        failed += heading ? 0 : 1;
    };
    for (const std::string& line : Lines(out))
        if (line.starts_with("row "))
            take(line, true);
    for (const std::string& line : Lines(err)) {
        Check(line.starts_with("row ") || line.starts_with("warning: "), "known message", line);
        if (line.starts_with("row "))
            take(line, false);
    }
    Check(seen.size() == rows, "a report or a message for every row", out);
    return failed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t blank = text.find("\n\n");
    const std::string csv = blank == std::string::npos ? text : text.substr(blank + 2);
    std::vector<std::string> args {"quelix-cli"};
    // Paths are left out: a set file such as /dev/stdin would be read, and set files have
    // their own tests.
    std::error_code noPath;
    if (blank != std::string::npos)
        for (const std::string& line : Lines(text.substr(0, blank)))
            if (line.find('/') == std::string::npos && !std::filesystem::exists(line, noPath))
                args.push_back(line);
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());

    TCliOptions options;
    try {
        options = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    } catch (const TUsageError&) {
        options = TCliOptions {};
    }
    TBatchJob job;
    job.Defaults = options.Input;
    job.Constants = SetTable(options.Constants.Set);
    job.Origin = SetOrigin(options.Constants.Set, options.Constants.EditedEntries);
    job.Format = options.Format;
    job.Workers = 1 + static_cast<unsigned>(size % 2);
    job.ChunkRows = 1 + size % 3;
    job.GivenOptions = options.Given;
    std::istringstream in(csv);
    std::ostringstream out, err;
    int status = 0;
    try {
        status = RunBatch(in, out, err, job);
    } catch (const TUsageError&) {
        Check(out.str().empty(), "nothing written before a header error", out.str());
        return 0;
    }
    const std::vector<TCsvRecord> records = ReadAll(csv);
    const std::size_t rows = records.empty() ? 0 : records.size() - 1;
    std::size_t failed = 0;
    switch (job.Format) {
    case TOutputFormat::ofCsv:
        failed = CheckCsv(out.str(), rows);
        break;
    case TOutputFormat::ofJson:
        failed = CheckJson(out.str(), rows);
        break;
    case TOutputFormat::ofReport:
        failed = CheckReport(out.str(), err.str(), rows);
        break;
    }
    Check((status == 1) == (failed > 0), "the exit status says whether a row failed");
    return 0;
}
