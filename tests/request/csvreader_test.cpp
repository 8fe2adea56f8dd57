// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/csvreader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

TEST(CsvReader, SplitsQuotedFieldsAndAllLineEnds)
{
    struct TCase {
        std::string Text;
        std::vector<std::vector<std::string>> Records;
        std::vector<std::string> Errors; // a part of each record's error, "" for none
    };
    const std::vector<TCase> cases {
        {"a,b\r\nc,d\n", {{"a", "b"}, {"c", "d"}}, {"", ""}},
        {"\"x,y\",\"q\"\"q\"\r\n\"two\r\nlines\",z",
         {{"x,y", "q\"q"}, {"two\r\nlines", "z"}},
         {"", ""}},
        {"a\r\rb\n\n,\n", {{"a"}, {"b"}, {"", ""}}, {"", "", ""}},
        {"\"open,1\n2", {{"open,1\n2"}}, {"not closed"}},
        {"\"a\"b,c\n1", {{"ab", "c"}, {"1"}}, {"followed", ""}},
        // A quoted last field ends at any line end, as an unquoted one does.
        {"\"a\",\"b\"\n\"c\"\r\"d\"", {{"a", "b"}, {"c"}, {"d"}}, {"", "", ""}},
        {"1234567890123,1\n5,6\n", {{"123456789012", ""}, {"5", "6"}}, {"longer", ""}},
        // As many fields as the limit, and one more.
        {std::string(11, ',') + "\n" + std::string(12, ','),
         {std::vector<std::string>(12), std::vector<std::string>(12)},
         {"", "more than 12 fields"}},
        // A byte order mark at the start is dropped, also before a quote; later it is text.
        {"\xEF\xBB\xBF\"a\",b\n\xEF\xBB\xBF\n", {{"a", "b"}, {"\xEF\xBB\xBF"}}, {"", ""}},
        {"\xEF\xBB", {{"\xEF\xBB"}}, {""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        std::istringstream in(c.Text);
        TCsvReader reader(in, 12);
        TCsvRecord record;
        for (std::size_t r = 0; r < c.Records.size(); ++r) {
            ASSERT_TRUE(reader.Next(record));
            std::vector<std::string> fields;
            for (std::size_t f = 0; f < record.FieldCount(); ++f)
                fields.emplace_back(record.Field(f));
            EXPECT_EQ(fields, c.Records[r]);
            EXPECT_EQ(record.Error.find(c.Errors[r]) != std::string::npos, true) << record.Error;
            EXPECT_EQ(record.Error.empty(), c.Errors[r].empty()) << record.Error;
        }
        EXPECT_FALSE(reader.Next(record));
    }
}
