// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Streaming reader of RFC 4180 CSV: fields separated by commas, records ended by CRLF,
// LF or CR, fields optionally in double quotes (which may hold commas, line breaks and
// doubled quotes). Blank lines are skipped, and so is a UTF-8 byte order mark at the
// start. A record is never allowed to grow without bound: past the limit its text is
// dropped and the record is marked as failed, so a missing closing quote cannot make the
// reader swallow a whole file into memory.

#include <array>
#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

/// One record. Its storage is reused when the record is read into again.
struct TCsvRecord {
    std::string Text;              // the fields' contents, one after another
    std::vector<std::size_t> Ends; // end of each field in Text
    std::string Error;             // why the record is unusable; empty when it is fine

    std::size_t FieldCount() const { return Ends.size(); }
    std::string_view Field(std::size_t i) const;
    void Clear();
};

class TCsvReader {
public:
    static constexpr std::size_t DefaultRecordLimit = 1 << 16;

    explicit TCsvReader(std::istream& in, std::size_t recordLimit = DefaultRecordLimit);

    /// Reads the next record; false at the end of the input.
    bool Next(TCsvRecord& record);

    /// True when the input failed for another reason than its end.
    bool ReadFailed() const { return FIn.bad(); }

private:
    int Get();
    int Peek();
    void Append(TCsvRecord& record, char ch) const;

    std::istream& FIn;
    std::size_t FRecordLimit;
    std::array<char, 1 << 16> FBuffer {};
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    bool FAtStart = true;
};
