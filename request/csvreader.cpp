// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/csvreader.h"

namespace {
constexpr int EndOfInput = -1;
}

std::string_view TCsvRecord::Field(std::size_t i) const
{
    const std::size_t begin = i == 0 ? 0 : Ends[i - 1];
    return std::string_view(Text).substr(begin, Ends[i] - begin);
}

void TCsvRecord::Clear()
{
    Text.clear();
    Ends.clear();
    Error.clear();
}

TCsvReader::TCsvReader(std::istream& in, std::size_t recordLimit)
    : FIn(in)
    , FRecordLimit(recordLimit)
{
}

int TCsvReader::Peek()
{
    if (FPos == FEnd) {
        FIn.read(FBuffer.data(), static_cast<std::streamsize>(FBuffer.size()));
        FEnd = static_cast<std::size_t>(FIn.gcount());
        FPos = 0;
        // A UTF-8 byte order mark is no part of the first field, quoted or not. The first
        // read fills the buffer unless the input is shorter, so the mark is whole in it.
        constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
        if (FAtStart && std::string_view(FBuffer.data(), FEnd).starts_with(ByteOrderMark))
            FPos = ByteOrderMark.size();
        FAtStart = false;
        if (FPos == FEnd)
            return EndOfInput;
    }
    return static_cast<unsigned char>(FBuffer[FPos]);
}

int TCsvReader::Get()
{
    const int ch = Peek();
    if (ch != EndOfInput)
        ++FPos;
    return ch;
}

void TCsvReader::Append(TCsvRecord& record, char ch) const
{
    if (record.Text.size() < FRecordLimit)
        record.Text += ch;
    else if (record.Error.empty())
        record.Error = "The row is longer than " + std::to_string(FRecordLimit) + " characters.";
}

bool TCsvReader::Next(TCsvRecord& record)
{
    record.Clear();
    int ch = Get();
    // Blank lines carry no record.
    while (ch == '\r' || ch == '\n')
        ch = Get();
    if (ch == EndOfInput)
        return false;
    for (;;) {
        // At the start of a field.
        if (ch == '"') {
            for (;;) {
                ch = Get();
                if (ch == EndOfInput) {
                    if (record.Error.empty())
                        record.Error = "A quoted field is not closed.";
                    break;
                }
                if (ch == '"') {
                    ch = Get();
                    if (ch != '"')
                        break;
                }
                Append(record, static_cast<char>(ch));
            }
            // Text between the closing quote and the next separator is kept, but the
            // record is not well-formed.
            if (ch != ',' && ch != '\r' && ch != '\n' && ch != EndOfInput && record.Error.empty())
                record.Error = "A quoted field is followed by other text.";
        }
        while (ch != ',' && ch != '\r' && ch != '\n' && ch != EndOfInput) {
            Append(record, static_cast<char>(ch));
            ch = Get();
        }
        if (record.Ends.size() < FRecordLimit)
            record.Ends.push_back(record.Text.size());
        else if (record.Error.empty())
            record.Error = "The row has more than " + std::to_string(FRecordLimit) + " fields.";
        if (ch != ',')
            break;
        ch = Get();
    }
    if (ch == '\r' && Peek() == '\n')
        Get();
    return true;
}
