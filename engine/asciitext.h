// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// ASCII text helpers shared by every reader of text in Quelix (numbers, the settings file,
// batch files, command-line options, the constants grid). They never consult the process
// locale: a settings key or a column name matches the same way on every machine.

#include <string>
#include <string_view>

constexpr bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// A blank between the parts of a line: space or tab.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

/// `s` without the blanks at either end.
constexpr std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

constexpr char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// `s` with A-Z lowered; other bytes (UTF-8 included) unchanged.
inline std::string AsciiLowered(std::string_view s)
{
    std::string lowered(s);
    for (char& c : lowered)
        c = AsciiLower(c);
    return lowered;
}

/// Equal without regard to the case of A-Z; other bytes must match exactly.
constexpr bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
