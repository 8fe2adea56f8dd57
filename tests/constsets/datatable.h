// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The tables of data that the bundled sets and ligands were made from (tests/data/*.csv),
// read as the tests compare them.

#include <fstream>
#include <map>
#include <string>
#include <vector>

// The fields of one line of a CSV file with quoted fields (no line breaks inside quotes).
inline std::vector<std::string> CsvFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted && ch == '"' && i + 1 < line.size() && line[i + 1] == '"')
            fields.back() += line[++i];
        else if (ch == '"')
            quoted = !quoted;
        else if (ch == ',' && !quoted)
            fields.emplace_back();
        else if (ch != '\r')
            fields.back() += ch;
    }
    return fields;
}

// The rows of a data file by column name, keyed by "ROW:STEP".
inline std::map<std::string, std::map<std::string, std::string>> DataTable(const std::string& name)
{
    std::ifstream file(std::string(QUELIX_TEST_DATA_DIR) + "/" + name);
    std::string line;
    std::getline(file, line);
    const std::vector<std::string> header = CsvFields(line);
    std::map<std::string, std::map<std::string, std::string>> rows;
    while (std::getline(file, line)) {
        const std::vector<std::string> fields = CsvFields(line);
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i)
            row[header[i]] = fields[i];
        rows[row["row"] + ":" + row["step"]] = row;
    }
    return rows;
}
